#pragma once

#include "edonkey/client_discovery.h"
#include "edonkey/edonkey2000_folder.h"
#include "platform/desktop.h"
#include "platform/registry.h"
#include "session/client_places.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace session {

/// The file dialog's filter for one part file.
using edonkey::partFilePattern;

/// The file dialog's filter for a client's settings file: "pref.met",
/// "amule.conf" and "preferences.ini", matched without regard to case.
std::string settingsFilePattern();

/// The open-file dialog for `pattern` (settingsFilePattern() or "*.part.met"),
/// opening in the state's dialog folder; a chosen file's folder becomes the
/// dialog folder. The chosen path, or the empty text on cancel.
std::string chooseDonkeyFile(ProgramState& state, platform::Desktop& desktop,
                             std::string_view pattern);

/// Remembers the client folder of a settings file the user chose; false when
/// the program folder stayed busy.
bool storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath);

/// How finding the client to check ended.
enum class Located {
    Found,
    Cancelled,  // the user cancelled the dialog
    FolderBusy, // the program folder stayed busy while the client was remembered
};

struct LocatedClient {
    Located end = Located::Cancelled;
    edonkey::Client client; // when found
};

/// The client to check: from discovery, or else from the dialog after a
/// prompt; its folder is remembered as "PrefPath".
LocatedClient locatePrefMet(ProgramState& state, const ProgramFiles& files,
                            platform::Registry& registry, const ClientPlaces& places,
                            platform::Desktop& desktop);

/// The client a command was given (a settings file or a folder holding one),
/// or else the one locatePrefMet finds.
LocatedClient clientToCheck(const std::optional<std::string>& given, ProgramState& state,
                            const ProgramFiles& files, platform::Registry& registry,
                            const ClientPlaces& places, platform::Desktop& desktop);

/// The client of the stored folder ("PrefPath"), without looking further;
/// nothing when none is stored or it holds no settings file.
std::optional<edonkey::Client> storedClient(const ProgramFiles& files,
                                            const std::optional<std::string>& winePrefix);

} // namespace session
