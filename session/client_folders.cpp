#include "session/client_folders.h"

#include "edonkey/pref_met.h"
#include "edonkey/working_copy.h"
#include "session/folder_lock.h"

#include <algorithm>
#include <filesystem>

namespace session {
namespace {

// One name for each folder, however it was reached: through links, dosdevices
// or "..".
std::string identity(const std::string& folder)
{
    std::error_code error;
    const auto canonical = std::filesystem::canonical(folder, error);
    return error ? std::filesystem::path(folder).lexically_normal().string() : canonical.string();
}

std::vector<ClientFolder> resolved(const std::vector<std::string>& stored,
                                   const edonkey::Client& client,
                                   const std::optional<std::string>& winePrefix)
{
    std::vector<ClientFolder> folders;
    std::vector<std::string> seen;
    for (const std::string& folder : stored) {
        ClientFolder entry{folder,
                           edonkey::resolveClientFolder(folder, client.folder(), winePrefix)};
        std::string id = identity(entry.searched);
        if (!entry.searched.empty() && std::find(seen.begin(), seen.end(), id) != seen.end())
            continue;
        seen.push_back(std::move(id));
        folders.push_back(std::move(entry));
    }
    return folders;
}

} // namespace

edonkey::ClientFileReader throughPrefCopy(const ProgramFiles& files,
                                          std::optional<edonkey::CopyFault>* fault)
{
    return [copy = workingCopy(files, files.prefCopy()), fault](const std::string& path) {
        return edonkey::readThroughWorkingCopy(path, copy, fault);
    };
}

std::optional<ClientFolders> readClientFolders(const edonkey::Client& client,
                                               const ProgramFiles& files,
                                               const std::optional<std::string>& winePrefix,
                                               std::optional<edonkey::CopyFault>* fault)
{
    const auto settings = edonkey::rulesOf(client.kind)
                              .readSettings(client.settingsFile, throughPrefCopy(files, fault));
    if (!settings)
        return std::nullopt;
    return ClientFolders{resolved(settings->tempFolders, client, winePrefix),
                         resolved(settings->incomingFolders, client, winePrefix)};
}

fakedb::RatedFakes readClientRatings(const edonkey::Client& client, const ProgramFiles& files)
{
    return edonkey::rulesOf(client.kind).readRatings(client.settingsFile, throughPrefCopy(files));
}

} // namespace session
