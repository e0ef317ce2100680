#include "session/finished_files.h"

#include "edonkey/content_look.h"
#include "platform/files.h"
#include "session/client_folders.h"

namespace session {

FinishedFileCheck checkFinishedFile(const std::string& path, const fakedb::FakeDatabase& list,
                                    const HashProgress& progress)
{
    FinishedFileCheck check;
    auto link = finishedFileLink(path, progress);
    if (const auto* error = std::get_if<HashError>(&link)) {
        check.error = *error;
        return check;
    }
    check.link = std::move(std::get<std::string>(link));
    check.answer = answerLink(check.link, list);
    check.suspicion = finishedFileSuspicion(path);
    return check;
}

std::optional<edonkey::Suspicion> finishedFileSuspicion(const std::string& path)
{
    return edonkey::lookAtFinishedFile(path, fileNameOf(path)).suspicion;
}

IncomingFiles incomingFiles(const edonkey::Client& client, const ProgramFiles& files,
                            const std::optional<std::string>& winePrefix)
{
    IncomingFiles incoming;
    const auto folders = readClientFolders(client, files, winePrefix);
    if (!folders)
        return incoming;
    incoming.named = !folders->incoming.empty();
    for (const auto& folder : folders->incoming) {
        if (!platform::isFolder(folder.searched)) {
            incoming.unreadableFolders.push_back(folder.searched);
            continue;
        }
        for (auto& file : edonkey::listFinishedFiles(folder.searched))
            incoming.files.push_back(std::move(file));
    }
    return incoming;
}

} // namespace session
