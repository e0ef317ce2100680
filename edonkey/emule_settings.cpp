#include "edonkey/emule_settings.h"

#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/ini_file.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"

#include <array>
#include <charconv>
#include <memory>

using namespace std::string_view_literals;

namespace edonkey {
namespace {

// eMule reads its settings into buffers of 256 UTF-16 units, NUL included.
constexpr std::size_t valueLimit = 255;

constexpr auto programName = "emule.exe"sv;
constexpr auto shellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"sv;
constexpr auto settingsBelowData = "\\eMule\\config\\preferences.ini"sv;

// How eMule compares two folders: in any letter case, a final backslash or not.
std::string folderKey(std::string_view path)
{
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.remove_suffix(1);
    return platform::lowerAscii(path);
}

enum class AnsiValues { Windows1252, Utf8 };

// A value as eMule reads it: decoded, then cut to what its buffer holds.
std::string valueOf(const platform::IniFile& ini, std::string_view section, std::string_view key,
                    AnsiValues ansi)
{
    std::string text = ini.value(section, key).value_or("");
    if (ini.encoding() == platform::IniEncoding::Ansi)
        text = ansi == AnsiValues::Utf8 ? platform::toDisplayUtf8(text)
                                        : platform::windows1252ToUtf8(text);
    return std::string(platform::cutToUtf16Units(text, valueLimit));
}

// GetPrivateProfileInt's reading: blanks, a sign, then digits as far as they go.
long leadingNumber(std::string_view text)
{
    text = platform::trimBlanks(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return negative ? -value : value;
}

// The categories' folders, from Category.ini beside preferences.ini; eMule
// writes their values as UTF-8 even in an ANSI file.
void addCategoryFolders(const std::string& folder, const ClientFileReader& read,
                        std::vector<std::string>& incoming)
{
    const auto names = platform::findFiles(folder, "Category.ini");
    const auto bytes = names.empty() ? std::nullopt : read(folder + names.front());
    if (!bytes)
        return;
    const auto ini = platform::IniFile::parse(*bytes);
    const long count =
        std::min(leadingNumber(ini.value("General", "Count").value_or("")), categoryLimit);
    for (long number = 1; number <= count; ++number) {
        std::string path =
            valueOf(ini, "Cat#" + std::to_string(number), "Incoming", AnsiValues::Utf8);
        if (!platform::trimBlanks(path).empty())
            incoming.emplace_back(platform::trimBlanks(path));
    }
}

} // namespace

std::optional<ClientSettings> emuleSettings(const std::string& path, const ClientFileReader& read)
{
    const auto bytes = read(path);
    if (!bytes)
        return std::nullopt;
    const auto ini = platform::IniFile::parse(*bytes);
    ClientSettings settings;

    // TempDir, then TempDirs, as one list of folders separated by '|'.
    const std::string listed = valueOf(ini, "eMule", "TempDir", AnsiValues::Windows1252) + "|" +
                               valueOf(ini, "eMule", "TempDirs", AnsiValues::Windows1252);
    std::vector<std::string> seen;
    std::size_t start = 0;
    while (start <= listed.size()) {
        const std::size_t bar = std::min(listed.find('|', start), listed.size());
        const std::string_view entry =
            platform::trimBlanks(std::string_view(listed).substr(start, bar - start));
        start = bar + 1;
        if (entry.empty() || std::find(seen.begin(), seen.end(), folderKey(entry)) != seen.end())
            continue;
        seen.push_back(folderKey(entry));
        settings.tempFolders.emplace_back(entry);
    }

    const std::string incoming = valueOf(ini, "eMule", "IncomingDir", AnsiValues::Windows1252);
    if (!platform::trimBlanks(incoming).empty())
        settings.incomingFolders.emplace_back(platform::trimBlanks(incoming));
    addCategoryFolders(platform::folderOf(path), read, settings.incomingFolders);
    return settings;
}

fakedb::RatedFakes emuleRatedFakes(const std::string& path, const ClientFileReader& read)
{
    const std::string folder = platform::folderOf(path);
    const auto names = platform::findFiles(folder, "fileinfo.ini");
    const auto bytes = names.empty() ? std::nullopt : read(folder + names.front());
    if (!bytes)
        return {};
    auto ini = std::make_shared<const platform::IniFile>(platform::IniFile::parse(*bytes));
    return {[ini](std::string_view hash) {
                return leadingNumber(ini->value(hash, "Rate").value_or("")) == fakeRating;
            },
            std::string(ratedFakeInEmule)};
}

bool namesEmule(std::string_view command)
{
    return platform::findIgnoringCase(command, programName) != std::string_view::npos;
}

std::string emuleProgramFolder(std::string_view command)
{
    std::string_view program = command.substr(0, platform::findIgnoringCase(command, programName));
    program = platform::trimBlanks(program);
    if (!program.empty() && program.front() == '"')
        program.remove_prefix(1);
    const std::size_t separator = program.find_last_of("\\/");
    return separator == std::string_view::npos ? std::string()
                                               : std::string(program.substr(0, separator + 1));
}

std::optional<std::string> findEmuleSettings(std::string_view programFolder,
                                             platform::Registry& registry,
                                             const std::string& prefix)
{
    using platform::RegistryRoot;
    const platform::PathContext inPrefix{prefix, std::nullopt};
    const auto mapped = [&](const std::string& windowsPath) {
        return platform::mapWindowsPath(windowsPath, inPrefix);
    };
    // The user's local application data: as the prefix's registry names it,
    // else in the user folders of Wine's newer or older layout.
    const auto userData = [&]() -> std::optional<std::string> {
        if (const auto data =
                registry.readString(RegistryRoot::CurrentUser, shellFolders, "Local AppData"))
            return mapped(*data + std::string(settingsBelowData));
        const auto users = mapped("C:\\users\\");
        if (!users)
            return std::nullopt;
        for (const auto& user : platform::findFiles(*users, "*")) {
            for (const auto* layout : {"\\AppData\\Local", "\\Local Settings\\Application Data"}) {
                if (auto found =
                        mapped("C:\\users\\" + user + layout + std::string(settingsBelowData)))
                    return found;
            }
        }
        return std::nullopt;
    };
    const auto allUsersData = [&]() {
        const auto data =
            registry.readString(RegistryRoot::LocalMachine, shellFolders, "Common AppData");
        return mapped(data.value_or("C:\\ProgramData") + std::string(settingsBelowData));
    };
    const auto programData = [&]() {
        return mapped(std::string(programFolder) + "config\\preferences.ini");
    };

    switch (
        registry.readDword(RegistryRoot::CurrentUser, "Software\\eMule", "UsePublicUserDirectories")
            .value_or(~0u)) {
    case 0:
        return userData();
    case 1:
        return allUsersData();
    case 2:
        return programData();
    default:
        break;
    }
    if (auto found = userData())
        return found;
    if (auto found = allUsersData())
        return found;
    return programData();
}

} // namespace edonkey
