#pragma once

#include "platform/files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace platform::posix {

/// An open file descriptor, closed when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

    /// Hands the descriptor over to the caller, who closes it.
    int release() { return std::exchange(m_fd, -1); }

    /// Closes now, reporting the error a delayed write may only show here.
    bool close();

private:
    int m_fd;
};

/// Opens a regular file for reading; an invalid descriptor for anything else
/// (a folder opens fine but is no file, and a FIFO would block forever), with
/// the reason in `error` when it is given.
FileDescriptor openRegularFile(const std::string& path, OpenError* error = nullptr);

/// Reads until `size` bytes or the end of the file; -1 on a read error.
ssize_t readFully(int fd, char* buffer, std::size_t size);

/// Reads exactly `size` bytes from `offset` without moving the file's
/// position; false on a read error or when the file ends first.
bool readFullyAt(int fd, char* buffer, std::size_t size, std::uint64_t offset);

/// Writes all of `bytes`, retrying short writes.
bool writeFully(int fd, std::string_view bytes);

/// A new file beside `path`, open for reading and writing, named `path`,
/// `mark` and six random letters and created with the umask applied; its name
/// in `temporaryPath`. An invalid descriptor, errno telling why, when none
/// could be made.
FileDescriptor createTemporaryBeside(const std::string& path, std::string& temporaryPath,
                                     std::string_view mark = ".");

/// Takes a lock of the open file description on the whole file, held while
/// the descriptor is open, whatever else the process opens or closes; false
/// when the file system has no locks or another holder has it.
bool lockWholeFile(int fd);

/// Big reads serve many 2 KiB blocks: a system call per block would make a
/// large file slow to read.
inline constexpr std::size_t ioBufferSize = 256 * 1024;

} // namespace platform::posix
