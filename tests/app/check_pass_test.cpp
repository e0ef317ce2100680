#include "app/check_pass.h"

#include "platform/files.h"
#include "platform/ini_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using app::PassEnd;
using testing_support::ScriptedDesktop;
using testing_support::TempDir;
using testing_support::TextLogBox;

namespace {

class NoRegistry final : public platform::Registry {
public:
    std::optional<std::string> readClassesRootDefault(std::string_view) override { return {}; }
};

const fixtures::Download clean{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class CheckPass : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    ScriptedDesktop desktop;
    NoRegistry registry;
    TextLogBox log;
    app::ProgramState state;

    void SetUp() override
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fake, "Fake - ad"));
    }

    // A client folder stored as the program's PrefPath.
    fixtures::ClientFolder client(const std::vector<fixtures::Download>& downloads)
    {
        auto folder = fixtures::writeClientFolder(dir.file("client"), downloads);
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", folder.folder);
        return folder;
    }

    PassEnd run() { return app::checkPass(state, {files, desktop, registry, log}); }
};

const std::string firstLine = "*** Loading Database...done ( 3 entries loaded )\r\n";

} // namespace

TEST_F(CheckPass, CleanDownloadsEndWithTheNoFakesLine)
{
    client({clean});
    EXPECT_EQ(run(), PassEnd::Clean);
    EXPECT_EQ(log.text, firstLine + "*** Checking Files..\r\nKnoppix.iso\r\n"
                                    "*** No fakes found in your temp folder !\r\n");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CheckPass, AFakeEndsWithAnEmptyLineAndFinishedChecking)
{
    client({clean, fake});
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(log.text, firstLine + "*** Checking Files..\r\nKnoppix.iso\r\nMatrix.4.avi\r\n"
                                    "*** Fake - ad\r\n\r\n*** Finished checking.\r\n");
}

TEST_F(CheckPass, EmptyTempFolderEndsAfterCheckingFiles)
{
    client({});
    EXPECT_EQ(run(), PassEnd::NothingToCheck);
    EXPECT_EQ(log.text, firstLine + "*** Checking Files..\r\n");
}

TEST_F(CheckPass, CancelledDialogKeepsOnlyTheFirstLine)
{
    EXPECT_EQ(run(), PassEnd::Cancelled);
    EXPECT_EQ(log.text, firstLine);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.dialogs.size(), 1u);
    EXPECT_FALSE(testing_support::exists(files.settingIni()));
}

TEST_F(CheckPass, ChosenPrefMetIsCheckedAndRemembered)
{
    const auto folder = fixtures::writeClientFolder(dir.file("client"), {fake});
    desktop.queueFileChoice(folder.prefMet);
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"), folder.folder);
}

TEST_F(CheckPass, PrefMetWithoutTempShowsTheMessageAndStops)
{
    const auto folder = client({clean});
    dir.write("client/pref.met", "\x14 no such tag");
    EXPECT_EQ(run(), PassEnd::TempFolderError);
    EXPECT_EQ(log.text, firstLine);
    EXPECT_EQ(desktop.messages, std::vector<std::string>{"Temp Folder not found..."});
    EXPECT_FALSE(testing_support::exists(files.prefCopy()));
}

TEST_F(CheckPass, MissingDatabaseShowsTheMessageAndCreatesNothing)
{
    client({clean});
    platform::deleteFile(files.fakesDat());
    EXPECT_EQ(run(), PassEnd::DatabaseMissing);
    EXPECT_EQ(log.text, "*** Loading Database..");
    EXPECT_EQ(desktop.messages,
              std::vector<std::string>{"No Fake Database found\r\n( copy the fakes.dat file in "
                                       "the \r\nsame directory as this file )"});
    EXPECT_FALSE(testing_support::exists(files.fakesDat()));
}

TEST_F(CheckPass, EveryPassStartsAfreshFromTheFileAndClearsTheUpdateFlag)
{
    client({fake});
    EXPECT_EQ(run(), PassEnd::FakesFound);
    dir.write("program/fakes.dat", "");
    state.justUpdated = true;
    log.text += "typed by the user";

    EXPECT_EQ(run(), PassEnd::Clean);
    EXPECT_FALSE(state.justUpdated);
    EXPECT_EQ(log.text, "*** Loading Database...done ( 1 entries loaded )\r\n*** Checking "
                        "Files..\r\nMatrix.4.avi\r\n*** No fakes found in your temp folder !\r\n");
    // The stored folder is written again by every pass that finds it.
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"),
              dir.path() + "client/");
}
