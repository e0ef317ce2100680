#include "session/check_pass.h"

#include "platform/files.h"
#include "platform/text_encoding.h"
#include "session/database.h"
#include "session/folder_lock.h"
#include "session/locate_client.h"
#include "session/suspicion_lines.h"
#include "session/texts.h"

namespace session {
namespace {

// The scan's downloads as log lines: each name, and a fake's line under it.
// Both come from outside (a peer named the download, the update server wrote
// the line): escaped, so a name holding CR LF cannot pass for a line of ours.
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
        std::string line = platform::shownText(text);
        line += texts::lineEnd;
        m_log.append(line);
    }

    platform::LogBox& m_log;
};

} // namespace

std::string copyFaultText(const edonkey::CopyFault& fault)
{
    return std::string(texts::cannotWriteWorkingCopy) + platform::shownText(fault.path) + ": " +
           platform::shownText(fault.reason);
}

namespace {

PassResult checkClient(ProgramState& state, const PassServices& services,
                       const edonkey::Client& client, PassResult result,
                       const std::stop_token& stop);

// How finding the client ended, as the pass's end, its question or its check.
PassResult goOn(ProgramState& state, const PassServices& services, const LocatedClient& located,
                PassResult result, const std::stop_token& stop)
{
    switch (located.end) {
    case Located::Found:
        return checkClient(state, services, located.client, std::move(result), stop);
    case Located::AsksUser:
        result.end = PassEnd::AsksUser;
        result.question = located.question;
        return result;
    case Located::FolderBusy:
        result.end = PassEnd::FolderBusy;
        return result;
    case Located::Cancelled:
        break;
    }
    result.end = PassEnd::Cancelled;
    return result;
}

} // namespace

PassResult checkPass(ProgramState& state, const PassServices& services,
                     const std::optional<std::string>& given, const std::stop_token& stop)
{
    platform::LogBox& log = services.log;
    PassResult result;
    state.justUpdated = false;

    log.replace(texts::loadingDatabase);
    result.listLoad = loadDatabase(state, services.files, stop, services.listReading);
    if (result.listLoad.end == fakedb::LoadEnd::Stopped) {
        result.end = PassEnd::Cancelled;
        return result;
    }
    if (!result.listLoad) {
        if (!services.checkWithoutList) {
            result.end = PassEnd::DatabaseMissing;
            result.message = texts::noDatabase;
            return result;
        }
        log.append(std::string(texts::noDatabase) + std::string(texts::lineEnd));
    } else {
        log.append(std::string(texts::entriesLoadedBefore) +
                   std::to_string(result.listLoad.entries) +
                   std::string(texts::entriesLoadedAfter) + std::string(texts::lineEnd));
    }
    for (const auto& bad : result.listLoad.personalBadLines)
        log.append(std::string(texts::personalBadLineBefore) +
                   texts::personalBadLine(bad.number, bad.reason) + std::string(texts::lineEnd));

    const auto located = clientToCheck(given, state, services.files, services.registry,
                                       services.places, services.lockWaiting, stop);
    return goOn(state, services, located, std::move(result), stop);
}

PassResult resumePass(ProgramState& state, const PassServices& services, PassResult asked,
                      const std::string& chosen, const std::stop_token& stop)
{
    asked.question.reset();
    const auto located = clientOfChosen(state, services.files, chosen, services.lockWaiting);
    return goOn(state, services, located, std::move(asked), stop);
}

PassResult checkPassAsking(ProgramState& state, const PassServices& services,
                           const std::optional<std::string>& given, platform::Desktop& desktop,
                           const std::stop_token& stop)
{
    auto result = checkPass(state, services, given, stop);
    if (result.question) {
        const std::string chosen = ask(desktop, *result.question);
        result = resumePass(state, services, std::move(result), chosen, stop);
    }
    if (!result.message.empty())
        desktop.showMessage(result.message);
    return result;
}

namespace {

PassResult checkClient(ProgramState& state, const PassServices& services,
                       const edonkey::Client& client, PassResult result,
                       const std::stop_token& stop)
{
    platform::LogBox& log = services.log;
    result.kind = client.kind;

    const auto folders =
        readClientFolders(client, services.files, services.places.winePrefix, &result.copyFault);
    // eDonkey2000's users get the message they always had; the others learn
    // the cause, which lies in the program folder, not the client's.
    const bool ownLines = client.kind != edonkey::ClientKind::eDonkey2000;
    if (!folders || folders->temp.empty()) {
        if (ownLines && result.copyFault)
            log.append("*** " + copyFaultText(*result.copyFault) + std::string(texts::lineEnd));
        else
            result.message = texts::noTempFolder;
        result.end = PassEnd::TempFolderError;
        return result;
    }
    result.copyFault.reset(); // a copy that failed once, with the settings read after all
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
    // eDonkey2000's temp folder is read as it always was: its part files alone.
    const auto backups = client.kind == edonkey::ClientKind::eDonkey2000
                             ? edonkey::BackupCopies::Ignored
                             : edonkey::BackupCopies::Read;
    const auto readMissing = edonkey::rulesOf(client.kind).readMissingRanges;
    const auto lookup = listsInUse(state).withRatings(readClientRatings(client, services.files));
    bool foundPartFiles = false;
    bool foundFake = false;
    for (const auto& searched : result.tempFolders) {
        auto scan = edonkey::scanTempFolder(searched.folder.searched, copy, lookup, reader, lines,
                                            stop, backups, readMissing);
        result.suspects += scan.suspects;
        result.notDownloaded += scan.notDownloaded;
        result.dataUnreadable += scan.dataUnreadable;
        foundPartFiles |= scan.foundPartFiles;
        foundFake |= scan.foundFake;
        result.checked += scan.checked;
        for (auto& skipped : scan.skipped)
            result.skipped.push_back(std::move(skipped));
        if (!result.copyFault)
            result.copyFault = std::move(scan.copyFault);
    }
    if (stop.stop_requested()) {
        result.end = PassEnd::Cancelled;
        return result;
    }
    if (!foundPartFiles) {
        result.end = PassEnd::NothingToCheck;
        return result;
    }
    // eDonkey2000's log keeps the lines it always had; the others say "no
    // fakes" only of downloads that were checked.
    if (ownLines && !result.skipped.empty())
        log.append(std::string(texts::unreadablePartFilesBefore) +
                   std::to_string(result.skipped.size()) +
                   std::string(texts::unreadablePartFilesAfter) + std::string(texts::lineEnd));
    if (result.suspects > 0)
        log.append(suspectCountLine(result.suspects) + std::string(texts::lineEnd));
    if (foundFake)
        log.append(std::string(texts::lineEnd) + std::string(texts::finishedChecking) +
                   std::string(texts::lineEnd));
    else if (!ownLines || result.checked > 0)
        log.append(std::string(texts::noFakesFound) + std::string(texts::lineEnd));
    result.end = result.checked == 0 ? PassEnd::NothingReadable
                 : foundFake         ? PassEnd::FakesFound
                                     : PassEnd::Clean;
    return result;
}

} // namespace

} // namespace session
