#pragma once

#include "fakedb/fake_database.h"
#include "platform/file_lock.h"
#include "platform/http_client.h"

#include <cstdint>
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

class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    virtual void onProgress(UpdateProgress progress) = 0;
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
};

struct UpdateResult {
    UpdateEnd end = UpdateEnd::Failed;
    UpdateStep failedStep = UpdateStep::None;
    std::string entryCount; // after Updated: the count to store for the next update
    std::shared_ptr<const fakedb::FakeDatabase> database; // after Updated: the new list
};

/// What an update reads and changes.
struct UpdateTarget {
    std::string fakesDatPath;
    std::string storedEntryCount; // the count the last update stored; empty before the first
    platform::SectionGuard guardSaving = {}; // runs the write of fakes.dat
};

/// The update server the programs use, chosen when the project is configured
/// (the CMake cache variable BRISQUEN_UPDATE_SERVER).
std::string_view defaultServer();

/// "&Get new Database": fetches the version, count and database files from
/// `server` (e.g. "http://host:port"; final "/"s are ignored), and when the
/// server has more entries than the stored count, replaces fakes.dat and
/// returns the new list for the caller to put in use.
///
/// The new list is built in memory first, from the file's text (the list and
/// a CR LF), then fakes.dat is replaced whole; when either fails, nothing has
/// changed.
UpdateResult getNewDatabase(std::string_view server, const UpdateTarget& target,
                            platform::HttpClient& http, UpdateObserver& observer);

/// An entry count as the count file or "FakesNr" holds it: an optional sign and
/// decimal digits, with blanks (spaces, tabs) around them allowed and one line
/// end (LF or CR LF) after them; nothing when that is not what `text` holds or
/// the number does not fit in 64 bits.
std::optional<std::int64_t> parseEntryCount(std::string_view text);

} // namespace update
