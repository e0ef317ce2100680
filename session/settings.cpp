#include "session/settings.h"

#include "platform/ini_file.h"
#include "session/folder_lock.h"

#include <cstdint>

namespace session {
namespace {
constexpr std::string_view section = "Settings";
}

Settings::Settings(ProgramFiles files, LockWaiting waiting)
    : m_files(std::move(files))
    , m_waiting(std::move(waiting))
{
}

std::string Settings::readSetting(std::string_view key) const
{
    // Asked for whole: a client folder deep in a home folder is longer than the
    // 254 bytes a Windows program would take.
    return platform::readIniString(m_files.settingIni(), section, key, SIZE_MAX);
}

bool Settings::writeSetting(std::string_view key, std::string_view value) const
{
    return withFolderLock(
        m_files,
        [&] {
            makeFolderFor(m_files, m_files.settingIni());
            platform::writeIniString(m_files.settingIni(), section, key, value);
        },
        m_waiting);
}

bool Settings::writeSettingLocked(std::string_view key, std::string_view value) const
{
    makeFolderFor(m_files, m_files.settingIni());
    return platform::writeIniString(m_files.settingIni(), section, key, value);
}

} // namespace session
