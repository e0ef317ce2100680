#pragma once

#include "edonkey/program_files.h"
#include "fakedb/fake_database.h"
#include "platform/desktop.h"
#include "platform/http_client.h"
#include "platform/log_box.h"

#include <cstdint>
#include <optional>
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

/// The log lines of an update; each is appended with a CR LF after it.
inline constexpr std::string_view connectingLine = "*** Connecting to the server... ";
inline constexpr std::string_view newerVersionLine =
    "*** There is a newer version of brisquen available, please download it.";
inline constexpr std::string_view upToDateLine = "*** You already got the newest database... ";
inline constexpr std::string_view downloadedLine = "*** New Database downloaded";
inline constexpr std::string_view savedLine = "*** New Database saved on disk";

/// The three files of the update server, under its address.
inline constexpr std::string_view versionFilePath = "/brisquen/update/brisquen.txt";
inline constexpr std::string_view countFilePath = "/brisquen/update/fakes.txt";
inline constexpr std::string_view databaseFilePath = "/brisquen/update/fakes.dat";

/// The version file holds exactly this while no newer program exists.
inline constexpr std::string_view programVersion = "20";

/// The update server the programs use, chosen when the project is configured
/// (the CMake cache variable BRISQUEN_UPDATE_SERVER).
std::string_view defaultServer();

/// What an update reads and changes.
struct UpdateTarget {
    fakedb::FakeDatabase& database;
    bool& justUpdated; // set by the first transfer, cleared by every check pass
    const edonkey::ProgramFiles& files;
};

/// "&Get new Database": fetches the version, count and database files from
/// `server` (e.g. "http://host:port"; final "/"s are ignored), replaces the
/// database in memory and fakes.dat when the server has more entries than
/// "FakesNr" says, and reports each step in the log.
///
/// fakes.dat is replaced whole or not at all, and the database in memory only
/// once the file is written, by the file's text (the list and a CR LF), so
/// both always hold the same list. "FakesNr" changes only after both, so a
/// failed attempt fetches the database again.
UpdateEnd getNewDatabase(std::string_view server, const UpdateTarget& target,
                         platform::HttpClient& http, platform::Desktop& desktop,
                         platform::LogBox& log);

/// An entry count as the count file or "FakesNr" holds it: an optional sign and
/// decimal digits, with blanks (spaces, tabs) around them allowed and one line
/// end (LF or CR LF) after them; nothing when that is not what `text` holds or
/// the number does not fit in 64 bits.
std::optional<std::int64_t> parseEntryCount(std::string_view text);

} // namespace update
