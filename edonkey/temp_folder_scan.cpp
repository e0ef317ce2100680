#include "edonkey/temp_folder_scan.h"

#include "edonkey/edonkey2000_folder.h"
#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/files.h"

#include <algorithm>

namespace edonkey {
namespace {

constexpr std::string_view backupSuffix = ".bak";
constexpr std::string_view metSuffix = ".met";

// NNN.part for NNN.part.met.
std::string dataFileOf(std::string_view partFile)
{
    return std::string(partFile.substr(0, partFile.size() - metSuffix.size()));
}

bool holdsDataFile(const std::string& partFile)
{
    return platform::fileModifiedTime(dataFileOf(partFile)).has_value();
}

bool isDownload(const DownloadCheck& check)
{
    return check.status == DownloadStatus::Clean || check.status == DownloadStatus::Fake;
}

} // namespace

ScanResult scanTempFolder(const std::string& tempFolder, const WorkingCopy& workingCopy,
                          const fakedb::FakeLookup& lookup, PartFileReader reader,
                          DownloadObserver& observer, const std::stop_token& stop,
                          BackupCopies backups, MissingRangesReader readMissing)
{
    ScanResult result;
    const std::string folder = platform::withFinalSlash(tempFolder);
    auto names = platform::findFiles(folder, partFilePattern);
    if (backups == BackupCopies::Read) {
        // A .bak whose part file is gone stands for it, under the part file's name.
        for (const auto& backup : platform::findFiles(folder, std::string(partFilePattern) +
                                                                  std::string(backupSuffix))) {
            std::string partFile = backup.substr(0, backup.size() - backupSuffix.size());
            if (!platform::fileModifiedTime(folder + partFile) && holdsDataFile(folder + partFile))
                names.push_back(std::move(partFile));
        }
        // In the directory search's order, as if the part files were there.
        std::stable_sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
            return platform::lowerAscii(a) < platform::lowerAscii(b);
        });
    }
    if (names.empty())
        return result;
    result.foundPartFiles = true;

    for (const auto& name : names) {
        if (stop.stop_requested())
            break;
        const std::string path = folder + name;
        const auto check = [&](const std::string& file) {
            return checkDownload(file, workingCopy, lookup, reader, PartFileCheck::Scan,
                                 readMissing);
        };
        DownloadCheck download = check(path);
        if (backups == BackupCopies::Read && !isDownload(download) && holdsDataFile(path)) {
            if (auto again = check(path); isDownload(again))
                download = std::move(again);
            else if (auto backup = check(path + std::string(backupSuffix)); isDownload(backup))
                download = std::move(backup);
        }
        if (!isDownload(download)) {
            result.skipped.push_back({path, download.reason});
            if (!result.copyFault)
                result.copyFault = download.copyFault;
            continue;
        }
        ++result.checked;
        observer.onDownload(download.info.name);
        if (download.status == DownloadStatus::Fake) {
            observer.onFake(download.hit);
            result.foundFake = true;
        }
        if (!download.look)
            continue;
        const auto& look = *download.look;
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
