#pragma once

#include "edonkey/client_settings.h"
#include "edonkey/part_file.h"
#include "edonkey/part_file_gaps.h"
#include "fakedb/fake_lookup.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace edonkey {

/// The clients whose downloads the program reads.
enum class ClientKind { eDonkey2000, aMule, eMule };

/// What the program knows of one kind of client: where its settings are and
/// by which rules its files are read. A client folder is the folder that
/// holds the settings file.
struct ClientKindRules {
    ClientKind kind;
    std::string_view name;         // for the user: "aMule"
    std::string_view settingsFile; // "amule.conf", matched without regard to case
    /// Where the settings file stands below the folder users think of as the
    /// client's ("config/" for eMule's program folder); empty when nowhere else.
    std::string_view settingsSubfolder;
    /// The folders the settings file `settingsPath` names; nothing when it
    /// cannot be read. Other files beside it are read through `read` too.
    std::optional<ClientSettings> (*readSettings)(const std::string& settingsPath,
                                                  const ClientFileReader& read);
    PartFileRead (*readPartFile)(std::string_view bytes, PartFileCheck check);
    /// The downloads the user rated as fakes, kept beside the settings file
    /// `settingsPath`; none where the client keeps no ratings.
    fakedb::RatedFakes (*readRatings)(const std::string& settingsPath,
                                      const ClientFileReader& read);
    /// The ranges of a download still missing, from its part file's bytes;
    /// null for a client whose downloads are not looked at.
    std::optional<std::vector<ByteRange>> (*readMissingRanges)(std::string_view bytes) = nullptr;
};

/// Every kind, in the order in which a folder holding several settings files
/// is taken: eDonkey2000's pref.met first, so a folder keeps the meaning it
/// always had.
std::span<const ClientKindRules> clientKinds();

const ClientKindRules& rulesOf(ClientKind kind);

/// A client as found on disk: its kind and its settings file.
struct Client {
    ClientKind kind = ClientKind::eDonkey2000;
    std::string settingsFile; // full path

    /// The folder holding the settings file, ending in "/".
    std::string folder() const;
    bool operator==(const Client&) const = default;
};

/// The client whose settings file `folder` holds (or holds in the kind's
/// subfolder), names matched without regard to case; nothing when it holds none.
std::optional<Client> clientInFolder(const std::string& folder);

/// The file `name` in the client's folder, in any letter case, as a full
/// path; nothing when there is none.
std::optional<std::string> fileInClientFolder(const Client& client, std::string_view name);

/// The client a settings file the user named belongs to, by its name; any
/// other name is read as eDonkey2000's pref.met, as it always was.
Client clientOfFile(const std::string& path);

/// A settings file or a folder holding one, as a user gives it on the
/// command line; a folder without one is taken as an eDonkey2000 folder.
Client clientAt(const std::string& path);

} // namespace edonkey
