#include "platform/files.h"
#include "platform/sequential_file.h"

#include <new>

namespace platform {

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxSize,
                                    ReadFailure* failure)
{
    ReadFailure ignored{};
    ReadFailure& why = failure ? *failure : ignored;
    why = ReadFailure::Unreadable;
    SequentialFile file(path);
    if (file.error())
        return std::nullopt;
    // Told by its size when opened, before a byte is read.
    if (file.length() > maxSize || file.length() > SIZE_MAX / 2) {
        why = ReadFailure::TooLarge;
        return std::nullopt;
    }
    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(file.length()));
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

} // namespace platform
