// The indexed fake database against the plain line scan: however the text
// arrives (appended in pieces of any size, set whole, or loaded from a file),
// every lookup answers as reading the lines from the top would.

#include "fakedb/fake_database.h"
#include "fuzz/fuzz_support.h"
#include "tests/fakedb/line_scan_model.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::model::lookupByLineScan;

struct Query {
    std::string hash;
    std::string size;
};

constexpr std::size_t maxQueries = 48;

// The keys of the text's own lines, split at every kind of line end so that
// lines the index must not see are asked for too, and near misses of them.
void addKeysOfLines(std::string_view text, std::vector<Query>& queries)
{
    std::size_t start = 0;
    while (start <= text.size() && queries.size() < maxQueries) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;

        const auto first = line.find(',');
        if (first == std::string_view::npos)
            continue;
        const auto second = line.find(',', first + 1);
        const std::string hash(line.substr(0, first));
        const std::string size(line.substr(first + 1, second == std::string_view::npos
                                                          ? std::string_view::npos
                                                          : second - first - 1));
        queries.push_back({hash, size});
        if (!hash.empty())
            queries.push_back({hash.substr(1), size});
        queries.push_back({hash, size + "0"});
    }
}

void requireSameAnswers(const FakeDatabase& database, std::string_view text,
                        const std::vector<Query>& queries)
{
    FUZZ_REQUIRE(database.text() == text);
    for (const auto& query : queries) {
        FUZZ_REQUIRE(database.lookupFake(query.hash, query.size) ==
                     lookupByLineScan(text, query.hash, query.size));
    }
}

const fuzzing::ScratchFolder scratch;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Taken from the end of the input, so the text keeps its bytes.
    std::minstd_rand pieces(input.ConsumeIntegral<std::uint32_t>());
    const std::string text = input.ConsumeRandomLengthString();
    std::vector<Query> queries;
    while (input.remaining_bytes() > 0 && queries.size() < maxQueries / 2)
        queries.push_back(
            {input.ConsumeRandomLengthString(48), input.ConsumeRandomLengthString(16)});
    addKeysOfLines(text, queries);

    // Lines become visible as their CR LF arrives, whatever the pieces.
    FakeDatabase appended;
    std::size_t at = 0;
    while (at < text.size()) {
        // Sizes from one byte to two read blocks, small ones as likely as large.
        const std::size_t piece = std::min<std::size_t>(
            text.size() - at, 1 + pieces() % (std::size_t{2} << (pieces() % 12)));
        appended.append(std::string_view(text).substr(at, piece));
        at += piece;
        if (queries.empty())
            continue;
        const auto& probe = queries[pieces() % queries.size()];
        FUZZ_REQUIRE(
            appended.lookupFake(probe.hash, probe.size) ==
            lookupByLineScan(std::string_view(text).substr(0, at), probe.hash, probe.size));
    }
    requireSameAnswers(appended, text, queries);
    // Its own text may be what it is given.
    appended.append(appended.text());
    requireSameAnswers(appended, text + text, queries);

    FakeDatabase replaced;
    replaced.append("stale,1,gone\r\n");
    replaced.replace(text);
    requireSameAnswers(replaced, text, queries);
    replaced.replace(replaced.text());
    requireSameAnswers(replaced, text, queries);

    // Loading sizes the index from the file's first block; a wrong guess must
    // cost only time.
    FakeDatabase loaded;
    loaded.append("stale,1,gone\r\n");
    const auto count = fakedb::loadFakeDatabase(loaded, scratch.write("fakes.dat", text), nullptr);
    FUZZ_REQUIRE(count ==
                 static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    requireSameAnswers(loaded, text, queries);
    return 0;
}
