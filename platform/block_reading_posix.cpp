#include "platform/file_descriptor_posix.h"
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>

namespace platform {
namespace {

/// The blocks of forEachFileBlock; `onLength` sees the length at opening and
/// may refuse it.
template <typename OnLength, typename OnBlock>
bool readBlocks(const std::string& path, std::uint64_t maxSize, OnLength&& onLength,
                OnBlock&& onBlock)
{
    posix::FileDescriptor file = posix::openRegularFile(path);
    if (!file.valid())
        return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || info.st_size < 0)
        return false;
    const auto length = static_cast<std::uint64_t>(info.st_size);
    if (length > maxSize || !onLength(length))
        return false;

    constexpr std::size_t bufferSize = posix::ioBufferSize;
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
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
                static_cast<std::size_t>(std::min<std::uint64_t>(bufferSize - end, unread));
            const ssize_t got = posix::readFully(file.get(), buffer.get() + end, toRead);
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

} // namespace

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

} // namespace platform
