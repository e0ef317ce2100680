#include "session/check_pass.h"

#include "edonkey/donkey_folder.h"
#include "edonkey/pref_met.h"
#include "edonkey/temp_folder_scan.h"
#include "platform/files.h"
#include "session/client_folder.h"
#include "session/database.h"
#include "session/folder_lock.h"
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
                     const std::optional<std::string>& prefMet)
{
    const auto yield = [&services] {
        services.desktop.yield();
    };
    platform::LogBox& log = services.log;
    PassResult result;
    state.justUpdated = false;

    log.replace(texts::loadingDatabase);
    const auto entries = loadDatabase(state, services.files, yield);
    if (!entries) {
        services.desktop.showMessage(texts::noDatabase);
        result.end = PassEnd::DatabaseMissing;
        return result;
    }
    log.append(std::string(texts::entriesLoadedBefore) + std::to_string(*entries) +
               std::string(texts::entriesLoadedAfter) + std::string(texts::lineEnd));

    const std::string prefMetPath = prefMet
                                        ? *prefMet
                                        : locatePrefMet(state, services.files, services.registry,
                                                        services.desktop, services.winePrefix);
    if (prefMetPath.empty()) {
        result.end = PassEnd::Cancelled;
        return result;
    }

    const auto storedTemp = edonkey::extractTempFolder(
        prefMetPath, workingCopy(services.files, services.files.prefCopy()), yield);
    if (!storedTemp) {
        services.desktop.showMessage(texts::noTempFolder);
        result.end = PassEnd::TempFolderError;
        return result;
    }
    result.storedTempFolder = *storedTemp;
    result.tempFolder = edonkey::resolveTempFolder(*storedTemp, edonkey::folderOf(prefMetPath),
                                                   services.winePrefix);
    if (platform::isFolder(result.tempFolder))
        state.dialogFolder = result.tempFolder;

    log.append(std::string(texts::checkingFiles) + std::string(texts::lineEnd));
    DownloadLines lines(log);
    const auto scan = edonkey::scanTempFolder(
        result.tempFolder, workingCopy(services.files, services.files.partCopy()), state.database,
        lines, yield);
    if (!scan.foundPartFiles) {
        result.end = PassEnd::NothingToCheck;
    } else if (!scan.foundFake) {
        log.append(std::string(texts::noFakesFound) + std::string(texts::lineEnd));
        result.end = PassEnd::Clean;
    } else {
        log.append(std::string(texts::lineEnd) + std::string(texts::finishedChecking) +
                   std::string(texts::lineEnd));
        result.end = PassEnd::FakesFound;
    }
    return result;
}

} // namespace session
