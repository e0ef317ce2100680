#pragma once

#include "edonkey/working_copy.h"
#include "platform/file_lock.h"
#include "session/program_files.h"

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

namespace session {

/// The byte of the lock file held while Setting.ini or fakes.dat is written.
inline constexpr std::uint32_t settingsLockByte = 0;

/// How long brisquen-check waits while another process holds the program
/// folder's lock, before it gives up.
inline constexpr std::chrono::seconds lockPatience{60};

/// How a process waits while another holds the program folder's lock.
struct LockWaiting {
    /// How long to wait before giving up; nothing: for as long as it takes.
    std::optional<std::chrono::milliseconds> patience = lockPatience;
    /// Ends the wait early, as when the window closes.
    std::stop_token stop = {};
};

/// Runs `section` while holding the program folder's lock, so that no other
/// process writes Setting.ini or fakes.dat meanwhile, waiting as `waiting`
/// says. False, and `section` not run, when another process held the lock
/// for longer than the patience, or the wait was stopped. Sections must be
/// short and never open a dialog.
[[nodiscard]] bool withFolderLock(const ProgramFiles& files, const std::function<void()>& section,
                                  const LockWaiting& waiting = {});

/// The same, for the domain's saving of fakes.dat.
platform::SectionGuard folderGuard(const ProgramFiles& files, const LockWaiting& waiting = {});

/// The working copy `copy` of the program folder, shared with other processes;
/// copies of it that processes which died left behind are removed first.
edonkey::WorkingCopy workingCopy(const ProgramFiles& files, const std::string& copy);

/// Deletes the working copies no process holds, those of a crash included;
/// for the program's end.
void removeWorkingCopies(const ProgramFiles& files);

} // namespace session
