// The indexed fake database against the plain line scan: however the text
// arrives (set whole, over older text, or loaded from a file) and whatever the
// width of its index slots, every lookup answers as reading the lines from the
// top would.

#include "fakedb/fake_database.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakedb/line_scan_model.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>
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

    fakedb::FakeDatabase replaced;
    replaced.replace("stale,1,gone\r\n");
    replaced.replace(text);
    replaced.replace(replaced.text()); // its own text may be what it is given
    requireSameAnswers(replaced, text, queries);
    fakedb::FakeDatabase wide(text.size() / 2); // wide index slots, as past 4 GiB of text
    wide.replace(text);
    requireSameAnswers(wide, text, queries);

    const auto result = fakedb::loadFakeDatabase(scratch.write("fakes.dat", text));
    FUZZ_REQUIRE(result.end == fakedb::LoadEnd::Loaded &&
                 result.entries ==
                     static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    requireSameAnswers(*result.database, text, queries);
    return 0;
}
