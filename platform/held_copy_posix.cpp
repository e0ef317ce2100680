#include "platform/file_descriptor_posix.h"
#include "platform/held_copy.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

using posix::lockWholeFile;

bool sameFile(int fd, const std::string& path)
{
    struct stat open {};
    struct stat named {};
    return ::fstat(fd, &open) == 0 && ::lstat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

HeldCopy::HeldCopy(const std::string& to)
    : m_path(to)
{
    if (to.empty())
        return;
    posix::FileDescriptor copy = posix::createTemporaryBeside(to, m_temporary);
    if (!copy.valid()) {
        m_reason = std::strerror(errno);
        return;
    }
    m_fd = copy.release();
    // A file system without locks still gets its copy, unprotected.
    lockWholeFile(m_fd);
}

bool HeldCopy::fill(const std::string& from)
{
    if (m_fd < 0 || m_temporary.empty())
        return false;
    const posix::FileDescriptor source = posix::openRegularFile(from);
    if (!source.valid())
        return false;
    const auto fail = [this] {
        m_reason = std::strerror(errno);
        return false;
    };
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[posix::ioBufferSize]);
    if (!buffer) {
        errno = ENOMEM;
        return fail();
    }
    for (;;) {
        const ssize_t got = posix::readFully(source.get(), buffer.get(), posix::ioBufferSize);
        if (got < 0)
            return false;
        if (!posix::writeFully(m_fd, std::string_view(buffer.get(), static_cast<std::size_t>(got))))
            return fail();
        if (static_cast<std::size_t>(got) < posix::ioBufferSize)
            break;
    }
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        return fail();
    m_temporary.clear();
    return true;
}

HeldCopy::~HeldCopy()
{
    if (m_fd < 0)
        return;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    else if (sameFile(m_fd, m_path))
        ::unlink(m_path.c_str());
    ::close(m_fd);
}

std::optional<std::string> HeldCopy::read(std::uint64_t maxSize) const
{
    struct stat info {};
    if (!made() || ::fstat(m_fd, &info) != 0 || static_cast<std::uint64_t>(info.st_size) > maxSize)
        return std::nullopt;
    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!posix::readFullyAt(m_fd, bytes.data(), bytes.size(), 0))
        return std::nullopt;
    return bytes;
}

bool deleteUnheldCopy(const std::string& path)
{
    posix::FileDescriptor file(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    // Taking the lock ourselves proves nobody holds it; ours goes on close.
    if (!file.valid() || !lockWholeFile(file.get()) || !sameFile(file.get(), path))
        return false;
    return ::unlink(path.c_str()) == 0;
}

} // namespace platform
