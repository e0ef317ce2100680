#pragma once

#include "edonkey/program_files.h"
#include "fakedb/fake_database.h"
#include "platform/desktop.h"
#include "platform/log_box.h"
#include "platform/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace app {

/// What the program keeps between commands.
struct ProgramState {
    fakedb::FakeDatabase database;
    bool justUpdated = false; // set by a database update, cleared by every check pass
};

/// The outside world of a check pass.
struct PassServices {
    const edonkey::ProgramFiles& files;
    platform::Desktop& desktop;
    platform::Registry& registry;
    platform::LogBox& log;
};

/// How a check pass ended.
enum class PassEnd {
    Clean,           // every download checked, none is a fake
    FakesFound,      // every download checked, at least one is a fake
    NothingToCheck,  // the temp folder holds no part file
    Cancelled,       // the user cancelled the pref.met dialog
    TempFolderError, // pref.met unreadable or without a temp folder; told the user
    DatabaseMissing, // fakes.dat missing or unreadable; told the user, the program must end
};

inline constexpr std::string_view noDatabaseMessage =
    "No Fake Database found\r\n( copy the fakes.dat file in the \r\nsame directory as this file )";
inline constexpr std::string_view noTempFolderMessage = "Temp Folder not found...";

/// The program's main job: loads fakes.dat, finds the client's pref.met (or
/// uses `prefMet` when given), reads its temp folder and checks every
/// download there, reporting in the log box.
PassEnd checkPass(ProgramState& state, const PassServices& services,
                  const std::optional<std::string>& prefMet = std::nullopt);

} // namespace app
