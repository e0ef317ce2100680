#include "edonkey/client_kind.h"

#include "edonkey/amule_settings.h"
#include "edonkey/emule_settings.h"
#include "edonkey/finished_files.h"
#include "edonkey/part_file_walker.h"
#include "edonkey/pref_met.h"
#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/files.h"

#include <array>

namespace edonkey {
namespace {

PartFileRead walkedPartFile(std::string_view bytes, PartFileCheck)
{
    auto walked = walkPartFile(bytes);
    if (auto* info = std::get_if<PartFileInfo>(&walked))
        return std::move(*info);
    return partFileFaultText(std::get<PartFileFault>(walked));
}

// eDonkey2000 keeps no ratings of its own.
fakedb::RatedFakes noRatings(const std::string&, const ClientFileReader&)
{
    return {};
}

constexpr std::array kinds = {
    ClientKindRules{ClientKind::eDonkey2000, "eDonkey2000", "pref.met", "", prefMetSettings,
                    readEdonkeyPartFile, noRatings},
    ClientKindRules{ClientKind::aMule, "aMule", "amule.conf", "", amuleSettings, walkedPartFile,
                    amuleRatedFakes, readMissingRanges},
    ClientKindRules{ClientKind::eMule, "eMule", "preferences.ini", "config/", emuleSettings,
                    walkedPartFile, emuleRatedFakes, readMissingRanges},
};

// The entry of `folder` named `name` in any letter case, as a full path.
std::optional<std::string> entryIn(const std::string& folder, std::string_view name)
{
    const auto found = platform::findFiles(folder, name);
    if (found.empty())
        return std::nullopt;
    return folder + found.front();
}

} // namespace

std::span<const ClientKindRules> clientKinds()
{
    return kinds;
}

const ClientKindRules& rulesOf(ClientKind kind)
{
    for (const auto& rules : kinds) {
        if (rules.kind == kind)
            return rules;
    }
    return kinds.front();
}

std::optional<std::string> fileInClientFolder(const Client& client, std::string_view name)
{
    return entryIn(client.folder(), name);
}

std::string Client::folder() const
{
    return platform::folderOf(settingsFile);
}

std::optional<Client> clientInFolder(const std::string& folder)
{
    const std::string prefix = platform::withFinalSlash(folder);
    if (prefix.empty())
        return std::nullopt;
    for (const auto& rules : kinds) {
        if (auto file = entryIn(prefix, rules.settingsFile))
            return Client{rules.kind, std::move(*file)};
    }
    for (const auto& rules : kinds) {
        if (rules.settingsSubfolder.empty())
            continue;
        const auto sub =
            entryIn(prefix, rules.settingsSubfolder.substr(0, rules.settingsSubfolder.size() - 1));
        if (!sub)
            continue;
        if (auto file = entryIn(*sub + "/", rules.settingsFile))
            return Client{rules.kind, std::move(*file)};
    }
    return std::nullopt;
}

Client clientOfFile(const std::string& path)
{
    for (const auto& rules : kinds) {
        if (platform::equalsIgnoringCase(fileNameOf(path), rules.settingsFile))
            return {rules.kind, path};
    }
    return {ClientKind::eDonkey2000, path};
}

Client clientAt(const std::string& path)
{
    if (auto client = clientInFolder(path))
        return std::move(*client);
    if (platform::isFolder(path))
        return {ClientKind::eDonkey2000, platform::withFinalSlash(path) + "pref.met"};
    return clientOfFile(path);
}

} // namespace edonkey
