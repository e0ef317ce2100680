#pragma once

#include <string>

namespace platform {

/// The folder that holds the running executable, ending in "/".
std::string executableFolder();

} // namespace platform
