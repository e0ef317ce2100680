#pragma once

#include "fakedb/fake_database.h"
#include "fakedb/fake_lookup.h"
#include "fakedb/personal_list.h"
#include "platform/desktop.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace session {

using fakedb::FakeDatabase;
using fakedb::ListReading;
using fakedb::LoadEnd;

/// How a load of the list ended.
struct ListLoad {
    fakedb::LoadEnd end = fakedb::LoadEnd::Unreadable;
    std::uint64_t entries = 0; // the count the program reports, when loaded
    std::string path;          // the file it read, or tried to
    /// myfakes.dat's lines that were left out; the file is read whether
    /// fakes.dat could be or not.
    std::vector<fakedb::BadLine> personalBadLines;

    explicit operator bool() const { return end == fakedb::LoadEnd::Loaded; }
};

/// Loads the list and puts it in use once it is whole. A list unchanged since
/// it was loaded stays in use unread; a changed one takes the place of the
/// list in use, which is let go before it is read (so no check answers from
/// a half list, and memory never holds two); a missing one leaves the list in
/// use. A list too large for memory is as unusable as a missing one. The
/// user's own list is loaded with it, and replaced by an empty one when there
/// is none. When `stop` asks, the load ends within milliseconds as
/// LoadEnd::Stopped, and the user's list stays in use; so does fakes.dat's
/// unless its read had begun.
ListLoad loadDatabase(ProgramState& state, const ProgramFiles& files,
                      const std::stop_token& stop = {},
                      fakedb::ListReading reading = fakedb::ListReading::Ahead);

/// loadDatabase, and when there is no usable list, the "No Fake Database
/// found" message, after which the program must end. A stopped load is no
/// missing list: it shows nothing.
ListLoad loadDatabaseOrTell(ProgramState& state, const ProgramFiles& files,
                            platform::Desktop& desktop, const std::stop_token& stop = {});

/// The fakes.dat a load reads: the user's own, unless a shared list (the first
/// of them that exists) was modified later or the user has none. Decided at
/// each load, as an update may have written the user's copy meanwhile.
///
/// With trusted keys (see trustedKeys), a shared list is read only when its
/// own signature, fakes.dat.minisig beside it, verifies and its serial is
/// above the user's.
std::string databaseToLoad(const ProgramFiles& files);

/// The lists in use, fakes.dat's first, then the user's own.
fakedb::FakeLookup listsInUse(const ProgramState& state);

/// Whether an installed copy starts with no list anywhere, and so offers to
/// fetch one before its first pass; a portable copy never does.
bool offersFirstList(const ProgramFiles& files);

/// databaseToLoad as it is without trusted keys: the later of the two.
std::string databaseToLoadUnsigned(const ProgramFiles& files);

/// The serial of the signed list a load reads; nothing while lists are taken
/// unsigned, or none was taken yet.
std::optional<std::uint64_t> serialInUse(const ProgramFiles& files);

} // namespace session
