#pragma once

#include "edonkey/file_type.h"

#include <cstddef>
#include <string>

namespace session {

/// The line under a suspect, without its line end: "*** Suspect - named as a
/// video (.avi), but its first bytes are a Windows program".
std::string suspectLine(const edonkey::Suspicion& suspicion);

/// The count before a pass's closing line, without its line end: "*** 1
/// suspect download", "*** 2 suspect downloads".
std::string suspectCountLine(std::size_t suspects);

} // namespace session
