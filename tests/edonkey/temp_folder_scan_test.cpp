#include "edonkey/temp_folder_scan.h"

#include "platform/files.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::TempDir;
using testing_support::TextLogBox;

namespace {

fixtures::Download download(const std::string& name, std::uint32_t size, std::uint64_t seed)
{
    return {name, size, fixtures::hashFromSeed(seed), size / 2};
}

class TempFolderScan : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    fakedb::FakeDatabase database;
    TextLogBox log;
    int yields = 0;

    edonkey::ScanResult scan(const std::string& tempFolder)
    {
        return edonkey::scanTempFolder(tempFolder, files, database, log, [this] { ++yields; });
    }
};

} // namespace

TEST_F(TempFolderScan, WritesEveryNameAndTheLookupLineUnderAFake)
{
    const auto fake = download("Fake.Movie.avi", 700000000, 2);
    const auto client = fixtures::writeClientFolder(
        dir.file("client"), {download("ubuntu.iso", 650000000, 1), fake, download("", 10, 3)});
    database.replace("x,1,other\r\n" + fixtures::fakesDatLine(fake, "Fake, a trailer"));

    const auto result = scan(client.tempFolder);
    EXPECT_TRUE(result.foundPartFiles);
    EXPECT_TRUE(result.foundFake);
    EXPECT_EQ(log.text, "ubuntu.iso\r\nFake.Movie.avi\r\n*** Fake, a trailer\r\n\r\n");
    EXPECT_EQ(platform::currentDirectory(), client.tempFolder);
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

TEST_F(TempFolderScan, YieldsBeforeTheFirstFileAndAfterEveryBlock)
{
    const auto client =
        fixtures::writeClientFolder(dir.file("client"), {download("a", 1, 1), download("b", 2, 2)});
    const auto sizes = std::filesystem::file_size(client.partFiles[0]) / 2048 + 1 +
                       std::filesystem::file_size(client.partFiles[1]) / 2048 + 1;
    const auto result = scan(client.tempFolder);
    EXPECT_FALSE(result.foundFake);
    EXPECT_EQ(static_cast<std::uintmax_t>(yields), 1 + sizes);
}

TEST_F(TempFolderScan, PassesOverFilesItCannotReadOrThatAreNoPartFiles)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {download("good", 5, 1)});
    dir.write("client/temp/000.part.met", "\xE1 not a part file");
    dir.makeFolder("client/temp/folder.part.met");
    std::filesystem::create_symlink(dir.file("nowhere"), client.tempFolder + "dangling.part.met");
    dir.write("client/temp/huge.part.met", "");
    std::filesystem::resize_file(client.tempFolder + "huge.part.met", 70ull * 1024 * 1024);
    dir.write("client/temp/001.part.met.bak", fixtures::partMetBytes(download("bak", 1, 9)));
    dir.write("client/temp/002.PART.MET", fixtures::partMetBytes(download("upper", 1, 9)));

    const auto result = scan(client.tempFolder);
    EXPECT_TRUE(result.foundPartFiles);
    EXPECT_EQ(log.text, "good\r\nupper\r\n");
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

TEST_F(TempFolderScan, ReportsNoPartFilesForAMissingFolderOrFileOrAnEmptyFolder)
{
    EXPECT_FALSE(scan(dir.file("missing/")).foundPartFiles);
    EXPECT_FALSE(scan(dir.write("a-file", "x")).foundPartFiles);
    EXPECT_FALSE(scan(dir.makeFolder("empty")).foundPartFiles);
    EXPECT_FALSE(scan("").foundPartFiles);
    EXPECT_EQ(log.text, "");
    EXPECT_EQ(yields, 0);
}

TEST_F(TempFolderScan, LeavesTheClientFilesUntouched)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {download("a", 1, 1)});
    const auto before = testing_support::readFile(client.partFiles[0]);
    const auto mtime = std::filesystem::last_write_time(client.partFiles[0]);
    scan(client.tempFolder);
    EXPECT_EQ(testing_support::readFile(client.partFiles[0]), before);
    EXPECT_EQ(std::filesystem::last_write_time(client.partFiles[0]), mtime);
}

TEST_F(TempFolderScan, LooksUpTheExactSizeAtTheEdgesOfItsRange)
{
    std::vector<fixtures::Download> downloads;
    std::string fakes;
    for (const std::uint32_t size : {0u, 2147483648u, 4294967295u}) {
        downloads.push_back(download("size " + std::to_string(size), size, size + 7ull));
        fakes += fixtures::fakesDatLine(downloads.back(), std::to_string(size));
    }
    database.replace(fakes);
    const auto client = fixtures::writeClientFolder(dir.file("client"), downloads);
    scan(client.tempFolder);
    EXPECT_EQ(log.text, "size 0\r\n*** 0\r\nsize 2147483648\r\n*** 2147483648\r\n"
                        "size 4294967295\r\n*** 4294967295\r\n");
}
