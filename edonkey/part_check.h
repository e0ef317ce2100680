#pragma once

#include "edonkey/program_files.h"
#include "fakedb/fake_database.h"
#include "platform/desktop.h"
#include "platform/log_box.h"

#include <string>

namespace edonkey {

enum class PartCheck {
    NotChecked, // cancelled, unreadable, or not a part file: the log is untouched
    Clean,
    Fake,
};

/// Checks one part file, read through the working copy part.bck, and replaces
/// the log with its name and "..." and, on the next line, "no fake !" or the
/// lookup's "*** " line.
PartCheck checkPartFile(const std::string& path, const ProgramFiles& files,
                        const fakedb::FakeDatabase& database, platform::LogBox& log,
                        const std::function<void()>& yield);

/// "&Check a .pref.met": lets the user pick a *.part.met, then checkPartFile.
PartCheck checkChosenPartFile(const ProgramFiles& files, const fakedb::FakeDatabase& database,
                              platform::Desktop& desktop, platform::LogBox& log);

} // namespace edonkey
