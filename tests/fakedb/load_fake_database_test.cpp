#include "fakedb/fake_database.h"
#include "tests/fakedb/line_scan_model.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::loadFakeDatabase;
using testing_support::TempDir;

struct Load {
    std::optional<std::uint64_t> count;
    int yields = 0;
};

Load load(FakeDatabase& database, const std::string& path)
{
    Load result;
    result.count = loadFakeDatabase(database, path, [&] { ++result.yields; });
    return result;
}

FakeDatabase databaseOf(std::string_view text)
{
    FakeDatabase database;
    database.replace(text);
    return database;
}

TEST(LoadFakeDatabaseFailure, MissingFileLeavesDatabaseAndCreatesNothing)
{
    const TempDir dir;
    FakeDatabase database = databaseOf("abc,1,kept\r\n");
    const std::string path = dir.file("fakes.dat");

    const Load result = load(database, path);

    EXPECT_EQ(result.count, std::nullopt);
    EXPECT_EQ(result.yields, 0);
    EXPECT_EQ(database.text(), "abc,1,kept\r\n");
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** kept");
    EXPECT_FALSE(testing_support::exists(path));
}

TEST(LoadFakeDatabaseFailure, FolderLeavesDatabaseUntouched)
{
    const TempDir dir;
    FakeDatabase database = databaseOf("abc,1,kept\r\n");

    const Load result = load(database, dir.makeFolder("fakes.dat"));

    EXPECT_EQ(result.count, std::nullopt);
    EXPECT_EQ(result.yields, 0);
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** kept");
}

TEST(LoadFakeDatabaseFailure, UnreadableFileLeavesDatabaseUntouched)
{
    const TempDir dir;
    const std::string path = dir.write("fakes.dat", "new,2,entry\r\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        GTEST_SKIP() << "running with rights that read any file";
    }
    FakeDatabase database = databaseOf("abc,1,kept\r\n");

    const Load result = load(database, path);

    EXPECT_EQ(result.count, std::nullopt);
    EXPECT_EQ(database.text(), "abc,1,kept\r\n");
    EXPECT_EQ(database.lookupFake("new", "2"), "");
}

TEST(LoadFakeDatabaseBlocks, EmptyFileIsOneBlockAndCountsOne)
{
    const TempDir dir;
    FakeDatabase database = databaseOf("abc,1,old\r\n");

    const Load result = load(database, dir.write("fakes.dat", ""));

    EXPECT_EQ(result.count, 1u);
    EXPECT_EQ(result.yields, 1);
    EXPECT_EQ(database.text(), "");
    EXPECT_EQ(database.lookupFake("abc", "1"), "");
}

TEST(LoadFakeDatabaseBlocks, ExactlyOneBlockOfBytesTakesTwoReads)
{
    const TempDir dir;
    FakeDatabase database;

    const Load result = load(database, dir.write("fakes.dat", std::string(2048, 'x')));

    EXPECT_EQ(result.yields, 2);
    EXPECT_EQ(result.count, 1u);
    EXPECT_EQ(database.text().size(), 2048u);
}

TEST(LoadFakeDatabaseBlocks, YieldFollowsEachAppendedBlock)
{
    const TempDir dir;
    FakeDatabase database;
    std::vector<std::size_t> lengthsSeen;

    const auto count = loadFakeDatabase(database, dir.write("fakes.dat", std::string(5000, 'x')),
                                        [&] { lengthsSeen.push_back(database.text().size()); });

    EXPECT_EQ(count, 1u);
    EXPECT_EQ(lengthsSeen, (std::vector<std::size_t>{2048, 4096, 5000}));
}

TEST(LoadFakeDatabaseBlocks, EntriesReadSoFarAreFoundDuringYield)
{
    const TempDir dir;
    std::string text = "first,1,early\r\n";
    text += std::string(3000, 'x') + "\r\nlast,2,late\r\n";
    FakeDatabase database;
    std::vector<std::string> answers;

    loadFakeDatabase(database, dir.write("fakes.dat", text), [&] {
        answers.push_back(database.lookupFake("first", "1") + "|" +
                          database.lookupFake("last", "2"));
    });

    EXPECT_EQ(answers, (std::vector<std::string>{"*** early|", "*** early|*** late"}));
}

TEST(LoadFakeDatabaseCount, CountIsLineFeedsPlusOne)
{
    const TempDir dir;
    FakeDatabase database;
    const std::string lines = "a,1,x\r\nb,2,y\r\nc,3,z\r\n";

    EXPECT_EQ(load(database, dir.write("full.dat", lines)).count, 4u);
    EXPECT_EQ(load(database, dir.write("open.dat", "a,1,x\r\nb,2,y\r\nc,3,z")).count, 3u);
    // Every LF counts, not just those ending entries.
    EXPECT_EQ(load(database, dir.write("bare.dat", "a\nb\n\r\r")).count, 3u);
}

TEST(LoadFakeDatabaseCount, LineEndSplitAcrossBlocksCountsOnceAndEndsTheLine)
{
    const TempDir dir;
    // The CR is the last byte of the first block and its LF the first of the next.
    std::string text = "abc,1,";
    text += std::string(2047 - text.size(), 'd');
    text += "\r\nnext,2,\n\r\n";
    ASSERT_EQ(text[2047], '\r');
    ASSERT_EQ(text[2048], '\n');
    FakeDatabase database;

    const Load result = load(database, dir.write("fakes.dat", text));

    EXPECT_EQ(result.count, 4u);
    EXPECT_EQ(result.yields, 2);
    EXPECT_EQ(database.lookupFake("abc", "1"), "*** " + std::string(2041, 'd'));
    EXPECT_EQ(database.lookupFake("next", "2"), "*** \n");
}

TEST(LoadFakeDatabaseReload, SecondLoadReplacesFirst)
{
    const TempDir dir;
    const std::string first = dir.write("first.dat", "old,1,gone\r\nboth,3,from first\r\n");
    const std::string second = dir.write("second.dat", "new,2,here\r\nboth,3,from second\r\n");
    FakeDatabase database;

    ASSERT_EQ(load(database, first).count, 3u);
    ASSERT_EQ(load(database, second).count, 3u);

    EXPECT_EQ(database.text(), "new,2,here\r\nboth,3,from second\r\n");
    EXPECT_EQ(database.lookupFake("old", "1"), "");
    EXPECT_EQ(database.lookupFake("both", "3"), "*** from second");
}

TEST(LoadFakeDatabaseReload, LoadingSameFileTwiceHoldsOneCopy)
{
    const TempDir dir;
    const std::string path = dir.write("fakes.dat", "abc,1,x\r\n");
    FakeDatabase database;

    load(database, path);
    load(database, path);

    EXPECT_EQ(database.text(), "abc,1,x\r\n");
}

TEST(LoadFakeDatabaseContent, LoadedDatabaseAnswersAsLineScanOfFile)
{
    const TempDir dir;
    std::string text;
    for (int i = 0; i < 20'000; ++i) {
        text += std::to_string(i * 7919 % 1'000) + "," + std::to_string(i % 13) + ",d" +
                std::to_string(i);
        text += i % 97 == 0 ? "\n" : "\r\n";
    }
    text += "tail,1,unfinished";
    FakeDatabase database;

    const Load result = load(database, dir.write("fakes.dat", text));

    ASSERT_EQ(database.text(), text);
    EXPECT_EQ(result.yields, static_cast<int>(text.size() / 2048 + 1));
    for (int hash = 0; hash < 1'000; hash += 7) {
        for (int size = 0; size < 14; ++size) {
            const std::string h = std::to_string(hash);
            const std::string s = std::to_string(size);
            ASSERT_EQ(database.lookupFake(h, s), fakedb::model::lookupByLineScan(text, h, s))
                << h << "," << s;
        }
    }
    EXPECT_EQ(database.lookupFake("tail", "1"), "");
}

} // namespace
