#pragma once

#include "platform/http_client.h"
#include "platform/log_box.h"
#include "session/program_files.h"
#include "session/program_state.h"
#include "update/database_update.h"

#include <optional>
#include <string>
#include <string_view>

namespace session {

enum class UpdateAnswer {
    JustUpdated, // an update already ran since the last check pass: nothing was fetched
    UpToDate,
    Updated,
    Failed,
    FolderBusy, // another process held the program folder for longer than the update would wait
};

/// Whether "&Get new Database" would be turned away now: an update ran since
/// the last check pass, or is running.
bool updateAlreadyRan(const ProgramState& state);

/// "&Get new Database" on the program's state: refuses to run twice between
/// two check passes, logs each step, and puts the new list in use and
/// remembers the server's entry count ("FakesNr") once it is saved. The caller
/// tells the user about JustUpdated and Failed.
UpdateAnswer updateDatabase(ProgramState& state, const ProgramFiles& files, std::string_view server,
                            platform::HttpClient& http, platform::LogBox& log);

/// The update server to ask: `given` (as brisquen-check update SERVER takes
/// it), else Setting.ini's UpdateServer, else the one the programs were built
/// with.
std::string chooseUpdateServer(const ProgramFiles& files, const std::optional<std::string>& given);

/// The message box text for an update that ended so, or the empty text.
std::string_view updateMessage(UpdateAnswer answer);

} // namespace session
