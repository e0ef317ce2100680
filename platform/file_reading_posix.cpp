#include "platform/files.h"
#include "platform/sequential_file.h"

#include <algorithm>
#include <new>

namespace platform {
namespace {

// A slice is read in about a millisecond from the page cache, so a stop is
// seen at once, and costs one call per 4 MiB.
constexpr std::size_t readSlice = std::size_t{4} << 20;

// The file's length when opened, once it is known to be readable and at most
// `maxSize`; nothing otherwise, with the reason in `*failure`.
std::optional<std::size_t> readableLength(const SequentialFile& file, std::uint64_t maxSize,
                                          ReadFailure* failure)
{
    if (file.error())
        return std::nullopt;
    // Told by the size the file has when opened, before a byte is read.
    if (file.length() > maxSize || file.length() > SIZE_MAX / 2) {
        *failure = ReadFailure::TooLarge;
        return std::nullopt;
    }
    return static_cast<std::size_t>(file.length());
}

} // namespace

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxSize,
                                    ReadFailure* failure)
{
    ReadFailure ignored{};
    ReadFailure& why = failure ? *failure : ignored;
    why = ReadFailure::Unreadable;
    SequentialFile file(path);
    const auto length = readableLength(file, maxSize, &why);
    if (!length)
        return std::nullopt;
    std::string bytes;
    try {
        bytes.resize(*length);
    } catch (const std::bad_alloc&) {
        why = ReadFailure::TooLarge;
        return std::nullopt;
    }
    // Bytes the file gains once opened are not read; one cut short meanwhile
    // ends with what it still had.
    const auto got = file.read(bytes.data(), bytes.size());
    if (!got)
        return std::nullopt;
    bytes.resize(*got);
    return bytes;
}

std::optional<FileInBlock> readFileInBlock(const std::string& path, std::uint64_t maxSize,
                                           ReadFailure* failure, const std::stop_token& stop)
{
    ReadFailure ignored{};
    ReadFailure& why = failure ? *failure : ignored;
    why = ReadFailure::Unreadable;
    SequentialFile file(path);
    const auto length = readableLength(file, maxSize, &why);
    if (!length)
        return std::nullopt;
    FileInBlock read{LargeBlock(*length), 0};
    if (!read.block.data()) {
        why = ReadFailure::TooLarge;
        return std::nullopt;
    }
    // As readFile: what the file holds of its first `length` bytes.
    while (read.length < *length) {
        if (stop.stop_requested()) {
            why = ReadFailure::Stopped;
            return std::nullopt;
        }
        const auto got =
            file.read(read.block.data() + read.length, std::min(readSlice, *length - read.length));
        if (!got)
            return std::nullopt;
        if (*got == 0)
            break;
        read.length += *got;
    }
    return read;
}

} // namespace platform
