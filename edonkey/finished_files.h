#pragma once

#include "edonkey/ed2k_hash.h"
#include "edonkey/known_met.h"

#include <optional>
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

/// The ed2k link of the file at `path` as the client's known.met records it,
/// without reading the file: its name, size and modification time must agree
/// with a record. Nothing when no record does.
std::optional<std::string> knownFileLink(const std::string& path, const KnownFiles& known);

/// The last part of `path`, after its final "/".
std::string_view fileNameOf(std::string_view path);

} // namespace edonkey
