#include "app/check_pass.h"

#include "platform/files.h"
#include "platform/ini_file.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

using app::PassEnd;

namespace {

const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class CheckPass : public testing::Test {
protected:
    testing_support::TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    testing_support::ScriptedDesktop desktop;
    testing_support::ScriptedRegistry registry;
    testing_support::TextLogBox log;
    app::ProgramState state;

    void SetUp() override
    {
        dir.write("program/fakes.dat", "a,1,x\r\n" + fixtures::fakesDatLine(fake, "Fake - ad"));
    }

    PassEnd run() { return app::checkPass(state, {files, desktop, registry, log}); }
};

} // namespace

TEST_F(CheckPass, ChosenPrefMetIsCheckedAndRemembered)
{
    const auto folder = fixtures::writeClientFolder(dir.file("client"), {fake});
    desktop.queueFileChoice(folder.prefMet);
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"), folder.folder);
}

// Each pass starts the log afresh, clears the update flag and stores the
// folder it found again.
TEST_F(CheckPass, APassRestartsTheLogClearsTheUpdateFlagAndStoresTheFolder)
{
    const auto folder = fixtures::writeClientFolder(dir.file("client"), {fake});
    platform::writeIniString(files.settingIni(), "Settings", "PrefPath", folder.folder);
    state.justUpdated = true;
    log.text = "typed by the user";
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_FALSE(state.justUpdated);
    EXPECT_TRUE(log.text.starts_with("*** Loading Database...done ( 3 entries loaded )"));
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"),
              dir.path() + "client/");
}
