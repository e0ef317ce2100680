#include "edonkey/working_copy.h"

#include "platform/files.h"

namespace edonkey {

std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const std::string& workingCopy,
                                                  const std::function<void()>& yield)
{
    platform::deleteFile(workingCopy);
    // Checked before copying, so an oversized file is not even duplicated.
    const auto size = platform::fileSize(clientFile);
    if (size && *size > clientFileSizeLimit)
        return std::nullopt;
    if (!platform::copyFile(clientFile, workingCopy))
        return std::nullopt;
    auto bytes = platform::readFileInBlocks(workingCopy, yield, clientFileSizeLimit);
    platform::deleteFile(workingCopy);
    return bytes;
}

} // namespace edonkey
