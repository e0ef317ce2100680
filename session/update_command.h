#pragma once

#include "platform/http_client.h"
#include "platform/log_box.h"
#include "session/folder_lock.h"
#include "session/program_files.h"
#include "session/program_state.h"
#include "update/database_update.h"

#include <cstdint>
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
///
/// With trusted keys (built in, or UpdatePublicKey=), a list is taken only by
/// its signature and serial ("FakesSerial"); a refusal is logged with its
/// reason and answered Failed.
UpdateAnswer updateDatabase(ProgramState& state, const ProgramFiles& files, std::string_view server,
                            platform::HttpClient& http, platform::LogBox& log,
                            const update::TransferTimes& times = {},
                            const LockWaiting& waiting = {});

/// The keys a list must be signed with: the built-in ones and UpdatePublicKey=;
/// none when lists are taken unsigned.
update::PublicKeys trustedKeys(const ProgramFiles& files);

/// The serial of the signed list last taken ("FakesSerial"), if any.
std::optional<std::uint64_t> storedSerial(const ProgramFiles& files);

/// The update server to ask: `given` (as brisquen-check update SERVER takes
/// it), else Setting.ini's UpdateServer, else the one the programs were built
/// with.
std::string chooseUpdateServer(const ProgramFiles& files, const std::optional<std::string>& given);

/// The message box text for an update that ended so, or the empty text.
std::string_view updateMessage(UpdateAnswer answer);

} // namespace session
