#include "edonkey/amule_settings.h"

#include "platform/ascii.h"
#include "platform/directory_search.h"
#include "platform/files.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <vector>

namespace edonkey {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view skipSpaces(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    return text;
}

// A group or key name as written, with the backslashes that protect its
// characters taken away.
std::string unescapeName(std::string_view name)
{
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && ++i == name.size())
            break;
        out += name[i];
    }
    return out;
}

// A value as aMule writes it: escapes for backslash, quote, tab and line
// breaks, and quotes around a value that begins with a blank or a quote.
// An unknown escape stands for nothing, as the reader drops it.
std::string unescapeValue(std::string_view value)
{
    std::string out;
    const bool quoted = !value.empty() && value.front() == '"';
    for (std::size_t i = quoted ? 1 : 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\') {
            if (++i == value.size())
                break;
            switch (value[i]) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case '\\':
            case '"':
                out += value[i];
                break;
            default:
                break;
            }
        } else if (c != '"' || !quoted) {
            out += c;
        }
    }
    return out;
}

// A group's name as aMule looks it up: folded, and "a//b/" as "a/b".
std::string groupPath(std::string_view name)
{
    std::string path;
    for (std::size_t start = 0; start < name.size();) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (end > start)
            path +=
                (path.empty() ? "" : "/") + platform::lowerAscii(name.substr(start, end - start));
        start = end + 1;
    }
    return path;
}

// Where `stop` first stands in `line` from `from` on, skipping characters a
// backslash protects; npos when it does not.
std::size_t findUnescaped(std::string_view line, char stop, std::size_t from)
{
    for (std::size_t i = from; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == stop)
            return i;
    }
    return std::string_view::npos;
}

// As aMule reads a number: blanks around it allowed, nothing else.
long parseLong(std::string_view text)
{
    text = skipSpaces(text);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// The bytes a text stands for when each of its characters is one byte read
// as Latin-1; nothing when it holds a character beyond U+00FF or no such one.
std::optional<std::string> latin1Bytes(std::string_view text)
{
    std::string bytes;
    bool changed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            bytes += text[i];
            continue;
        }
        if ((lead != 0xC2 && lead != 0xC3) || i + 1 == text.size() ||
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) != 0x80)
            return std::nullopt;
        bytes += static_cast<char>((lead & 0x03) << 6 | (text[++i] & 0x3F));
        changed = true;
    }
    return changed ? std::optional(std::move(bytes)) : std::nullopt;
}

// aMule writes a folder it chose itself as the folder's bytes read as
// Latin-1, in UTF-8 ("HÃ©llo" for "Héllo"), and its default folders as they
// are: the form that names a folder wins, the one as written otherwise.
std::string asOnDisk(std::string written)
{
    const auto bytes = latin1Bytes(written);
    if (bytes && !platform::isFolder(written) && platform::isFolder(*bytes))
        return *bytes;
    return written;
}

} // namespace

AmuleConf::AmuleConf(std::string_view text)
{
    std::string group;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = skipSpaces(text.substr(0, end));
        text.remove_prefix(end);
        while (!text.empty() && (text.front() == '\r' || text.front() == '\n'))
            text.remove_prefix(1);

        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = findUnescaped(line, ']', 1);
            if (close != std::string_view::npos)
                group = groupPath(unescapeName(line.substr(1, close - 1)));
            continue;
        }
        const std::size_t equals = findUnescaped(line, '=', 0);
        if (equals == std::string_view::npos)
            continue;
        std::string_view name = line.substr(0, equals);
        while (!name.empty() && isSpace(name.back()))
            name.remove_suffix(1);
        std::string key = unescapeName(name);
        if (!key.empty() && key.front() == '!') // an entry the user may not change
            key.erase(0, 1);
        if (key.empty())
            continue;
        m_values[group + "/" + platform::lowerAscii(key)] =
            unescapeValue(skipSpaces(line.substr(equals + 1)));
    }
}

std::optional<std::string> AmuleConf::value(std::string_view group, std::string_view key) const
{
    const auto found = m_values.find(groupPath(group) + "/" + platform::lowerAscii(key));
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

long AmuleConf::number(std::string_view group, std::string_view key) const
{
    return parseLong(value(group, key).value_or(""));
}

std::optional<ClientSettings> amuleSettings(const std::string& path, const ClientFileReader& read)
{
    const auto text = read(path);
    if (!text)
        return std::nullopt;
    const AmuleConf conf(*text);
    const std::string folder = platform::folderOf(path);
    const auto folderOr = [&conf](std::string_view key, std::string fallback) {
        auto value = conf.value("eMule", key);
        return value && !value->empty() ? asOnDisk(std::move(*value)) : std::move(fallback);
    };
    ClientSettings settings;
    settings.tempFolders.push_back(folderOr("TempDir", folder + "Temp"));
    settings.incomingFolders.push_back(folderOr("IncomingDir", folder + "Incoming"));

    // Categories count from 1; aMule passes over one without title or folder.
    const long count = std::min(conf.number("General", "Count"), categoryLimit);
    for (long number = 1; number <= count; ++number) {
        const std::string group = "Cat#" + std::to_string(number);
        auto incoming = conf.value(group, "Incoming");
        if (incoming && !incoming->empty() && !conf.value(group, "Title").value_or("").empty())
            settings.incomingFolders.push_back(asOnDisk(std::move(*incoming)));
    }
    return settings;
}

fakedb::RatedFakes amuleRatedFakes(const std::string& path, const ClientFileReader& read)
{
    const auto text = read(path);
    if (!text)
        return {};
    auto conf = std::make_shared<const AmuleConf>(*text);
    return {[conf](std::string_view hash) { return conf->number(hash, "Rate") == fakeRating; },
            std::string(ratedFakeInAmule)};
}

} // namespace edonkey
