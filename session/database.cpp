#include "session/database.h"

#include "platform/files.h"

#include <new>

namespace session {

std::optional<std::uint64_t> loadDatabase(ProgramState& state, const ProgramFiles& files,
                                          const std::function<void()>& yield)
{
    // A list too large for memory is no usable database, whatever layer noticed.
    try {
        const auto loaded = fakedb::loadFakeDatabase(state.database, databaseToLoad(files), yield);
        return loaded ? std::optional(loaded.entries) : std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::string databaseToLoad(const ProgramFiles& files)
{
    const auto own = platform::fileModifiedTime(files.fakesDat());
    for (const auto& shared : files.sharedLists) {
        if (const auto modified = platform::fileModifiedTime(shared))
            return own && *own >= *modified ? files.fakesDat() : shared;
    }
    return files.fakesDat();
}

} // namespace session
