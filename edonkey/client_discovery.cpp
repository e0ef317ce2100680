#include "edonkey/client_discovery.h"

#include "edonkey/edonkey2000_folder.h"
#include "edonkey/emule_settings.h"
#include "platform/directory_search.h"

namespace edonkey {
namespace {

// The client in a folder discovery found: another client's settings when
// the folder holds them, else eDonkey2000's pref.met joined to the folder
// as it stands, with the name in the letter case it has on disk.
FoundClient clientFoundIn(const std::string& folder)
{
    const auto held = clientInFolder(folder);
    if (held && held->kind != ClientKind::eDonkey2000)
        return {*held, held->folder()};
    const bool joinsCleanly = !folder.empty() && folder.back() == '/';
    return {{ClientKind::eDonkey2000,
             held && joinsCleanly ? held->settingsFile : folder + std::string(prefMetName)},
            folder};
}

std::optional<FoundClient> registeredClient(const ClientSearch& search)
{
    const auto command = search.registry.readClassesRootDefault("ed2k\\shell\\open\\command");
    if (command && namesEmule(*command)) {
        if (!search.winePrefix || search.winePrefix->empty())
            return std::nullopt;
        const auto settings =
            findEmuleSettings(emuleProgramFolder(*command), search.registry, *search.winePrefix);
        if (!settings)
            return std::nullopt;
        const Client client{ClientKind::eMule, *settings};
        return FoundClient{client, client.folder()};
    }
    if (std::string folder = registeredDonkeyFolder(search.registry, search.winePrefix);
        !folder.empty())
        return clientFoundIn(folder);
    return std::nullopt;
}

} // namespace

std::optional<FoundClient> findClient(const std::string& storedFolder, const ClientSearch& search)
{
    if (std::string folder = storedClientFolder(storedFolder, search.winePrefix); !folder.empty())
        return clientFoundIn(folder);
    if (auto registered = registeredClient(search))
        return registered;
    if (search.home.empty())
        return std::nullopt;
    const auto amule = clientInFolder(platform::withFinalSlash(search.home) + ".aMule/");
    if (amule && amule->kind == ClientKind::aMule)
        return FoundClient{*amule, amule->folder()};
    return std::nullopt;
}

std::string folderToStore(const std::string& chosenPath)
{
    const Client chosen = clientOfFile(chosenPath);
    return chosen.kind == ClientKind::eDonkey2000 ? folderOfChosenPrefMet(chosenPath)
                                                  : chosen.folder();
}

std::optional<Client> storedClient(const std::string& storedFolder,
                                   const std::optional<std::string>& winePrefix)
{
    const std::string folder = storedClientFolder(storedFolder, winePrefix);
    return folder.empty() ? std::nullopt : clientInFolder(folder);
}

ClientKind storedClientKind(const std::string& storedFolder,
                            const std::optional<std::string>& winePrefix)
{
    const auto held = storedClient(storedFolder, winePrefix);
    return held ? held->kind : ClientKind::eDonkey2000;
}

} // namespace edonkey
