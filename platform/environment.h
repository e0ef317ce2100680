#pragma once

#include <optional>
#include <string>

namespace platform {

/// What the process learns from outside at start-up: the variables that decide
/// where its files and the client's are, and where its executable lies. Read
/// once in each program's main() and handed down, so nothing below depends on
/// the process's environment.
struct Environment {
    // Each variable as set, or nothing when it is unset.
    std::optional<std::string> home;
    std::optional<std::string> xdgConfigHome;
    std::optional<std::string> xdgDataHome;
    std::optional<std::string> xdgDataDirs;
    std::optional<std::string> winePrefix;
    /// The folder that holds the running executable, ending in "/".
    std::string executableFolder;
};

/// The running process's environment.
Environment readEnvironment();

} // namespace platform
