// brisquen-check with what the user knows besides fakes.dat: the ratings in
// the clients, the user's own list, and the hashes known.met holds.

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using testing::HasSubstr;
using testing_support::CommandOutcome;
using testing_support::readFile;
using testing_support::runCommand;

namespace {

const fixtures::Download clean{"Clean.mp3", 4321000, fixtures::hashFromSeed(1), 0};
const fixtures::Download listed{"Listed.avi", 734003200, fixtures::hashFromSeed(2), 0};
const fixtures::Download rated{"Rated.avi", 700000000, fixtures::hashFromSeed(3), 0};

const std::string loaded = "*** Loading Database...done ( 2 entries loaded )\n"
                           "*** Checking Files..\n";
const std::string finished = "\n*** Finished checking.\n";
const std::string noDatabase =
    "*** Loading Database..No Fake Database found\n( copy the fakes.dat file in the \n"
    "same directory as this file )\n";

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string linkOf(const fixtures::Download& download)
{
    return "'ed2k://|file|" + download.name + "|" + std::to_string(download.size) + "|" +
           upper(download.hash) + "|/'";
}

class OwnVerdicts : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", fixtures::fakesDatLine(listed, "Fake - listed"));
    }
    std::string command(const std::string& arguments) const
    {
        return "'" + program + "' " + arguments;
    }
    // With `prefix`, the Wine prefix the program sees.
    CommandOutcome run(const std::string& arguments, const std::string& prefix = "") const
    {
        return runCommand((prefix.empty() ? "" : "WINEPREFIX='" + prefix + "' ") +
                          command(arguments));
    }
    void storeClientFolder(const std::string& folder) const
    {
        dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + folder + "\r\n");
    }
    std::string errorsOf(const std::string& arguments) const
    {
        return runCommand("(" + command(arguments) + " 2>&1 >/dev/null)").output;
    }
    std::string myFakes() const { return readFile(dir.file("program/myfakes.dat")); }
};

} // namespace

// A download rated "Invalid / Corrupt / Fake" in aMule or in eMule is a fake
// with the rating's words; a listed one keeps the list's line alone.
TEST_F(OwnVerdicts, DownloadsRatedAsFakesInTheClientsAreFakes)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {clean, rated, listed});
    dir.write(amule.conf.substr(dir.path().size()),
              readFile(amule.conf) + "[" + upper(rated.hash) + "]\nComment=fake!\nRate=1\n[" +
                  upper(listed.hash) + "]\nRate=1\n[" + upper(clean.hash) + "]\nRate=3\n");
    const std::string amulePass = loaded +
                                  "Clean.mp3\nRated.avi\n*** rated as a fake in aMule\n"
                                  "Listed.avi\n*** Fake - listed\n" +
                                  finished;
    EXPECT_EQ(run("scan '" + amule.conf + "'"), (CommandOutcome{1, amulePass}));
    // One part file, of the stored client.
    storeClientFolder(amule.settingsFolder);
    EXPECT_EQ(run("part '" + amule.partFiles[1] + "'"),
              (CommandOutcome{1, "Rated.avi...\n*** rated as a fake in aMule\n"}));

    const auto emule = fixtures::writeEmulePrefix(dir.file("prefix"), {clean, rated});
    dir.write(emule.configFolder.substr(dir.path().size()) + "fileinfo.ini",
              "[" + upper(rated.hash) + "]\r\nRate=1\r\n[" + upper(clean.hash) + "]\r\nRate=0\r\n");
    EXPECT_EQ(run("scan '" + emule.configFolder + "preferences.ini'", emule.prefix),
              (CommandOutcome{1, loaded + "Clean.mp3\nRated.avi\n*** rated as a fake in eMule\n" +
                                     finished}));
}

// mark adds a link's or a file's line, once; scan then finds the download,
// and after unmark no more. A bad line is named in the log and skipped.
TEST_F(OwnVerdicts, MarkThenScanFindsTheDownloadAndUnmarkTakesItAway)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {clean, rated});
    const std::string scan = "scan '" + amule.conf + "'";
    const std::string path = dir.file("program/myfakes.dat");
    EXPECT_EQ(run("mark " + linkOf(rated)), (CommandOutcome{0, "marked in " + path + "\n"}));
    const std::string line = rated.hash + "," + std::to_string(rated.size) + ",marked by me\r\n";
    EXPECT_EQ(myFakes(), line);
    EXPECT_EQ(run("mark " + linkOf(rated) + " 'other words'"),
              (CommandOutcome{0, "already marked in " + path + "\n"}));
    EXPECT_EQ(myFakes(), line);
    EXPECT_EQ(run(scan),
              (CommandOutcome{1, loaded + "Clean.mp3\nRated.avi\n*** marked by me\n" + finished}));

    // A file is hashed as `file` hashes it; a description with a line break is refused.
    const std::string zeros = dir.file("Zeros.bin");
    fixtures::writeZeroFile(zeros, fixtures::zeroChunkSize);
    EXPECT_EQ(run("mark '" + zeros + "' 'Fake - zeros, empty'").exitCode, 0);
    const std::string zerosLine =
        std::string(fixtures::zeroChunkHash) + ",9728000,Fake - zeros, empty\r\n";
    EXPECT_EQ(myFakes(), line + zerosLine);
    EXPECT_EQ(run("mark '" + zeros + "' 'two\nlines'").exitCode, 2);
    EXPECT_EQ(run("mark 'ed2k://|file|x|12x|" + rated.hash + "|/'").exitCode, 2);
    EXPECT_EQ(run("mark '" + dir.file("nowhere") + "'").exitCode, 2);
    EXPECT_EQ(myFakes(), line + zerosLine);
    EXPECT_EQ(run("file '" + zeros + "'"),
              (CommandOutcome{1, "ed2k://|file|Zeros.bin|9728000|" +
                                     std::string(fixtures::zeroChunkHash) +
                                     "|\n*** Fake - zeros, empty\n"}));

    dir.write("program/myfakes.dat", myFakes() + "a line of my own\r\n");
    EXPECT_EQ(run(scan),
              (CommandOutcome{1, "*** Loading Database...done ( 2 entries loaded )\n"
                                 "*** myfakes.dat, line 3 skipped: not HASH,SIZE,DESCRIPTION\n"
                                 "*** Checking Files..\nClean.mp3\nRated.avi\n*** marked by me\n" +
                                     finished}));
    EXPECT_EQ(run("unmark " + linkOf(rated)), (CommandOutcome{0, "unmarked in " + path + "\n"}));
    EXPECT_EQ(run("unmark " + upper(std::string(fixtures::zeroChunkHash))).exitCode, 0);
    EXPECT_EQ(myFakes(), "a line of my own\r\n");
    EXPECT_EQ(run(scan).exitCode, 0);
}

// Processes marking at once each keep their line.
TEST_F(OwnVerdicts, MarksMadeAtOnceAreAllKept)
{
    std::vector<std::string> marks;
    std::string expected;
    for (std::uint64_t i = 1; i <= 12; ++i) {
        const fixtures::Download download{"f", i, fixtures::hashFromSeed(100 + i), 0};
        marks.push_back(command("mark " + linkOf(download) + " 'mark " + std::to_string(i) + "'"));
        expected += fixtures::fakesDatLine(download, "mark " + std::to_string(i));
    }
    for (const auto& outcome : testing_support::runTogether(marks))
        EXPECT_EQ(outcome.exitCode, 0);
    std::string lines = myFakes();
    EXPECT_EQ(lines.size(), expected.size());
    for (std::size_t start = 0; start < expected.size();) {
        const auto end = expected.find("\r\n", start) + 2;
        EXPECT_THAT(lines, HasSubstr(expected.substr(start, end - start)));
        start = end;
    }
}

// Without fakes.dat the scan still checks the user's own list and the
// ratings: a fake found exits 1, else the missing list's 2; both name it.
TEST_F(OwnVerdicts, WithoutFakesDatTheOwnListAndRatingsStillCount)
{
    std::filesystem::remove(dir.file("program/fakes.dat"));
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {clean, rated});
    const std::string scan = "scan '" + amule.conf + "'";
    const std::string checked = "*** Checking Files..\nClean.mp3\nRated.avi\n";
    EXPECT_EQ(run(scan), (CommandOutcome{2, noDatabase + checked +
                                                "*** No fakes found in your temp folder !\n"}));
    EXPECT_THAT(errorsOf(scan),
                HasSubstr("brisquen-check: no fakes.dat in " + dir.file("program/")));
    ASSERT_EQ(run("mark " + linkOf(rated)).exitCode, 0);
    storeClientFolder(amule.settingsFolder);
    EXPECT_EQ(run(scan),
              (CommandOutcome{1, noDatabase + checked + "*** marked by me\n" + finished}));
    EXPECT_EQ(run("part '" + amule.partFiles[1] + "'").exitCode, 1);
    EXPECT_EQ(run("part '" + amule.partFiles[0] + "'").exitCode, 2);
    EXPECT_EQ(run("link " + linkOf(rated)).exitCode, 2);
    EXPECT_FALSE(testing_support::exists(dir.file("program/fakes.dat")));
}

// aMule 3.x caught saving: a part file between its renames, or cut short,
// is read from its .bak while the data file is there; each download is
// listed once, and a .bak without data file is a download aMule let go.
TEST_F(OwnVerdicts, Amule3BackupCopiesStandForTheirPartFiles)
{
    const fixtures::Download gone{"Gone.avi", 5, fixtures::hashFromSeed(4), 0};
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {clean, rated, listed, gone});
    fixtures::interruptAmule3Save(amule.partFiles[0], fixtures::Amule3Save::BetweenRenames);
    fixtures::interruptAmule3Save(amule.partFiles[1], fixtures::Amule3Save::PartFileCutShort);
    std::filesystem::rename(amule.partFiles[3], amule.partFiles[3] + ".bak");
    std::filesystem::remove(amule.tempFolder + "004.part");
    EXPECT_EQ(run("scan '" + amule.conf + "'"),
              (CommandOutcome{1, loaded + "Clean.mp3\nRated.avi\nListed.avi\n*** Fake - listed\n" +
                                     finished}));
}

// incoming takes a finished file's hash from known.met when name, size and
// date agree, never reading the file: the hash printed is the record's,
// which is not the bytes' own, also for a file over 4 GiB. A file changed
// since its record, or any file when known.met cannot be read, is hashed.
TEST_F(OwnVerdicts, IncomingTakesHashesFromKnownMetWithoutReadingTheFiles)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {});
    const std::string zeros = amule.incomingFolder + "Zeros.bin";
    const std::string large = amule.incomingFolder + "Large.iso";
    fixtures::writeZeroFile(zeros, fixtures::zeroChunkSize);
    fixtures::writeZeroFile(large, 4'290'048'001);
    const auto unixDate = [](const std::string& path) {
        const auto written =
            std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path));
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count());
    };
    const fixtures::Download zerosRecord{"Zeros.bin", fixtures::zeroChunkSize,
                                         fixtures::hashFromSeed(5), 0};
    const fixtures::Download largeRecord{"large.ISO", 4'290'048'001, fixtures::hashFromSeed(6), 0};
    dir.write(
        amule.settingsFolder.substr(dir.path().size()) + "known.met",
        fixtures::knownMetBytes({{zerosRecord, unixDate(zeros)}, {largeRecord, unixDate(large)}},
                                fixtures::Mule::aMule, true));
    dir.write("program/fakes.dat", fixtures::fakesDatLine(largeRecord, "Fake - large"));
    const std::string recordedLines = "ed2k://|file|Large.iso|4290048001|" + largeRecord.hash +
                                      "|\n*** Fake - large\n" + "ed2k://|file|Zeros.bin|9728000|" +
                                      zerosRecord.hash + "|\nNo Entry found\n";
    const std::string incoming = "incoming '" + amule.conf + "'";
    storeClientFolder(amule.settingsFolder);
    EXPECT_EQ(run(incoming), (CommandOutcome{1, recordedLines}));
    EXPECT_THAT(errorsOf("incoming -v '" + amule.conf + "'"),
                HasSubstr("hashes taken from known.met: 2 of 2 files\n"));
    // `file` for a file in the stored client's incoming folder, and not for a copy elsewhere.
    EXPECT_EQ(run("file '" + zeros + "'").output,
              "ed2k://|file|Zeros.bin|9728000|" + zerosRecord.hash + "|\nNo Entry found\n");
    const std::string copy = dir.file("Zeros.bin");
    std::filesystem::copy_file(zeros, copy);
    std::filesystem::last_write_time(copy, std::filesystem::last_write_time(zeros));
    EXPECT_THAT(run("file '" + copy + "'").output, HasSubstr(fixtures::zeroChunkHash));

    // Changed since: the same size, another date.
    std::filesystem::last_write_time(zeros, std::filesystem::last_write_time(zeros) +
                                                std::chrono::seconds(10));
    const std::string zerosHashed = "ed2k://|file|Zeros.bin|9728000|" +
                                    std::string(fixtures::zeroChunkHash) + "|\nNo Entry found\n";
    EXPECT_EQ(run(incoming).output,
              recordedLines.substr(0, recordedLines.find("ed2k", 10)) + zerosHashed);
    EXPECT_THAT(errorsOf("incoming -v '" + amule.conf + "'"),
                HasSubstr("hashes taken from known.met: 1 of 2 files\n"));
    std::filesystem::remove(large);
    for (const std::string broken : {"\x0E\x05", "not a known.met", ""}) {
        dir.write(amule.settingsFolder.substr(dir.path().size()) + "known.met", broken);
        EXPECT_EQ(run(incoming), (CommandOutcome{0, zerosHashed}));
    }
}
