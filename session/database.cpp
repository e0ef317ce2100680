#include "session/database.h"

#include "platform/files.h"
#include "session/texts.h"

namespace session {

ListLoad loadDatabase(ProgramState& state, const ProgramFiles& files)
{
    ListLoad load{fakedb::LoadEnd::Unreadable, 0, databaseToLoad(files), {}};
    auto personal = fakedb::readPersonalList(platform::readFile(files.myFakesDat()).value_or(""));
    load.personalBadLines = std::move(personal.badLines);
    state.personal.replace(std::move(personal.list));
    auto loaded = fakedb::loadFakeDatabase(load.path);
    load.end = loaded.end;
    if (!loaded)
        return load;
    load.entries = loaded.entries;
    state.list.replace(std::move(loaded.database));
    return load;
}

ListLoad loadDatabaseOrTell(ProgramState& state, const ProgramFiles& files,
                            platform::Desktop& desktop)
{
    auto load = loadDatabase(state, files);
    if (!load)
        desktop.showMessage(texts::noDatabase);
    return load;
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

fakedb::FakeLookup listsInUse(const ProgramState& state)
{
    return {state.list.current(), state.personal.current()};
}

} // namespace session
