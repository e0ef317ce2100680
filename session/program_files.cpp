#include "session/program_files.h"

#include "platform/directory_search.h"
#include "platform/files.h"

#ifndef BRISQUEN_INSTALLED_BINDIR
#error "BRISQUEN_INSTALLED_BINDIR must name the installed binaries folder (set by CMake)"
#endif

namespace session {
namespace {

constexpr std::string_view ownFolder = "brisquen/";

std::string withSlash(std::string_view folder)
{
    std::string out(folder);
    if (!out.ends_with('/'))
        out += '/';
    return out;
}

// The XDG rules ignore a variable that is empty or holds a relative path.
bool usable(const std::optional<std::string>& folder)
{
    return folder && folder->starts_with('/');
}

// $variable, else $HOME/fallback; nothing when neither is usable.
std::optional<std::string> baseFolder(const std::optional<std::string>& variable,
                                      const std::optional<std::string>& home,
                                      std::string_view fallback)
{
    if (usable(variable))
        return withSlash(*variable);
    if (usable(home))
        return withSlash(*home) + std::string(fallback);
    return std::nullopt;
}

std::vector<std::string> sharedListsIn(const std::optional<std::string>& dataDirs)
{
    const std::string list =
        dataDirs && !dataDirs->empty() ? *dataDirs : "/usr/local/share:/usr/share";
    std::vector<std::string> lists;
    for (std::size_t start = 0; start <= list.size();) {
        auto end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string folder = list.substr(start, end - start);
        if (folder.starts_with('/'))
            lists.push_back(withSlash(folder) + std::string(ownFolder) + "fakes.dat");
        start = end + 1;
    }
    return lists;
}

} // namespace

std::string_view installedBinFolder()
{
    return BRISQUEN_INSTALLED_BINDIR;
}

std::optional<ProgramFiles> programFilesFor(const platform::Environment& environment,
                                            std::string_view installedBinFolder)
{
    if (withSlash(environment.executableFolder) != withSlash(installedBinFolder))
        return ProgramFiles{environment.executableFolder};

    const auto config = baseFolder(environment.xdgConfigHome, environment.home, ".config/");
    const auto data = baseFolder(environment.xdgDataHome, environment.home, ".local/share/");
    if (!config || !data)
        return std::nullopt;
    return ProgramFiles{*data + std::string(ownFolder), *config + std::string(ownFolder),
                        sharedListsIn(environment.xdgDataDirs), true};
}

bool makeFolderFor(const ProgramFiles& files, const std::string& path)
{
    // A portable program's folder is its executable's, which exists.
    if (!files.installed)
        return true;
    return platform::makeFolders(platform::folderOf(path));
}

} // namespace session
