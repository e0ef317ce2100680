#include "edonkey/settings.h"

#include "platform/ini_file.h"

namespace edonkey {
namespace {
constexpr std::string_view section = "Settings";
}

Settings::Settings(std::string iniPath)
    : m_iniPath(std::move(iniPath))
{
}

std::string Settings::readSetting(std::string_view key) const
{
    std::string value = platform::readIniString(m_iniPath, section, key);
    // The value is handed over as a C string: it ends at its first NUL.
    if (const auto nul = value.find('\0'); nul != std::string::npos)
        value.resize(nul);
    return value;
}

void Settings::writeSetting(std::string_view key, std::string_view value) const
{
    platform::writeIniString(m_iniPath, section, key, value);
}

} // namespace edonkey
