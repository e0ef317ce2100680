#include "platform/files.h"
#include "platform/sequential_file.h"

#include <algorithm>
#include <new>

namespace platform {
namespace {

// A slice is read in about a millisecond from the page cache, so a stop is
// seen at once, and costs one call per 4 MiB.
constexpr std::size_t readSlice = std::size_t{4} << 20;

// Opens `path` and, once it is known to be a readable file of at most
// `maxSize` bytes (told by its size when opened, before a byte is read),
// returns what `read` makes of it and its length; nothing otherwise. The
// reason for nothing is in `*failure`, when given.
template <typename Read>
auto readOpened(const std::string& path, std::uint64_t maxSize, ReadFailure* failure, Read read)
{
    ReadFailure ignored{};
    ReadFailure& why = failure ? *failure : ignored;
    why = ReadFailure::Unreadable;
    SequentialFile file(path);
    decltype(read(file, std::size_t{}, why)) none;
    if (file.error())
        return none;
    if (file.length() > maxSize || file.length() > SIZE_MAX / 2) {
        why = ReadFailure::TooLarge;
        return none;
    }
    return read(file, static_cast<std::size_t>(file.length()), why);
}

} // namespace

std::optional<std::string> readFile(const std::string& path, std::uint64_t maxSize,
                                    ReadFailure* failure)
{
    return readOpened(path, maxSize, failure,
                      [](SequentialFile& file, std::size_t length,
                         ReadFailure& why) -> std::optional<std::string> {
                          std::string bytes;
                          try {
                              bytes.resize(length);
                          } catch (const std::bad_alloc&) {
                              why = ReadFailure::TooLarge;
                              return std::nullopt;
                          }
                          // Bytes the file gains once opened are not read; one
                          // cut short meanwhile ends with what it still had.
                          const auto got = file.read(bytes.data(), bytes.size());
                          if (!got)
                              return std::nullopt;
                          bytes.resize(*got);
                          return bytes;
                      });
}

std::optional<FileInBlock> readFileInBlock(const std::string& path, std::uint64_t maxSize,
                                           ReadFailure* failure, const std::stop_token& stop)
{
    return readOpened(path, maxSize, failure,
                      [&stop](SequentialFile& file, std::size_t length,
                              ReadFailure& why) -> std::optional<FileInBlock> {
                          FileInBlock read{LargeBlock(length), 0};
                          if (!read.block.data()) {
                              why = ReadFailure::TooLarge;
                              return std::nullopt;
                          }
                          // As readFile: what the file holds of its first `length` bytes.
                          while (read.length < length) {
                              if (stop.stop_requested()) {
                                  why = ReadFailure::Stopped;
                                  return std::nullopt;
                              }
                              const auto got = file.read(read.block.data() + read.length,
                                                         std::min(readSlice, length - read.length));
                              if (!got)
                                  return std::nullopt;
                              if (*got == 0)
                                  break;
                              read.length += *got;
                          }
                          return read;
                      });
}

} // namespace platform
