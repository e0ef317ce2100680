#include "session/part_check.h"

#include "session/folder_lock.h"
#include "session/texts.h"

namespace session {

edonkey::DownloadStatus checkPartFile(const std::string& path, const ProgramState& state,
                                      const ProgramFiles& files, platform::LogBox& log,
                                      const std::function<void()>& yield)
{
    const auto check =
        edonkey::checkDownload(path, workingCopy(files, files.partCopy()), state.database,
                               edonkey::SizeRule::TransferredTagFirst, yield);
    if (check.status != edonkey::DownloadStatus::Clean &&
        check.status != edonkey::DownloadStatus::Fake)
        return check.status;
    log.replace(check.info.name + std::string(texts::afterPartFileName) +
                std::string(texts::lineEnd));
    log.append((check.hit.empty() ? std::string(texts::noFake) : check.hit) +
               std::string(texts::lineEnd));
    return check.status;
}

} // namespace session
