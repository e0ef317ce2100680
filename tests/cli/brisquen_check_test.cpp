// Runs the real brisquen-check from a program folder of its own, as a script would.

#include "platform/ini_file.h"
#include "tests/support/amule_samples.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

using testing::EndsWith;
using testing::HasSubstr;
using testing_support::CommandOutcome;
using testing_support::exists;
using testing_support::runCommand;

namespace {

const fixtures::Download clean{"Caf\xE9 del Mar.mp3", 4321000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class BrisquenCheck : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string program = dir.makeFolder("program") + "brisquen-check";

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - ad"));
    }

    std::string command(const std::string& arguments) const
    {
        return "'" + program + "' " + arguments;
    }
    // With `prefix`, the Wine prefix the program sees; with `withErrors`, what
    // it says on standard error too. `home` is the home folder it sees.
    CommandOutcome run(const std::string& arguments, std::string prefix = "",
                       bool withErrors = false)
    {
        prefix = prefix.empty() ? "" : "WINEPREFIX='" + prefix + "' ";
        if (!home.empty())
            prefix += "HOME='" + home + "' ";
        const std::string line = prefix + command(arguments);
        return runCommand(withErrors ? "(" + line + " 2>&1)" : line);
    }
    std::string storedFolder() const
    {
        return platform::readIniString(dir.file("program/Setting.ini"), "Settings", "PrefPath");
    }

    std::string home;
};

} // namespace

// Names as UTF-8, lines ending in LF alone.
const CommandOutcome bothListed{
    1, "*** Loading Database...done ( 2 entries loaded )\n*** Checking Files..\n"
       "Caf\u00e9 del Mar.mp3\nMatrix.4.avi\n*** Fake - ad\n\n*** Finished checking.\n"};

// A client folder given, its pref.met read through a working copy that does
// not stay; a client under Wine, found through its prefix's registry as real
// Wine wrote it, its temp folder a Windows path; the same client on a mounted
// Windows partition, its temp folder on disk in other letter case.
TEST_F(BrisquenCheck, ClientsGivenUnderWineOrOnAWindowsPartitionAreListed)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean, fake});
    EXPECT_EQ(run("scan '" + client.prefMet + "'"), bothListed);
    EXPECT_FALSE(exists(dir.file("program/pref.bck")));

    const auto wine = fixtures::writeWinePrefix(dir.file("prefix"), {clean, fake});
    std::filesystem::copy_file(BRISQUEN_TEST_DATA "/wine/system.reg", wine.prefix + "/system.reg",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(run("scan", wine.prefix), bothListed);
    EXPECT_TRUE(std::filesystem::equivalent(storedFolder(), wine.client.folder));

    const auto mounted = fixtures::writeMountedClient(dir.file("disk"), {clean, fake});
    std::filesystem::rename(mounted.tempFolder, mounted.folder + "TEMP");
    EXPECT_EQ(run("scan '" + mounted.prefMet + "'"), bothListed);
}

// Scheduled runs on one program folder at once: each checks every download,
// as a run alone does, and one killed while it holds a working copy leaves
// nothing in the next run's way.
TEST_F(BrisquenCheck, RunsSharingTheProgramFolderEachCheckEveryDownload)
{
    std::vector<fixtures::Download> downloads{fake};
    for (std::uint32_t i = 1; i < 300; ++i)
        downloads.push_back({"Download " + std::to_string(i), i, fixtures::hashFromSeed(9 + i), 0});
    const auto client = fixtures::writeClientFolder(dir.file("client"), downloads);
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\r\n");
    const auto alone = run("scan");
    ASSERT_EQ(std::count(alone.output.begin(), alone.output.end(), '\n'), 305);
    for (const auto& together : testing_support::runTogether(std::vector(10, command("scan"))))
        EXPECT_EQ(together, alone);

    const std::string copy = dir.file("program/part.bck");
    runCommand(command("scan") + " >/dev/null & while kill -0 $! && [ ! -e '" + copy +
               "' ]; do :; done; kill -9 $!");
    EXPECT_EQ(run("scan"), alone);
    EXPECT_FALSE(exists(copy));
}

// "Clean" and "looked nowhere" differ for a script: an empty temp folder, or
// one that is not there.
TEST_F(BrisquenCheck, ScanThatCheckedNothingExitsThreeNamingTheTempFolder)
{
    const auto empty = fixtures::writeClientFolder(dir.file("client"), {});
    const auto gone = dir.write("gone/pref.met", fixtures::prefMetBytes(dir.file("nowhere/")));
    for (const auto& [prefMet, temp] :
         {std::pair{empty.prefMet, empty.tempFolder}, {gone, dir.file("nowhere/")}})
        EXPECT_EQ(
            runCommand("(" + command("scan '" + prefMet + "'") + " 2>&1 >/dev/null)"),
            (CommandOutcome{3, "brisquen-check: nothing checked: no *.part.met could be read in " +
                                   temp + "\n"}));
}

TEST_F(BrisquenCheck, MissingDatabasePrintsTheWindowsMessage)
{
    std::filesystem::remove(dir.file("program/fakes.dat"));
    for (const auto* arguments :
         {"scan", "part x.part.met", "link 'ed2k://|file|a|1|b|'", "file x", "incoming"}) {
        const auto result = run(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_THAT(result.output, HasSubstr("No Fake Database found\n( copy the fakes.dat file "
                                             "in the \nsame directory as this file )"))
            << arguments;
    }
    EXPECT_FALSE(exists(dir.file("program/fakes.dat")));
}

TEST_F(BrisquenCheck, PartAndLinkPrintTheAnswerAndExitOneForAFake)
{
    const std::pair<std::string, CommandOutcome> cases[] = {
        {"part '" + dir.write("f.part.met", fixtures::partMetBytes(fake)) + "'",
         {1, "Matrix.4.avi...\n*** Fake - ad\n"}},
        {"part '" + dir.write("c.part.met", fixtures::partMetBytes(clean)) + "'",
         {0, "Caf\u00e9 del Mar.mp3...\nno fake !\n"}},
        {"part '" + dir.write("bad.part.met", "\xE1") + "'", {2, ""}},
        {"link 'ed2k://|file|x|734003200|" + fake.hash + "|'", {1, "*** Fake - ad\n"}},
        {"link 'ed2k://|file|x|1|" + fake.hash + "|'", {0, "No Entry found\n"}},
        {"link ' ed2k://|file|x|1|" + fake.hash + "|'", {2, "This is not a valid eDonkey Link\n"}},
    };
    for (const auto& [arguments, outcome] : cases)
        EXPECT_EQ(run(arguments), outcome) << arguments;
}

TEST_F(BrisquenCheck, StoredFolderIsScannedAndBadArgumentsOrNoFolderExitWithTwo)
{
    const auto scan = run("scan");
    EXPECT_EQ(scan.exitCode, 2);
    EXPECT_THAT(scan.output, HasSubstr("eDonkey Folder not found"));
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean});
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\r\n");
    EXPECT_EQ(run("scan").exitCode, 0);
    EXPECT_EQ(run("").exitCode, 2);
    EXPECT_EQ(run("frobnicate").exitCode, 2);
    EXPECT_EQ(run("--help").exitCode, 0);
}

// The ed2k hashes of no bytes and of one chunk of zeros are known values.
const std::string emptyLines =
    "ed2k://|file|empty|0|31d6cfe0d16ae931b73c59d7e0c089c0|\nNo Entry found\n";
const std::string zerosLines =
    "ed2k://|file|Zeros.bin|9728000|fc21d9af828f92a8df64beac3357425d|\n*** Fake - zeros\n";

class FinishedFiles : public BrisquenCheck {
protected:
    void SetUp() override
    {
        BrisquenCheck::SetUp();
        dir.write("program/fakes.dat",
                  fixtures::fakesDatLine(
                      {"", fixtures::zeroChunkSize, std::string(fixtures::zeroChunkHash), 0},
                      "Fake - zeros"));
    }
};

// Every file is checked; one that cannot be hashed is named on standard
// error and gives 2, unless another is a fake.
TEST_F(FinishedFiles, FilePrintsLinksAndAnswersAndAnErrorGivesTwoUnlessAFakeIsFound)
{
    const std::string zeros = dir.file("Zeros.bin");
    fixtures::writeZeroFile(zeros, fixtures::zeroChunkSize);
    const std::string empty = dir.write("empty", "");
    const std::string fifo = dir.file("fifo"); // unreadable even for root
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = dir.file("dangling");
    std::filesystem::create_symlink(dir.file("nowhere"), dangling);
    const std::pair<std::string, CommandOutcome> cases[] = {
        {"'" + empty + "'", {0, emptyLines}},
        {"'" + zeros + "' '" + empty + "'", {1, zerosLines + emptyLines}},
        {"'" + fifo + "' '" + empty + "'", {2, fifo + ": not a regular file\n" + emptyLines}},
        {"'" + zeros + "' '" + fifo + "' '" + dir.path() + "' '" + dangling + "' '" + empty + "'",
         {1, zerosLines + fifo + ": not a regular file\n" + dir.path() + ": not a regular file\n" +
                 dangling + ": cannot open\n" + emptyLines}},
    };
    for (const auto& [arguments, outcome] : cases)
        EXPECT_EQ(run("file " + arguments, "", true), outcome) << arguments;
}

// The stored client folder's incoming folder, or the one of the pref.met
// given: its regular files, by name without regard to case.
TEST_F(FinishedFiles, IncomingChecksTheFilesOfTheClientsIncomingFolder)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean});
    fixtures::writeZeroFile(client.incomingFolder + "Zeros.bin", fixtures::zeroChunkSize);
    dir.write("client/incoming/empty", "");
    std::filesystem::create_directory(client.incomingFolder + "a folder");
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\r\n");
    EXPECT_EQ(run("incoming", "", true), (CommandOutcome{1, emptyLines + zerosLines}));
    std::filesystem::remove(client.incomingFolder + "Zeros.bin");
    EXPECT_EQ(run("incoming '" + client.prefMet + "'"), (CommandOutcome{0, emptyLines}));
    std::filesystem::remove_all(client.incomingFolder);
    EXPECT_EQ(run("incoming '" + client.prefMet + "'").exitCode, 2);
}

// Today's clients, as they write their files.
class TodaysClients : public BrisquenCheck {
protected:
    // Where aMule ran when it wrote the files in tests/data/amule.
    static constexpr std::string_view amuleWroteIn = "/tmp/amulework/";
};

// A real aMule home, no Setting.ini: found by itself, every download listed
// once (0xE2 files, a UTF-8 name, a 300-byte name), the listed ones marked,
// and its folder remembered. The category folder aMule wrote as Latin-1
// bytes is found for incoming.
TEST_F(TodaysClients, AmuleIsFoundInTheHomeFolderAndEveryDownloadListedOnce)
{
    home = dir.makeFolder("H\xC3\xA9llo home");
    const std::string settings = home + ".aMule/";
    for (const auto& entry : std::filesystem::directory_iterator(BRISQUEN_TEST_DATA "/amule")) {
        const std::string name = entry.path().filename();
        if (name.find(".part.met") != std::string::npos)
            dir.write(settings.substr(dir.path().size()) + "Temp/" + name,
                      testing_support::readFile(entry.path()));
    }
    std::string conf = testing_support::readFile(BRISQUEN_TEST_DATA "/amule/amule.conf");
    for (auto at = conf.find(amuleWroteIn); at != std::string::npos; at = conf.find(amuleWroteIn))
        conf.replace(at, amuleWroteIn.size(), dir.path());
    dir.write(settings.substr(dir.path().size()) + "amule.conf", conf);
    dir.makeFolder("H\xC3\xA9llo home/.aMule/Incoming");
    fixtures::writeZeroFile(dir.makeFolder("H\xC3\xA9llo home/My Music") + "Zeros.bin",
                            fixtures::zeroChunkSize);
    // Three of them are listed, each marked after its name.
    const auto& samples = testing_support::amuleSamples();
    const std::map<std::string, std::string> listed{
        {"001", "Fake - big"}, {"004", "Fake - song"}, {"008", "Fake - paused"}};
    std::string fakes = fixtures::fakesDatLine(
        {"", fixtures::zeroChunkSize, std::string(fixtures::zeroChunkHash), 0}, "Fake - zeros");
    std::string pass = "*** Loading Database...done ( 5 entries loaded )\n*** Checking Files..\n";
    for (const auto& sample : samples) {
        pass += sample.download.name + "\n";
        if (const auto it = listed.find(sample.number); it != listed.end()) {
            fakes += fixtures::fakesDatLine(sample.download, it->second);
            pass += "*** " + it->second + "\n";
        }
    }
    dir.write("program/fakes.dat", fakes);
    EXPECT_EQ(run("scan"), (CommandOutcome{1, pass + "\n*** Finished checking.\n"}));
    EXPECT_EQ(storedFolder(), settings);
    EXPECT_EQ(
        run("incoming", "", true),
        (CommandOutcome{1, "ed2k://|file|Zeros.bin|9728000|" +
                               std::string(fixtures::zeroChunkHash) + "|\n*** Fake - zeros\n"}));
}

// amule.conf given, its temp folder somewhere else; and files aMule wrote
// that cannot be read: counted on standard error, each named with -v, and
// when none can be read, nothing was checked.
TEST_F(TodaysClients, AmuleConfGivenAndUnreadablePartFilesAreNoCleanResult)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("elsewhere"), {clean, fake});
    const std::string conf =
        dir.write("given/amule.conf", "[eMule]\nTempDir=" + amule.tempFolder + "\n");
    EXPECT_EQ(run("scan '" + conf + "'"), bothListed);
    // Without the .bak copies, which a scan would read in their place.
    for (const auto& partFile : amule.partFiles)
        std::filesystem::remove(partFile + ".bak");
    const std::string cut = testing_support::readFile(amule.partFiles[1]).substr(0, 40);
    dir.write(amule.tempFolder.substr(dir.path().size()) + "002.part.met", cut);
    const auto partly = run("scan '" + conf + "'", "", true);
    EXPECT_EQ(partly.exitCode, 0);
    EXPECT_THAT(partly.output,
                HasSubstr("brisquen-check: skipped 1 of 2 part files (1 cut short)\n"));
    EXPECT_THAT(run("scan -v '" + conf + "'", "", true).output,
                HasSubstr("skipped " + amule.partFiles[1] + ": cut short\n"));
    dir.write(amule.tempFolder.substr(dir.path().size()) + "001.part.met", "\xE0");
    const auto none = run("scan '" + conf + "'", "", true);
    EXPECT_EQ(none.exitCode, 3);
    EXPECT_THAT(none.output, EndsWith("brisquen-check: nothing checked: not one *.part.met could "
                                      "be read in " +
                                      amule.tempFolder + "\n"));
}

// eDonkey2000 keeps its rules: a dated part file is skipped without a line.
TEST_F(TodaysClients, EdonkeyFolderStillSkipsADatedPartFileSilently)
{
    const auto client = fixtures::writeClientFolder(dir.file("client"), {clean, fake});
    auto dated = fixtures::partMetBytes({"Dated.avi", 5, fixtures::hashFromSeed(7), 0});
    dated[1] = '\x01';
    dir.write("client/temp/003.part.met", dated);
    EXPECT_EQ(run("scan '" + client.prefMet + "'"), bothListed);
}

// eMule under Wine, its registration and folders in the registry real Wine
// wrote: found with nothing stored, its two temp folders (the second on
// drive D:) checked as one list.
TEST_F(TodaysClients, EmuleUnderWineIsFoundThroughTheRegistryRealWineWrote)
{
    const auto emule = fixtures::writeEmulePrefix(dir.file("prefix"), {clean, fake});
    for (const char* hive : {"user.reg", "system.reg"})
        std::filesystem::copy_file(std::string(BRISQUEN_TEST_DATA "/wine-emule/") + hive,
                                   emule.prefix + hive,
                                   std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(run("scan", emule.prefix), bothListed);
    EXPECT_EQ(storedFolder(), emule.configFolder);
    EXPECT_THAT(
        run("scan -v", emule.prefix, true).output,
        HasSubstr("temp folder: D:\\eMule Temp (searched as " + emule.tempFolders[1] + ")\n"));
}

// Downloads whose first bytes have come, as the clients keep them: the data
// file beside the part file holds them at their own offsets.
class Suspects : public TodaysClients {
protected:
    static std::string sample(std::string_view name)
    {
        return testing_support::readFile(BRISQUEN_TEST_DATA "/file-types/" + std::string(name));
    }
    // The first 64 KiB have come; the data file holds `bytes` and zeros up to there.
    static fixtures::Download firstBlockIn(std::string name, std::uint64_t seed)
    {
        return {std::move(name), 734'003'200, fixtures::hashFromSeed(seed), 65'536};
    }
    static void writeData(const std::string& partFile, const std::string& bytes)
    {
        fixtures::writeFile(partFile.substr(0, partFile.size() - 4),
                            bytes + std::string(65'536 - bytes.size(), '\0'));
    }

    const std::vector<fixtures::Download> downloads{
        firstBlockIn("Movie.2026.avi", 31),
        firstBlockIn("Song.mp3", 32),
        firstBlockIn("Pack.zip", 33),
        firstBlockIn("Clip.mkv", 34),
        firstBlockIn("Clip.avi", 35),
        {"Later.avi", 734'003'200, fixtures::hashFromSeed(36), 0},
    };
    const std::vector<std::string> data{
        sample("windows-program.exe"), sample("linux-program"), sample("windows-program.exe"),
        sample("video.mkv"),           sample("archive.zip"),   sample("windows-program.exe")};
    const std::string lines =
        "Movie.2026.avi\n"
        "*** Suspect - named as a video (.avi), but its first bytes are a Windows program\n"
        "Song.mp3\n"
        "*** Suspect - named as audio (.mp3), but its first bytes are a Linux program\n"
        "Pack.zip\n"
        "*** Suspect - named as an archive (.zip), but its first bytes are a Windows program\n"
        "Clip.mkv\n"
        "Clip.avi\n"
        "*** Suspect - named as a video (.avi), but its first bytes are a ZIP archive\n"
        "Later.avi\n";
    const CommandOutcome suspectsOnly{4, "*** Loading Database...done ( 2 entries loaded )\n"
                                         "*** Checking Files..\n" +
                                             lines +
                                             "*** 4 suspect downloads\n"
                                             "*** No fakes found in your temp folder !\n"};
};

// An aMule home: programs under video, audio and archive names and an archive
// under a video name are suspects, a matching type is not, a download whose
// first bytes have not come gets no line; a list that lists none of them
// gives 4. With -v, the downloads not looked at yet are counted.
TEST_F(Suspects, AmuleDownloadsWhoseFirstBytesAreNotTheirNamesAreSuspects)
{
    home = dir.makeFolder("home");
    const auto amule = fixtures::writeAmuleHome(home, downloads);
    for (std::size_t i = 0; i < data.size(); ++i)
        writeData(amule.partFiles[i], data[i]);
    EXPECT_EQ(run("scan"), suspectsOnly);
    std::filesystem::remove(dir.file("program/fakes.dat"));
    EXPECT_EQ(run("scan").exitCode, 4); // with no list at all
    dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - ad"));
    EXPECT_THAT(run("scan -v", "", true).output,
                HasSubstr("brisquen-check: 1 download could not be looked at yet (1 first bytes "
                          "not downloaded, 0 data file unreadable)\n"));

    // The data file of Song.mp3 becomes a FIFO, of Pack.zip a folder, and
    // Movie's is cut short: no line for them, no wait, each counted.
    for (const std::size_t i : {0, 1, 2})
        std::filesystem::remove(amule.partFiles[i].substr(0, amule.partFiles[i].size() - 4));
    fixtures::writeFile(amule.partFiles[0].substr(0, amule.partFiles[0].size() - 4), "MZ");
    ASSERT_EQ(::mkfifo(amule.partFiles[1].substr(0, amule.partFiles[1].size() - 4).c_str(), 0600),
              0);
    std::filesystem::create_directory(amule.partFiles[2].substr(0, amule.partFiles[2].size() - 4));
    const auto unreadable = run("scan -v", "", true);
    EXPECT_EQ(unreadable.exitCode, 4);
    EXPECT_THAT(unreadable.output, HasSubstr("Movie.2026.avi\nSong.mp3\nPack.zip\nClip.mkv\n"));
    EXPECT_THAT(unreadable.output, HasSubstr("*** 1 suspect download\n"));
    EXPECT_THAT(unreadable.output,
                HasSubstr("brisquen-check: 4 downloads could not be looked at yet (1 first bytes "
                          "not downloaded, 3 data file unreadable)\n"));

    // The single part file: the answer, then the suspect line.
    EXPECT_EQ(run("part '" + amule.partFiles[4] + "'"),
              (CommandOutcome{4, "Clip.avi...\nno fake !\n*** Suspect - named as a video (.avi), "
                                 "but its first bytes are a ZIP archive\n"}));
    EXPECT_EQ(run("part '" + amule.partFiles[3] + "'"),
              (CommandOutcome{0, "Clip.mkv...\nno fake !\n"}));
}

// eMule under Wine, its downloads spread over two temp folders: the same lines.
// A listed fake keeps its line first, the suspect's under it, and exit 1.
TEST_F(Suspects, EmuleDownloadsTooAndAFakeKeepsItsLineFirst)
{
    const auto emule = fixtures::writeEmulePrefix(dir.file("prefix"), downloads);
    for (const char* hive : {"user.reg", "system.reg"})
        std::filesystem::copy_file(std::string(BRISQUEN_TEST_DATA "/wine-emule/") + hive,
                                   emule.prefix + hive,
                                   std::filesystem::copy_options::overwrite_existing);
    for (std::size_t i = 0; i < data.size(); ++i)
        writeData(emule.partFiles[i], data[i]);
    const auto scan = run("scan", emule.prefix);
    EXPECT_EQ(scan.exitCode, 4);
    // Downloads go to the two folders in turn: each folder's lines in its order.
    for (const auto& [name, suspect] :
         {std::pair{"Movie.2026.avi\n", "*** Suspect - named as a video (.avi), but its first "
                                        "bytes are a Windows program\n"},
          {"Clip.avi\n", "*** Suspect - named as a video (.avi), but its first bytes are a "
                         "ZIP archive\n"}})
        EXPECT_THAT(scan.output, HasSubstr(name + std::string(suspect)));
    EXPECT_THAT(scan.output, HasSubstr("Clip.mkv\n"));
    EXPECT_THAT(scan.output, EndsWith("\n*** 4 suspect downloads\n"
                                      "*** No fakes found in your temp folder !\n"));

    dir.write("program/fakes.dat", fixtures::fakesDatLine(downloads[0], "Fake - trojan"));
    const auto listed = run("scan", emule.prefix);
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_THAT(listed.output,
                HasSubstr("Movie.2026.avi\n*** Fake - trojan\n*** Suspect - named as a video "
                          "(.avi), but its first bytes are a Windows program\n"));
    EXPECT_THAT(listed.output, EndsWith("*** 4 suspect downloads\n\n*** Finished checking.\n"));
}

// Finished files get the same look at their first bytes: the suspect line
// under the answer, and 4 before an error's 2 but after a fake's 1.
TEST_F(Suspects, FinishedFilesGetTheSuspectLineUnderTheirAnswer)
{
    const std::string program = dir.write("Movie.avi", sample("windows-program.exe"));
    const std::string video = dir.write("Clip.avi", sample("video.avi"));
    const auto answer = run("file '" + program + "' '" + video + "'");
    EXPECT_EQ(answer.exitCode, 4);
    EXPECT_THAT(answer.output,
                HasSubstr("|\nNo Entry found\n*** Suspect - named as a video (.avi), but its "
                          "first bytes are a Windows program\ned2k://|file|Clip.avi|"));
    EXPECT_EQ(std::count(answer.output.begin(), answer.output.end(), '\n'), 5);
    EXPECT_EQ(run("file '" + program + "' '" + dir.file("missing") + "'").exitCode, 4);
    EXPECT_EQ(run("file '" + video + "'").exitCode, 0);
    const auto client = fixtures::writeClientFolder(dir.file("client"), {});
    std::filesystem::copy_file(program, client.incomingFolder + "Movie.avi");
    EXPECT_EQ(run("incoming '" + client.prefMet + "'").exitCode, 4);
}

namespace {

using testing_support::readFile;

const fixtures::Download plain{"Clean.mp3", 4321000, fixtures::hashFromSeed(1), 0};
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

// Checks with what the user knows besides fakes.dat: the ratings in the
// clients, the user's own list, and the hashes known.met holds.
class OwnVerdicts : public BrisquenCheck {
protected:
    void SetUp() override
    {
        BrisquenCheck::SetUp();
        dir.write("program/fakes.dat", fixtures::fakesDatLine(listed, "Fake - listed"));
    }
    std::string errorsOf(const std::string& arguments) const
    {
        return runCommand("(" + command(arguments) + " 2>&1 >/dev/null)").output;
    }
    void storeClientFolder(const std::string& folder) const
    {
        dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + folder + "\r\n");
    }
    std::string myFakes() const { return readFile(dir.file("program/myfakes.dat")); }
};

} // namespace

// A download rated "Invalid / Corrupt / Fake" in aMule or in eMule is a fake
// with the rating's words; a listed one keeps the list's line alone.
TEST_F(OwnVerdicts, DownloadsRatedAsFakesInTheClientsAreFakes)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {plain, rated, listed});
    dir.write(amule.conf.substr(dir.path().size()),
              readFile(amule.conf) + "[" + upper(rated.hash) + "]\nComment=fake!\nRate=1\n[" +
                  upper(listed.hash) + "]\nRate=1\n[" + upper(plain.hash) + "]\nRate=3\n");
    const std::string amulePass = loaded +
                                  "Clean.mp3\nRated.avi\n*** rated as a fake in aMule\n"
                                  "Listed.avi\n*** Fake - listed\n" +
                                  finished;
    EXPECT_EQ(run("scan '" + amule.conf + "'"), (CommandOutcome{1, amulePass}));
    // One part file, of the stored client.
    storeClientFolder(amule.settingsFolder);
    EXPECT_EQ(run("part '" + amule.partFiles[1] + "'"),
              (CommandOutcome{1, "Rated.avi...\n*** rated as a fake in aMule\n"}));

    const auto emule = fixtures::writeEmulePrefix(dir.file("prefix"), {plain, rated});
    dir.write(emule.configFolder.substr(dir.path().size()) + "fileinfo.ini",
              "[" + upper(rated.hash) + "]\r\nRate=1\r\n[" + upper(plain.hash) + "]\r\nRate=0\r\n");
    EXPECT_EQ(run("scan '" + emule.configFolder + "preferences.ini'", emule.prefix),
              (CommandOutcome{1, loaded + "Clean.mp3\nRated.avi\n*** rated as a fake in eMule\n" +
                                     finished}));
}

// mark adds a link's or a file's line, once; scan then finds the download,
// and after unmark no more. A bad line is named in the log and skipped.
TEST_F(OwnVerdicts, MarkThenScanFindsTheDownloadAndUnmarkTakesItAway)
{
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {plain, rated});
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
                                 "*** myfakes.dat, line 3 skipped: not a list line (hash,size,description)\n"
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
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {plain, rated});
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
    const auto amule = fixtures::writeAmuleHome(dir.file("home"), {plain, rated, listed, gone});
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
