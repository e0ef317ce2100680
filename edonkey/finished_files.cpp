#include "edonkey/finished_files.h"

#include "platform/directory_search.h"
#include "platform/files.h"

namespace edonkey {

std::vector<std::string> listFinishedFiles(const std::string& folder)
{
    const std::string prefix = platform::withFinalSlash(folder);
    std::vector<std::string> paths;
    for (const std::string& name : platform::findFiles(prefix, "*")) {
        if (platform::fileSize(prefix + name))
            paths.push_back(prefix + name);
    }
    return paths;
}

std::variant<std::string, HashError> finishedFileLink(const std::string& path,
                                                      const HashProgress& progress)
{
    const auto result = hashFile(path, progress);
    if (const auto* error = std::get_if<HashError>(&result))
        return *error;
    const auto& hash = std::get<FileHash>(result);
    return ed2kFileLink(fileNameOf(path), hash.size, hash.hash);
}

std::optional<std::string> knownFileLink(const std::string& path, const KnownFiles& known)
{
    const auto size = platform::fileSize(path);
    const auto modified = platform::fileModifiedTime(path);
    if (!size || !modified)
        return std::nullopt;
    constexpr std::int64_t nanosecondsPerSecond = 1'000'000'000;
    // Whole seconds, as the client stores them, rounded down before 1970 too.
    std::int64_t seconds = *modified / nanosecondsPerSecond;
    if (*modified % nanosecondsPerSecond < 0)
        --seconds;
    const auto name = fileNameOf(path);
    const auto hash = known.hashOf(name, *size, seconds);
    if (!hash)
        return std::nullopt;
    return ed2kFileLink(name, *size, *hash);
}

std::string_view fileNameOf(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace edonkey
