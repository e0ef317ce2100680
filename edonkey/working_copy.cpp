#include "edonkey/working_copy.h"

#include "platform/file_lock.h"
#include "platform/files.h"

namespace edonkey {

std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy)
{
    std::optional<platform::FileLock> claim;
    if (!workingCopy.lockFile.empty())
        claim.emplace(workingCopy.lockFile, workingCopyLockByte);
    const std::string copy =
        !claim || claim->tryLock() ? workingCopy.path : platform::perProcessName(workingCopy.path);

    platform::deleteFile(copy);
    // Checked before copying, so an oversized file is not even duplicated.
    const auto size = platform::fileSize(clientFile);
    if (size && *size > clientFileSizeLimit)
        return std::nullopt;
    if (!platform::copyFile(clientFile, copy))
        return std::nullopt;
    auto bytes = platform::readFile(copy, clientFileSizeLimit);
    platform::deleteFile(copy);
    return bytes;
}

} // namespace edonkey
