#include "edonkey/working_copy.h"

#include "platform/files.h"

namespace edonkey {

std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy,
                                                  const std::function<void()>& yield)
{
    std::optional<std::string> bytes;
    const auto section = [&] {
        platform::deleteFile(workingCopy.path);
        // Checked before copying, so an oversized file is not even duplicated.
        const auto size = platform::fileSize(clientFile);
        if (size && *size > clientFileSizeLimit)
            return;
        if (!platform::copyFile(clientFile, workingCopy.path))
            return;
        bytes = platform::readFileInBlocks(workingCopy.path, nullptr, clientFileSizeLimit);
        platform::deleteFile(workingCopy.path);
    };
    if (workingCopy.guard)
        workingCopy.guard(section);
    else
        section();
    // Never inside the guard: whatever the event loop opens meanwhile (a
    // message box) must not keep another process waiting.
    if (bytes && yield)
        yield();
    return bytes;
}

} // namespace edonkey
