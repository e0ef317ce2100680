#pragma once

#include "edonkey/download_check.h"
#include "platform/log_box.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <optional>
#include <stop_token>
#include <string>

namespace session {

using edonkey::DownloadStatus;

/// Checks one part file, read by the rules of the client stored as
/// "PrefPath" (eDonkey2000's when none is), and, when it is one, replaces the
/// log with its name and "..." and, on the next line, "no fake !" or the
/// lookup's "*** " line. A file that cannot be read or is no part file
/// leaves the log untouched, as does a check stopped before it read the file.
/// Before any list is loaded, nothing is listed.
edonkey::DownloadCheck checkPartFile(const std::string& path, const ProgramState& state,
                                     const ProgramFiles& files,
                                     const std::optional<std::string>& winePrefix,
                                     platform::LogBox& log, const std::stop_token& stop = {});

} // namespace session
