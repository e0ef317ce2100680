#include "edonkey/pref_met.h"

#include "edonkey/byte_reader.h"
#include "platform/directory_search.h"
#include "platform/windows_path.h"

using namespace std::string_view_literals;

namespace edonkey {

std::optional<std::string> findStringTag(std::string_view prefMet, std::string_view name)
{
    // The client stores its folders as string tags: type 02, the name's 16-bit
    // length and the name ("temp", "incoming"), then the value's 16-bit length
    // and bytes. A nickname or a path may hold the name too, so the whole tag
    // is looked for first, and a bare name only in files that lack it.
    std::string tagHeader{'\x02', static_cast<char>(name.size() & 0xFF),
                          static_cast<char>(name.size() >> 8)};
    tagHeader += name;
    std::size_t nameEnd;
    if (const auto tag = prefMet.find(tagHeader); tag != std::string_view::npos) {
        nameEnd = tag + tagHeader.size();
    } else {
        const auto bare = prefMet.find(name);
        if (bare == std::string_view::npos)
            return std::nullopt;
        nameEnd = bare + name.size();
    }
    if (nameEnd >= prefMet.size())
        return std::nullopt;
    const ByteReader reader(prefMet);
    return std::string(reader.textAt(nameEnd + 2, reader.u16At(nameEnd)));
}

std::optional<std::string> findTempFolder(std::string_view prefMet)
{
    return findStringTag(prefMet, "temp"sv);
}

std::optional<ClientSettings> prefMetSettings(const std::string& path, const ClientFileReader& read)
{
    const auto bytes = read(path);
    if (!bytes)
        return std::nullopt;
    ClientSettings settings;
    if (auto temp = findTempFolder(*bytes))
        settings.tempFolders.push_back(std::move(*temp));
    if (auto incoming = findStringTag(*bytes, "incoming"sv))
        settings.incomingFolders.push_back(std::move(*incoming));
    return settings;
}

std::string resolveClientFolder(std::string_view stored, std::string_view clientFolder,
                                const std::optional<std::string>& winePrefix)
{
    const auto client =
        clientFolder.empty() ? std::nullopt : std::optional<std::string>(clientFolder);
    if (const auto mapped = platform::mapWindowsPath(stored, {winePrefix, client}))
        return platform::withFinalSlash(*mapped);
    std::string folder(stored);
    if (!folder.empty() && folder.front() != '/')
        folder.insert(0, clientFolder);
    return platform::withFinalSlash(std::move(folder));
}

} // namespace edonkey
