#pragma once

#include "edonkey/client_discovery.h"
#include "platform/desktop.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace session {

/// The file dialog's filter for a client's settings file: "pref.met",
/// "amule.conf" and "preferences.ini", matched without regard to case.
std::string settingsFilePattern();

/// The open-file dialog for `pattern` (settingsFilePattern() or "*.part.met"),
/// opening in the state's dialog folder; a chosen file's folder becomes the
/// dialog folder. The chosen path, or the empty text on cancel.
std::string chooseDonkeyFile(ProgramState& state, platform::Desktop& desktop,
                             std::string_view pattern);

/// Remembers the client folder of a settings file the user chose.
void storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath);

/// The client to check: from discovery, or else from the dialog after a
/// prompt. Stores its folder as "PrefPath". Nothing when the user cancelled.
std::optional<edonkey::Client> locatePrefMet(ProgramState& state, const ProgramFiles& files,
                                             const edonkey::ClientSearch& search,
                                             platform::Desktop& desktop);

} // namespace session
