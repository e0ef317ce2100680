#include "edonkey/download_check.h"

#include "edonkey/working_copy.h"

namespace edonkey {

DownloadCheck checkDownload(const std::string& partFile, const WorkingCopy& workingCopy,
                            const fakedb::FakeDatabase& database, SizeRule sizeRule,
                            const std::function<void()>& yield)
{
    DownloadCheck check;
    const auto bytes = readThroughWorkingCopy(partFile, workingCopy, yield);
    if (!bytes)
        return check;
    auto info = parsePartFile(*bytes);
    if (!info) {
        check.status = DownloadStatus::NotPartFile;
        return check;
    }
    // Without a size tag followed by the transferred-bytes tag the size is the
    // one the scan takes, so both checks agree on every such file.
    if (sizeRule == SizeRule::TransferredTagFirst) {
        if (const auto size = findSizeBeforeTransferredTag(*bytes))
            info->size = *size;
    }
    check.info = std::move(*info);
    check.hit = database.lookupFake(check.info.hash, std::to_string(check.info.size));
    check.status = check.hit.empty() ? DownloadStatus::Clean : DownloadStatus::Fake;
    return check;
}

} // namespace edonkey
