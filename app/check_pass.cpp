#include "app/check_pass.h"

#include "edonkey/donkey_folder.h"
#include "edonkey/pref_met.h"
#include "edonkey/temp_folder_scan.h"

namespace app {

PassEnd checkPass(ProgramState& state, const PassServices& services,
                  const std::optional<std::string>& prefMet)
{
    const auto yield = [&services] {
        services.desktop.yield();
    };
    platform::LogBox& log = services.log;
    state.justUpdated = false;

    log.replace("*** Loading Database..");
    const auto entries = fakedb::loadFakeDatabase(state.database, services.files.fakesDat(), yield);
    if (!entries) {
        services.desktop.showMessage(noDatabaseMessage);
        return PassEnd::DatabaseMissing;
    }
    log.append(".done ( " + std::to_string(*entries) + " entries loaded )\r\n");

    const edonkey::Settings settings(services.files.settingIni());
    const std::string prefMetPath =
        prefMet ? *prefMet : edonkey::locatePrefMet(settings, services.registry, services.desktop);
    if (prefMetPath.empty())
        return PassEnd::Cancelled;

    const auto tempFolder = edonkey::extractTempFolder(prefMetPath, services.files, yield);
    if (!tempFolder) {
        services.desktop.showMessage(noTempFolderMessage);
        return PassEnd::TempFolderError;
    }

    log.append("*** Checking Files..\r\n");
    const auto scan =
        edonkey::scanTempFolder(*tempFolder, services.files, state.database, log, yield);
    if (!scan.foundPartFiles)
        return PassEnd::NothingToCheck;
    if (!scan.foundFake) {
        log.append("*** No fakes found in your temp folder !\r\n");
        return PassEnd::Clean;
    }
    log.append("\r\n*** Finished checking.\r\n");
    return PassEnd::FakesFound;
}

} // namespace app
