#include "platform/directory_search.h"
#include "platform/file_descriptor_posix.h"
#include "platform/files.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace posix {

FileDescriptor createTemporaryBeside(const std::string& path, std::string& temporaryPath)
{
    static std::atomic<std::uint64_t> counter{0};
    static constexpr char digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        // splitmix64 over the time, the process and a counter: unique enough
        // with O_EXCL catching the rare clash.
        std::uint64_t seed = static_cast<std::uint64_t>(
                                 std::chrono::steady_clock::now().time_since_epoch().count()) ^
                             (static_cast<std::uint64_t>(::getpid()) << 32) ^
                             (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        seed = (seed ^ (seed >> 30)) * 0xBF58476D1CE4E5B9ull;
        seed = (seed ^ (seed >> 27)) * 0x94D049BB133111EBull;
        seed ^= seed >> 31;
        std::string name = path + ".";
        for (int i = 0; i < 6; ++i) {
            name += digits[seed % (sizeof(digits) - 1)];
            seed /= sizeof(digits) - 1;
        }
        FileDescriptor file(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid()) {
            temporaryPath = std::move(name);
            return file;
        }
        if (errno != EEXIST)
            break;
    }
    return FileDescriptor();
}

} // namespace posix

namespace {

using posix::FileDescriptor;

// Writing through a link replaces the file it points to, not the link.
std::string resolveLink(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

/// Writes a file under a temporary name and puts it in place only when it is
/// complete, so the old file is never seen cut short.
class AtomicReplacement {
public:
    explicit AtomicReplacement(const std::string& path)
        : m_target(resolveLink(path))
    {
        if (!path.empty())
            m_file = posix::createTemporaryBeside(m_target, m_temporary);
    }
    ~AtomicReplacement()
    {
        if (!m_temporary.empty()) {
            m_file.close();
            ::unlink(m_temporary.c_str());
        }
    }
    AtomicReplacement(const AtomicReplacement&) = delete;
    AtomicReplacement& operator=(const AtomicReplacement&) = delete;

    bool write(std::string_view bytes)
    {
        return m_file.valid() && posix::writeFully(m_file.get(), bytes);
    }

    /// Puts the file in place; `durable` also syncs it and the folder to
    /// disk first, so that the rename survives a crash.
    bool commit(bool durable)
    {
        if (!m_file.valid())
            return false;
        // The replacement keeps the permissions the old file had.
        struct stat old {};
        if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(m_file.get(), old.st_mode & 07777);
        if ((durable && ::fsync(m_file.get()) != 0) || !m_file.close())
            return false;
        if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
            return false;
        m_temporary.clear();
        if (!durable)
            return true;
        // Makes the rename itself survive a crash; nothing to undo if it fails.
        const std::string path = folderOf(m_target);
        FileDescriptor folder(
            ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.valid())
            ::fsync(folder.get());
        return true;
    }

private:
    std::string m_target;
    std::string m_temporary;
    FileDescriptor m_file;
};

} // namespace

bool copyFile(const std::string& from, const std::string& to)
{
    FileDescriptor source = posix::openRegularFile(from);
    if (!source.valid() || to.empty())
        return false;
    // Through a temporary, so a failed copy leaves the old target as it was
    // and copying a file onto itself cannot empty it.
    AtomicReplacement target(to);
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[posix::ioBufferSize]);
    if (!buffer)
        return false;
    for (;;) {
        const ssize_t got = posix::readFully(source.get(), buffer.get(), posix::ioBufferSize);
        if (got < 0 || !target.write(std::string_view(buffer.get(), static_cast<std::size_t>(got))))
            return false;
        if (static_cast<std::size_t>(got) < posix::ioBufferSize)
            break;
    }
    // The copies are scratch files, gone again at once: syncing them would only
    // make every process sharing the program folder wait longer.
    return target.commit(false);
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicReplacement file(path);
    return file.write(bytes) && file.commit(true);
}

} // namespace platform
