#include "edonkey/part_check.h"
#include "edonkey/part_file.h"
#include "edonkey/pref_met.h"
#include "edonkey/temp_folder_scan.h"
#include "platform/files.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::string_literals;
using edonkey::PartCheck;
using testing_support::exists;

namespace {

fixtures::Download download(std::uint32_t size, std::string name = "Movie.avi")
{
    return {std::move(name), size, fixtures::hashFromSeed(size + 1ull), size / 2};
}

class ClientFiles : public testing::Test {
protected:
    testing_support::TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    fakedb::FakeDatabase database;
    testing_support::ScriptedDesktop desktop;
    testing_support::TextLogBox log;
    int yields = 0;

    PartCheck check(const std::string& path)
    {
        desktop.queueFileChoice(path);
        return edonkey::checkChosenPartFile(files, database, desktop, log);
    }
    edonkey::ScanResult scan(const std::string& tempFolder)
    {
        return edonkey::scanTempFolder(tempFolder, files, database, log, [this] { ++yields; });
    }
};

} // namespace

TEST_F(ClientFiles, CheckReplacesTheLogWithTheNameAndTheVerdict)
{
    const auto fake = download(734003200);
    database.replace(fixtures::fakesDatLine(fake, "Fake - an advertisement"));
    log.text = "*** earlier pass\r\n";
    EXPECT_EQ(check(dir.write("a.part.met", fixtures::partMetBytes(fake))), PartCheck::Fake);
    EXPECT_EQ(log.text, "Movie.avi...\r\n*** Fake - an advertisement\r\n");
    EXPECT_EQ(check(dir.write("b.part.met", fixtures::partMetBytes(download(5, "")))),
              PartCheck::Clean);
    EXPECT_EQ(log.text, "...\r\nno fake !\r\n");
    EXPECT_EQ(desktop.dialogs.at(1).pattern, "*.part.met");

    log.text = "kept\r\n";
    for (const auto& path : {std::string(), dir.write("x.part.met", "\xE1\x00\x00\x00\x00 rest"),
                             dir.file("missing.part.met"), dir.makeFolder("folder.part.met")})
        EXPECT_EQ(check(path), PartCheck::NotChecked) << path;
    EXPECT_EQ(log.text, "kept\r\n");
    EXPECT_FALSE(exists(files.partCopy()));
}

TEST_F(ClientFiles, BothLookUpTheExactSizeWhateverFollowsIt)
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
            EXPECT_EQ(check(dir.write("edge.part.met", bytes)), PartCheck::Fake) << file.size;
            EXPECT_EQ(edonkey::findSizeBeforeTransferredTag(bytes).has_value(), !typed);
        }
        log.text.clear();
        scan(fixtures::writeClientFolder(dir.file("client"), downloads, layout).tempFolder);
        EXPECT_EQ(log.text, "0\r\n*** a\r\n2^31\r\n*** b\r\n2^32-1\r\n*** c\r\n") << typed;
    }
}

TEST_F(ClientFiles, ScanWritesNamesAndLookupLinesAndYieldsPerBlock)
{
    const auto fake = download(700000000, "Fake.Movie.avi");
    const auto client = fixtures::writeClientFolder(
        dir.file("client"), {download(650000000, "ubuntu.iso"), fake, download(10, "")});
    database.replace("x,1,other\r\n" + fixtures::fakesDatLine(fake, "Fake, a trailer"));
    const auto [foundPartFiles, foundFake] = scan(client.tempFolder);
    EXPECT_TRUE(foundPartFiles && foundFake);
    EXPECT_EQ(log.text, "ubuntu.iso\r\nFake.Movie.avi\r\n*** Fake, a trailer\r\n\r\n");
    EXPECT_EQ(platform::currentDirectory(), client.tempFolder);
    EXPECT_FALSE(exists(files.partCopy()));
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
    EXPECT_EQ(log.text, "");
    EXPECT_EQ(yields, 0);

    const auto temp =
        fixtures::writeClientFolder(dir.file("client"), {download(5, "good")}).tempFolder;
    dir.write("client/temp/000.part.met", "\xE1 not a part file");
    dir.makeFolder("client/temp/folder.part.met");
    std::filesystem::create_symlink(dir.file("nowhere"), temp + "dangling.part.met");
    std::filesystem::resize_file(dir.write("client/temp/huge.part.met", ""), 70ull << 20);
    dir.write("client/temp/001.part.met.bak", fixtures::partMetBytes(download(1, "bak")));
    dir.write("client/temp/002.PART.MET", fixtures::partMetBytes(download(1, "upper")));
    EXPECT_TRUE(scan(temp).foundPartFiles);
    EXPECT_EQ(log.text, "good\r\nupper\r\n");
    EXPECT_FALSE(exists(files.partCopy()));
}

TEST_F(ClientFiles, ExtractTempFolderReadsThroughAWorkingCopyAndRemovesIt)
{
    const auto extract = [&](const std::string& prefMet) {
        return edonkey::extractTempFolder(prefMet, files, [&] { ++yields; });
    };
    dir.write("program/pref.bck", "left over from a crash");
    EXPECT_FALSE(extract(dir.file("client/pref.met")));
    EXPECT_FALSE(exists(files.prefCopy()));
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
    EXPECT_FALSE(exists(files.prefCopy()));
}
