#include "platform/environment.h"
#include "platform/executable_folder.h"

#include <cstdlib>

namespace platform {
namespace {

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

Environment readEnvironment()
{
    return {variable("HOME"),          variable("XDG_CONFIG_HOME"), variable("XDG_DATA_HOME"),
            variable("XDG_DATA_DIRS"), variable("WINEPREFIX"),      executableFolder()};
}

} // namespace platform
