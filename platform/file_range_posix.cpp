#include "platform/file_descriptor_posix.h"
#include "platform/files.h"

namespace platform {

std::optional<std::string> readFileRange(const std::string& path, std::uint64_t offset,
                                         std::size_t length)
{
    const auto file = posix::openRegularFile(path);
    if (!file.valid())
        return std::nullopt;
    std::string bytes(length, '\0');
    if (!posix::readFullyAt(file.get(), bytes.data(), length, offset))
        return std::nullopt;
    return bytes;
}

} // namespace platform
