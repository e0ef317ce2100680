#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// Locks of the open file description rather than of the process: a second
// holder in the same process waits its turn like another process would, and
// closing any other descriptor of the file releases nothing.
bool setLock(int fd, std::uint32_t byte, short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = byte;
    range.l_len = 1;
    while (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

FileLock::FileLock(const std::string& path, std::uint32_t byte)
    : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    , m_byte(byte)
{
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileLock::tryLock()
{
    if (m_locked || m_fd < 0)
        return true;
    if (!setLock(m_fd, m_byte, F_WRLCK))
        return errno != EAGAIN && errno != EACCES;
    m_locked = true;
    return true;
}

bool FileLock::lockShared(std::chrono::milliseconds patience)
{
    if (m_locked || m_fd < 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!setLock(m_fd, m_byte, F_RDLCK)) {
        if (errno != EAGAIN && errno != EACCES)
            return true; // no locks here: unprotected, as tryLock goes on
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_locked = true;
    return true;
}

void FileLock::unlock()
{
    if (m_locked)
        setLock(m_fd, m_byte, F_UNLCK);
    m_locked = false;
}

std::string perProcessName(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    const auto at =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size() : dot;
    std::string name = path;
    name.insert(at, "." + std::to_string(::getpid()));
    return name;
}

} // namespace platform
