// Loading fakes.dat: the blocks read, the count reported, what lookups see
// while loading, and what a failed load leaves.

#include "fakedb/fake_database.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fakedb::FakeDatabase;
using fakedb::loadFakeDatabase;

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
            const auto count = loadFakeDatabase(database, path, [&] {
                seen.push_back(std::to_string(database.text().size()) + "|" +
                               database.lookupFake("first", "1") + "|" +
                               database.lookupFake("split", "2") + "|" +
                               database.lookupFake("last", "3"));
            });
            EXPECT_EQ(count, c.count) << c.bytes << " bytes, load " << load;
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
        EXPECT_EQ(loadFakeDatabase(database, path, [&] { ++yields; }), std::nullopt) << path;
        EXPECT_EQ(yields, 0);
        EXPECT_EQ(database.text(), "abc,1,kept\r\n");
        EXPECT_EQ(database.lookupFake("abc", "1"), "*** kept");
    }
    EXPECT_FALSE(testing_support::exists(dir.file("fakes.dat")));
}

} // namespace
