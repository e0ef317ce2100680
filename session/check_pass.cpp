#include "session/check_pass.h"

#include "platform/files.h"
#include "session/database.h"
#include "session/folder_lock.h"
#include "session/locate_client.h"
#include "session/suspect_lines.h"
#include "session/texts.h"

namespace session {
namespace {

// The scan's downloads as log lines: each name, and a fake's line under it.
class DownloadLines final : public edonkey::DownloadObserver {
public:
    explicit DownloadLines(platform::LogBox& log)
        : m_log(log)
    {
    }
    void onDownload(std::string_view name) override { appendLine(name); }
    void onFake(std::string_view hit) override { appendLine(hit); }
    void onSuspect(const edonkey::Suspicion& suspicion) override
    {
        appendLine(suspectLine(suspicion));
    }

private:
    void appendLine(std::string_view text)
    {
        std::string line(text);
        line += texts::lineEnd;
        m_log.append(line);
    }

    platform::LogBox& m_log;
};

} // namespace

PassResult checkPass(ProgramState& state, const PassServices& services,
                     const std::optional<std::string>& given, const std::stop_token& stop)
{
    platform::LogBox& log = services.log;
    PassResult result;
    state.justUpdated = false;

    log.replace(texts::loadingDatabase);
    result.listLoad = loadDatabaseOrTell(state, services.files, services.desktop);
    if (!result.listLoad) {
        result.end = PassEnd::DatabaseMissing;
        return result;
    }
    log.append(std::string(texts::entriesLoadedBefore) + std::to_string(result.listLoad.entries) +
               std::string(texts::entriesLoadedAfter) + std::string(texts::lineEnd));

    const auto located = clientToCheck(given, state, services.files, services.registry,
                                       services.places, services.desktop);
    if (located.end != Located::Found) {
        result.end = located.end == Located::FolderBusy ? PassEnd::FolderBusy : PassEnd::Cancelled;
        return result;
    }
    const edonkey::Client& client = located.client;
    result.kind = client.kind;

    const auto folders = readClientFolders(client, services.files, services.places.winePrefix);
    if (!folders || folders->temp.empty()) {
        services.desktop.showMessage(texts::noTempFolder);
        result.end = PassEnd::TempFolderError;
        return result;
    }
    for (const auto& folder : folders->temp)
        result.tempFolders.push_back({folder, platform::isFolder(folder.searched)});
    for (const auto& searched : result.tempFolders) {
        if (searched.entered) {
            state.dialogFolder = searched.folder.searched;
            break;
        }
    }

    log.append(std::string(texts::checkingFiles) + std::string(texts::lineEnd));
    DownloadLines lines(log);
    const auto copy = workingCopy(services.files, services.files.partCopy());
    const auto reader = edonkey::rulesOf(client.kind).readPartFile;
    const auto readMissing = edonkey::rulesOf(client.kind).readMissingRanges;
    const auto list = state.list.current();
    bool foundPartFiles = false;
    bool foundFake = false;
    for (const auto& searched : result.tempFolders) {
        auto scan = edonkey::scanTempFolder(searched.folder.searched, copy, *list, reader, lines,
                                            stop, readMissing);
        result.suspects += scan.suspects;
        result.notDownloaded += scan.notDownloaded;
        result.dataUnreadable += scan.dataUnreadable;
        foundPartFiles |= scan.foundPartFiles;
        foundFake |= scan.foundFake;
        result.checked += scan.checked;
        for (auto& skipped : scan.skipped)
            result.skipped.push_back(std::move(skipped));
    }
    if (stop.stop_requested()) {
        result.end = PassEnd::Cancelled;
        return result;
    }
    if (!foundPartFiles) {
        result.end = PassEnd::NothingToCheck;
        return result;
    }
    // eDonkey2000's log keeps the lines it always had.
    if (client.kind != edonkey::ClientKind::eDonkey2000 && !result.skipped.empty())
        log.append(std::string(texts::unreadablePartFilesBefore) +
                   std::to_string(result.skipped.size()) +
                   std::string(texts::unreadablePartFilesAfter) + std::string(texts::lineEnd));
    if (result.suspects > 0)
        log.append(suspectCountLine(result.suspects) + std::string(texts::lineEnd));
    if (!foundFake)
        log.append(std::string(texts::noFakesFound) + std::string(texts::lineEnd));
    else
        log.append(std::string(texts::lineEnd) + std::string(texts::finishedChecking) +
                   std::string(texts::lineEnd));
    result.end = result.checked == 0 ? PassEnd::NothingReadable
                 : foundFake         ? PassEnd::FakesFound
                                     : PassEnd::Clean;
    return result;
}

} // namespace session
