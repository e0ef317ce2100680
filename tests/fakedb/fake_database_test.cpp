// Lookups in the fake database: first the rules a reader looks for, then the
// index against the plain line scan on many small random databases.

#include "fakedb/fake_database.h"

#include "tests/fakedb/line_scan_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::model::lookupByLineScan;

struct Case {
    std::string_view text, hash, size, expected;
};

// The rules the line scan is the reference for, each pinned down once.
TEST(FakeDatabaseLookup, RulesOfTheLineScan)
{
    const std::string_view loneEnds = "a\nb,1,x\r\nc,2,y\rd,3,z\r\n";
    const Case cases[] = {
        {"0123abcdef,512,x\r\n", "0123ABCDEF", "512", ""}, // case matters
        {" abc, 12 ,x\r\n", " abc", " 12 ", "*** x"},      // blanks belong to the field
        {"abc,1,one, two,,three,\r\n", "abc", "1", "*** one, two,,three,"},
        {"abc,1,older\r\nabc,1,newer\r\n", "abc", "1", "*** older"},
        {"a,1,2,d\r\n", "a,1", "2", ""},  // random queries hold no comma
        {loneEnds, "a\nb", "1", "*** x"}, // a lone LF or CR is part of the line
        {loneEnds, "c", "2", "*** y\rd,3,z"},
    };
    for (const Case& c : cases) {
        FakeDatabase whole;
        whole.replace(std::string(c.text));
        const std::string query = testing::PrintToString(c.text) + " (" +
                                  testing::PrintToString(c.hash) + "," +
                                  testing::PrintToString(c.size) + ")";
        EXPECT_EQ(lookupByLineScan(c.text, c.hash, c.size), c.expected) << query;
        EXPECT_EQ(whole.lookupFake(c.hash, c.size), c.expected) << query;
    }
}

bool chance(std::mt19937& random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

std::string randomField(std::mt19937& random, int longest = 2)
{
    static constexpr std::string_view bytes = "aaab11 A\r\n";
    std::string field;
    for (int n = std::uniform_int_distribution<int>(0, longest)(random); n > 0; --n)
        field += bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random)];
    return field;
}

// Lines of 0 to 5 random fields from a few bytes, mostly three, so that
// duplicate keys, near misses, blank and one-comma lines, lone CRs and LFs and
// an unfinished last line turn up in nearly every database; now and then one
// with enough keys to make the table grow.
std::string randomDatabase(std::mt19937& random)
{
    static constexpr std::string_view ends[] = {"\r\n", "\r\n", "\r\n",   "\r\n",
                                                "\n",   "\r",   "\r\r\n", ""};
    std::string text;
    const bool big = chance(random, 0.02);
    const int lines = big ? 150 : std::uniform_int_distribution<int>(0, 12)(random);
    for (int line = 0; line < lines; ++line) {
        const int fields = std::discrete_distribution<int>({1, 1, 1, 6, 1, 1})(random);
        for (int field = 0; field < fields; ++field)
            text += (field > 0 ? "," : "") + randomField(random, big ? 3 : 2);
        text += ends[std::uniform_int_distribution<std::size_t>(0, std::size(ends) - 1)(random)];
    }
    return text;
}

struct Query {
    std::string hash, size;
    std::size_t at = std::string::npos; // where the text this was cut from starts
};

// The two fields after every comma, CR and LF: keys of finished and unfinished
// lines, of runs across line ends and of later fields; and random misses.
std::vector<Query> queriesFor(std::string_view text, std::mt19937& random)
{
    std::vector<Query> queries;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at > 0 && text[at - 1] != ',' && text[at - 1] != '\r' && text[at - 1] != '\n')
            continue;
        const std::size_t first = text.find(',', at);
        const std::size_t second = first == text.npos ? first : text.find(',', first + 1);
        if (second != text.npos)
            queries.push_back({std::string(text.substr(at, first - at)),
                               std::string(text.substr(first + 1, second - first - 1)), at});
    }
    for (int i = 0; i < 20; ++i)
        queries.push_back({randomField(random), randomField(random)});
    return queries;
}

struct Tally {
    int hits = 0, misses = 0, afterLastCrLf = 0;
};

void expectAgrees(const FakeDatabase& database, std::string_view text,
                  const std::vector<Query>& queries, Tally& tally, const std::string& where)
{
    ASSERT_EQ(database.text(), text) << where;
    const std::size_t lastCrLf = text.rfind("\r\n");
    for (const Query& query : queries) {
        const std::string expected = lookupByLineScan(text, query.hash, query.size);
        ASSERT_EQ(database.lookupFake(query.hash, query.size), expected)
            << where << " after " << text.size() << " bytes, query ("
            << testing::PrintToString(query.hash) << "," << testing::PrintToString(query.size)
            << ")";
        ++(expected.empty() ? tally.misses : tally.hits);
        tally.afterLastCrLf +=
            query.at < text.size() && (lastCrLf == text.npos || query.at >= lastCrLf + 2);
    }
}

// Each database is set over older content, often one cut between a CR and its
// LF, and at the end replaced by its own text. Half the databases use wide
// index slots, as past 4 GiB of text.
TEST(FakeDatabaseAgainstLineScan, RandomDatabasesAnswerAlike)
{
    Tally tally;
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        std::mt19937 random(seed);
        const std::string text = randomDatabase(random);
        const std::vector<Query> queries = queriesFor(text, random);
        const std::string where =
            "seed " + std::to_string(seed) + " " + testing::PrintToString(text);
        const auto some = [&] {
            std::vector<Query> sample;
            std::sample(queries.begin(), queries.end(), std::back_inserter(sample), 12, random);
            return sample;
        };
        FakeDatabase database =
            chance(random, 0.5) ? FakeDatabase(random() % (text.size() + 8)) : FakeDatabase();
        if (chance(random, 0.5)) {
            const std::string older = randomDatabase(random);
            database.replace(older.substr(0, random() % (older.size() + 1)));
        }
        database.replace(text);
        ASSERT_NO_FATAL_FAILURE(expectAgrees(database, text, queries, tally, where));
        database.replace(database.text());
        ASSERT_NO_FATAL_FAILURE(expectAgrees(database, text, some(), tally, where));
    }
    // Guards against a generator change that quietly stops testing something.
    EXPECT_GT(tally.hits, 10'000);
    EXPECT_GT(tally.misses, 100'000);
    EXPECT_GT(tally.afterLastCrLf, 1'000);
}

} // namespace
