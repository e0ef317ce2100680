#include "session/client_folder.h"

#include "edonkey/donkey_folder.h"
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
        state.dialogFolder = edonkey::folderOf(chosen);
    return chosen;
}

void storeChosenPrefMet(const ProgramFiles& files, std::string_view chosenPath)
{
    Settings(files).writeSetting(prefPathKey, edonkey::folderToStore(std::string(chosenPath)));
}

std::optional<edonkey::Client> locatePrefMet(ProgramState& state, const ProgramFiles& files,
                                             const edonkey::ClientSearch& search,
                                             platform::Desktop& desktop)
{
    const Settings settings(files);
    if (auto found = edonkey::findClient(settings.readSetting(prefPathKey), search)) {
        settings.writeSetting(prefPathKey, found->folder);
        state.dialogFolder = found->folder;
        return std::move(found->client);
    }
    desktop.showMessage(texts::folderNotFound);
    const std::string chosen = chooseDonkeyFile(state, desktop, settingsFilePattern());
    if (chosen.empty())
        return std::nullopt;
    storeChosenPrefMet(files, chosen);
    return edonkey::clientOfFile(chosen);
}

} // namespace session
