#pragma once

#include "edonkey/content_look.h"
#include "edonkey/part_file.h"
#include "edonkey/part_file_gaps.h"
#include "edonkey/working_copy.h"
#include "fakedb/fake_lookup.h"

#include <optional>
#include <string>
#include <vector>

namespace edonkey {

/// Reads a part file's bytes by one client's rules, for one kind of check.
using PartFileReader = PartFileRead (*)(std::string_view bytes, PartFileCheck check);

/// Reads which ranges of a download are still missing from its part file's bytes.
using MissingRangesReader = std::optional<std::vector<ByteRange>> (*)(std::string_view bytes);

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
    /// The look at the download's first bytes, when the check was given a
    /// reader of the ranges still missing.
    std::optional<ContentLook> look;
};

/// Checks one download: reads its part file through the working copy, takes
/// hash, size and name from it by the client's rules and looks it up, the
/// size in decimal digits; with `readMissing`, also looks at the first bytes
/// in its data file once they have come.
DownloadCheck checkDownload(const std::string& partFile, const WorkingCopy& workingCopy,
                            const fakedb::FakeLookup& lookup, PartFileReader reader,
                            PartFileCheck check, MissingRangesReader readMissing = nullptr);

} // namespace edonkey
