#include "platform/file_descriptor_posix.h"
#include "platform/files.h"

#include <cerrno>
#include <unistd.h>

namespace platform {

std::optional<std::string> readFileRange(const std::string& path, std::uint64_t offset,
                                         std::size_t length)
{
    const auto file = posix::openRegularFile(path);
    if (!file.valid())
        return std::nullopt;
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const auto at = offset + done;
        if (at > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        const ssize_t got =
            ::pread(file.get(), bytes.data() + done, length - done, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

} // namespace platform
