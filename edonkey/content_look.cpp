#include "edonkey/content_look.h"

#include "platform/files.h"

#include <algorithm>

namespace edonkey {

std::string dataFileOf(const std::string& partFile)
{
    constexpr std::string_view partMet = ".part.met";
    const auto at = partFile.rfind(partMet);
    if (at != partFile.npos && partFile.find('/', at) == partFile.npos)
        return partFile.substr(0, at + partMet.size() - 4);
    return partFile;
}

ContentLook lookAtDownload(const std::string& dataFile, std::string_view name, std::uint64_t size,
                           const std::vector<ByteRange>& missing)
{
    const ByteRange start{0, std::min<std::uint64_t>(size, firstBytesLength)};
    if (!isDownloaded(missing, start))
        return {LookEnd::NotDownloaded, std::nullopt};
    const auto bytes = platform::readFileRange(dataFile, start.begin, start.end - start.begin);
    if (!bytes)
        return {LookEnd::DataUnreadable, std::nullopt};

    std::optional<std::string> discHeader;
    const auto disc = discHeaderRange;
    if (size >= disc.end && isDownloaded(missing, disc))
        discHeader = platform::readFileRange(dataFile, disc.begin, disc.end - disc.begin);
    const FirstBytes first{*bytes, discHeader ? std::optional<std::string_view>(*discHeader)
                                              : std::nullopt};
    return {LookEnd::Looked, suspicionOf(name, first)};
}

ContentLook lookAtFinishedFile(const std::string& path, std::string_view name)
{
    const auto size = platform::fileSize(path);
    if (!size)
        return {LookEnd::DataUnreadable, std::nullopt};
    return lookAtDownload(path, name, *size, {});
}

} // namespace edonkey
