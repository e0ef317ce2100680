#pragma once

#include "platform/environment.h"

#include <optional>
#include <string>

namespace session {

/// Where the user's clients may be, as the program's environment says: read
/// once by each program's main() and handed down.
struct ClientPlaces {
    /// The Wine prefix a Windows client runs in ($WINEPREFIX, else ~/.wine).
    std::optional<std::string> winePrefix;
    /// The user's home folder, which holds aMule's settings; empty when unknown.
    std::string home;
};

ClientPlaces clientPlacesFor(const platform::Environment& environment);

} // namespace session
