#include "platform/files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

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

bool isFolder(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

namespace {

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

std::optional<std::int64_t> fileModifiedTime(const std::string& path)
{
    const auto stamp = fileStamp(path);
    return stamp ? std::optional(stamp->modified) : std::nullopt;
}

std::optional<FileStamp> fileStamp(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0)
        return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim),
                     nanoseconds(info.st_ctim)};
}

bool makeFolders(const std::string& path)
{
    // Parents first; a part that exists already, or is made meanwhile by
    // another process, is fine.
    for (auto slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos || slash + 1 == path.size())
            break;
    }
    return isFolder(path);
}

} // namespace platform
