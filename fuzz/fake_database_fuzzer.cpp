// The indexed fake database against the plain line scan: however the text
// arrives (appended in pieces of any size, set whole, or loaded from a file),
// every lookup answers as reading the lines from the top would.

#include "fakedb/fake_database.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakedb/line_scan_model.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>
#include <random>
#include <utility>
#include <vector>

namespace {

using Query = std::pair<std::string, std::string>; // hash, size
const fuzzing::ScratchFolder scratch;

void requireSameAnswers(const fakedb::FakeDatabase& database, std::string_view text,
                        const std::vector<Query>& queries)
{
    FUZZ_REQUIRE(database.text() == text);
    for (const auto& [hash, size] : queries)
        FUZZ_REQUIRE(database.lookupFake(hash, size) ==
                     fakedb::model::lookupByLineScan(text, hash, size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::minstd_rand pieces(input.ConsumeIntegral<std::uint32_t>()); // from the input's end
    const std::string text = input.ConsumeRandomLengthString();
    std::vector<Query> queries = {{"stale", "1"}}; // must be gone after a replace or load
    while (input.remaining_bytes() > 0 && queries.size() < 16)
        queries.emplace_back(input.ConsumeRandomLengthString(48),
                             input.ConsumeRandomLengthString(16));
    // The keys of the text's own lines, split at any line end, so hits are asked for too.
    for (std::size_t start = 0, end; start < text.size() && queries.size() < 48; start = end + 1) {
        end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        const auto comma = line.find(',');
        if (comma != std::string::npos)
            queries.emplace_back(line.substr(0, comma),
                                 line.substr(comma + 1, line.find(',', comma + 1) - comma - 1));
    }

    // Lines become visible as their CR LF arrives, whatever the pieces: one
    // byte to two read blocks, small ones as likely as large.
    fakedb::FakeDatabase appended;
    for (std::size_t at = 0; at < text.size();) {
        const auto piece =
            std::string_view(text).substr(at, 1 + pieces() % (std::size_t{2} << (pieces() % 12)));
        appended.append(piece);
        at += piece.size();
        const auto& [hash, size_] = queries[pieces() % queries.size()];
        FUZZ_REQUIRE(
            appended.lookupFake(hash, size_) ==
            fakedb::model::lookupByLineScan(std::string_view(text).substr(0, at), hash, size_));
    }
    requireSameAnswers(appended, text, queries);
    appended.append(appended.text()); // its own text may be what it is given
    requireSameAnswers(appended, text + text, queries);

    fakedb::FakeDatabase replaced;
    replaced.append("stale,1,gone\r\n");
    replaced.replace(text);
    replaced.replace(replaced.text());
    requireSameAnswers(replaced, text, queries);

    // Loading sizes the index from the file's first block; a wrong guess must cost only time.
    const auto result = fakedb::loadFakeDatabase(scratch.write("fakes.dat", text), {});
    FUZZ_REQUIRE(result.end == fakedb::LoadEnd::Loaded &&
                 result.entries ==
                     static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    requireSameAnswers(*result.database, text, queries);
    return 0;
}
