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

const fixtures::Download clean{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1), 0};
const fixtures::Download fake{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2), 0};

class CheckPass : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    ScriptedDesktop desktop;
    testing_support::ScriptedRegistry registry;
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

} // namespace

TEST_F(CheckPass, ChosenPrefMetIsCheckedAndRemembered)
{
    const auto folder = fixtures::writeClientFolder(dir.file("client"), {fake});
    desktop.queueFileChoice(folder.prefMet);
    EXPECT_EQ(run(), PassEnd::FakesFound);
    EXPECT_EQ(platform::readIniString(files.settingIni(), "Settings", "PrefPath"), folder.folder);
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
