#include "edonkey/download_check.h"

namespace edonkey {

DownloadCheck checkDownload(const std::string& partFile, const WorkingCopy& workingCopy,
                            const fakedb::FakeLookup& lookup, PartFileReader reader,
                            PartFileCheck check, MissingRangesReader readMissing)
{
    DownloadCheck result;
    const auto bytes = readThroughWorkingCopy(partFile, workingCopy, &result.copyFault);
    if (!bytes) {
        if (result.copyFault)
            result.reason = "the working copy cannot be written";
        return result;
    }
    auto read = reader(*bytes, check);
    if (const auto* reason = std::get_if<std::string_view>(&read)) {
        result.status = DownloadStatus::NotPartFile;
        result.reason = *reason;
        return result;
    }
    result.info = std::move(std::get<PartFileInfo>(read));
    if (const auto missing = readMissing ? readMissing(*bytes) : std::nullopt)
        result.look =
            lookAtDownload(dataFileOf(partFile), result.info.name, result.info.size, *missing);
    result.hit = lookup.lookupFake(result.info.hash, std::to_string(result.info.size));
    result.status = result.hit.empty() ? DownloadStatus::Clean : DownloadStatus::Fake;
    return result;
}

} // namespace edonkey
