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

    edonkey::DownloadCheck check(const std::string& path, edonkey::PartFileCheck rule)
    {
        return edonkey::checkDownload(path, {workingCopy}, database, edonkey::readEdonkeyPartFile,
                                      rule);
    }
    edonkey::ScanResult scan(const std::string& tempFolder, const std::stop_token& stop = {})
    {
        return edonkey::scanTempFolder(tempFolder, {workingCopy}, database,
                                       edonkey::readEdonkeyPartFile, lines, stop);
    }
};

} // namespace

TEST_F(ClientFiles, CheckTellsWhyItCouldNotCheckAndNeverLeavesTheCopy)
{
    const auto fake = download(734003200);
    database.replace(fixtures::fakesDatLine(fake, "Fake - an advertisement"));
    const auto found = check(dir.write("a.part.met", fixtures::partMetBytes(fake)),
                             edonkey::PartFileCheck::Single);
    EXPECT_EQ(found.status, DownloadStatus::Fake);
    EXPECT_EQ(found.hit, "*** Fake - an advertisement");
    EXPECT_EQ(found.info.name, "Movie.avi");
    for (const auto& path : {dir.file("missing.part.met"), std::string()})
        EXPECT_EQ(check(path, edonkey::PartFileCheck::Single).status, DownloadStatus::Unreadable)
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
                check(dir.write("edge.part.met", bytes), edonkey::PartFileCheck::Single).status,
                DownloadStatus::Fake)
                << file.size;
            EXPECT_EQ(edonkey::findSizeBeforeTransferredTag(bytes).has_value(), !typed);
        }
        lines.text.clear();
        scan(fixtures::writeClientFolder(dir.file("client"), downloads, layout).tempFolder);
        EXPECT_EQ(lines.text, "0\r\n*** a\r\n2^31\r\n*** b\r\n2^32-1\r\n*** c\r\n") << typed;
    }
}

// Names and hits in the order of the files; a stop ends the scan between files.
TEST_F(ClientFiles, ScanReportsNamesAndHitsAndStopsBetweenFiles)
{
    const auto fake = download(700000000, "Fake.Movie.avi");
    const auto client = fixtures::writeClientFolder(
        dir.file("client"), {download(650000000, "ubuntu.iso"), fake, download(10, "")});
    database.replace("x,1,other\r\n" + fixtures::fakesDatLine(fake, "Fake, a trailer"));
    const auto result = scan(client.tempFolder);
    EXPECT_TRUE(result.foundPartFiles && result.foundFake);
    EXPECT_EQ(result.checked, 3u);
    EXPECT_EQ(lines.text, "ubuntu.iso\r\nFake.Movie.avi\r\n*** Fake, a trailer\r\n\r\n");
    EXPECT_FALSE(exists(workingCopy));

    lines.text.clear();
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(scan(client.tempFolder, stop.get_token()).checked, 0u);
    EXPECT_EQ(lines.text, "");
}

TEST_F(ClientFiles, ScanPassesOverWhatItCannotRead)
{
    for (const auto& folder :
         {dir.file("missing/"), dir.write("a-file", "x"), dir.makeFolder("empty"), std::string()})
        EXPECT_FALSE(scan(folder).foundPartFiles) << folder;
    EXPECT_EQ(lines.text, "");

    const auto temp =
        fixtures::writeClientFolder(dir.file("client"), {download(5, "good")}).tempFolder;
    // The folder as the client stores it may lack its final separator.
    EXPECT_TRUE(scan(temp.substr(0, temp.size() - 1)).foundPartFiles);
    EXPECT_EQ(lines.text, "good\r\n");
}

TEST_F(ClientFiles, PrefMetIsReadThroughAWorkingCopyThatNeverStays)
{
    const std::string prefCopy = dir.file("program/pref.bck");
    const auto temp = [&](const std::string& prefMet) -> std::optional<std::string> {
        const auto settings = edonkey::prefMetSettings(prefMet, [&](const std::string& path) {
            return edonkey::readThroughWorkingCopy(path, {prefCopy});
        });
        if (!settings || settings->tempFolders.empty())
            return std::nullopt;
        return settings->tempFolders.front();
    };
    dir.write("program/pref.bck", "left over from a crash");
    EXPECT_FALSE(temp(dir.file("client/pref.met")));
    EXPECT_FALSE(exists(prefCopy));
    std::filesystem::resize_file(dir.write("big/pref.met", "temp\x03\x00/t/"s), 70ull << 20);
    EXPECT_FALSE(temp(dir.file("big/pref.met")));
    EXPECT_EQ(temp(dir.write("client/pref.met", fixtures::prefMetBytes("/t/"))), "/t/");
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
