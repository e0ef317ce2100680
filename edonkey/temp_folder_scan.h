#pragma once

#include "edonkey/working_copy.h"
#include "fakedb/fake_database.h"

#include <functional>
#include <string>
#include <string_view>

namespace edonkey {

/// Hears of each download the scan checks, in the order checked.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;

    /// A part file was read: its download's name, as the client stored it.
    virtual void onDownload(std::string_view name) = 0;

    /// The download just named is listed: the lookup's "*** " line.
    virtual void onFake(std::string_view hit) = 0;
};

struct ScanResult {
    bool foundPartFiles = false; // false: the folder could not be read or holds none
    bool foundFake = false;
};

/// Checks every *.part.met in the client's temp folder, each read through the
/// working copy. Files that cannot be read or are no part files are passed
/// over unreported.
ScanResult scanTempFolder(const std::string& tempFolder, const WorkingCopy& workingCopy,
                          const fakedb::FakeDatabase& database, DownloadObserver& observer,
                          const std::function<void()>& yield);

} // namespace edonkey
