#include "session/check_pass.h"

#include "session/database.h"
#include "session/folder_lock.h"
#include "session/link_answer.h"
#include "session/locate_client.h"
#include "tests/support/program_fixture.h"
#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using session::PassEnd;

namespace {

const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};
const std::string folderNotFound =
    "eDonkey Folder not found, please select the\r\npref.met in you eDonkey folder";

class CheckPass : public testing_support::ProgramFixture {
protected:
    fixtures::ClientFolder client = fixtures::writeClientFolder(dir.file("client"), {fake});

    void SetUp() override
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fake, "Fake - ad"));
    }
    PassEnd run() { return pass().end; }
};

} // namespace

// Each pass starts the log afresh, clears the update flag, stores the folder
// it found again, and leaves the next dialog in the temp folder.
TEST_F(CheckPass, APassRestartsTheLogClearsTheUpdateFlagAndStoresTheFolder)
{
    storePrefPath(client.folder);
    state.justUpdated = true;
    log.text = "typed by the user";
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_FALSE(state.justUpdated);
    EXPECT_TRUE(log.text.starts_with("*** Loading Database...done ( 3 entries loaded )"));
    EXPECT_EQ(prefPath(), client.folder);
    EXPECT_EQ(state.dialogFolder, client.tempFolder);
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CheckPass, MissingFolderPromptsForPrefMetWhichIsCheckedAndRemembered)
{
    const std::string ini = "[Settings]\r\nPrefPath=/no/such/folder/\r\n";
    dir.write("program/Setting.ini", ini);
    state.dialogFolder = "/start/";
    EXPECT_EQ(run(), PassEnd::Cancelled);
    EXPECT_EQ(desktop.messages, std::vector{folderNotFound});
    const auto& dialog = desktop.dialogs.at(0);
    EXPECT_EQ(
        (std::vector{dialog.pattern, dialog.title, dialog.initialDir}),
        (std::vector<std::string>{"pref.met amule.conf preferences.ini",
                                  "Select the pref.met file in your donkey folder", "/start/"}));
    EXPECT_EQ(testing_support::readFile(files.settingIni()), ini);

    desktop.queueFileChoice(client.prefMet);
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(prefPath(), client.folder);
    const auto chooseFile = [&] {
        return session::rememberChosen(
            state, session::ask(desktop, session::donkeyFileQuestion(state, "pref.met")));
    };
    EXPECT_EQ(chooseFile(), "");
    EXPECT_EQ(desktop.dialogs.back().initialDir, client.tempFolder);
    desktop.queueFileChoice("/mnt/Client/PREF.MET"); // the next dialog opens where it was
    EXPECT_TRUE(session::storeChosenPrefMet(files, chooseFile()));
    EXPECT_EQ(state.dialogFolder, "/mnt/Client/");
}

// Another process using the working copies: the pass reads through copies of
// its own instead of waiting, and leaves none; one writing Setting.ini: the
// pass waits its turn, and ends when it takes too long or the wait is
// stopped, with the program's files as they were.
TEST_F(CheckPass, AnotherProcessInTheProgramFolderNeverLosesAFileToThePass)
{
    storePrefPath(client.folder);
    platform::FileLock copies(files.lockFile(), edonkey::workingCopyLockByte);
    ASSERT_TRUE(copies.tryLock());
    dir.write("program/part.bck", "in use by the other process");
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(testing_support::readFile(files.partCopy()), "in use by the other process");
    EXPECT_FALSE(testing_support::exists(platform::perProcessName(files.partCopy())));
    session::removeWorkingCopies(files);
    EXPECT_TRUE(testing_support::exists(files.partCopy()));
    copies.unlock();

    platform::FileLock settings(files.lockFile(), session::settingsLockByte);
    ASSERT_TRUE(settings.tryLock());
    const std::string ini = testing_support::readFile(files.settingIni());
    lockWaiting = {std::chrono::milliseconds(50)};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(), PassEnd::FolderBusy);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    std::stop_source closing;
    closing.request_stop();
    lockWaiting = {std::nullopt, closing.get_token()};
    EXPECT_EQ(run(), PassEnd::FolderBusy);
    EXPECT_EQ(testing_support::readFile(files.settingIni()), ini);
    settings.unlock();
    EXPECT_EQ(run(), PassEnd::FakesFound);
    session::removeWorkingCopies(files);
    EXPECT_FALSE(testing_support::exists(files.partCopy()));
}

// A large list reloaded again and again while a listed link is checked on
// another thread, its entry last so that a half-read list would miss it:
// every answer is the fake's line. While the list is read again there is
// none in use, and a check waits for the new one.
TEST(WholeLists, LinksAreAnsweredFromWholeListsWhileTheListReloads)
{
    testing_support::TempDir dir;
    const session::ProgramFiles files{dir.makeFolder("program")};
    std::string text;
    for (std::uint64_t i = 0; i < 200'000; ++i)
        text += fixtures::fakesDatLine({"", i, fixtures::hashFromSeed(i), 0}, "Other");
    dir.write("program/fakes.dat", text + fixtures::fakesDatLine(fake, "Fake - ad"));
    session::ProgramState state;
    ASSERT_TRUE(session::loadDatabase(state, files));

    std::atomic<bool> reloading = true;
    std::jthread reloads([&] {
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(session::loadDatabase(state, files));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        reloading = false;
    });
    const std::string link = "ed2k://|file|x|734003200|" + fake.hash + "|";
    int answers = 0;
    while (reloading) {
        if (const auto list = state.list.current()) {
            ASSERT_EQ(session::answerLink(link, *list).text, "*** Fake - ad");
            ++answers;
        }
    }
    EXPECT_GT(answers, 100);
}

// The window's log holds the scan's lines: a suspect's under its download,
// after a fake's, escaped where the name's extension is, and the count before
// the closing line; the downloads not looked at are counted in the result.
TEST_F(CheckPass, SuspectsAreLoggedUnderTheirDownloadsAndCountedBeforeTheClosingLine)
{
    const std::string program =
        testing_support::readFile(BRISQUEN_TEST_DATA "/file-types/windows-program.exe");
    const std::vector<fixtures::Download> downloads{
        {"Movie.avi", 1'000'000, fixtures::hashFromSeed(40), 10'000},
        {fake.name, fake.size, fake.hash, 10'000},
        {"Later.avi", 1'000'000, fixtures::hashFromSeed(41), 0},
        {"Gone.avi", 1'000'000, fixtures::hashFromSeed(42), 10'000},
        {"Trick.x\r\n*** Fake - forged", 1'000'000, fixtures::hashFromSeed(43), 10'000},
    };
    const auto amule = fixtures::writeAmuleHome(places.home, downloads);
    for (const std::size_t i : {0, 1, 4})
        fixtures::writeFile(amule.tempFolder + fixtures::partFileNumber(i + 1) + ".part", program);
    std::filesystem::remove(amule.tempFolder + "004.part");

    const auto result = pass();
    const std::string suspect =
        "*** Suspect - named as a video (.avi), but its first bytes are a Windows program\r\n";
    EXPECT_EQ(log.text, "*** Loading Database...done ( 3 entries loaded )\r\n"
                        "*** Checking Files..\r\nMovie.avi\r\n" +
                            suspect + "Matrix.4.avi\r\n*** Fake - ad\r\n" + suspect +
                            "Later.avi\r\nGone.avi\r\nTrick.x\\x0d\\x0a*** Fake - forged\r\n"
                            "*** Suspect - named as .x\\x0d\\x0a*** fake - forged, but its first "
                            "bytes are a Windows program\r\n*** 3 suspect downloads\r\n\r\n"
                            "*** Finished checking.\r\n");
    EXPECT_EQ(result.end, PassEnd::FakesFound);
    EXPECT_EQ((std::vector{result.suspects, result.notDownloaded, result.dataUnreadable}),
              (std::vector<std::size_t>{3, 1, 1}));
}

// The window's pass with the user's own list: it answers after fakes.dat, in
// the pass and for a link, and its bad lines are named under the count; without fakes.dat the
// window still ends with its message, whatever the user's own list holds.
TEST_F(CheckPass, OwnListAnswersAfterTheListButTheWindowStillNeedsFakesDat)
{
    const fixtures::Download mine{"Mine.avi", 5, fixtures::hashFromSeed(8), 0};
    const auto withMine = fixtures::writeClientFolder(dir.file("mine"), {fake, mine});
    storePrefPath(withMine.folder);
    dir.write("program/myfakes.dat", fixtures::fakesDatLine(fake, "mine too") + "oops\r\n" +
                                         fixtures::fakesDatLine(mine, "marked by me"));
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(log.text,
              "*** Loading Database...done ( 3 entries loaded )\r\n"
              "*** myfakes.dat, line 2 skipped: not a list line (hash,size,description)\r\n"
              "*** Checking Files..\r\nMatrix.4.avi\r\n*** Fake - ad\r\nMine.avi\r\n"
              "*** marked by me\r\n\r\n*** Finished checking.\r\n");
    // "&Check it" answers from both lists, as the window asks them.
    EXPECT_EQ(
        session::answerLink("ed2k://|file|x|5|" + mine.hash + "|", session::listsInUse(state)).text,
        "*** marked by me");

    std::filesystem::remove(files.fakesDat());
    EXPECT_EQ(run(), PassEnd::DatabaseMissing);
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(log.text, "*** Loading Database..");
}
