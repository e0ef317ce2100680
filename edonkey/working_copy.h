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

/// The byte of the lock file held shared while a copy is being made, until
/// the copy's own lock is taken, and alone while leftovers are removed: so
/// no copy is ever seen before its maker holds it.
inline constexpr std::uint32_t copyMakingLockByte = 2;

/// Where client files are copied to be read: `path` in the program folder.
/// Processes sharing it take turns through `lockFile`; one that finds `path`
/// in use makes a copy of its own beside it instead, so none ever waits for
/// another, whatever that one's window has open.
struct WorkingCopy {
    std::string path;
    std::string lockFile = {}; // empty: no other process shares the folder
};

/// A working copy that could not be made for a fault on the program's side
/// (its folder cannot be written, the disk is full), not the client file's.
struct CopyFault {
    std::string path;   // the copy that could not be written
    std::string reason; // the system's words for it

    bool operator==(const CopyFault&) const = default;
};

/// Reads a client file without ever opening it: the old working copy is
/// deleted, the file is copied over it, the copy is read and deleted again.
/// The process holds a lock on each copy while it exists, so one left by a
/// process that died is told from one in use (removeLeftoverCopies). Nothing
/// when the copy cannot be made or read, or the file is larger than
/// clientFileSizeLimit; `fault`, when given, is set when the copy could not
/// be written.
std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy,
                                                  std::optional<CopyFault>* fault = nullptr);

/// Deletes the copies of `workingCopy` that no process holds (the shared one,
/// per-process ones and half-made ones), left by processes that died; when
/// another process is removing them or making a copy right now, nothing.
void removeLeftoverCopies(const WorkingCopy& workingCopy);

} // namespace edonkey
