#include "files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

// Big reads serve many blocks: a system call per 2 KiB block would make a
// large fakes.dat slow to load.
constexpr std::size_t ioBufferSize = 128 * readBlockSize;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

    /// Closes now, reporting the error a delayed write may only show here.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 && ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Only regular files count: a folder opens fine here but is no file, and a
// FIFO would block the caller forever.
FileDescriptor openRegularFile(const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid())
        return file;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return FileDescriptor();
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags == -1 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) == -1)
        return FileDescriptor();
    return file;
}

/// Reads until `size` bytes or the end of the file; -1 on a read error.
ssize_t readFully(int fd, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

bool writeFully(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

/// The blocks of forEachFileBlock; `onLength` sees the length at opening and
/// may refuse it.
template <typename OnLength, typename OnBlock>
bool readBlocks(const std::string& path, std::uint64_t maxSize, OnLength&& onLength,
                OnBlock&& onBlock)
{
    FileDescriptor file = openRegularFile(path);
    if (!file.valid())
        return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || info.st_size < 0)
        return false;
    const auto length = static_cast<std::uint64_t>(info.st_size);
    if (length > maxSize || !onLength(length))
        return false;

    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[ioBufferSize]);
    if (!buffer)
        return false;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::uint64_t unread = length;    // not yet read from the file
    std::uint64_t remaining = length; // not yet handed out
    bool shrunk = false;
    for (std::uint64_t count = length / readBlockSize + 1; count > 0; --count) {
        const auto wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(readBlockSize, remaining));
        if (end - begin < wanted && !shrunk) {
            std::memmove(buffer.get(), buffer.get() + begin, end - begin);
            end -= begin;
            begin = 0;
            const auto toRead =
                static_cast<std::size_t>(std::min<std::uint64_t>(ioBufferSize - end, unread));
            const ssize_t got = readFully(file.get(), buffer.get() + end, toRead);
            if (got < 0)
                return false;
            shrunk = static_cast<std::size_t>(got) < toRead;
            end += static_cast<std::size_t>(got);
            unread -= static_cast<std::uint64_t>(got);
        }
        const std::size_t taken = std::min(wanted, end - begin);
        onBlock(std::string_view(buffer.get() + begin, taken));
        begin += taken;
        remaining -= taken;
        // A file cut short while being read ends with what it still had.
        if (taken < wanted)
            break;
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

/// A new, uniquely named file beside `path`, created with the umask applied.
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
        FileDescriptor file(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.valid()) {
            temporaryPath = std::move(name);
            return file;
        }
        if (errno != EEXIST)
            break;
    }
    return FileDescriptor();
}

/// Writes a file under a temporary name and puts it in place only when it is
/// complete, so the old file is never seen cut short.
class AtomicReplacement {
public:
    explicit AtomicReplacement(const std::string& path)
        : m_target(resolveLink(path))
    {
        if (path.empty())
            return;
        m_file = createTemporaryBeside(m_target, m_temporary);
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

    bool write(std::string_view bytes) { return m_file.valid() && writeFully(m_file.get(), bytes); }

    bool commit()
    {
        if (!m_file.valid())
            return false;
        // The replacement keeps the permissions the old file had.
        struct stat old {};
        if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
            ::fchmod(m_file.get(), old.st_mode & 07777);
        if (::fsync(m_file.get()) != 0 || !m_file.close())
            return false;
        if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
            return false;
        m_temporary.clear();
        // Makes the rename itself survive a crash; nothing to undo if it fails.
        FileDescriptor folder(
            ::open(folderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.valid())
            ::fsync(folder.get());
        return true;
    }

private:
    // Writing through a link replaces the file it points to, not the link.
    static std::string resolveLink(const std::string& path)
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

    std::string m_target;
    std::string m_temporary;
    FileDescriptor m_file;
};

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = lowerAscii(c);
    return lower;
}

// Greedy matching that backs up to the last '*' only: linear in practice and
// never recursive, whatever the pattern.
bool matchesWildcard(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool copyFile(const std::string& from, const std::string& to)
{
    FileDescriptor source = openRegularFile(from);
    if (!source.valid() || to.empty())
        return false;
    // Through a temporary, so a failed copy leaves the old target as it was
    // and copying a file onto itself cannot empty it.
    AtomicReplacement target(to);
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[ioBufferSize]);
    if (!buffer)
        return false;
    for (;;) {
        const ssize_t got = readFully(source.get(), buffer.get(), ioBufferSize);
        if (got < 0 || !target.write(std::string_view(buffer.get(), static_cast<std::size_t>(got))))
            return false;
        if (static_cast<std::size_t>(got) < ioBufferSize)
            break;
    }
    return target.commit();
}

bool deleteFile(const std::string& path)
{
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

std::optional<std::uint64_t> fileSize(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

bool forEachFileBlock(const std::string& path,
                      const std::function<void(std::string_view block)>& onBlock,
                      std::uint64_t maxSize)
{
    return readBlocks(
        path, maxSize, [](std::uint64_t) { return true; },
        [&](std::string_view block) {
            if (onBlock)
                onBlock(block);
        });
}

std::optional<std::string> readFileInBlocks(const std::string& path,
                                            const std::function<void()>& afterBlock,
                                            std::uint64_t maxSize)
{
    std::string bytes;
    try {
        const bool ok = readBlocks(
            path, maxSize,
            [&](std::uint64_t length) {
                if (length > bytes.max_size())
                    return false;
                bytes.reserve(static_cast<std::size_t>(length));
                return true;
            },
            [&](std::string_view block) {
                bytes.append(block);
                if (afterBlock)
                    afterBlock();
            });
        if (!ok)
            return std::nullopt;
    } catch (const std::bad_alloc&) {
        // A file too big for memory is as unreadable as a missing one.
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicReplacement file(path);
    return file.write(bytes) && file.commit();
}

bool setCurrentDirectory(const std::string& path)
{
    return !path.empty() && ::chdir(path.c_str()) == 0;
}

std::string currentDirectory()
{
    std::string buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::strlen(buffer.c_str()));
            break;
        }
        if (errno != ERANGE || buffer.size() > (1u << 20))
            return "./"; // the folder is gone; relative paths still mean it
        buffer.resize(buffer.size() * 2);
    }
    if (buffer.empty() || buffer.back() != '/')
        buffer += '/';
    return buffer;
}

std::vector<std::string> findFiles(std::string_view pattern)
{
    std::vector<std::string> names;
    DIR* folder = ::opendir(".");
    if (!folder)
        return names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
        if (!entry) {
            if (errno != 0)
                names.clear(); // a folder that cannot be read through lists nothing
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (matchesWildcard(pattern, name))
            names.emplace_back(name);
    }
    ::closedir(folder);

    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& name : names)
        keyed.emplace_back(lowerAscii(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [lower, name] : keyed)
        names.push_back(std::move(name));
    return names;
}

std::string programFolder()
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), target.size());
        if (length < 0)
            return currentDirectory();
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        if (target.size() > (1u << 20))
            return currentDirectory();
        target.resize(target.size() * 2);
    }
    // A replaced executable reads as "/folder/name (deleted)"; only the name
    // part carries that note.
    const auto slash = target.rfind('/');
    if (slash == std::string::npos)
        return currentDirectory();
    return target.substr(0, slash + 1);
}

} // namespace platform
