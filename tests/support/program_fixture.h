#pragma once

#include "platform/ini_file.h"
#include "session/check_pass.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace testing_support {

/// A program folder in a fresh temporary folder, a scripted user and an empty
/// registry, and check passes run over them as the window runs them.
class ProgramFixture : public testing::Test {
protected:
    TempDir dir;
    session::ProgramFiles files{dir.makeFolder("program")};
    ScriptedDesktop desktop;
    ScriptedRegistry registry;
    TextLogBox log;
    session::ProgramState state;
    session::ClientPlaces places{std::nullopt, dir.makeFolder("home")};
    session::LockWaiting lockWaiting;

    session::PassResult pass(platform::Registry* otherRegistry = nullptr)
    {
        return session::checkPassAsking(
            state,
            {files, otherRegistry ? *otherRegistry : registry, log, places, false, lockWaiting},
            std::nullopt, desktop);
    }
    std::string prefPath() const
    {
        return platform::readIniString(files.settingIni(), "Settings", "PrefPath");
    }
    void storePrefPath(const std::string& folder)
    {
        platform::writeIniString(files.settingIni(), "Settings", "PrefPath", folder);
    }
};

} // namespace testing_support
