#include "session/database.h"

#include <new>

namespace session {

std::optional<std::uint64_t> loadDatabase(ProgramState& state, const ProgramFiles& files,
                                          const std::function<void()>& yield)
{
    // A list too large for memory is no usable database, whatever layer noticed.
    try {
        const auto loaded = fakedb::loadFakeDatabase(state.database, files.fakesDat(), yield);
        return loaded ? std::optional(loaded.entries) : std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace session
