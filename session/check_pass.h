#pragma once

#include "edonkey/client_kind.h"
#include "edonkey/temp_folder_scan.h"
#include "platform/desktop.h"
#include "platform/log_box.h"
#include "platform/registry.h"
#include "session/client_folders.h"
#include "session/client_places.h"
#include "session/database.h"
#include "session/file_question.h"
#include "session/folder_lock.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace session {

/// The outside world of a check pass.
struct PassServices {
    const ProgramFiles& files;
    platform::Registry& registry;
    platform::LogBox& log;
    const ClientPlaces& places;
    /// Without a usable fakes.dat, check the downloads against the user's own
    /// list and the client's ratings instead of ending, with the message that
    /// there is none in the log (brisquen-check does; the window ends with its
    /// message).
    bool checkWithoutList = false;
    /// How the pass waits while another process holds the program folder.
    LockWaiting lockWaiting = {};
    /// How the list is read: the window reads it in turn with the indexing,
    /// so that on two cores its own thread never waits for one.
    fakedb::ListReading listReading = fakedb::ListReading::Ahead;
};

/// How a check pass ended.
enum class PassEnd {
    Clean,           // every download checked, none is a fake
    FakesFound,      // every download checked, at least one is a fake
    NothingToCheck,  // the temp folders hold no part file, or cannot be read
    NothingReadable, // part files there, but not one could be read
    Cancelled,  // the user cancelled the dialog that chooses the client, or the pass was stopped
    FolderBusy, // another process held the program folder for longer than the pass would wait
    TempFolderError, // the settings unreadable or without a temp folder; `message` tells the user
    DatabaseMissing, // fakes.dat missing or unusable; `message` tells the user, the program must
                     // end
    AsksUser,        // discovery found no client: `question` has the user choose its settings file
    Failed,          // the pass could not finish; the window told the user why
};

/// A temp folder the pass searched.
struct SearchedFolder {
    ClientFolder folder;
    bool entered = false; // false: it is no folder the program can enter
};

struct PassResult {
    PassEnd end = PassEnd::Cancelled;
    edonkey::ClientKind kind = edonkey::ClientKind::eDonkey2000;
    std::vector<SearchedFolder> tempFolders; // once the settings named them
    std::size_t checked = 0;                 // part files read and looked up
    std::vector<edonkey::SkippedFile> skipped;
    std::optional<edonkey::CopyFault> copyFault; // a working copy that could not be written
    ListLoad listLoad; // how the list's load ended; when it failed and the pass
                       // checked without it, `end` says how the check ended
    // The downloads' first bytes: suspects found, and downloads not looked at
    // yet because the bytes have not come or their data file cannot be read.
    std::size_t suspects = 0;
    std::size_t notDownloaded = 0;
    std::size_t dataUnreadable = 0;
    /// The message box to show once the pass has ended; empty: none.
    std::string message;
    /// What the user must answer before the rest of the pass runs (see resumePass).
    std::optional<FileQuestion> question;
};

/// "cannot write the working copy PATH: REASON", escaped for display.
std::string copyFaultText(const edonkey::CopyFault& fault);

/// The program's main job: loads fakes.dat, finds the client (or uses the
/// settings file or folder `given`), reads its temp folders and checks every
/// download there, reporting in the log box. `stop` ends it early. It asks
/// the user nothing itself: when discovery finds no client it ends AsksUser,
/// and resumePass runs the rest with the user's answer.
PassResult checkPass(ProgramState& state, const PassServices& services,
                     const std::optional<std::string>& given, const std::stop_token& stop);

/// The rest of a pass that ended AsksUser, once the user chose the settings
/// file `chosen` (the empty text when they cancelled).
PassResult resumePass(ProgramState& state, const PassServices& services, PassResult asked,
                      const std::string& chosen, const std::stop_token& stop);

/// A whole pass, its question asked on `desktop`, its message shown there.
PassResult checkPassAsking(ProgramState& state, const PassServices& services,
                           const std::optional<std::string>& given, platform::Desktop& desktop,
                           const std::stop_token& stop = {});

} // namespace session
