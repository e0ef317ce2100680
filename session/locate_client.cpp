#include "session/locate_client.h"

#include "edonkey/edonkey2000_folder.h"
#include "platform/directory_search.h"
#include "session/settings.h"
#include "session/texts.h"

namespace session {

std::string settingsFilePattern()
{
    std::string pattern;
    for (const auto& rules : edonkey::clientKinds()) {
        if (!pattern.empty())
            pattern += ' ';
        pattern += rules.settingsFile;
    }
    return pattern;
}

FileQuestion donkeyFileQuestion(const ProgramState& state, std::string_view pattern,
                                std::string_view message)
{
    return {std::string(message), std::string(pattern), std::string(texts::chooseFileTitle),
            state.dialogFolder};
}

const std::string& rememberChosen(ProgramState& state, const std::string& chosen)
{
    if (!chosen.empty())
        state.dialogFolder = platform::folderOf(chosen);
    return chosen;
}

bool storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath,
                        const LockWaiting& waiting)
{
    return Settings(files, waiting)
        .writeSetting(prefPathKey, edonkey::folderToStore(std::string(chosenPath)));
}

LocatedClient locatePrefMet(ProgramState& state, const ProgramFiles& files,
                            platform::Registry& registry, const ClientPlaces& places,
                            const LockWaiting& waiting, const std::stop_token& stop)
{
    const Settings settings(files, waiting);
    const edonkey::ClientSearch search{registry, places.winePrefix, places.home};
    auto found = edonkey::findClient(settings.readSetting(prefPathKey), search);
    if (stop.stop_requested())
        return {Located::Cancelled, {}, {}};
    if (found) {
        if (!settings.writeSetting(prefPathKey, found->folder))
            return {Located::FolderBusy, {}, {}};
        state.dialogFolder = found->folder;
        return {Located::Found, std::move(found->client), {}};
    }
    return {Located::AsksUser,
            {},
            donkeyFileQuestion(state, settingsFilePattern(), texts::folderNotFound)};
}

LocatedClient clientOfChosen(ProgramState& state, const ProgramFiles& files,
                             const std::string& chosen, const LockWaiting& waiting)
{
    if (rememberChosen(state, chosen).empty())
        return {Located::Cancelled, {}, {}};
    if (!storeChosenPrefMet(files, chosen, waiting))
        return {Located::FolderBusy, {}, {}};
    return {Located::Found, edonkey::clientOfFile(chosen), {}};
}

LocatedClient clientToCheck(const std::optional<std::string>& given, ProgramState& state,
                            const ProgramFiles& files, platform::Registry& registry,
                            const ClientPlaces& places, const LockWaiting& waiting,
                            const std::stop_token& stop)
{
    if (given)
        return {Located::Found, edonkey::clientAt(*given), {}};
    return locatePrefMet(state, files, registry, places, waiting, stop);
}

std::optional<edonkey::Client> storedClient(const ProgramFiles& files,
                                            const std::optional<std::string>& winePrefix)
{
    return edonkey::storedClient(Settings(files).readSetting(prefPathKey), winePrefix);
}

} // namespace session
