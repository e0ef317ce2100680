#include "platform/registry.h"
#include "platform/windows_path.h"
#include "platform/wine_registry.h"

namespace platform {

// The client runs under Wine here, so its protocol registration lives in the
// registry files of the Wine prefix.
Registry& systemRegistry()
{
    static WineRegistry registry(winePrefix());
    return registry;
}

} // namespace platform
