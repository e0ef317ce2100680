#include "platform/ascii.h"
#include "platform/text_encoding.h"
#include "platform/windows_path.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace platform {
namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The names of the path, with "." dropped and ".." taking back the name before
// it, as Windows normalises a full path before using it.
std::vector<std::string> namesOf(std::string_view path)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !isSeparator(path[end]))
            ++end;
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.emplace_back(name);
        }
        start = end + 1;
    }
    return names;
}

// The entry of `folder` called `name`: that exact name, else the first (in
// byte order) that differs from it only in ASCII letter case.
std::optional<fs::path> findEntry(const fs::path& folder, const std::string& name)
{
    std::error_code error;
    if (fs::exists(folder / name, error))
        return folder / name;
    std::optional<std::string> match;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (equalsIgnoringCase(entry, name) && (!match || entry < *match))
            match = entry;
    }
    if (!match)
        return std::nullopt;
    return folder / *match;
}

std::optional<fs::path> findUnder(fs::path folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        auto entry = findEntry(folder, name);
        // A client that ran on Windows wrote its paths in Windows-1252.
        if (const std::string utf8 = toDisplayUtf8(name); !entry && utf8 != name)
            entry = findEntry(folder, utf8);
        if (!entry)
            return std::nullopt;
        folder = *entry;
    }
    return folder;
}

// Where the prefix's drive letter link points, e.g. "c:" -> prefix/drive_c.
std::optional<fs::path> driveFolder(const std::string& prefix, char letter)
{
    letter = lowerAscii(letter);
    const fs::path link = fs::path(prefix) / "dosdevices" / (std::string(1, letter) + ":");
    std::error_code error;
    if (!fs::is_directory(link, error))
        return std::nullopt;
    const fs::path target = fs::read_symlink(link, error);
    if (error)
        return link;
    return target.is_absolute() ? target : (link.parent_path() / target).lexically_normal();
}

std::string withFinalSeparator(const fs::path& found, bool finalSeparator)
{
    std::string text = found.generic_string();
    if (finalSeparator && (text.empty() || text.back() != '/'))
        text += '/';
    return text;
}

} // namespace

std::optional<std::string> mapWindowsPath(std::string_view path, const PathContext& context)
{
    if (path.empty())
        return std::nullopt;
    if (path[0] == '/')
        return std::string(path);
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return std::nullopt;
    const bool finalSeparator = isSeparator(path.back());
    const bool hasDrive =
        path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
    const std::vector<std::string> names = namesOf(path.substr(hasDrive ? 2 : 0));

    if (!hasDrive && !isSeparator(path[0])) {
        if (!context.clientFolder || context.clientFolder->empty())
            return std::nullopt;
        const auto found = findUnder(fs::path(*context.clientFolder), names);
        return found ? std::optional(withFinalSeparator(*found, finalSeparator)) : std::nullopt;
    }
    if (context.prefix && !context.prefix->empty()) {
        if (const auto drive = driveFolder(*context.prefix, hasDrive ? path[0] : 'c')) {
            if (const auto found = findUnder(*drive, names))
                return withFinalSeparator(*found, finalSeparator);
        }
    }
    if (!context.clientFolder || context.clientFolder->empty() || names.empty())
        return std::nullopt;
    // A client on a mounted or copied partition: the drive's root is the
    // nearest folder above the client folder that holds the path's names.
    fs::path ancestor = fs::path(*context.clientFolder).lexically_normal();
    for (;;) {
        if (const auto found = findUnder(ancestor, names))
            return withFinalSeparator(*found, finalSeparator);
        if (ancestor == ancestor.parent_path() || ancestor.parent_path().empty())
            return std::nullopt;
        ancestor = ancestor.parent_path();
    }
}

std::string winePrefixFrom(const std::optional<std::string>& winePrefixVariable,
                           const std::optional<std::string>& home)
{
    if (winePrefixVariable && !winePrefixVariable->empty())
        return *winePrefixVariable;
    if (home && !home->empty())
        return *home + "/.wine";
    return {};
}

} // namespace platform
