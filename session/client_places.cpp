#include "session/client_places.h"

#include "platform/windows_path.h"

namespace session {

ClientPlaces clientPlacesFor(const platform::Environment& environment)
{
    const std::string prefix = platform::winePrefixFrom(environment.winePrefix, environment.home);
    return {prefix.empty() ? std::nullopt : std::optional(prefix), environment.home.value_or("")};
}

} // namespace session
