#pragma once

#include "edonkey/program_files.h"
#include "fakedb/fake_database.h"
#include "platform/log_box.h"

#include <functional>
#include <string>

namespace edonkey {

struct ScanResult {
    bool foundPartFiles = false; // false: the folder could not be entered or holds none
    bool foundFake = false;
};

/// Checks every *.part.met in the client's temp folder, each read through the
/// working copy part.bck: writes the download's name as a log line and, for a
/// download the database lists, the lookup's "*** " line under it. Files that
/// cannot be read or are no part files are passed over without a line. The
/// temp folder is left as the current directory.
ScanResult scanTempFolder(const std::string& tempFolder, const ProgramFiles& files,
                          const fakedb::FakeDatabase& database, platform::LogBox& log,
                          const std::function<void()>& yield);

} // namespace edonkey
