#include "edonkey/temp_folder_scan.h"

#include "edonkey/edonkey2000_folder.h"
#include "platform/directory_search.h"

namespace edonkey {

ScanResult scanTempFolder(const std::string& tempFolder, const WorkingCopy& workingCopy,
                          const fakedb::FakeDatabase& database, PartFileReader reader,
                          DownloadObserver& observer, const std::stop_token& stop)
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
        const DownloadCheck check =
            checkDownload(folder + name, workingCopy, database, reader, PartFileCheck::Scan);
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
    }
    return result;
}

} // namespace edonkey
