#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// Where a Windows path written by the client can be found on this system.
struct PathContext {
    /// The Wine prefix the client runs in, if any.
    std::optional<std::string> prefix;
    /// The Linux folder that holds the client's pref.met, if known.
    std::optional<std::string> clientFolder;
};

/// The Linux path of the file or folder that the client, or Windows, names
/// `path`, matching each name as Windows does: exactly, else the one entry that
/// differs only in ASCII letter case (names in Windows-1252 are also tried as
/// UTF-8).
///
/// - "C:\a\b\" or "c:/a/b": through the prefix's dosdevices links ("c:" to
///   drive_c, "z:" to "/"); when that finds nothing, through the nearest
///   ancestor of the client folder that holds the names after the drive, which
///   finds a client on a mounted or copied Windows partition. A path without
///   drive but with a leading backslash is taken as drive C.
/// - A relative path ("temp\"): inside the client folder.
/// - A Linux path (starting with "/"): unchanged, whether it exists or not.
/// - A UNC path ("\\server\share\..."): nothing; network shares are not mapped.
///
/// The result keeps a final separator as "/"; nothing when no existing file
/// or folder matches.
std::optional<std::string> mapWindowsPath(std::string_view path, const PathContext& context);

/// The Wine prefix the client would use: the variable WINEPREFIX when set and
/// not empty, else `home` + "/.wine"; empty when neither is known.
std::string winePrefixFrom(const std::optional<std::string>& winePrefixVariable,
                           const std::optional<std::string>& home);

} // namespace platform
