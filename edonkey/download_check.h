#pragma once

#include "edonkey/part_file.h"
#include "edonkey/working_copy.h"
#include "fakedb/fake_database.h"

#include <optional>
#include <string>

namespace edonkey {

/// Reads a part file's bytes by one client's rules, for one kind of check.
using PartFileReader = PartFileRead (*)(std::string_view bytes, PartFileCheck check);

enum class DownloadStatus {
    Unreadable,  // the file could not be copied or read
    NotPartFile, // its bytes are no part file of the client's: `reason` says why
    Clean,       // not in the list
    Fake,        // listed: `hit` holds the lookup's "*** " line
};

struct DownloadCheck {
    DownloadStatus status = DownloadStatus::Unreadable;
    PartFileInfo info;
    std::string hit;
    std::string_view reason = "cannot be read"; // why a file is no download
    std::optional<CopyFault> copyFault;         // the working copy could not be written
};

/// Checks one download: reads its part file through the working copy, takes
/// hash, size and name from it by the client's rules and looks it up, the
/// size in decimal digits.
DownloadCheck checkDownload(const std::string& partFile, const WorkingCopy& workingCopy,
                            const fakedb::FakeDatabase& database, PartFileReader reader,
                            PartFileCheck check);

} // namespace edonkey
