#pragma once

#include "edonkey/client_settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// The value of the string tag `name` ("temp", "incoming") in the bytes of a
/// client pref.met, exactly as stored; nothing when the file holds no `name`
/// or ends right after it.
std::optional<std::string> findStringTag(std::string_view prefMet, std::string_view name);

/// The temp folder stored in the bytes of a client pref.met, exactly as
/// stored; nothing when the file holds no "temp" or ends right after it.
std::optional<std::string> findTempFolder(std::string_view prefMet);

/// eDonkey2000's folders: the string tags "temp" and "incoming" of the
/// pref.met at `path`, exactly as stored (an empty one too); nothing when the
/// file cannot be read.
std::optional<ClientSettings> prefMetSettings(const std::string& path,
                                              const ClientFileReader& read);

/// Where a folder the client stores (its temp or incoming folder) lies here,
/// ending in "/": resolved against the client folder when it is relative, and
/// a Windows path looked for through the Wine prefix `winePrefix` or, for a
/// client on a mounted Windows partition, beside the client folder.
std::string resolveClientFolder(std::string_view stored, std::string_view clientFolder,
                                const std::optional<std::string>& winePrefix);

} // namespace edonkey
