#pragma once

#include "edonkey/client_discovery.h"
#include "edonkey/edonkey2000_folder.h"
#include "platform/registry.h"
#include "session/client_places.h"
#include "session/file_question.h"
#include "session/folder_lock.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace session {

/// The file dialog's filter for one part file.
using edonkey::partFilePattern;

/// The file dialog's filter for a client's settings file: "pref.met",
/// "amule.conf" and "preferences.ini", matched without regard to case.
std::string settingsFilePattern();

/// The open-file dialog for `pattern` (settingsFilePattern() or "*.part.met"),
/// opening in the state's dialog folder, after the message box `message`
/// when there is one.
FileQuestion donkeyFileQuestion(const ProgramState& state, std::string_view pattern,
                                std::string_view message = {});

/// What the user chose in that dialog: its folder becomes the dialog folder.
/// The chosen path, or the empty text on cancel, as given.
const std::string& rememberChosen(ProgramState& state, const std::string& chosen);

/// Remembers the client folder of a settings file the user chose; false when
/// the program folder stayed busy.
bool storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath,
                        const LockWaiting& waiting = {});

/// How finding the client to check ended.
enum class Located {
    Found,
    AsksUser,   // discovery found none: the user must choose the settings file
    Cancelled,  // the user cancelled the dialog, or the search was stopped
    FolderBusy, // the program folder stayed busy while the client was remembered
};

struct LocatedClient {
    Located end = Located::Cancelled;
    edonkey::Client client;               // when found
    std::optional<FileQuestion> question; // when the user must choose
};

/// The client to check: from discovery, remembered as "PrefPath"; else the
/// question that has the user choose its settings file (see clientOfChosen).
LocatedClient locatePrefMet(ProgramState& state, const ProgramFiles& files,
                            platform::Registry& registry, const ClientPlaces& places,
                            const LockWaiting& waiting = {}, const std::stop_token& stop = {});

/// The client of the settings file the user chose after locatePrefMet's
/// question, remembered as "PrefPath"; Cancelled for the empty text.
LocatedClient clientOfChosen(ProgramState& state, const ProgramFiles& files,
                             const std::string& chosen, const LockWaiting& waiting = {});

/// The client a command was given (a settings file or a folder holding one),
/// or else the one locatePrefMet finds.
LocatedClient clientToCheck(const std::optional<std::string>& given, ProgramState& state,
                            const ProgramFiles& files, platform::Registry& registry,
                            const ClientPlaces& places, const LockWaiting& waiting = {},
                            const std::stop_token& stop = {});

/// The client of the stored folder ("PrefPath"), without looking further;
/// nothing when none is stored or it holds no settings file.
std::optional<edonkey::Client> storedClient(const ProgramFiles& files,
                                            const std::optional<std::string>& winePrefix);

} // namespace session
