#pragma once

#include "fakedb/fake_database.h"

#include <string>

namespace session {

/// What the program keeps between commands.
struct ProgramState {
    fakedb::FakeDatabase database;
    bool justUpdated = false; // set by a database update, cleared by every check pass
    /// Where the next file dialog opens: the client folder once discovery found
    /// it, the temp folder after a scan, the chosen file's folder after a
    /// dialog; empty (the folder the program started in) before any of them.
    std::string dialogFolder;
};

} // namespace session
