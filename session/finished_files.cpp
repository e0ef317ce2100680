#include "session/finished_files.h"

#include "edonkey/content_look.h"
#include "platform/files.h"
#include "session/client_folders.h"

#include <chrono>
#include <thread>

namespace session {
namespace {

constexpr std::string_view knownMetName = "known.met";
constexpr int knownMetAttempts = 3;
constexpr auto knownMetRetryPause = std::chrono::milliseconds(200);

} // namespace

FinishedFileCheck checkFinishedFile(const std::string& path, const fakedb::FakeLookup& list,
                                    const HashProgress& progress, const edonkey::KnownFiles* known)
{
    FinishedFileCheck check;
    if (auto recorded = known ? edonkey::knownFileLink(path, *known) : std::nullopt) {
        check.link = std::move(*recorded);
        check.fromKnownMet = true;
        check.answer = answerLink(check.link, list);
        check.suspicion = finishedFileSuspicion(path); // its first bytes, no more
        return check;
    }
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

edonkey::KnownFiles readKnownFiles(const edonkey::Client& client, const ProgramFiles& files)
{
    const auto path = edonkey::fileInClientFolder(client, knownMetName);
    if (!path || client.kind == edonkey::ClientKind::eDonkey2000)
        return {};
    const auto read = throughPrefCopy(files);
    // eMule rewrites the file in place: a read that ends inside it is tried again.
    for (int attempt = 0; attempt < knownMetAttempts; ++attempt) {
        const auto bytes = read(*path);
        if (!bytes)
            return {};
        auto records = edonkey::readKnownMet(*bytes);
        if (auto* known = std::get_if<std::vector<edonkey::KnownFile>>(&records))
            return edonkey::KnownFiles(*known);
        if (std::get<edonkey::KnownMetFault>(records) != edonkey::KnownMetFault::CutShort)
            return {};
        std::this_thread::sleep_for(knownMetRetryPause);
    }
    return {};
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
