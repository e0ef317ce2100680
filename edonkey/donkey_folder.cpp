#include "edonkey/donkey_folder.h"

#include "platform/files.h"

#include <algorithm>
#include <cctype>

namespace edonkey {
namespace {

constexpr std::string_view prefPathKey = "PrefPath";
constexpr std::string_view prefMetName = "pref.met";

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

std::string enterFolder(std::string folder)
{
    return platform::setCurrentDirectory(folder) ? folder : std::string();
}

} // namespace

std::string findDonkeyFolder(const Settings& settings, platform::Registry& registry)
{
    std::string stored = settings.readSetting(prefPathKey);
    if (platform::setCurrentDirectory(stored))
        return stored;

    if (auto icon = registry.readClassesRootDefault("ed2k\\DefaultIcon")) {
        if (std::string folder = enterFolder(folderFromDefaultIcon(*icon)); !folder.empty())
            return folder;
    }
    if (auto command = registry.readClassesRootDefault("ed2k\\shell\\open\\command"))
        return enterFolder(folderFromOpenCommand(*command));
    return {};
}

std::string chooseDonkeyFile(platform::Desktop& desktop, std::string_view pattern)
{
    return desktop.chooseFile(pattern, chooseFileTitle, platform::currentDirectory());
}

std::string folderOfChosenPrefMet(std::string_view chosenPath)
{
    const auto lowerEqual = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    const auto hit = std::search(chosenPath.begin(), chosenPath.end(), prefMetName.begin(),
                                 prefMetName.end(), lowerEqual);
    if (hit != chosenPath.end())
        return std::string(chosenPath.begin(), hit);
    // The user typed another file name: that file is read as the pref.met, and
    // its folder is the one remembered.
    const std::size_t slash = chosenPath.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(chosenPath.substr(0, slash + 1));
}

std::string locatePrefMet(const Settings& settings, platform::Registry& registry,
                          platform::Desktop& desktop)
{
    if (std::string folder = findDonkeyFolder(settings, registry); !folder.empty()) {
        settings.writeSetting(prefPathKey, folder);
        return folder + std::string(prefMetName);
    }
    desktop.showMessage(folderNotFoundMessage);
    std::string chosen = chooseDonkeyFile(desktop, prefMetName);
    if (!chosen.empty())
        settings.writeSetting(prefPathKey, folderOfChosenPrefMet(chosen));
    return chosen;
}

void changeDonkeyFolder(const Settings& settings, platform::Desktop& desktop)
{
    const std::string chosen = chooseDonkeyFile(desktop, prefMetName);
    if (!chosen.empty())
        settings.writeSetting(prefPathKey, folderOfChosenPrefMet(chosen));
}

} // namespace edonkey
