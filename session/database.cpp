#include "session/database.h"

#include "platform/files.h"
#include "session/texts.h"
#include "session/update_command.h"

#include <chrono>

namespace session {

namespace {

// A file's change time is only as fine as the kernel's clock tick: one that
// changed this recently may change again under the same stamp. Every write,
// and every change of its modification time, sets the change time to now.
constexpr std::int64_t settledAfterNs = 2'000'000'000;

bool settled(const platform::FileStamp& stamp)
{
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    return now - stamp.changed >= settledAfterNs;
}

// Whether the list in use was loaded from `path` as it is now.
bool inUseAsItIs(const ProgramState& state, const std::string& path,
                 const std::optional<platform::FileStamp>& stamp)
{
    const auto& loaded = state.listLoadedFrom;
    return loaded && stamp && loaded->path == path && loaded->stamp == *stamp &&
           state.list.current();
}

} // namespace

ListLoad loadDatabase(ProgramState& state, const ProgramFiles& files, const std::stop_token& stop,
                      fakedb::ListReading reading)
{
    ListLoad load{fakedb::LoadEnd::Unreadable, 0, databaseToLoad(files), {}};
    auto personal = fakedb::readPersonalList(platform::readFile(files.myFakesDat()).value_or(""));
    // A list that has not changed since it was loaded stays in use, unread:
    // reading hundreds of MB again would be work for nothing.
    const auto stamp = platform::fileStamp(load.path);
    fakedb::LoadResult loaded;
    if (inUseAsItIs(state, load.path, stamp)) {
        loaded = {fakedb::LoadEnd::Loaded, state.listLoadedFrom->entries, state.list.current()};
    } else {
        // A changed list takes the place of the one in use, which goes first:
        // memory never holds both. A check asked meanwhile waits for the new
        // one, as it does before the first.
        if (stamp && !stop.stop_requested()) {
            state.listLoadedFrom.reset();
            state.list.replace(nullptr);
        }
        loaded = fakedb::loadFakeDatabase(load.path, stop, reading);
    }
    load.end = loaded.end;
    // The user's list goes in use with fakes.dat, so a stop leaves it as it was.
    if (load.end == fakedb::LoadEnd::Stopped)
        return load;
    load.personalBadLines = std::move(personal.badLines);
    state.personal.replace(std::move(personal.list));
    if (!loaded) {
        state.listLoadedFrom.reset();
        return load;
    }
    load.entries = loaded.entries;
    // Stamped as it was before the read: a change during it shows next time.
    if (stamp && settled(*stamp))
        state.listLoadedFrom = ProgramState::LoadedFrom{load.path, *stamp, loaded.entries};
    else
        state.listLoadedFrom.reset();
    state.list.replace(std::move(loaded.database));
    return load;
}

ListLoad loadDatabaseOrTell(ProgramState& state, const ProgramFiles& files,
                            platform::Desktop& desktop, const std::stop_token& stop)
{
    auto load = loadDatabase(state, files, stop);
    if (!load && load.end != fakedb::LoadEnd::Stopped)
        desktop.showMessage(texts::noDatabase);
    return load;
}

namespace {

/// The serial of a shared list that one of `keys` signed, by the signature
/// file beside it; nothing when it has none that verifies.
std::optional<std::uint64_t> signedSerialOf(const std::string& list,
                                            const std::vector<update::PublicKey>& keys)
{
    const auto signature = platform::readFile(list + ".minisig", update::maxSignatureSize);
    const auto text = signature ? platform::readFile(list) : std::nullopt;
    if (!text)
        return std::nullopt;
    const auto check = update::checkSignedList(*signature, keys, update::servedListOf(*text));
    if (check.refusal)
        return std::nullopt;
    return check.serial;
}

struct ListChoice {
    std::string path;
    std::optional<std::uint64_t> serial; // of a signed list
};

// With keys, a shared list must carry its own valid signature and a serial
// above the one of the user's list: its date proves nothing.
ListChoice chooseList(const ProgramFiles& files)
{
    const auto keys = trustedKeys(files).keys;
    if (keys.empty())
        return {databaseToLoadUnsigned(files), std::nullopt};
    const auto own = storedSerial(files);
    for (const auto& shared : files.sharedLists) {
        if (!platform::fileSize(shared))
            continue;
        const auto serial = signedSerialOf(shared, keys);
        if (serial && (!own || *serial > *own || !platform::fileSize(files.fakesDat())))
            return {shared, serial};
        break;
    }
    return {files.fakesDat(), own};
}

} // namespace

std::string databaseToLoad(const ProgramFiles& files)
{
    return chooseList(files).path;
}

bool offersFirstList(const ProgramFiles& files)
{
    return files.installed && !platform::fileSize(databaseToLoad(files));
}

std::optional<std::uint64_t> serialInUse(const ProgramFiles& files)
{
    return chooseList(files).serial;
}

std::string databaseToLoadUnsigned(const ProgramFiles& files)
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
