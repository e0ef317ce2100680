// The index against the plain line scan on many small random databases. The
// alphabets are tiny so that duplicate keys, near misses and odd line ends
// turn up in nearly every database.

#include "fakedb/fake_database.h"
#include "tests/fakedb/line_scan_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::model::lookupByLineScan;

struct Query {
    std::string hash;
    std::string size;
};

template <typename Choices>
auto pickFrom(std::mt19937& random, const Choices& choices)
{
    return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
}

bool chance(std::mt19937& random, double probability)
{
    return std::bernoulli_distribution(probability)(random);
}

// Lines shaped like entries, with blanks, missing and extra commas, line ends
// other than CR LF, duplicate keys and sometimes an unfinished last line.
std::string structuredDatabase(std::mt19937& random)
{
    static constexpr std::array<std::string_view, 8> hashes = {"a", "b",  "ab", "A",
                                                               "",  " a", "a ", "a\nb"};
    static constexpr std::array<std::string_view, 7> sizes = {"1", "2",  "01", "12",
                                                              "",  " 1", "1\r"};
    static constexpr std::array<std::string_view, 9> descriptions = {
        "", "x", "fake", "x,y", "a,1,", " ", "\r", "\n", "x\ry"};
    static constexpr std::array<std::string_view, 12> lineEnds = {
        "\r\n", "\r\n", "\r\n", "\r\n", "\r\n", "\r\n", "\r\n", "\n", "\r", "\r\r\n", "\n\r\n", ""};

    std::string text;
    const int lineCount = std::uniform_int_distribution<int>(0, 12)(random);
    for (int line = 0; line < lineCount; ++line) {
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
        case 0: // blank
            break;
        case 1: // no comma
            text += pickFrom(random, hashes);
            text += pickFrom(random, sizes);
            break;
        case 2: // one comma
            text += pickFrom(random, hashes);
            text += ',';
            text += pickFrom(random, sizes);
            break;
        default:
            text += pickFrom(random, hashes);
            text += ',';
            text += pickFrom(random, sizes);
            text += ',';
            text += pickFrom(random, descriptions);
            break;
        }
        text += pickFrom(random, lineEnds);
    }
    if (chance(random, 0.3)) {
        text += pickFrom(random, hashes);
        text += ',';
        text += pickFrom(random, sizes);
        text += ',';
        text += pickFrom(random, descriptions);
    }
    return text;
}

// Any bytes at all from the few that matter to the format.
std::string byteSoupDatabase(std::mt19937& random)
{
    static constexpr std::string_view alphabet = "ab1,,,\r\r\n\n ";
    const int length = std::uniform_int_distribution<int>(0, 60)(random);
    std::string text;
    for (int i = 0; i < length; ++i)
        text += pickFrom(random, alphabet);
    return text;
}

bool isDelimiter(char c)
{
    return c == ',' || c == '\r' || c == '\n';
}

// Queries taken from the text: from each place a field could start, the run to
// the next comma and the run after it. These hit real entries, entries whose
// CR LF is still missing, and keys that straddle line ends; arbitrary pieces
// between delimiters and a few fixed oddities make up the near misses.
std::vector<Query> queriesFor(std::string_view text, std::mt19937& random)
{
    std::vector<Query> queries;
    std::vector<std::string> pieces = {"", "a", "1", "a,1", "1,", "\r\n", "a\r\n", "x"};
    for (std::size_t start = 0; start <= text.size(); ++start) {
        if (start > 0 && !isDelimiter(text[start - 1]))
            continue;
        const std::size_t firstComma = text.find(',', start);
        if (firstComma != std::string_view::npos) {
            const std::size_t secondComma = text.find(',', firstComma + 1);
            if (secondComma != std::string_view::npos)
                queries.push_back(
                    {std::string(text.substr(start, firstComma - start)),
                     std::string(text.substr(firstComma + 1, secondComma - firstComma - 1))});
        }
        int ends = 0;
        for (std::size_t end = start; end <= text.size() && ends < 4; ++end) {
            if (end == text.size() || isDelimiter(text[end])) {
                pieces.emplace_back(text.substr(start, end - start));
                ++ends;
            }
        }
    }
    for (int i = 0; i < 30; ++i)
        queries.push_back(
            {std::string(pickFrom(random, pieces)), std::string(pickFrom(random, pieces))});
    return queries;
}

std::string escaped(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

testing::AssertionResult agreesWithLineScan(const FakeDatabase& database, std::string_view text,
                                            const std::vector<Query>& queries)
{
    if (database.text() != text)
        return testing::AssertionFailure() << "text \"" << escaped(database.text())
                                           << "\" instead of \"" << escaped(text) << "\"";
    for (const Query& query : queries) {
        const std::string expected = lookupByLineScan(text, query.hash, query.size);
        const std::string actual = database.lookupFake(query.hash, query.size);
        if (actual != expected)
            return testing::AssertionFailure()
                   << "in \"" << escaped(text) << "\" lookup (\"" << escaped(query.hash) << "\", \""
                   << escaped(query.size) << "\") gave \"" << escaped(actual)
                   << "\", the line scan \"" << escaped(expected) << "\"";
    }
    return testing::AssertionSuccess();
}

// Cut points at random, and between the CR and LF of about half the line ends,
// the split a block boundary makes.
std::vector<std::string_view> randomChunks(std::string_view text, std::mt19937& random)
{
    std::vector<std::size_t> cuts;
    for (std::size_t at = 1; at < text.size(); ++at) {
        const bool betweenCrAndLf = text[at - 1] == '\r' && text[at] == '\n';
        if (chance(random, betweenCrAndLf ? 0.5 : 0.15))
            cuts.push_back(at);
    }
    cuts.push_back(text.size());
    std::vector<std::string_view> chunks;
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        chunks.push_back(text.substr(from, cut - from));
        from = cut;
    }
    return chunks;
}

struct Tally {
    int hits = 0;
    int misses = 0;
};

void count(Tally& tally, std::string_view text, const std::vector<Query>& queries)
{
    for (const Query& query : queries) {
        if (lookupByLineScan(text, query.hash, query.size).empty())
            ++tally.misses;
        else
            ++tally.hits;
    }
}

template <typename MakeText>
void compareOnRandomDatabases(MakeText makeText, unsigned firstSeed, unsigned seedCount,
                              Tally& tally)
{
    for (unsigned seed = firstSeed; seed < firstSeed + seedCount; ++seed) {
        std::mt19937 random(seed);
        const std::string text = makeText(random);
        const std::vector<Query> queries = queriesFor(text, random);
        count(tally, text, queries);

        FakeDatabase replaced;
        replaced.replace(text);
        ASSERT_TRUE(agreesWithLineScan(replaced, text, queries)) << "seed " << seed;

        FakeDatabase appended;
        std::size_t length = 0;
        for (const std::string_view chunk : randomChunks(text, random)) {
            appended.append(chunk);
            length += chunk.size();
            std::vector<Query> sample;
            std::sample(queries.begin(), queries.end(), std::back_inserter(sample), 12, random);
            ASSERT_TRUE(
                agreesWithLineScan(appended, std::string_view(text).substr(0, length), sample))
                << "seed " << seed << ", after " << length << " bytes";
        }
        ASSERT_TRUE(agreesWithLineScan(appended, text, queries)) << "seed " << seed;

        // A database that held other entries before must forget them.
        FakeDatabase reused;
        reused.replace(makeText(random));
        reused.replace(text);
        ASSERT_TRUE(agreesWithLineScan(reused, text, queries)) << "seed " << seed;
    }
}

TEST(FakeDatabaseAgainstLineScan, RandomEntryShapedDatabasesAnswerAlike)
{
    Tally tally;
    compareOnRandomDatabases(structuredDatabase, 1, 3000, tally);
    // Guards against a generator change that quietly stops testing hits.
    EXPECT_GT(tally.hits, 10'000);
    EXPECT_GT(tally.misses, 10'000);
}

TEST(FakeDatabaseAgainstLineScan, RandomByteSoupAnswersAlike)
{
    Tally tally;
    compareOnRandomDatabases(byteSoupDatabase, 100'000, 2000, tally);
    EXPECT_GT(tally.hits, 800);
    EXPECT_GT(tally.misses, 10'000);
}

TEST(FakeDatabaseAgainstLineScan, ManyCollidingKeysAnswerAlike)
{
    // Few distinct keys over many lines: long duplicate runs, and a table that
    // grows while most lines are rejected as repeats.
    Tally tally;
    compareOnRandomDatabases(
        [](std::mt19937& random) {
            std::string text;
            for (int i = 0; i < 300; ++i) {
                text += pickFrom(random, std::array<std::string_view, 3>{"a", "b", "ab"});
                text += ',';
                text += std::to_string(std::uniform_int_distribution<int>(0, 40)(random));
                text += ',';
                text += std::to_string(i);
                text += chance(random, 0.95) ? "\r\n" : "\n";
            }
            return text;
        },
        500'000, 20, tally);
    EXPECT_GT(tally.hits, 3'000);
}

} // namespace
