#pragma once

#include "platform/desktop.h"
#include "platform/log_box.h"
#include "platform/registry.h"
#include "platform/windows_path.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <string>

namespace session {

/// The outside world of a check pass.
struct PassServices {
    const ProgramFiles& files;
    platform::Desktop& desktop;
    platform::Registry& registry;
    platform::LogBox& log;
    /// The Wine prefix through which the client's Windows paths are found.
    std::optional<std::string> winePrefix = platform::winePrefix();
};

/// How a check pass ended.
enum class PassEnd {
    Clean,           // every download checked, none is a fake
    FakesFound,      // every download checked, at least one is a fake
    NothingToCheck,  // the temp folder holds no part file, or cannot be read
    Cancelled,       // the user cancelled the pref.met dialog
    TempFolderError, // pref.met unreadable or without a temp folder; told the user
    DatabaseMissing, // fakes.dat missing or unusable; told the user, the program must end
};

struct PassResult {
    PassEnd end = PassEnd::Cancelled;
    std::string storedTempFolder; // the temp folder as pref.met stores it
    std::string tempFolder;       // the folder searched, once pref.met named one
};

/// The program's main job: loads fakes.dat, finds the client's pref.met (or
/// uses `prefMet` when given), reads its temp folder and checks every
/// download there, reporting in the log box.
PassResult checkPass(ProgramState& state, const PassServices& services,
                     const std::optional<std::string>& prefMet = std::nullopt);

} // namespace session
