#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace edonkey {

/// No file of the client is this large; anything bigger is treated as
/// unreadable instead of being read into memory.
inline constexpr std::uint64_t clientFileSizeLimit = 64ull * 1024 * 1024;

/// The byte of the lock file that a process holds while it uses the program's
/// working copies.
inline constexpr std::uint32_t workingCopyLockByte = 1;

/// Where client files are copied to be read: `path` in the program folder.
/// Processes sharing it take turns through `lockFile`; one that finds `path`
/// in use makes a copy of its own beside it instead, so none ever waits for
/// another, whatever that one's window has open.
struct WorkingCopy {
    std::string path;
    std::string lockFile = {}; // empty: no other process shares the folder
};

/// Reads a client file without ever opening it: the old working copy is
/// deleted, the file is copied over it, the copy is read and deleted again.
/// Nothing when the copy cannot be made or read, or the file is larger than
/// clientFileSizeLimit.
std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy);

} // namespace edonkey
