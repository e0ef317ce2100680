#pragma once

#include "session/program_files.h"
#include "session/program_state.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace session {

/// Loads fakes.dat into the state's database, calling `yield` after each
/// block; the entry count the program reports, or nothing when there is no
/// usable database (missing, unreadable, too large for memory).
std::optional<std::uint64_t> loadDatabase(ProgramState& state, const ProgramFiles& files,
                                          const std::function<void()>& yield);

/// The fakes.dat a load reads: the user's own, unless a shared list (the first
/// of them that exists) was modified later or the user has none. Decided at
/// each load, as an update may have written the user's copy meanwhile.
std::string databaseToLoad(const ProgramFiles& files);

} // namespace session
