#include "session/settings.h"

#include "platform/ini_file.h"

namespace session {
namespace {
constexpr std::string_view section = "Settings";
}

Settings::Settings(std::string iniPath)
    : m_iniPath(std::move(iniPath))
{
}

std::string Settings::readSetting(std::string_view key) const
{
    return platform::readIniString(m_iniPath, section, key);
}

void Settings::writeSetting(std::string_view key, std::string_view value) const
{
    platform::writeIniString(m_iniPath, section, key, value);
}

} // namespace session
