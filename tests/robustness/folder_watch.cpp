#include "tests/robustness/folder_watch.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {
namespace {

// Everything under `root`, the root first, without following links.
std::vector<std::string> treeOf(const std::string& root)
{
    std::vector<std::string> paths{root};
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error)
            throw std::runtime_error("cannot list " + root + ": " + error.message());
        paths.push_back(it->path().string());
    }
    return paths;
}

std::string relative(const std::string& root, const std::string& path)
{
    return path.size() > root.size() ? path.substr(root.size()) : std::string();
}

std::string readWhole(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return "<unreadable>";
    std::string bytes;
    std::array<char, 1 << 16> buffer;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

} // namespace

void ageTree(const std::string& root)
{
    // 2003-01-01, about when the client wrote such folders.
    const timespec past{1041379200, 0};
    const std::array<timespec, 2> times{past, past};
    for (const auto& path : treeOf(root)) {
        if (::utimensat(AT_FDCWD, path.c_str(), times.data(), AT_SYMLINK_NOFOLLOW) != 0)
            throw std::runtime_error("cannot set the times of " + path);
    }
}

FolderSnapshot::FolderSnapshot(const std::string& root)
{
    std::string base = root;
    if (!base.empty() && base.back() == '/')
        base.pop_back();
    for (const auto& path : treeOf(base)) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0)
            throw std::runtime_error("cannot stat " + path);
        Entry entry;
        entry.mode = info.st_mode;
        entry.mtimeSeconds = info.st_mtim.tv_sec;
        entry.nanoseconds = info.st_mtim.tv_nsec;
        if (S_ISREG(info.st_mode)) {
            entry.kind = "file";
            entry.content = readWhole(path);
        } else if (S_ISLNK(info.st_mode)) {
            entry.kind = "link";
            std::error_code ignored;
            entry.content = fs::read_symlink(path, ignored).string();
        } else if (S_ISDIR(info.st_mode)) {
            entry.kind = "folder";
        } else {
            entry.kind = "other";
        }
        m_entries[relative(base, path)] = std::move(entry);
    }
}

std::vector<std::string> FolderSnapshot::changesSince(const FolderSnapshot& earlier) const
{
    std::vector<std::string> changes;
    for (const auto& [path, entry] : earlier.m_entries) {
        const auto now = m_entries.find(path);
        if (now == m_entries.end()) {
            changes.push_back("removed: " + path);
            continue;
        }
        const Entry& later = now->second;
        if (later.kind != entry.kind)
            changes.push_back("kind changed: " + path);
        if (later.content != entry.content)
            changes.push_back("content changed: " + path);
        if (later.mode != entry.mode)
            changes.push_back("mode changed: " + path);
        if (later.mtimeSeconds != entry.mtimeSeconds || later.nanoseconds != entry.nanoseconds)
            changes.push_back("modification time changed: " + path);
    }
    for (const auto& [path, entry] : m_entries) {
        if (!earlier.m_entries.contains(path))
            changes.push_back("added: " + path);
    }
    return changes;
}

WriteWatch::WriteWatch(const std::string& root)
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0)
        throw std::runtime_error("inotify is not available");
    constexpr std::uint32_t writes = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE |
                                     IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_MOVED_FROM |
                                     IN_MOVED_TO;
    std::string base = root;
    if (base.size() > 1 && base.back() == '/')
        base.pop_back();
    for (const auto& path : treeOf(base)) {
        std::error_code error;
        if (!fs::is_directory(fs::symlink_status(path, error)))
            continue;
        const int watch = ::inotify_add_watch(m_fd, path.c_str(), writes | IN_DONT_FOLLOW);
        if (watch < 0)
            throw std::runtime_error("cannot watch " + path);
        m_folders[watch] = path;
    }
}

WriteWatch::~WriteWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<std::string> WriteWatch::writes()
{
    static constexpr std::array<std::pair<std::uint32_t, const char*>, 9> names{{
        {IN_MODIFY, "modified"},
        {IN_ATTRIB, "attributes set"},
        {IN_CLOSE_WRITE, "closed after writing"},
        {IN_CREATE, "created"},
        {IN_DELETE, "deleted"},
        {IN_DELETE_SELF, "folder deleted"},
        {IN_MOVE_SELF, "folder moved"},
        {IN_MOVED_FROM, "moved away"},
        {IN_MOVED_TO, "moved in"},
    }};
    std::vector<std::string> seen;
    alignas(inotify_event) std::array<char, 64 * 1024> buffer;
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string name = event->len > 0 ? std::string(event->name) : std::string();
            for (const auto& [mask, text] : names) {
                if (event->mask & mask)
                    seen.push_back(std::string(text) + " " + m_folders[event->wd] + "/" + name);
            }
        }
    }
    return seen;
}

} // namespace testing_support
