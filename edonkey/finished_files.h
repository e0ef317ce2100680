#pragma once

#include "edonkey/ed2k_hash.h"
#include "edonkey/working_copy.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace edonkey {

/// The client's incoming folder, where it moves a download once complete: the
/// string tag "incoming" of the pref.met at `prefMetPath`, read through the
/// working copy and resolved as the temp folder is, ending in "/". Nothing
/// when the file cannot be read or holds no such tag.
std::optional<std::string>
extractIncomingFolder(const std::string& prefMetPath, const WorkingCopy& workingCopy,
                      const std::function<void()>& yield,
                      const std::optional<std::string>& winePrefix = std::nullopt);

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
