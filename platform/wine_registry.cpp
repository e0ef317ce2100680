#include "platform/wine_registry.h"

#include "platform/ascii.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Far above any real prefix's system.reg (a few MiB); larger files are not read.
constexpr std::uintmax_t kMaxFileSize = 64u << 20;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// UTF-8, as Wine names the prefix's files on disk, so a folder taken from a
// value can be found there whatever its script; an unpaired surrogate becomes '?'.
std::string utf16ToUtf8(const std::u16string& units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = '?';
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::string cutAtNul(std::string text)
{
    text.resize(std::min(text.find('\0'), text.size()));
    return text;
}

// Reads an escaped string up to `end` (Wine writes C escapes, octal escapes and
// \x escapes of UTF-16 code units); `pos` ends after `end`. Nothing when `end`
// never comes. A raw byte stands for the code unit of the same number, as in Wine.
std::optional<std::u16string> unescape(std::string_view line, std::size_t& pos, char end)
{
    std::u16string out;
    while (pos < line.size() && line[pos] != end) {
        char c = line[pos++];
        if (c != '\\' || pos == line.size()) {
            out += static_cast<char16_t>(static_cast<unsigned char>(c));
            continue;
        }
        c = line[pos++];
        static constexpr std::string_view letters = "abefnrtv";
        static constexpr std::string_view codes = "\a\b\x1b\f\n\r\t\v";
        if (const auto letter = letters.find(c); letter != letters.npos) {
            out += static_cast<char16_t>(codes[letter]);
        } else if (c == 'x' && pos < line.size() && isHexDigit(line[pos])) {
            char16_t unit = 0;
            for (int n = 0; n < 4 && pos < line.size() && isHexDigit(line[pos]); ++n)
                unit = static_cast<char16_t>(unit * 16 + hexValue(line[pos++]));
            out += unit;
        } else if (c >= '0' && c <= '7') {
            char16_t unit = static_cast<char16_t>(c - '0');
            for (int n = 1; n < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7'; ++n)
                unit = static_cast<char16_t>(unit * 8 + (line[pos++] - '0'));
            out += unit;
        } else {
            out += static_cast<char16_t>(static_cast<unsigned char>(c)); // \\, \", \x alone
        }
    }
    if (pos == line.size())
        return std::nullopt;
    ++pos;
    return out;
}

std::string_view trimmedStart(std::string_view line)
{
    const auto start = line.find_first_not_of(" \t");
    return start == line.npos ? std::string_view() : line.substr(start);
}

// The lines of the text without their CR LF or LF.
std::vector<std::string_view> splitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// Comma-separated hex bytes from `data` on; a final backslash continues the
// list on the next line. Nothing when a byte is malformed.
std::optional<std::string> hexBytes(std::string_view data,
                                    const std::vector<std::string_view>& lines, std::size_t& index)
{
    std::string bytes;
    for (;;) {
        std::size_t pos = 0;
        while (pos < data.size()) {
            if (data[pos] == ' ' || data[pos] == '\t' || data[pos] == ',') {
                ++pos;
            } else if (data[pos] == '\\' && data.find_first_not_of(" \t", pos + 1) == data.npos) {
                break;
            } else if (pos + 1 < data.size() && isHexDigit(data[pos]) &&
                       isHexDigit(data[pos + 1])) {
                bytes += static_cast<char>(hexValue(data[pos]) * 16 + hexValue(data[pos + 1]));
                pos += 2;
            } else {
                return std::nullopt;
            }
        }
        if (pos == data.size() || index + 1 >= lines.size())
            return bytes;
        data = trimmedStart(lines[++index]);
    }
}

struct DefaultValue {
    bool readable = false;           // false: Wine would have skipped the line
    std::optional<std::string> text; // the value, when it is a string
};

// The data after "@=": a string, str: or str(N): and a string, hex:, hex(N): or dword:.
DefaultValue readDefault(std::string_view data, const std::vector<std::string_view>& lines,
                         std::size_t& index)
{
    if (data.substr(0, 4) == "str:") {
        data.remove_prefix(4);
    } else if (data.substr(0, 4) == "str(") {
        const auto close = data.find("):");
        if (close == data.npos)
            return {};
        data.remove_prefix(close + 2);
    }
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 1;
        const auto units = unescape(data, pos, '"');
        if (!units)
            return {};
        return {true, cutAtNul(utf16ToUtf8(*units))};
    }
    if (data.substr(0, 6) == "dword:")
        return {true, std::nullopt};
    if (data.substr(0, 3) != "hex")
        return {};
    data.remove_prefix(3);
    unsigned long type = 3; // hex: is REG_BINARY
    if (!data.empty() && data[0] == '(') {
        const auto close = data.find(')');
        if (close == data.npos || close == 1 || close > 9)
            return {};
        type = 0;
        for (const char c : data.substr(1, close - 1)) {
            if (!isHexDigit(c))
                return {};
            type = type * 16 + static_cast<unsigned long>(hexValue(c));
        }
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data[0] != ':')
        return {};
    const auto bytes = hexBytes(data.substr(1), lines, index);
    if (!bytes)
        return {};
    // REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ are UTF-16LE text, which the
    // ANSI query converts; any other type holds no text.
    if (type != 1 && type != 2 && type != 7)
        return {true, std::nullopt};
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes->size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                       static_cast<unsigned char>((*bytes)[i + 1]) << 8);
    return {true, cutAtNul(utf16ToUtf8(units))};
}

} // namespace

WineHive::WineHive(std::string_view text)
{
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty() || lines[0] != kHeader)
        return;
    std::optional<std::string> key; // values go nowhere until a key line Wine can read
    for (std::size_t index = 1; index < lines.size(); ++index) {
        const std::string_view line = trimmedStart(lines[index]);
        if (line.empty())
            continue;
        if (line[0] == '[') {
            std::size_t pos = 1;
            const auto name = unescape(line, pos, ']');
            key = name ? std::optional(lowerAscii(utf16ToUtf8(*name))) : std::nullopt;
            if (key)
                m_keys.try_emplace(*key);
        } else if ((line[0] == '@' || line[0] == '"') && key) {
            // "@" and "" both name the default value; the others matter only
            // for their hex continuation lines.
            std::size_t pos = 1;
            const auto name = line[0] == '@' ? std::u16string() : unescape(line, pos, '"');
            if (!name || line.substr(pos, 1) != "=")
                continue;
            const DefaultValue value = readDefault(line.substr(pos + 1), lines, index);
            if (name->empty() && value.readable)
                m_keys[*key] = value.text;
        }
        // ";;" comments, "#time=", "#arch=", "#link" and unreadable lines: nothing to keep.
    }
}

WineHive WineHive::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text;
    char block[65536];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        text.append(block, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileSize)
            return {};
    }
    if (in.bad())
        return {};
    return WineHive(text);
}

bool WineHive::hasKey(std::string_view path) const
{
    const std::string key = lowerAscii(path);
    if (m_keys.count(key))
        return true;
    const auto below = m_keys.lower_bound(key + '\\');
    return below != m_keys.end() && below->first.compare(0, key.size() + 1, key + '\\') == 0;
}

std::optional<std::string> WineHive::defaultValue(std::string_view path) const
{
    const auto found = m_keys.find(lowerAscii(path));
    return found == m_keys.end() ? std::nullopt : found->second;
}

std::optional<std::string> classesRootDefault(const WineHive& user, const WineHive& machine,
                                              std::string_view subkey)
{
    const std::string path = "Software\\Classes\\" + std::string(subkey);
    return user.hasKey(path) ? user.defaultValue(path) : machine.defaultValue(path);
}

WineRegistry::WineRegistry(std::string prefixFolder)
{
    if (prefixFolder.empty())
        return;
    m_user.path = prefixFolder + "/user.reg";
    m_machine.path = prefixFolder + "/system.reg";
}

const WineHive& WineRegistry::current(LoadedHive& loaded)
{
    // Wine rewrites the whole file when it saves, which changes its time.
    std::error_code error;
    std::optional<std::pair<std::filesystem::file_time_type, std::uintmax_t>> stamp;
    if (!loaded.path.empty()) {
        const auto time = std::filesystem::last_write_time(loaded.path, error);
        const auto size = error ? 0 : std::filesystem::file_size(loaded.path, error);
        if (!error)
            stamp = std::pair(time, size);
    }
    if (stamp != loaded.stamp) {
        loaded.hive = stamp ? WineHive::load(loaded.path) : WineHive();
        loaded.stamp = stamp;
    }
    return loaded.hive;
}

std::optional<std::string> WineRegistry::readClassesRootDefault(std::string_view subkey)
{
    return classesRootDefault(current(m_user), current(m_machine), subkey);
}

} // namespace platform
