#include "session/database.h"

namespace session {

std::optional<std::uint64_t> loadDatabase(ProgramState& state, const ProgramFiles& files,
                                          const std::function<void()>& yield)
{
    return fakedb::loadFakeDatabase(state.database, files.fakesDat(), yield);
}

} // namespace session
