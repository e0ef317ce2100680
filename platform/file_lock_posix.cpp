#include "platform/file_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileLock::FileLock(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666))
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
    // flock, not fcntl: its lock belongs to this descriptor, so a second
    // holder in the same process waits its turn like another process would.
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno != EWOULDBLOCK;
    }
    m_locked = true;
    return true;
}

void FileLock::unlock()
{
    if (m_locked)
        ::flock(m_fd, LOCK_UN);
    m_locked = false;
}

} // namespace platform
