#pragma once

#include "fakedb/fake_database.h"
#include "fakedb/fake_lookup.h"
#include "fakedb/personal_list.h"
#include "platform/desktop.h"
#include "session/program_files.h"
#include "session/program_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace session {

using fakedb::FakeDatabase;
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

/// Loads the list and puts it in use once it is whole; the list in use stays
/// until then, and when the load fails. A list too large for memory is as
/// unusable as a missing one. The user's own list is loaded with it, and
/// replaced by an empty one when there is none.
ListLoad loadDatabase(ProgramState& state, const ProgramFiles& files);

/// loadDatabase, and when there is no usable list, the "No Fake Database
/// found" message, after which the program must end.
ListLoad loadDatabaseOrTell(ProgramState& state, const ProgramFiles& files,
                            platform::Desktop& desktop);

/// The fakes.dat a load reads: the user's own, unless a shared list (the first
/// of them that exists) was modified later or the user has none. Decided at
/// each load, as an update may have written the user's copy meanwhile.
std::string databaseToLoad(const ProgramFiles& files);

/// The lists in use, fakes.dat's first, then the user's own.
fakedb::FakeLookup listsInUse(const ProgramState& state);

} // namespace session
