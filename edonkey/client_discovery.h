#pragma once

#include "edonkey/client_kind.h"
#include "platform/registry.h"

#include <optional>
#include <string>

namespace edonkey {

/// Where discovery may look for a client besides the stored folder.
struct ClientSearch {
    platform::Registry& registry;
    std::optional<std::string> winePrefix; // the prefix the client runs in, if any
    std::string home;                      // the user's home folder; empty when unknown
};

/// A client discovery found, and the folder to remember for it.
struct FoundClient {
    Client client;
    std::string folder;
};

/// The client to check, found without asking the user:
/// 1. the stored folder, if it names one, read as the client whose settings
///    file it holds (eDonkey2000 when it holds none, whose pref.met is then
///    joined to the folder as stored);
/// 2. the client registered for ed2k links in the Wine prefix: eMule when the
///    command runs emule.exe and its settings are found, else eDonkey2000 as
///    its registration names it;
/// 3. aMule's settings in ~/.aMule.
/// Nothing when none of them is there.
std::optional<FoundClient> findClient(const std::string& storedFolder, const ClientSearch& search);

/// The folder to remember for a settings file the user chose: eDonkey2000's
/// rule for pref.met and unknown names, the file's folder for the others.
std::string folderToStore(const std::string& chosenPath);

/// The client whose settings file the stored folder holds; nothing when it
/// holds none.
std::optional<Client> storedClient(const std::string& storedFolder,
                                   const std::optional<std::string>& winePrefix);

/// The kind of client the stored folder holds; eDonkey2000 when there is
/// none, or the folder holds no other client's settings.
ClientKind storedClientKind(const std::string& storedFolder,
                            const std::optional<std::string>& winePrefix);

} // namespace edonkey
