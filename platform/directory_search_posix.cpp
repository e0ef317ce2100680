#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/wildcard.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace platform {

std::vector<std::string> findFiles(const std::string& folder, std::string_view pattern)
{
    std::vector<std::string> names;
    DIR* listing = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!listing)
        return names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (!entry) {
            if (errno != 0)
                names.clear(); // a folder that cannot be read through lists nothing
            break;
        }
        const std::string_view name(entry->d_name);
        if (name != "." && name != ".." && matchesWildcard(pattern, name))
            names.emplace_back(name);
    }
    ::closedir(listing);

    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& name : names)
        keyed.emplace_back(lowerAscii(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [lower, name] : keyed)
        names.push_back(std::move(name));
    return names;
}

std::string folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string withFinalSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace platform
