#include "platform/file_descriptor_posix.h"
#include "platform/files.h"

#include <algorithm>
#include <memory>
#include <new>
#include <sys/stat.h>

namespace platform {
namespace {

// The open file and its length at opening, when it may be read at all.
struct OpenedFile {
    posix::FileDescriptor file;
    std::uint64_t length = 0;
};

std::optional<OpenedFile> openForReading(const std::string& path, std::uint64_t maxSize)
{
    OpenedFile opened{posix::openRegularFile(path)};
    struct stat info {};
    if (!opened.file.valid() || ::fstat(opened.file.get(), &info) != 0 || info.st_size < 0)
        return std::nullopt;
    opened.length = static_cast<std::uint64_t>(info.st_size);
    if (opened.length > maxSize)
        return std::nullopt;
    return opened;
}

} // namespace

bool forEachFileBlock(const std::string& path,
                      const std::function<void(std::string_view block)>& onBlock,
                      std::uint64_t maxSize, const std::stop_token& stop)
{
    auto opened = openForReading(path, maxSize);
    if (!opened)
        return false;
    const auto bufferSize =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(opened->length, 1, readBlockSize));
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    if (!buffer)
        return false;
    for (std::uint64_t remaining = opened->length; remaining > 0;) {
        if (stop.stop_requested())
            return false;
        const auto wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(bufferSize, remaining));
        const ssize_t got = posix::readFully(opened->file.get(), buffer.get(), wanted);
        if (got < 0)
            return false;
        if (got > 0 && onBlock)
            onBlock(std::string_view(buffer.get(), static_cast<std::size_t>(got)));
        // A file cut short while being read ends with what it still had.
        if (static_cast<std::size_t>(got) < wanted)
            break;
        remaining -= wanted;
    }
    return true;
}

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxSize,
                                    ReadFailure* failure)
{
    if (failure)
        *failure = ReadFailure::Unreadable;
    auto opened = openForReading(path, maxSize);
    if (!opened)
        return std::nullopt;
    std::string bytes;
    try {
        if (opened->length > bytes.max_size())
            throw std::bad_alloc();
        bytes.resize(static_cast<std::size_t>(opened->length));
    } catch (const std::bad_alloc&) {
        if (failure)
            *failure = ReadFailure::TooLarge;
        return std::nullopt;
    }
    const ssize_t got = posix::readFully(opened->file.get(), bytes.data(), bytes.size());
    if (got < 0)
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

} // namespace platform
