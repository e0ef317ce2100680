// Loading fakes.dat: the count reported, and what a failed load leaves.

#include "fakedb/fake_database.h"
#include "tests/support/bytes_read.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::LoadEnd;
using fakedb::loadFakeDatabase;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRISQUEN_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BRISQUEN_ASAN 1
#endif

// The count the program reports is the file's LF bytes plus one; the list
// answers for every complete line, the last one included.
TEST(LoadFakeDatabase, CountsLineFeedsAndAnswersForEveryLine)
{
    const std::string text = "first,1,a\r\nlone\nx,2,b\r\nlast,3,\r\n";
    const std::pair<std::size_t, std::uint64_t> cases[] = {{0, 1}, {11, 2}, {text.size(), 5}};
    const testing_support::TempDir dir;
    for (const auto& [bytes, count] : cases) {
        const fakedb::LoadResult loaded =
            loadFakeDatabase(dir.write("fakes.dat", text.substr(0, bytes)));
        ASSERT_EQ(loaded.end, LoadEnd::Loaded) << bytes;
        EXPECT_EQ(loaded.entries, count) << bytes;
        EXPECT_EQ(loaded.database->lookupFake("first", "1"), bytes ? "*** a" : "") << bytes;
        EXPECT_EQ(loaded.database->lookupFake("last", "3"), bytes == text.size() ? "*** " : "");
    }
}

// The index is sized by the lines of the list's first 64 KiB; a list whose
// later lines are far shorter has many more entries than that, and each of
// them is still found.
TEST(LoadFakeDatabase, ListWhoseLaterLinesAreShorterIsIndexedWhole)
{
    std::string text;
    for (int line = 0; text.size() < (64u << 10); ++line)
        text += "long" + std::to_string(line) + ",1," + std::string(1000, 'x') + "\r\n";
    const std::size_t longLines =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    constexpr int shortLines = 20'000;
    for (int line = 0; line < shortLines; ++line)
        text += "s" + std::to_string(line) + "," + std::to_string(line) + ",d\n";
    const testing_support::TempDir dir;
    const auto loaded = loadFakeDatabase(dir.write("fakes.dat", text));
    ASSERT_EQ(loaded.end, LoadEnd::Loaded);
    EXPECT_EQ(loaded.entries, longLines + shortLines + 1);
    int found = 0;
    for (int line = 0; line < shortLines; ++line)
        found += loaded.database->lookupFake("s" + std::to_string(line), std::to_string(line)) ==
                 "*** d";
    EXPECT_EQ(found, shortLines);
    EXPECT_EQ(loaded.database->lookupFake("long0", "1"), "*** " + std::string(1000, 'x'));
}

// A list of several MB is indexed while it is read, a slice at a time, on a
// thread of its own or in turn with the indexing: lines cut by a slice's end,
// keys met again in a later slice (the first still wins) and the text after
// the last line end answer as the same list set whole does.
TEST(LoadFakeDatabase, ListIndexedWhileReadAnswersAsTheWholeText)
{
    std::string text;
    std::vector<std::pair<std::string, std::string>> keys;
    for (int line = 0; text.size() < (7u << 20); ++line) {
        const std::string hash = "h" + std::to_string(line % 9'000);
        const std::string size = std::to_string(line % 7);
        keys.emplace_back(hash, size);
        text += hash + "," + size + ",line " + std::to_string(line) +
                std::string(static_cast<std::size_t>(line % 97), 'd') + (line % 3 ? "\r\n" : "\n");
    }
    text += "tail,1,never matched";
    const testing_support::TempDir dir;
    const std::string path = dir.write("fakes.dat", text);
    FakeDatabase whole;
    ASSERT_TRUE(whole.replace(text));
    for (const auto reading : {fakedb::ListReading::Ahead, fakedb::ListReading::InTurn}) {
        const auto loaded = loadFakeDatabase(path, {}, reading);
        ASSERT_EQ(loaded.end, LoadEnd::Loaded);
        EXPECT_EQ(loaded.entries, keys.size() + 1);
        std::size_t differing = 0;
        for (const auto& [hash, size] : keys)
            differing += loaded.database->lookupFake(hash, size) != whole.lookupFake(hash, size);
        EXPECT_EQ(differing, 0u);
        EXPECT_EQ(loaded.database->lookupFake("h5", "5"), "*** line 5" + std::string(5, 'd'));
        EXPECT_EQ(loaded.database->lookupFake("tail", "1"), "");
        EXPECT_EQ(loaded.database->text(), text);
    }
}

// A list larger than any real one is refused by its size: at once, without
// reading it, and with the answer memory running out would give.
TEST(LoadFakeDatabase, ListOverTheSizeLimitIsRefusedUnread)
{
    const testing_support::TempDir dir;
    const std::string path = dir.write("fakes.dat", "");
    std::filesystem::resize_file(path, fakedb::fakeDatabaseSizeLimit + 1);
    const auto readBefore = testing_support::bytesReadSoFar();
    const auto start = std::chrono::steady_clock::now();
    const auto loaded = loadFakeDatabase(path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_LT(testing_support::bytesReadSoFar() - readBefore, 100'000u);
    EXPECT_EQ(loaded.end, LoadEnd::TooLarge);
    EXPECT_FALSE(loaded.database);
}

TEST(LoadFakeDatabase, MissingFileOrFolderIsUnreadableAndCreatesNothing)
{
    const testing_support::TempDir dir;
    for (const std::string& path : {dir.file("fakes.dat"), dir.makeFolder("folder.dat")}) {
        const auto loaded = loadFakeDatabase(path);
        EXPECT_EQ(loaded.end, LoadEnd::Unreadable) << path;
        EXPECT_FALSE(loaded.database) << path;
    }
    EXPECT_FALSE(testing_support::exists(dir.file("fakes.dat")));
}

// In a child limited to 100 MB more address space than it has: a 200 MB file
// runs out of memory and gives no list, leaving the one in use alone; as much
// set whole leaves the database empty and working. ASan reserves terabytes, so no limit
// fits there.
TEST(LoadFakeDatabase, OutOfMemoryLeavesDatabaseEmpty)
{
#ifdef BRISQUEN_ASAN
    GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
#else
    const testing_support::TempDir dir;
    const std::string path = dir.write("fakes.dat", "");
    std::filesystem::resize_file(path, 200'000'000);
    const auto inChild = [&] {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + 100'000'000;
        const rlimit bounds{limit, limit};
        setrlimit(RLIMIT_AS, &bounds);
        int failures = 0;
        FakeDatabase database;
        const auto emptyAndWorking = [&] {
            const bool ok = database.text().empty() && database.replace("abc,1,x\r\n") &&
                            database.lookupFake("abc", "1") == "*** x";
            database.clear();
            return ok;
        };
        database.replace("abc,1,old\r\n");
        const auto loaded = loadFakeDatabase(path);
        failures += loaded.end != LoadEnd::TooLarge || loaded.database != nullptr;
        failures += database.lookupFake("abc", "1") != "*** old";
        database.clear();
        {
            std::string many; // its index, not the text, is what outgrows the limit
            many.reserve(25'000'000);
            while (many.size() < 25'000'000)
                many += "a,,\r\n";
            failures += database.replace(many) || !emptyAndWorking();
        }
        std::_Exit(failures);
    };
    EXPECT_EXIT(inChild(), testing::ExitedWithCode(0), "");
#endif
}

} // namespace
