#pragma once

#include "edonkey/settings.h"
#include "platform/desktop.h"
#include "platform/registry.h"

#include <string>
#include <string_view>

namespace edonkey {

/// Title of the one file dialog, shown for part files too.
inline constexpr std::string_view chooseFileTitle =
    "Select the pref.met file in your donkey folder";

/// The prompt shown when no client folder is found.
inline constexpr std::string_view folderNotFoundMessage =
    "eDonkey Folder not found, please select the\r\npref.met in you eDonkey folder";

/// The client folder: the stored "PrefPath" if it names a folder, else the
/// folder of the client's ed2k protocol registration; the empty text when
/// neither works. The folder returned is made the current directory.
std::string findDonkeyFolder(const Settings& settings, platform::Registry& registry);

/// The open-file dialog for `pattern` ("pref.met" or "*.part.met"), opening in
/// the current directory. The chosen path, or the empty text on cancel.
std::string chooseDonkeyFile(platform::Desktop& desktop, std::string_view pattern);

/// The folder to store for a pref.met the user chose: the path up to the first
/// "pref.met" in any letter case, or the chosen file's folder when the name is
/// another.
std::string folderOfChosenPrefMet(std::string_view chosenPath);

/// The full path of the pref.met to read: from discovery, or else from the
/// dialog after a prompt. Stores the folder as "PrefPath". The empty text when
/// the user cancelled.
std::string locatePrefMet(const Settings& settings, platform::Registry& registry,
                          platform::Desktop& desktop);

/// "&Change ed2k Folder": lets the user pick a pref.met and stores its folder.
void changeDonkeyFolder(const Settings& settings, platform::Desktop& desktop);

} // namespace edonkey
