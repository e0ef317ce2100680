#pragma once

#include "platform/file_lock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace edonkey {

/// No file of the client is this large; anything bigger is treated as
/// unreadable instead of being read into memory.
inline constexpr std::uint64_t clientFileSizeLimit = 64ull * 1024 * 1024;

/// Where client files are copied to be read. Processes sharing the path keep
/// out of each other's way through the guard, which runs each copy, read and
/// delete as one section.
struct WorkingCopy {
    std::string path;
    platform::SectionGuard guard = {};
};

/// Reads a client file without ever opening it: the old working copy is
/// deleted, the file is copied over it, the copy is read and deleted again,
/// all inside the guard; `yield` is called once afterwards, outside it.
/// Nothing when the copy cannot be made or read, or the file is larger than
/// clientFileSizeLimit.
std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy,
                                                  const std::function<void()>& yield);

} // namespace edonkey
