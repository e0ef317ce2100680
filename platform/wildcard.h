#pragma once

#include <string_view>

namespace platform {

/// Whether `name` matches `pattern`, with the wildcards * and ? and letters
/// compared without regard to case, as the client's system matches file names.
bool matchesWildcard(std::string_view pattern, std::string_view name);

} // namespace platform
