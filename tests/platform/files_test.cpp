#include "platform/files.h"

#include "tests/platform/file_size_limit.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::exists;
using testing_support::FileSizeLimit;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// Every byte value, NULs included, in an order that shows a misplaced block.
std::string patternBytes(std::size_t length) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    return bytes;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// --- Reading in blocks ---------------------------------------------------

struct BlockCase {
    std::size_t length;
    std::vector<std::size_t> blockSizes;
};

class FileBlocks : public ::testing::TestWithParam<BlockCase> {};

TEST_P(FileBlocks, BlocksFollowTheLengthAtOpening) {
    TempDir dir;
    const std::string bytes = patternBytes(GetParam().length);
    const std::string path = dir.write("data.bin", bytes);

    std::vector<std::size_t> sizes;
    std::string joined;
    ASSERT_TRUE(platform::forEachFileBlock(path, [&](std::string_view block) {
        sizes.push_back(block.size());
        joined += block;
    }));
    EXPECT_EQ(sizes, GetParam().blockSizes);
    EXPECT_EQ(joined, bytes);

    std::size_t calls = 0;
    EXPECT_EQ(platform::readFileInBlocks(path, [&] { ++calls; }), bytes);
    EXPECT_EQ(calls, GetParam().blockSizes.size());
}

INSTANTIATE_TEST_SUITE_P(Lengths, FileBlocks,
                         ::testing::Values(BlockCase{0, {0}}, BlockCase{1, {1}},
                                           BlockCase{2047, {2047}}, BlockCase{2048, {2048, 0}},
                                           BlockCase{2049, {2048, 1}},
                                           BlockCase{5000, {2048, 2048, 904}},
                                           BlockCase{6144, {2048, 2048, 2048, 0}}),
                         [](const auto& info) { return std::to_string(info.param.length); });

TEST(FileBlocksRefused, FileLargerThanMaxSizeFailsBeforeAnyBlock) {
    TempDir dir;
    const std::string path = dir.write("data.bin", patternBytes(100));
    int calls = 0;
    EXPECT_FALSE(platform::forEachFileBlock(
        path, [&](std::string_view) { ++calls; }, 99));
    EXPECT_FALSE(platform::readFileInBlocks(
                     path, [&] { ++calls; }, 99)
                     .has_value());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(platform::readFileInBlocks(path, nullptr, 100), patternBytes(100));
}

TEST(FileBlocksRefused, FolderMissingFileAndFifoFailWithoutBlocks) {
    TempDir dir;
    const std::string folder = dir.makeFolder("folder");
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    // A FIFO with no writer would block a plain open forever.
    for (const std::string& path : {folder, dir.file("missing"), fifo}) {
        int calls = 0;
        EXPECT_FALSE(platform::forEachFileBlock(path, [&](std::string_view) { ++calls; })) << path;
        EXPECT_FALSE(platform::readFileInBlocks(path, nullptr).has_value()) << path;
        EXPECT_EQ(calls, 0) << path;
    }
}

TEST(FileBlocksChanging, FileCutShortWhileReadingEndsWithWhatWasRead) {
    TempDir dir;
    const std::string bytes = patternBytes(3'000'000);
    const std::string path = dir.write("data.bin", bytes);

    std::size_t calls = 0;
    std::string joined;
    const bool ok = platform::forEachFileBlock(path, [&](std::string_view block) {
        if (calls++ == 0)
            fs::resize_file(path, 0);
        joined += block;
    });
    EXPECT_TRUE(ok);
    EXPECT_LT(joined.size(), bytes.size());
    EXPECT_EQ(joined, bytes.substr(0, joined.size()));
    EXPECT_LE(calls, bytes.size() / platform::readBlockSize + 1);
}

TEST(FileBlocksChanging, FileGrowingWhileReadingGivesTheLengthAtOpening) {
    TempDir dir;
    const std::string bytes = patternBytes(1'000'000);
    const std::string path = dir.write("data.bin", bytes);

    std::size_t calls = 0;
    const auto read = platform::readFileInBlocks(path, [&] {
        if (calls++ == 0) {
            std::ofstream(path, std::ios::binary | std::ios::app) << std::string(10000, 'x');
        }
    });
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, bytes);
    EXPECT_EQ(calls, 1'000'000 / platform::readBlockSize + 1);
}

// --- Copying, deleting, sizes ----------------------------------------------

TEST(CopyFile, ReplacesLongerExistingFileExactly) {
    TempDir dir;
    const std::string from = dir.write("from", patternBytes(300'000));
    const std::string to = dir.write("to", std::string(1'000'000, 'o'));
    ASSERT_TRUE(platform::copyFile(from, to));
    EXPECT_EQ(readFile(to), patternBytes(300'000));
    EXPECT_EQ(readFile(from), patternBytes(300'000));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"from", "to"}));
}

TEST(CopyFile, CreatesMissingTargetAndCopiesEmptyFile) {
    TempDir dir;
    const std::string from = dir.write("from", "");
    ASSERT_TRUE(platform::copyFile(from, dir.file("to")));
    EXPECT_EQ(readFile(dir.file("to")), "");
}

TEST(CopyFile, LinkToARegularFileIsFollowed) {
    TempDir dir;
    const std::string target = dir.write("target", "linked bytes");
    fs::create_symlink(target, dir.file("link"));
    ASSERT_TRUE(platform::copyFile(dir.file("link"), dir.file("copy")));
    EXPECT_EQ(readFile(dir.file("copy")), "linked bytes");
    EXPECT_FALSE(fs::is_symlink(dir.file("copy")));
}

TEST(CopyFile, CopyOntoItselfKeepsTheContent) {
    TempDir dir;
    const std::string path = dir.write("same", "content");
    platform::copyFile(path, path);
    EXPECT_EQ(readFile(path), "content");
}

TEST(CopyFile, UnusableSourceOrTargetFailsAndLeavesTargetAlone) {
    TempDir dir;
    const std::string good = dir.write("good", "new");
    const std::string folder = dir.makeFolder("folder");
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    const std::string notAFolder = dir.write("plain", "x");

    struct Case {
        std::string from;
        std::string to;
    };
    const Case cases[] = {
        {dir.file("missing"), dir.file("to")},
        {folder, dir.file("to")},
        {dir.file("dangling"), dir.file("to")},
        {good, notAFolder + "/to"},
        {good, folder},
        {good, dir.file("no/such/folder/to")},
        {good, ""},
    };
    for (const auto& c : cases) {
        dir.write("to", "old");
        EXPECT_FALSE(platform::copyFile(c.from, c.to)) << c.from << " -> " << c.to;
        EXPECT_EQ(readFile(dir.file("to")), "old") << c.from << " -> " << c.to;
    }
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(CopyFile, FailedWriteLeavesOldTargetAndNoTemporary) {
    TempDir dir;
    const std::string from = dir.write("from", patternBytes(200'000));
    const std::string to = dir.write("to", "old");
    {
        FileSizeLimit limit(100'000);
        EXPECT_FALSE(platform::copyFile(from, to));
    }
    EXPECT_EQ(readFile(to), "old");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"from", "to"}));
}

TEST(DeleteFile, RemovesFileButNotFolderOrNothing) {
    TempDir dir;
    const std::string file = dir.write("file", "x");
    const std::string folder = dir.makeFolder("folder");
    EXPECT_TRUE(platform::deleteFile(file));
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(platform::deleteFile(file));
    EXPECT_FALSE(platform::deleteFile(folder));
    EXPECT_TRUE(exists(folder));
}

TEST(FileSize, OnlyRegularFilesHaveASize) {
    TempDir dir;
    const std::string file = dir.write("file", "12345");
    dir.write("empty", "");
    fs::create_symlink(file, dir.file("link"));
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    dir.makeFolder("folder");

    EXPECT_EQ(platform::fileSize(file), 5u);
    EXPECT_EQ(platform::fileSize(dir.file("empty")), 0u);
    EXPECT_EQ(platform::fileSize(dir.file("link")), 5u);
    EXPECT_EQ(platform::fileSize(dir.file("dangling")), std::nullopt);
    EXPECT_EQ(platform::fileSize(dir.file("folder")), std::nullopt);
    EXPECT_EQ(platform::fileSize(dir.file("missing")), std::nullopt);
}

// --- Current directory -----------------------------------------------------

TEST(CurrentDirectory, FolderBecomesCurrentAndEndsInSlash) {
    TempDir dir;
    const std::string folder = dir.makeFolder("sub");
    ASSERT_TRUE(platform::setCurrentDirectory(folder));
    EXPECT_EQ(platform::currentDirectory(), fs::canonical(folder).string() + "/");

    ASSERT_TRUE(platform::setCurrentDirectory("/"));
    EXPECT_EQ(platform::currentDirectory(), "/");
}

TEST(CurrentDirectory, EmptyPathFileOrMissingFolderFailsAndKeepsCurrent) {
    TempDir dir;
    const std::string file = dir.write("file", "x");
    ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
    const std::string before = platform::currentDirectory();
    for (const std::string& path : {std::string(), file, dir.file("missing")}) {
        EXPECT_FALSE(platform::setCurrentDirectory(path)) << path;
        EXPECT_EQ(platform::currentDirectory(), before);
    }
}

// --- Finding files ---------------------------------------------------------

TEST(FindFiles, PartFilesOfEveryKindAreListedSortedWithoutCase) {
    TempDir dir;
    for (const char* name : {"B.part.met", "a.part.met", "C.PART.MET", ".part.met",
                             "a.part.met.bak", "part.met", "x.part.me", "x.part"})
        dir.write(name, "");
    dir.makeFolder("folder.part.met");
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling.part.met"));
    ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));

    EXPECT_EQ(platform::findFiles("*.part.met"),
              (std::vector<std::string>{".part.met", "a.part.met", "B.part.met", "C.PART.MET",
                                        "dangling.part.met", "folder.part.met"}));
}

struct WildcardCase {
    const char* pattern;
    std::vector<std::string> expected;
};

class FindFilesWildcards : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(FindFilesWildcards, MatchingNamesInOrder) {
    TempDir dir;
    for (const char* name : {"abc", "ABD", "a", "abcabc", "xyz.txt", "x.y.z", "ABC", "Abc"})
        dir.write(name, "");
    ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
    EXPECT_EQ(platform::findFiles(GetParam().pattern), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FindFilesWildcards,
    ::testing::Values(
        WildcardCase{"*", {"a", "ABC", "Abc", "abc", "abcabc", "ABD", "x.y.z", "xyz.txt"}},
        WildcardCase{"a?c", {"ABC", "Abc", "abc"}}, WildcardCase{"?", {"a"}},
        WildcardCase{"????", {}}, WildcardCase{"*c", {"ABC", "Abc", "abc", "abcabc"}},
        WildcardCase{"*b*c", {"ABC", "Abc", "abc", "abcabc"}}, WildcardCase{"a*b*c*d", {}},
        WildcardCase{"x*z", {"x.y.z"}}, WildcardCase{"*.*", {"x.y.z", "xyz.txt"}},
        WildcardCase{"XYZ.TXT", {"xyz.txt"}},
        WildcardCase{"**a**", {"a", "ABC", "Abc", "abc", "abcabc", "ABD"}}, WildcardCase{"", {}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(FindFiles, RemovedCurrentFolderListsNothing) {
    TempDir dir;
    const std::string folder = dir.makeFolder("gone");
    ASSERT_TRUE(platform::setCurrentDirectory(folder));
    fs::remove(folder);
    EXPECT_TRUE(platform::findFiles("*").empty());
}

TEST(ProgramFolder, IsTheTestBinarysFolderWhateverTheCurrentDirectory) {
    TempDir dir;
    ASSERT_TRUE(platform::setCurrentDirectory(dir.path()));
    const std::string folder = platform::programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::is_regular_file(folder + "platform_tests"));
}

// --- Writing atomically ----------------------------------------------------

TEST(WriteFileAtomically, ReplacesLongerFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.write("fakes.dat", std::string(10000, 'o'));
    ASSERT_TRUE(platform::writeFileAtomically(path, "short"));
    EXPECT_EQ(readFile(path), "short");
    ASSERT_TRUE(platform::writeFileAtomically(path, ""));
    EXPECT_EQ(readFile(path), "");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"fakes.dat"});
}

TEST(WriteFileAtomically, NewFileGetsUmaskModeAndOldFileKeepsItsMode) {
    TempDir dir;
    const mode_t previous = umask(027);
    const bool created = platform::writeFileAtomically(dir.file("new"), patternBytes(3000));
    umask(previous);
    ASSERT_TRUE(created);
    EXPECT_EQ(readFile(dir.file("new")), patternBytes(3000));
    EXPECT_EQ(modeOf(dir.file("new")), 0640u);

    const std::string old = dir.write("old", "x");
    chmod(old.c_str(), 0751);
    ASSERT_TRUE(platform::writeFileAtomically(old, "y"));
    EXPECT_EQ(modeOf(old), 0751u);
}

TEST(WriteFileAtomically, WritingThroughALinkKeepsTheLink) {
    TempDir dir;
    const std::string target = dir.write("real.ini", "old");
    fs::create_symlink(target, dir.file("link.ini"));
    ASSERT_TRUE(platform::writeFileAtomically(dir.file("link.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.ini")));
    EXPECT_EQ(readFile(target), "new");
}

TEST(WriteFileAtomically, UnwritablePlaceFailsAndChangesNothing) {
    TempDir dir;
    const std::string file = dir.write("plain", "x");
    const std::string folder = dir.makeFolder("folder");
    EXPECT_FALSE(platform::writeFileAtomically(file + "/child", "bytes"));
    EXPECT_FALSE(platform::writeFileAtomically(folder, "bytes"));
    EXPECT_FALSE(platform::writeFileAtomically(dir.file("no/such/folder"), "bytes"));
    EXPECT_FALSE(platform::writeFileAtomically("", "bytes"));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"folder", "plain"}));
}

TEST(WriteFileAtomically, FailedWriteLeavesOldFileWholeAndNoTemporary) {
    TempDir dir;
    const std::string old = patternBytes(5000);
    const std::string path = dir.write("fakes.dat", old);
    {
        FileSizeLimit limit(10000);
        EXPECT_FALSE(platform::writeFileAtomically(path, patternBytes(50000)));
    }
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"fakes.dat"});
}

} // namespace
