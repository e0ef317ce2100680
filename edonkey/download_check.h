#pragma once

#include "edonkey/part_file.h"
#include "edonkey/working_copy.h"
#include "fakedb/fake_database.h"

#include <functional>
#include <string>

namespace edonkey {

/// Which size tag a check trusts. The temp-folder scan takes the first size tag
/// followed by the transferred-bytes or the file-type tag (else the last gap
/// end); the check of one chosen file prefers one followed by the
/// transferred-bytes tag.
enum class SizeRule {
    ScanRule,
    TransferredTagFirst,
};

enum class DownloadStatus {
    Unreadable,  // the file could not be copied or read
    NotPartFile, // its header is not the client's
    Clean,       // not in the list
    Fake,        // listed: `hit` holds the lookup's "*** " line
};

struct DownloadCheck {
    DownloadStatus status = DownloadStatus::Unreadable;
    PartFileInfo info;
    std::string hit;
};

/// Checks one download: reads its part file through the working copy, takes
/// hash, size and name from it and looks it up.
DownloadCheck checkDownload(const std::string& partFile, const WorkingCopy& workingCopy,
                            const fakedb::FakeDatabase& database, SizeRule sizeRule,
                            const std::function<void()>& yield);

} // namespace edonkey
