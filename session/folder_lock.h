#pragma once

#include "edonkey/working_copy.h"
#include "platform/file_lock.h"
#include "session/program_files.h"

#include <functional>

namespace session {

/// The byte of the lock file held while Setting.ini or fakes.dat is written.
inline constexpr std::uint32_t settingsLockByte = 0;

/// Runs `section` while holding the program folder's lock, so that no other
/// process writes Setting.ini or fakes.dat meanwhile, waiting as
/// `files.lockWaiting` says. False, and `section` not run, when another
/// process held the lock for longer than the patience, or the wait was
/// stopped. Sections must be short and never open a dialog.
[[nodiscard]] bool withFolderLock(const ProgramFiles& files, const std::function<void()>& section);

/// The same, for the domain's saving of fakes.dat.
platform::SectionGuard folderGuard(const ProgramFiles& files);

/// The working copy `copy` of the program folder, shared with other processes;
/// copies of it that processes which died left behind are removed first.
edonkey::WorkingCopy workingCopy(const ProgramFiles& files, const std::string& copy);

/// Deletes the working copies no process holds, those of a crash included;
/// for the program's end.
void removeWorkingCopies(const ProgramFiles& files);

} // namespace session
