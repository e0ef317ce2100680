#include "edonkey/temp_folder_scan.h"

#include "edonkey/edonkey2000_folder.h"
#include "platform/directory_search.h"

namespace edonkey {

ScanResult scanTempFolder(const std::string& tempFolder, const WorkingCopy& workingCopy,
                          const fakedb::FakeDatabase& database, PartFileReader reader,
                          DownloadObserver& observer, const std::stop_token& stop,
                          MissingRangesReader readMissing)
{
    ScanResult result;
    const std::string folder = platform::withFinalSlash(tempFolder);
    const auto names = platform::findFiles(folder, partFilePattern);
    if (names.empty())
        return result;
    result.foundPartFiles = true;

    for (const auto& name : names) {
        if (stop.stop_requested())
            break;
        const DownloadCheck check = checkDownload(folder + name, workingCopy, database, reader,
                                                  PartFileCheck::Scan, readMissing);
        if (check.status == DownloadStatus::Unreadable ||
            check.status == DownloadStatus::NotPartFile) {
            result.skipped.push_back({folder + name, check.reason});
            if (!result.copyFault)
                result.copyFault = check.copyFault;
            continue;
        }
        ++result.checked;
        observer.onDownload(check.info.name);
        if (check.status == DownloadStatus::Fake) {
            observer.onFake(check.hit);
            result.foundFake = true;
        }
        if (!check.look)
            continue;
        const auto& look = *check.look;
        result.notDownloaded += look.end == LookEnd::NotDownloaded;
        result.dataUnreadable += look.end == LookEnd::DataUnreadable;
        if (look.suspicion) {
            observer.onSuspect(*look.suspicion);
            ++result.suspects;
        }
    }
    return result;
}

} // namespace edonkey
