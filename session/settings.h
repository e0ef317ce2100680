#pragma once

#include "session/folder_lock.h"
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
/// The serial of the signed list in use.
inline constexpr std::string_view fakesSerialKey = "FakesSerial";
/// minisign public keys, separated by ",", that a list must be signed with.
inline constexpr std::string_view updatePublicKeyKey = "UpdatePublicKey";

/// The program's settings file, Setting.ini, section "Settings".
class Settings {
public:
    /// Writes wait for the program folder's lock as `waiting` says.
    explicit Settings(ProgramFiles files, LockWaiting waiting = {});

    /// The key's value, whole whatever its length, or the empty text when the
    /// key or the file is missing.
    std::string readSetting(std::string_view key) const;

    /// Stores the value under the program folder's lock, so that another
    /// process's write cannot drop it. False when that lock could not be had
    /// (see withFolderLock); a write that fails otherwise is not reported, as
    /// nothing depends on it.
    [[nodiscard]] bool writeSetting(std::string_view key, std::string_view value) const;

    /// Stores the value for a caller that already holds the program folder's
    /// lock; true only when it reached the file.
    [[nodiscard]] bool writeSettingLocked(std::string_view key, std::string_view value) const;

private:
    ProgramFiles m_files;
    LockWaiting m_waiting;
};

} // namespace session
