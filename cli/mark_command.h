#pragma once

#include "session/program_files.h"

#include <string>
#include <string_view>

namespace cli {

/// What mark writes when the user gives no description.
inline constexpr std::string_view defaultMarkDescription = "marked by me";

/// Says on standard error that another process held the program folder for
/// the whole minute a script waits.
void tellFolderBusy(const session::ProgramFiles& files);

/// brisquen-check mark LINK|FILE [DESCRIPTION]: adds the link's or the
/// file's hash and size to myfakes.dat; the exit status.
int markCommand(const session::ProgramFiles& files, const std::string& what,
                std::string_view description);

/// brisquen-check unmark LINK|FILE|HASH: removes them, or every line of the
/// hash; the exit status.
int unmarkCommand(const session::ProgramFiles& files, const std::string& what);

} // namespace cli
