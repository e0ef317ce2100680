#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// Why a file could not be opened for reading.
enum class OpenError { CannotOpen, NotRegularFile };

/// Copies `from` over `to`, replacing an existing file. Fails when `from` is
/// missing, is a folder, or cannot be read, or `to` cannot be written. The copy
/// is not synced to disk: it is meant for scratch files.
bool copyFile(const std::string& from, const std::string& to);

/// Deletes a file; a missing file counts as a failure, which callers may ignore.
bool deleteFile(const std::string& path);

/// Size in bytes of a regular file (links followed), or nothing.
std::optional<std::uint64_t> fileSize(const std::string& path);

/// Why a file could not be read whole.
enum class ReadFailure {
    Unreadable, // missing, no regular file, or a read failed
    TooLarge,   // larger than allowed, or more than memory holds
};

/// The whole file as raw bytes, as long as it was when opened (a file cut
/// short while read gives what it still had); nothing when it cannot be
/// opened, is no regular file (a folder, a FIFO), is larger than `maxSize`
/// bytes or a read fails, and then `*failure` says why, when given.
std::optional<std::string> readFile(const std::string& path, std::uint64_t maxSize = UINT64_MAX,
                                    ReadFailure* failure = nullptr);

/// `length` bytes of the regular file at `path` from `offset`, read in place
/// without changing the file; nothing when it is missing, unreadable, no
/// regular file (a folder or a FIFO, which is never waited on) or ends before
/// the last of them.
std::optional<std::string> readFileRange(const std::string& path, std::uint64_t offset,
                                         std::size_t length);

/// Replaces the file at `path` with `bytes` through a temporary file in the
/// same folder, so the old file stays whole until the new one is complete.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

/// The same for a file made of `pieces` one after the other.
bool writeFileAtomically(const std::string& path, std::initializer_list<std::string_view> pieces);

/// Deletes the temporary files that writeFileAtomically(`path`) left behind
/// when its process died: those whose lock nobody holds. Files being written
/// by a live process stay.
void removeAbandonedTemporaries(const std::string& path);

/// Whether `path` names a folder the program may enter.
bool isFolder(const std::string& path);

/// When a regular file (links followed) was last modified, in nanoseconds
/// since 1970, or nothing when there is no such file.
std::optional<std::int64_t> fileModifiedTime(const std::string& path);

/// What tells one version of a regular file from another without reading it:
/// where it lies, its size, and when its data and its entry last changed (in
/// nanoseconds since 1970; the change time cannot be set back by hand).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    bool operator==(const FileStamp&) const = default;
};

/// The stamp of the regular file at `path` (links followed), or nothing when
/// there is no such file.
std::optional<FileStamp> fileStamp(const std::string& path);

/// Creates the folder `path` and any missing parent, each readable only by the
/// user (as the XDG base directory rules ask); true when it exists afterwards.
bool makeFolders(const std::string& path);

} // namespace platform
