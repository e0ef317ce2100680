#include "edonkey/download_check.h"
#include "edonkey/part_file.h"
#include "edonkey/pref_met.h"
#include "edonkey/temp_folder_scan.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::string_literals;
using edonkey::DownloadStatus;
using testing_support::exists;

namespace {

fixtures::Download download(std::uint32_t size, std::string name = "Movie.avi")
{
    return {std::move(name), size, fixtures::hashFromSeed(size + 1ull), size / 2};
}

// The scan's reports, one line each, as the log shows them.
struct ReportedLines final : edonkey::DownloadObserver {
    void onDownload(std::string_view name) override { text += std::string(name) + "\r\n"; }
    void onFake(std::string_view hit) override { text += std::string(hit) + "\r\n"; }
    std::string text;
};

class ClientFiles : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string workingCopy = dir.makeFolder("program") + "part.bck";
    fakedb::FakeDatabase database;
    ReportedLines lines;
    int yields = 0;

    edonkey::DownloadCheck check(const std::string& path, edonkey::PartFileCheck rule)
    {
        return edonkey::checkDownload(path, {workingCopy}, database, edonkey::readEdonkeyPartFile,
                                      rule, [this] { ++yields; });
    }
    edonkey::ScanResult scan(const std::string& tempFolder)
    {
        return edonkey::scanTempFolder(tempFolder, {workingCopy}, database,
                                       edonkey::readEdonkeyPartFile, lines, [this] { ++yields; });
    }
};

} // namespace

TEST_F(ClientFiles, CheckTellsWhyItCouldNotCheckAndNeverLeavesTheCopy)
{
    const auto fake = download(734003200);
    database.replace(fixtures::fakesDatLine(fake, "Fake - an advertisement"));
    const auto found = check(dir.write("a.part.met", fixtures::partMetBytes(fake)),
                             edonkey::PartFileCheck::single);
    EXPECT_EQ(found.status, DownloadStatus::Fake);
    EXPECT_EQ(found.hit, "*** Fake - an advertisement");
    EXPECT_EQ(found.info.name, "Movie.avi");
    for (const auto& path : {dir.file("missing.part.met"), std::string()})
        EXPECT_EQ(check(path, edonkey::PartFileCheck::single).status, DownloadStatus::Unreadable)
            << path;
    EXPECT_FALSE(exists(workingCopy));
}

// The single check and the scan look the same exact sizes up, whichever tag
// follows the size; only the single check insists on the transferred-bytes tag.
TEST_F(ClientFiles, BothRulesLookUpTheExactSizeWhateverFollowsIt)
{
    const std::vector downloads{download(0, "0"), download(2147483648u, "2^31"),
                                download(4294967295u, "2^32-1")};
    database.replace(fixtures::fakesDatLine(downloads[0], "a") +
                     fixtures::fakesDatLine(downloads[1], "b") +
                     fixtures::fakesDatLine(downloads[2], "c"));
    for (const bool typed : {false, true}) {
        const fixtures::PartLayout layout{.fileTypeAfterSize = typed};
        for (const auto& file : downloads) {
            const auto bytes = fixtures::partMetBytes(file, layout);
            EXPECT_EQ(
                check(dir.write("edge.part.met", bytes), edonkey::PartFileCheck::single).status,
                DownloadStatus::Fake)
                << file.size;
            EXPECT_EQ(edonkey::findSizeBeforeTransferredTag(bytes).has_value(), !typed);
        }
        lines.text.clear();
        scan(fixtures::writeClientFolder(dir.file("client"), downloads, layout).tempFolder);
        EXPECT_EQ(lines.text, "0\r\n*** a\r\n2^31\r\n*** b\r\n2^32-1\r\n*** c\r\n") << typed;
    }
}

TEST_F(ClientFiles, ScanReportsNamesAndHitsAndYieldsPerBlock)
{
    const auto fake = download(700000000, "Fake.Movie.avi");
    const auto client = fixtures::writeClientFolder(
        dir.file("client"), {download(650000000, "ubuntu.iso"), fake, download(10, "")});
    database.replace("x,1,other\r\n" + fixtures::fakesDatLine(fake, "Fake, a trailer"));
    const auto result = scan(client.tempFolder);
    EXPECT_TRUE(result.foundPartFiles && result.foundFake);
    EXPECT_EQ(lines.text, "ubuntu.iso\r\nFake.Movie.avi\r\n*** Fake, a trailer\r\n\r\n");
    EXPECT_FALSE(exists(workingCopy));
    std::uintmax_t blocks = 1; // before the first file
    for (const auto& file : client.partFiles)
        blocks += std::filesystem::file_size(file) / 2048 + 1;
    EXPECT_EQ(static_cast<std::uintmax_t>(yields), blocks);
}

TEST_F(ClientFiles, ScanPassesOverWhatItCannotRead)
{
    for (const auto& folder :
         {dir.file("missing/"), dir.write("a-file", "x"), dir.makeFolder("empty"), std::string()})
        EXPECT_FALSE(scan(folder).foundPartFiles) << folder;
    EXPECT_EQ(lines.text, "");
    EXPECT_EQ(yields, 0);

    const auto temp =
        fixtures::writeClientFolder(dir.file("client"), {download(5, "good")}).tempFolder;
    // The folder as the client stores it may lack its final separator.
    EXPECT_TRUE(scan(temp.substr(0, temp.size() - 1)).foundPartFiles);
    EXPECT_EQ(lines.text, "good\r\n");
}

TEST_F(ClientFiles, ExtractTempFolderReadsThroughAWorkingCopyAndRemovesIt)
{
    const std::string prefCopy = dir.file("program/pref.bck");
    const auto extract = [&](const std::string& prefMet) {
        return edonkey::extractTempFolder(prefMet, {prefCopy}, [&] { ++yields; });
    };
    dir.write("program/pref.bck", "left over from a crash");
    EXPECT_FALSE(extract(dir.file("client/pref.met")));
    EXPECT_FALSE(exists(prefCopy));
    std::filesystem::resize_file(dir.write("big/pref.met", "temp\x03\x00/t/"s), 70ull << 20);
    EXPECT_FALSE(extract(dir.file("big/pref.met")));
    EXPECT_EQ(yields, 0);

    EXPECT_EQ(extract(dir.write("client/pref.met", fixtures::prefMetBytes("/t/"))), "/t/");
    EXPECT_EQ(yields, 1);
    // A tag straddling the first 2048-byte block.
    EXPECT_EQ(
        extract(dir.write("pref.met", std::string(2045, 'x') + "\x02\x04\x00temp\x04\x00/ok/"s)),
        "/ok/");
    EXPECT_EQ(yields, 3);
    EXPECT_FALSE(exists(prefCopy));
}

TEST(ResolveTempFolder, RelativeFoldersHangOffTheClientFolder)
{
    for (const auto& [stored, folder] : {std::pair{"/abs/temp", "/abs/temp/"},
                                         {"/abs/temp/", "/abs/temp/"},
                                         {"temp", "/client/temp/"},
                                         {"", ""}})
        EXPECT_EQ(edonkey::resolveClientFolder(stored, "/client/", std::nullopt), folder) << stored;
}
