#pragma once

#include "edonkey/program_files.h"
#include "fakedb/fake_database.h"
#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/log_box.h"

#include <string>
#include <string_view>

namespace update {

/// How "&Get new Database" ended.
enum class UpdateEnd {
    JustUpdated, // an update already ran since the last check pass; told the user
    UpToDate,    // the server has no more entries than the last update brought
    Updated,     // the new database is in use and saved as fakes.dat
    Failed,      // told the user "Error occured during updating, try again later"
};

inline constexpr std::string_view justUpdatedMessage = "You just updated the file...";
inline constexpr std::string_view updateErrorMessage =
    "Error occured during updating, try again later";

/// What an update reads and changes.
struct UpdateTarget {
    fakedb::FakeDatabase& database;
    bool& justUpdated; // set by the first transfer, cleared by every check pass
    const edonkey::ProgramFiles& files;
};

/// "&Get new Database": fetches the version, count and database files from
/// `server` (e.g. "http://host:port", without a final "/"), replaces the
/// database in memory and fakes.dat when the server has more entries than
/// "FakesNr" says, and reports each step in the log.
UpdateEnd getNewDatabase(std::string_view server, const UpdateTarget& target,
                         platform::HttpClient& http, platform::Desktop& desktop,
                         platform::LogBox& log);

} // namespace update
