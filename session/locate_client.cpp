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

std::string chooseDonkeyFile(ProgramState& state, platform::Desktop& desktop,
                             std::string_view pattern)
{
    std::string chosen = desktop.chooseFile(pattern, texts::chooseFileTitle, state.dialogFolder);
    if (!chosen.empty())
        state.dialogFolder = platform::folderOf(chosen);
    return chosen;
}

bool storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath)
{
    return Settings(files).writeSetting(prefPathKey,
                                        edonkey::folderToStore(std::string(chosenPath)));
}

LocatedClient locatePrefMet(ProgramState& state, const ProgramFiles& files,
                            platform::Registry& registry, const ClientPlaces& places,
                            platform::Desktop& desktop)
{
    const Settings settings(files);
    const edonkey::ClientSearch search{registry, places.winePrefix, places.home};
    if (auto found = edonkey::findClient(settings.readSetting(prefPathKey), search)) {
        if (!settings.writeSetting(prefPathKey, found->folder))
            return {Located::FolderBusy, {}};
        state.dialogFolder = found->folder;
        return {Located::Found, std::move(found->client)};
    }
    desktop.showMessage(texts::folderNotFound);
    const std::string chosen = chooseDonkeyFile(state, desktop, settingsFilePattern());
    if (chosen.empty())
        return {Located::Cancelled, {}};
    if (!storeChosenPrefMet(files, chosen))
        return {Located::FolderBusy, {}};
    return {Located::Found, edonkey::clientOfFile(chosen)};
}

LocatedClient clientToCheck(const std::optional<std::string>& given, ProgramState& state,
                            const ProgramFiles& files, platform::Registry& registry,
                            const ClientPlaces& places, platform::Desktop& desktop)
{
    if (given)
        return {Located::Found, edonkey::clientAt(*given)};
    return locatePrefMet(state, files, registry, places, desktop);
}

std::optional<edonkey::Client> storedClient(const ProgramFiles& files,
                                            const std::optional<std::string>& winePrefix)
{
    return edonkey::storedClient(Settings(files).readSetting(prefPathKey), winePrefix);
}

} // namespace session
