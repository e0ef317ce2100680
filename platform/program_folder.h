#pragma once

#include <string>

namespace platform {

/// The folder that holds the running executable, ending in "/".
std::string programFolder();

} // namespace platform
