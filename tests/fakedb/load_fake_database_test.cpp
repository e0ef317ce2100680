// Loading fakes.dat: the blocks read, the count reported, what lookups see
// while loading, and what a failed load leaves.

#include "fakedb/fake_database.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

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

// Files of 0, 2048 and 5000 bytes cut from one text with three entries: one
// in the first block, one whose CR ends the first block and whose LF starts
// the second, and the last line of the file. At each yield: the bytes arrived
// and the answers for the three. Each file is loaded twice over older entries.
TEST(LoadFakeDatabase, BlocksCountAndLookupsWhileLoading)
{
    std::string text = "first,1,a\r\nsplit,2,";
    text += std::string(2047 - text.size(), 'b') + "\r\n\n";
    text += std::string(4989 - text.size(), 'c') + "\r\nlast,3,\r\n";
    ASSERT_EQ(text.size(), 5000u);
    const std::string a = "|*** a", b = "|*** " + std::string(2028, 'b');
    const struct {
        std::size_t bytes;
        std::uint64_t count; // LF bytes plus one
        std::vector<std::string> seen;
    } cases[] = {
        {0, 1, {"0|||"}},
        {2048, 2, {"2048" + a + "||", "2048" + a + "||"}},
        {5000, 6, {"2048" + a + "||", "4096" + a + b + "|", "5000" + a + b + "|*** "}},
    };
    const testing_support::TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.write("fakes.dat", text.substr(0, c.bytes));
        FakeDatabase database;
        database.replace("first,1,old\r\nlast,3,old\r\n");
        for (int load = 1; load <= 2; ++load) {
            std::vector<std::string> seen;
            const fakedb::LoadResult loaded = loadFakeDatabase(database, path, [&] {
                seen.push_back(std::to_string(database.text().size()) + "|" +
                               database.lookupFake("first", "1") + "|" +
                               database.lookupFake("split", "2") + "|" +
                               database.lookupFake("last", "3"));
            });
            EXPECT_EQ(loaded.end, LoadEnd::Loaded);
            EXPECT_EQ(loaded.entries, c.count) << c.bytes << " bytes, load " << load;
            EXPECT_EQ(seen, c.seen) << c.bytes << " bytes, load " << load;
            EXPECT_TRUE(database.text() == text.substr(0, c.bytes)) << c.bytes << " bytes";
        }
    }
}

TEST(LoadFakeDatabase, MissingFileOrFolderLeavesDatabaseAndCreatesNothing)
{
    const testing_support::TempDir dir;
    for (const std::string& path : {dir.file("fakes.dat"), dir.makeFolder("folder.dat")}) {
        FakeDatabase database;
        database.replace("abc,1,kept\r\n");
        int yields = 0;
        EXPECT_EQ(loadFakeDatabase(database, path, [&] { ++yields; }).end, LoadEnd::Unreadable)
            << path;
        EXPECT_EQ(yields, 0);
        EXPECT_EQ(database.text(), "abc,1,kept\r\n");
        EXPECT_EQ(database.lookupFake("abc", "1"), "*** kept");
    }
    EXPECT_FALSE(testing_support::exists(dir.file("fakes.dat")));
}

// In a child limited to 100 MB more address space than it has: a 200 MB file,
// and as much appended or set whole, run out of memory; each leaves the
// database empty and working. ASan reserves terabytes, so no limit fits there.
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
            const bool ok = database.text().empty() && database.append("abc,1,x\r\n") &&
                            database.lookupFake("abc", "1") == "*** x";
            database.clear();
            return ok;
        };
        database.replace("abc,1,old\r\n");
        failures += loadFakeDatabase(database, path, nullptr).end != LoadEnd::TooLarge;
        failures += !emptyAndWorking();
        {
            std::string many; // its index, not the text, is what outgrows the limit
            many.reserve(25'000'000);
            while (many.size() < 25'000'000)
                many += "a,,\r\n";
            failures += database.replace(many) || !emptyAndWorking();
        }
        bool appended = true;
        for (int i = 0; i < 200 && appended; ++i)
            appended = database.append(std::string(1'000'000, ','));
        failures += appended || !emptyAndWorking();
        std::_Exit(failures);
    };
    EXPECT_EXIT(inChild(), testing::ExitedWithCode(0), "");
#endif
}

} // namespace
