#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace edonkey {

/// No file of the client is this large; anything bigger is treated as
/// unreadable instead of being read into memory.
inline constexpr std::uint64_t clientFileSizeLimit = 64ull * 1024 * 1024;

/// Reads a client file without ever opening it: the old working copy is
/// deleted, the file is copied over it, the copy is read in blocks (calling
/// `yield` after each) and deleted again. Nothing when the copy cannot be made
/// or read, or the file is larger than clientFileSizeLimit.
std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const std::string& workingCopy,
                                                  const std::function<void()>& yield);

} // namespace edonkey
