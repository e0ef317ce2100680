#pragma once

#include "fakedb/fake_database.h"
#include "platform/file_lock.h"
#include "platform/http_client.h"
#include "update/minisign.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace update {

/// The steps of an update that report to the user, in order.
enum class UpdateProgress {
    Connecting,   // before the first transfer
    NewerVersion, // the server offers a newer program
    UpToDate,     // the server has no more entries than the last update brought
    Downloaded,   // the new list arrived
    Saved,        // fakes.dat holds the new list, and so does the database in memory
};

/// Why a signed update did not take the server's list.
enum class Refusal {
    NoSignature,         // the signature file could not be fetched
    UnreadableSignature, // it is no signature file, or its comment holds no serial
    UnknownKey,          // made by none of the trusted keys
    BadSignature,        // the comment or the list is not what the key signed
    Older,               // its serial is below the one of the list in use
    NotWhole,            // the list does not begin with "[" and end with "]"
    UnreadableKey,       // a trusted key given is no key
};

class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    virtual void onProgress(UpdateProgress progress) = 0;
    virtual void onRefused(Refusal refusal) = 0;
};

enum class UpdateEnd {
    UpToDate,
    Updated,
    Failed,
};

/// Where an update failed.
enum class UpdateStep {
    None,
    VersionFile,  // the version file could not be fetched
    CountFile,    // the count file could not be fetched or holds no number
    StoredCount,  // the count stored at the last update is no number
    DatabaseFile, // the list could not be fetched or is too short
    Memory,       // the new list does not fit in memory
    FolderBusy,   // another process held the program folder while fakes.dat was saved
    SavingFile,   // fakes.dat could not be written
    Refused,      // a signed update refused the server's files
    StoringState, // FakesNr or FakesSerial could not be stored
};

struct UpdateResult {
    UpdateEnd end = UpdateEnd::Failed;
    UpdateStep failedStep = UpdateStep::None;
    std::shared_ptr<const fakedb::FakeDatabase> database; // after Updated: the new list
    bool signedList = false;                              // the list was taken by its signature
};

/// How long the transfers of one update may take in all, counted from its
/// first request: each small file adds `smallFile`, the list `list`, however
/// slowly the server sends them.
struct TransferTimes {
    std::chrono::milliseconds smallFile = std::chrono::seconds(30);
    std::chrono::milliseconds list = std::chrono::minutes(5);
};

/// The largest signature file taken.
inline constexpr std::size_t maxSignatureSize = 16 * 1024;

/// What an update reads and changes.
struct UpdateTarget {
    std::string fakesDatPath;
    std::string storedEntryCount; // the count the last update stored; empty before the first
    platform::SectionGuard guardSaving = {}; // runs the saving, stores included
    /// The keys a signed list must be signed with; none: lists come unsigned,
    /// and the entry count decides.
    std::vector<PublicKey> keys = {};
    bool unreadableKey = false;                     // a key was given that is no key
    std::optional<std::uint64_t> storedSerial = {}; // the serial of the list in use
    /// Store FakesNr and FakesSerial (nothing: remove it); false when the
    /// value did not reach the disk. Run inside `guardSaving`.
    std::function<bool(std::string_view count)> storeEntryCount = {};
    std::function<bool(std::optional<std::uint64_t> serial)> storeSerial = {};
    TransferTimes times = {};
};

/// The update server the programs use, chosen when the project is configured
/// (the CMake cache variable BRISQUEN_UPDATE_SERVER).
std::string_view defaultServer();

/// The keys the programs trust for signed lists from the start, as
/// UpdatePublicKey= holds them (the CMake cache variable
/// BRISQUEN_UPDATE_PUBLIC_KEY); empty by default.
std::string_view builtInPublicKeys();

/// "&Get new Database": fetches the version, count and database files from
/// `server` (e.g. "http://host:port"; final "/"s are ignored), and when the
/// server has more entries than the stored count, replaces fakes.dat, stores
/// the count and returns the new list for the caller to put in use.
///
/// With keys, the signature file decides instead of the count: a higher
/// serial than the stored one, and a whole list that one of the keys signed.
/// The serial is stored before fakes.dat is replaced, and put back when that
/// fails.
///
/// The new list is built in memory first, from the file's text (the list and
/// a CR LF), then fakes.dat is replaced whole; when either fails, nothing has
/// changed. Temporary files a killed update left beside fakes.dat go first.
UpdateResult getNewDatabase(std::string_view server, const UpdateTarget& target,
                            platform::HttpClient& http, UpdateObserver& observer);

/// An entry count as the count file or "FakesNr" holds it: an optional sign and
/// decimal digits, with blanks (spaces, tabs) around them allowed and one line
/// end (LF or CR LF) after them; nothing when that is not what `text` holds or
/// the number does not fit in 64 bits.
std::optional<std::int64_t> parseEntryCount(std::string_view text);

/// What a signature says of a list: a refusal, or the serial of a list it
/// verifies.
struct SignatureCheck {
    std::optional<Refusal> refusal;
    std::uint64_t serial = 0;
};

/// Reads `signatureFile` and checks its comment against `keys`.
SignatureCheck checkSignature(std::string_view signatureFile, const std::vector<PublicKey>& keys);

/// checkSignature, and whether it signs `servedList` too (as the server
/// serves it, "[" to "]").
SignatureCheck checkSignedList(std::string_view signatureFile, const std::vector<PublicKey>& keys,
                               std::string_view servedList);

/// The list as the server serves it for a fakes.dat's text: "[", the text
/// without its final CR LF, "]".
std::string servedListOf(std::string_view fakesDat);

} // namespace update
