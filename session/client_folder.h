#pragma once

#include "platform/desktop.h"
#include "platform/registry.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <string>
#include <string_view>

namespace session {

/// The open-file dialog for `pattern` ("pref.met" or "*.part.met"), opening in
/// the state's dialog folder; a chosen file's folder becomes the dialog folder.
/// The chosen path, or the empty text on cancel.
std::string chooseDonkeyFile(ProgramState& state, platform::Desktop& desktop,
                             std::string_view pattern);

/// Remembers the client folder of a pref.met the user chose.
void storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath);

/// The full path of the pref.met to read: from discovery, or else from the
/// dialog after a prompt. Stores the folder as "PrefPath". The empty text when
/// the user cancelled.
std::string locatePrefMet(ProgramState& state, const ProgramFiles& files,
                          platform::Registry& registry, platform::Desktop& desktop,
                          const std::optional<std::string>& winePrefix);

} // namespace session
