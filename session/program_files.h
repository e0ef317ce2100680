#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace session {

/// How a process waits while another holds the program folder's lock.
struct LockWaiting {
    std::function<void()> betweenTries; // the window yields to its event loop here
    /// How long to wait before giving up; nothing: for as long as it takes.
    std::optional<std::chrono::milliseconds> patience = std::chrono::seconds(60);
};

/// The program's own files, all in the folder that holds its executable.
/// Several processes may share them.
struct ProgramFiles {
    std::string folder; // ends in "/"; names are joined to it without a separator
    LockWaiting lockWaiting = {};

    std::string fakesDat() const { return folder + "fakes.dat"; }
    std::string settingIni() const { return folder + "Setting.ini"; }
    std::string prefCopy() const { return folder + "pref.bck"; }
    std::string partCopy() const { return folder + "part.bck"; }
    std::string lockFile() const { return folder + "brisquen.lock"; }
};

} // namespace session
