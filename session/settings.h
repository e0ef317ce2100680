#pragma once

#include "session/program_files.h"

#include <string>
#include <string_view>

namespace session {

/// The client folder, ending in "/".
inline constexpr std::string_view prefPathKey = "PrefPath";
/// The server's entry count at the last update.
inline constexpr std::string_view fakesNrKey = "FakesNr";
/// The update server, set by hand, over the one the programs were built with.
inline constexpr std::string_view updateServerKey = "UpdateServer";

/// The program's settings file, Setting.ini, section "Settings".
class Settings {
public:
    explicit Settings(ProgramFiles files);

    /// The key's value, whole whatever its length, or the empty text when the
    /// key or the file is missing.
    std::string readSetting(std::string_view key) const;

    /// Stores the value under the program folder's lock, so that another
    /// process's write cannot drop it. False when that lock could not be had
    /// (see withFolderLock); a write that fails otherwise is not reported, as
    /// nothing depends on it.
    [[nodiscard]] bool writeSetting(std::string_view key, std::string_view value) const;

private:
    ProgramFiles m_files;
};

} // namespace session
