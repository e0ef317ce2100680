#include "session/part_check.h"

#include "edonkey/client_discovery.h"
#include "platform/text_encoding.h"
#include "session/client_folders.h"
#include "session/database.h"
#include "session/folder_lock.h"
#include "session/locate_client.h"
#include "session/settings.h"
#include "session/suspicion_lines.h"
#include "session/texts.h"

namespace session {

edonkey::DownloadCheck checkPartFile(const std::string& path, const ProgramState& state,
                                     const ProgramFiles& files,
                                     const std::optional<std::string>& winePrefix,
                                     platform::LogBox& log, const std::stop_token& stop)
{
    const auto client = storedClient(files, winePrefix);
    const auto kind = client ? client->kind : edonkey::ClientKind::eDonkey2000;
    // The stored client's ratings count for its part files, as in a scan.
    auto lookup = listsInUse(state);
    if (client)
        lookup = lookup.withRatings(readClientRatings(*client, files));
    if (stop.stop_requested())
        return {};
    const auto& rules = edonkey::rulesOf(kind);
    auto check = edonkey::checkDownload(path, workingCopy(files, files.partCopy()), lookup,
                                        rules.readPartFile, edonkey::PartFileCheck::Single,
                                        rules.readMissingRanges);
    if (check.status != edonkey::DownloadStatus::Clean &&
        check.status != edonkey::DownloadStatus::Fake)
        return check;
    // The name, the list's line and the name's extension in a suspect line come
    // from outside: escaped, each stays one line.
    log.replace(platform::shownText(check.info.name) + std::string(texts::afterPartFileName) +
                std::string(texts::lineEnd));
    log.append((check.hit.empty() ? std::string(texts::noFake) : platform::shownText(check.hit)) +
               std::string(texts::lineEnd));
    if (check.look && check.look->suspicion)
        log.append(platform::shownText(suspectLine(*check.look->suspicion)) +
                   std::string(texts::lineEnd));
    return check;
}

} // namespace session
