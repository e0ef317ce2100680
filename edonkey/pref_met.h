#pragma once

#include "edonkey/program_files.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// The temp folder stored in the bytes of a client pref.met, exactly as
/// stored; nothing when the file holds no "temp" or ends right after it.
std::optional<std::string> findTempFolder(std::string_view prefMet);

/// Reads the client's pref.met through the working copy pref.bck and returns
/// its temp folder; nothing when the file cannot be read or holds none.
std::optional<std::string> extractTempFolder(const std::string& prefMetPath,
                                             const ProgramFiles& files,
                                             const std::function<void()>& yield);

} // namespace edonkey
