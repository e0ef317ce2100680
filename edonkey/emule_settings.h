#pragma once

#include "edonkey/client_settings.h"
#include "fakedb/fake_lookup.h"
#include "platform/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// eMule's folders, from the preferences.ini at `path`: "[eMule] TempDir" and
/// the further temp folders of "TempDirs" (separated by '|'), each trimmed,
/// empty ones and repeats (in any letter case, with or without a final '\')
/// dropped; "IncomingDir"; and the "Incoming" folder of each category
/// "[Cat#1]" ... up to "[General] Count" of Category.ini beside it. Values are
/// cut at 255 UTF-16 units, as eMule reads them, and turned into UTF-8: an
/// ANSI file's as Windows-1252. Nothing when preferences.ini cannot be read.
std::optional<ClientSettings> emuleSettings(const std::string& path, const ClientFileReader& read);

/// The downloads rated "Invalid / Corrupt / Fake" (Rate=1) in fileinfo.ini
/// beside the preferences.ini at `path`, where eMule keeps a section per rated
/// file, named by its hash.
fakedb::RatedFakes emuleRatedFakes(const std::string& path, const ClientFileReader& read);

/// Whether an ed2k protocol command runs eMule ("emule.exe", any letter case).
bool namesEmule(std::string_view command);

/// The Windows folder of the eMule an ed2k protocol command starts: the
/// program path before "emule.exe", without its opening quote.
std::string emuleProgramFolder(std::string_view command);

/// Where eMule keeps its settings in the Wine prefix `prefix`, for the eMule
/// whose program folder Windows names `programFolder`: the Linux path of the
/// settings file config/preferences.ini, chosen as eMule chooses it by the
/// user's "UsePublicUserDirectories" (0: the user's local application data,
/// 1: the one of all users, 2: the program folder; without it, the first of
/// these that holds the file). The application-data folders come from the
/// prefix's own registry, else from the user folders of Wine's layouts.
/// Nothing when the chosen folder holds no settings file.
std::optional<std::string> findEmuleSettings(std::string_view programFolder,
                                             platform::Registry& registry,
                                             const std::string& prefix);

} // namespace edonkey
