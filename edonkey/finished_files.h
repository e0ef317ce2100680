#pragma once

#include "edonkey/ed2k_hash.h"

#include <string>
#include <variant>
#include <vector>

namespace edonkey {

/// The regular files of `folder` (links followed), as full paths, sorted by
/// name without regard to case; folders and dangling links are left out.
std::vector<std::string> listFinishedFiles(const std::string& folder);

/// The ed2k link of the file at `path`, named by the last part of the path as
/// stored on disk, or why the file could not be hashed.
std::variant<std::string, HashError> finishedFileLink(const std::string& path,
                                                      const HashProgress& progress = {});

/// The last part of `path`, after its final "/".
std::string_view fileNameOf(std::string_view path);

} // namespace edonkey
