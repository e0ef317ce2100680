#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Names of the entries of `folder` matching `pattern` (with the wildcards *
/// and ?, letters compared without regard to case, as the client's own system
/// does), sorted by name without regard to case. Folders and links are listed
/// too, as a directory search lists them; opening them is what fails. Nothing
/// when the folder cannot be read through.
std::vector<std::string> findFiles(const std::string& folder, std::string_view pattern);

/// `folder` ending in "/", so that file names can be joined to it.
std::string withFinalSlash(std::string folder);

/// The folder part of a path, ending in "/"; the empty text for a bare name.
std::string folderOf(std::string_view path);

} // namespace platform
