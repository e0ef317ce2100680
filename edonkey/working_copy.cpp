#include "edonkey/working_copy.h"

#include "platform/directory_search.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/held_copy.h"
#include "platform/wildcard.h"

#include <atomic>
#include <chrono>

namespace edonkey {

std::optional<std::string> readThroughWorkingCopy(const std::string& clientFile,
                                                  const WorkingCopy& workingCopy,
                                                  std::optional<CopyFault>* fault)
{
    std::optional<platform::FileLock> claim;
    if (!workingCopy.lockFile.empty())
        claim.emplace(workingCopy.lockFile, workingCopyLockByte);
    const std::string path =
        !claim || claim->tryLock() ? workingCopy.path : platform::perProcessName(workingCopy.path);

    platform::deleteFile(path);
    // Checked before copying, so an oversized file is not even duplicated.
    const auto size = platform::fileSize(clientFile);
    if (size && *size > clientFileSizeLimit)
        return std::nullopt;
    // The sweep holds this byte for a moment; one held for longer belongs to a
    // paused process, and then copies are made unguarded rather than waited
    // for, without waiting again until the byte is free.
    static std::atomic<bool> sweepStuck{false};
    std::optional<platform::FileLock> making;
    if (!workingCopy.lockFile.empty()) {
        making.emplace(workingCopy.lockFile, copyMakingLockByte);
        sweepStuck = !making->lockShared(sweepStuck ? std::chrono::milliseconds(0)
                                                    : std::chrono::milliseconds(1000));
    }
    platform::HeldCopy copy(path);
    making.reset();
    if (!copy.fill(clientFile)) {
        if (fault && copy.copyUnwritable())
            *fault = CopyFault{path, copy.reason()};
        return std::nullopt;
    }
    return copy.read(clientFileSizeLimit);
}

void removeLeftoverCopies(const WorkingCopy& workingCopy)
{
    if (workingCopy.lockFile.empty())
        return;
    platform::FileLock claim(workingCopy.lockFile, workingCopyLockByte);
    platform::FileLock making(workingCopy.lockFile, copyMakingLockByte);
    if (!claim.tryLock() || !making.tryLock())
        return;
    // "part.bck", "part.1234.bck" and the half-made "part.bck.Xy12Ab".
    const std::string folder = platform::folderOf(workingCopy.path);
    const std::string name = workingCopy.path.substr(folder.size());
    const auto dot = name.rfind('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    const std::string patterns[] = {name, stem + ".*" + extension};
    for (const auto& found : platform::findFiles(folder, stem + ".*")) {
        for (const auto& pattern : patterns) {
            if (platform::matchesWildcard(pattern, found) ||
                platform::matchesWildcard(pattern + ".??????", found)) {
                platform::deleteUnheldCopy(folder + found);
                break;
            }
        }
    }
}

} // namespace edonkey
