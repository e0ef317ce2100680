#include "session/folder_lock.h"

#include "platform/files.h"

#include <thread>

namespace session {

bool withFolderLock(const ProgramFiles& files, const std::function<void()>& section,
                    const LockWaiting& waiting)
{
    makeFolderFor(files, files.lockFile());
    platform::FileLock lock(files.lockFile(), settingsLockByte);
    const auto start = std::chrono::steady_clock::now();
    while (!lock.tryLock()) {
        if (waiting.stop.stop_requested() ||
            (waiting.patience && std::chrono::steady_clock::now() - start >= *waiting.patience))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    section();
    return true;
}

platform::SectionGuard folderGuard(const ProgramFiles& files, const LockWaiting& waiting)
{
    return [files, waiting](const std::function<void()>& section) {
        return withFolderLock(files, section, waiting);
    };
}

edonkey::WorkingCopy workingCopy(const ProgramFiles& files, const std::string& copy)
{
    makeFolderFor(files, copy);
    edonkey::WorkingCopy workingCopy{copy, files.lockFile()};
    edonkey::removeLeftoverCopies(workingCopy);
    return workingCopy;
}

void removeWorkingCopies(const ProgramFiles& files)
{
    for (const auto& copy : {files.prefCopy(), files.partCopy()})
        edonkey::removeLeftoverCopies({copy, files.lockFile()});
}

} // namespace session
