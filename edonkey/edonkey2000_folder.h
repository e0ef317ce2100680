#pragma once

#include "platform/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// The client's settings file, the one the program reads its temp folder from.
inline constexpr std::string_view prefMetName = "pref.met";

/// The client's record of an unfinished download, one per download.
inline constexpr std::string_view partFilePattern = "*.part.met";

/// The folder `storedFolder` (the folder the program remembered) names, if it
/// names one: the folder as it stands, else the Linux folder a Windows path
/// names in the Wine prefix `winePrefix`; the empty text otherwise.
std::string storedClientFolder(const std::string& storedFolder,
                               const std::optional<std::string>& winePrefix);

/// The folder of the client registered for ed2k links, as eDonkey2000's
/// registration gives it (its DefaultIcon, else its open command), looked for
/// through the Wine prefix; the empty text when neither names a folder.
std::string registeredDonkeyFolder(platform::Registry& registry,
                                   const std::optional<std::string>& winePrefix);

/// The client folder: `storedFolder` (the folder the program remembered) if it
/// names a folder, else the folder of the client's ed2k protocol registration;
/// the empty text when neither works. Windows paths (a folder stored on
/// Windows, the registry's) are looked for through the Wine prefix
/// `winePrefix`, and the Linux folder found is returned.
std::string findDonkeyFolder(const std::string& storedFolder, platform::Registry& registry,
                             const std::optional<std::string>& winePrefix = std::nullopt);

/// The folder to store for a pref.met the user chose: the path up to the first
/// "pref.met" in any letter case, or the chosen file's folder when the name is
/// another.
std::string folderOfChosenPrefMet(std::string_view chosenPath);

} // namespace edonkey
