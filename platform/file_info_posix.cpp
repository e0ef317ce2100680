#include "platform/files.h"

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

} // namespace platform
