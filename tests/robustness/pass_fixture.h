#pragma once

#include "app/check_pass.h"
#include "edonkey/program_files.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class NoRegistry final : public platform::Registry {
public:
    std::optional<std::string> readClassesRootDefault(std::string_view) override { return {}; }
};

inline const fixtures::Download cleanDownload{"Knoppix.iso", 700000000, fixtures::hashFromSeed(1),
                                              0};
inline const fixtures::Download fakeDownload{"Matrix.4.avi", 734003200, fixtures::hashFromSeed(2),
                                             0};

/// A program folder with fakes.dat listing fakeDownload (3 entries), and a
/// client folder beside it, for whole check passes.
class ProgramAndClient : public testing::Test {
protected:
    TempDir dir;
    edonkey::ProgramFiles files{dir.makeFolder("program")};
    ScriptedDesktop desktop;
    NoRegistry registry;
    TextLogBox log;
    app::ProgramState state;

    static inline const std::string loadedLine =
        "*** Loading Database...done ( 3 entries loaded )\r\n";
    static inline const std::string checkingLine = "*** Checking Files..\r\n";
    static inline const std::string fakesFoundEnd = "\r\n*** Finished checking.\r\n";
    static inline const std::string noFakesEnd = "*** No fakes found in your temp folder !\r\n";

    ProgramAndClient()
    {
        dir.write("program/fakes.dat",
                  "a,1,x\r\n" + fixtures::fakesDatLine(fakeDownload, "Fake - ad"));
    }

    /// Writes the client folder and stores it as the program's PrefPath.
    fixtures::ClientFolder clientFolder(const std::vector<fixtures::Download>& downloads)
    {
        auto folder = fixtures::writeClientFolder(dir.file("client"), downloads);
        storePrefPath(folder.folder);
        return folder;
    }

    void storePrefPath(const std::string& value)
    {
        ASSERT_TRUE(platform::writeIniString(files.settingIni(), "Settings", "PrefPath", value));
    }

    app::PassEnd runPass() { return app::checkPass(state, {files, desktop, registry, log}); }
};

} // namespace testing_support
