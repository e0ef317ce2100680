#include "platform/file_descriptor_posix.h"
#include "platform/sequential_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SequentialFile::SequentialFile(const std::string& path)
{
    // Opened without blocking so that a FIFO cannot hang us before the check
    // below turns it away; blocking reads are switched back on afterwards.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0) {
        m_error = OpenError::cannotOpen;
        return;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_error = OpenError::notRegularFile;
        return;
    }
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags == -1 || ::fcntl(m_fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        m_error = OpenError::cannotOpen;
        return;
    }
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
