#include "session/client_folder.h"

#include "edonkey/donkey_folder.h"
#include "session/settings.h"
#include "session/texts.h"

namespace session {

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
    Settings(files).writeSetting(prefPathKey, edonkey::folderOfChosenPrefMet(chosenPath));
}

std::string locatePrefMet(ProgramState& state, const ProgramFiles& files,
                          platform::Registry& registry, platform::Desktop& desktop,
                          const std::optional<std::string>& winePrefix)
{
    const Settings settings(files);
    if (std::string folder =
            edonkey::findDonkeyFolder(settings.readSetting(prefPathKey), registry, winePrefix);
        !folder.empty()) {
        settings.writeSetting(prefPathKey, folder);
        state.dialogFolder = folder;
        return folder + std::string(edonkey::prefMetName);
    }
    desktop.showMessage(texts::folderNotFound);
    std::string chosen = chooseDonkeyFile(state, desktop, edonkey::prefMetName);
    if (!chosen.empty())
        storeChosenPrefMet(files, chosen);
    return chosen;
}

} // namespace session
