#include "edonkey/edonkey2000_folder.h"

#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/files.h"
#include "platform/windows_path.h"

namespace edonkey {
namespace {

// Position of the last backslash at the second character or later, or npos.
// Registry values are Windows paths, so the separator is always a backslash.
std::size_t lastBackslashFromSecond(std::string_view value)
{
    const std::size_t pos = value.rfind('\\');
    return (pos == std::string_view::npos || pos == 0) ? std::string_view::npos : pos;
}

// The DefaultIcon value is the client's program path, maybe followed by an
// icon index: its folder runs from the first character to the last backslash.
std::string folderFromDefaultIcon(std::string_view value)
{
    const std::size_t cut = lastBackslashFromSecond(value);
    if (cut == std::string_view::npos)
        return std::string(value.substr(0, 1));
    return std::string(value.substr(0, cut + 1));
}

// The open command starts with the quoted program path: drop the quote.
std::string folderFromOpenCommand(std::string_view value)
{
    const std::size_t cut = lastBackslashFromSecond(value);
    if (cut == std::string_view::npos)
        return {};
    return std::string(value.substr(1, cut));
}

// The Linux folder a stored or registered folder names, if it is one: the
// folder as it stands, else the one a Windows path names in the Wine prefix.
std::string ifFolder(const std::string& folder, const std::optional<std::string>& winePrefix)
{
    if (platform::isFolder(folder))
        return folder;
    const auto mapped = platform::mapWindowsPath(folder, {winePrefix, std::nullopt});
    return mapped && platform::isFolder(*mapped) ? platform::withFinalSlash(*mapped)
                                                 : std::string();
}

} // namespace

std::string storedClientFolder(const std::string& storedFolder,
                               const std::optional<std::string>& winePrefix)
{
    return ifFolder(storedFolder, winePrefix);
}

std::string registeredDonkeyFolder(platform::Registry& registry,
                                   const std::optional<std::string>& winePrefix)
{
    if (auto icon = registry.readClassesRootDefault("ed2k\\DefaultIcon")) {
        if (std::string folder = ifFolder(folderFromDefaultIcon(*icon), winePrefix);
            !folder.empty())
            return folder;
    }
    if (auto command = registry.readClassesRootDefault("ed2k\\shell\\open\\command"))
        return ifFolder(folderFromOpenCommand(*command), winePrefix);
    return {};
}

std::string findDonkeyFolder(const std::string& storedFolder, platform::Registry& registry,
                             const std::optional<std::string>& winePrefix)
{
    if (std::string folder = ifFolder(storedFolder, winePrefix); !folder.empty())
        return folder;
    return registeredDonkeyFolder(registry, winePrefix);
}

std::string folderOfChosenPrefMet(std::string_view chosenPath)
{
    const std::size_t hit = platform::findIgnoringCase(chosenPath, prefMetName);
    if (hit != std::string_view::npos)
        return std::string(chosenPath.substr(0, hit));
    // The user typed another file name: that file is read as the pref.met, and
    // its folder is the one remembered.
    return platform::folderOf(chosenPath);
}

} // namespace edonkey
