#include "platform/files.h"

#include "platform/directory_search.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace testing_support;
using Names = std::vector<std::string>;

namespace {

// Every byte value, NULs included, in an order that shows a misplaced block.
std::string pattern(std::size_t length)
{
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

// The file as long as it was when opened: growth after that is not read,
// and a file cut short meanwhile ends with what it still had. Files that are
// no regular file, or larger than allowed, are refused.
TEST(Files, ReadsTheLengthAtOpeningAndRefusesUnfitFiles)
{
    TempDir dir;
    for (const std::size_t length : {0, 1, 300'000})
        EXPECT_EQ(platform::readFile(dir.write("data.bin", pattern(length))), pattern(length));
    const std::string file = dir.write("data.bin", pattern(100));
    const std::string fifo = dir.file("fifo"); // a plain open would wait for a writer forever
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.makeFolder("folder"), dir.file("missing"), fifo})
        EXPECT_FALSE(platform::readFile(path)) << path;
    EXPECT_FALSE(platform::readFile(file, 99));
    EXPECT_EQ(platform::readFile(file, 100), pattern(100));
}

TEST(Files, CopyReplacesTheTargetWholeOrNotAtAll)
{
    TempDir dir;
    const std::string from = dir.write("from", pattern(300'000));
    const std::string to = dir.write("to", std::string(1'000'000, 'o'));
    ASSERT_TRUE(platform::copyFile(from, to));
    EXPECT_EQ(readFile(to), pattern(300'000));

    dir.write("to", "old");
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    for (const std::string& source :
         {dir.file("missing"), dir.makeFolder("dir"), dir.file("dangling")})
        EXPECT_FALSE(platform::copyFile(source, to)) << source;
    limitFileSize(100'000);
    EXPECT_FALSE(platform::copyFile(from, to));
    limitFileSize(RLIM_INFINITY);
    EXPECT_EQ(readFile(to), "old");
    // No temporary left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
}

TEST(Files, AtomicWriteLeavesTheOldFileWholeOnFailure)
{
    TempDir dir;
    const std::string path = dir.write("fakes.dat", std::string(10'000, 'o'));
    ASSERT_TRUE(platform::writeFileAtomically(path, pattern(5000)));
    EXPECT_EQ(readFile(path), pattern(5000));
    limitFileSize(10'000);
    EXPECT_FALSE(platform::writeFileAtomically(path, std::string(50'000, 'n')));
    limitFileSize(RLIM_INFINITY);
    EXPECT_EQ(readFile(path), pattern(5000));
    EXPECT_FALSE(platform::writeFileAtomically(dir.write("plain", "x") + "/child", "bytes"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);

    const std::string target = dir.write("real.ini", "old");
    chmod(target.c_str(), 0751);
    fs::create_symlink(target, dir.file("link.ini"));
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(0751));
}

TEST(Files, FindFilesMatchesWildcardsWithoutCaseSorted)
{
    TempDir dir;
    for (const char* name :
         {"B.part.met", "a.part.met", "C.PART.MET", "a.part.met.bak", "part.met", "x.part.me"})
        dir.write(name, "");
    dir.makeFolder("folder.part.met");
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.part.met"));
    EXPECT_EQ(
        platform::findFiles(dir.path(), "*.part.met"),
        (Names{"a.part.met", "B.part.met", "C.PART.MET", "dangling.part.met", "folder.part.met"}));
    EXPECT_EQ(platform::findFiles(dir.path(), "?.PART.*T"),
              (Names{"a.part.met", "B.part.met", "C.PART.MET"}));
    for (const std::string& folder : {dir.file("a.part.met"), dir.file("missing"), std::string()})
        EXPECT_EQ(platform::findFiles(folder, "*"), Names{}) << folder;
}

} // namespace
