#include "platform/file_descriptor_posix.h"
#include "platform/sequential_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SequentialFile::SequentialFile(const std::string& path)
{
    OpenError error{};
    posix::FileDescriptor file = posix::openRegularFile(path, &error);
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        m_error = file.valid() ? OpenError::CannotOpen : error;
        return;
    }
    m_fd = file.release();
    m_length = static_cast<std::uint64_t>(info.st_size);
    // Only a hint: a system that ignores it still reads correctly.
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

SequentialFile::~SequentialFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<std::size_t> SequentialFile::read(char* buffer, std::size_t size)
{
    if (m_error)
        return std::nullopt;
    const ssize_t got = posix::readFully(m_fd, buffer, size);
    if (got < 0)
        return std::nullopt;
    return static_cast<std::size_t>(got);
}

} // namespace platform
