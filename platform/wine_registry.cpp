#include "platform/wine_registry.h"

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// Far above any real prefix's system.reg (a few MiB); larger files are not read.
constexpr std::uint64_t kMaxFileSize = 64u << 20;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c)
{
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// UTF-8, as Wine names the prefix's files on disk, so a folder taken from a
// value can be found there whatever its script; a lone surrogate becomes '?'.
std::string toUtf8(std::u16string_view units)
{
    return utf16ToUtf8(units).utf8;
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

// Comma-separated hex bytes from `data` on; a final backslash continues the
// list on the next line. Nothing when a byte is malformed.
std::optional<std::string> hexBytes(std::string_view data, const std::vector<Line>& lines,
                                    std::size_t& index)
{
    std::string bytes;
    for (;;) {
        std::size_t pos = 0;
        while (pos < data.size()) {
            if (isBlank(data[pos]) || data[pos] == ',') {
                ++pos;
            } else if (data[pos] == '\\' && trimBlanks(data.substr(pos + 1)).empty()) {
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
        data = trimLeadingBlanks(lines[++index].text);
    }
}

// The number after "dword:", read as Wine reads it with strtoul: blanks, a sign
// and "0x" may come first, reading stops at the first other character (none
// read gives 0), too large a number gives all ones, and 32 bits are kept.
std::uint32_t dwordDigits(std::string_view data)
{
    std::size_t pos = std::min(data.find_first_not_of(" \t\n\v\f\r"), data.size());
    const bool negative = data.substr(pos, 1) == "-";
    if (data.substr(pos, 1) == "-" || data.substr(pos, 1) == "+")
        ++pos;
    if ((data.substr(pos, 2) == "0x" || data.substr(pos, 2) == "0X") && pos + 2 < data.size() &&
        isHexDigit(data[pos + 2]))
        pos += 2;
    std::uint64_t number = 0;
    for (; pos < data.size() && isHexDigit(data[pos]); ++pos) {
        if (number >> 60 != 0)
            return UINT32_MAX;
        number = number << 4 | static_cast<std::uint64_t>(hexValue(data[pos]));
    }
    return static_cast<std::uint32_t>(negative ? 0 - number : number);
}

// The data after "name=": a string, str: or str(N): and a string, hex:,
// hex(N): or dword:. Nothing when Wine could not read it.
std::optional<WineHive::Value> readValue(std::string_view data, const std::vector<Line>& lines,
                                         std::size_t& index)
{
    if (data.substr(0, 4) == "str:") {
        data.remove_prefix(4);
    } else if (data.substr(0, 4) == "str(") {
        const auto close = data.find("):");
        if (close == data.npos)
            return std::nullopt;
        data.remove_prefix(close + 2);
    }
    if (!data.empty() && data[0] == '"') {
        std::size_t pos = 1;
        const auto units = unescape(data, pos, '"');
        if (!units)
            return std::nullopt;
        return std::string(cutAtNul(toUtf8(*units)));
    }
    if (data.substr(0, 6) == "dword:")
        return dwordDigits(data.substr(6));
    if (data.substr(0, 3) != "hex")
        return std::nullopt;
    data.remove_prefix(3);
    unsigned long type = 3; // hex: is REG_BINARY
    if (!data.empty() && data[0] == '(') {
        const auto close = data.find(')');
        if (close == data.npos || close == 1 || close > 9)
            return std::nullopt;
        type = 0;
        for (const char c : data.substr(1, close - 1)) {
            if (!isHexDigit(c))
                return std::nullopt;
            type = type * 16 + static_cast<unsigned long>(hexValue(c));
        }
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data[0] != ':')
        return std::nullopt;
    const auto bytes = hexBytes(data.substr(1), lines, index);
    if (!bytes)
        return std::nullopt;
    // REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ are UTF-16LE text, which the
    // ANSI query converts; a REG_DWORD is four bytes, low byte first.
    if (type == 1 || type == 2 || type == 7)
        return std::string(cutAtNul(utf16LeToUtf8(*bytes).utf8));
    if (type == 4 && bytes->size() == 4) {
        std::uint32_t number = 0;
        for (std::size_t i = 4; i-- > 0;)
            number = number << 8 | static_cast<unsigned char>((*bytes)[i]);
        return number;
    }
    return std::monostate();
}

// The value as a T, when it is one.
template <typename T>
std::optional<T> held(const WineHive::Value* value)
{
    const T* typed = value ? std::get_if<T>(value) : nullptr;
    return typed ? std::optional<T>(*typed) : std::nullopt;
}

// HKEY_CLASSES_ROOT merges the user's classes over the machine's: when the
// user's hive has the key, its values (or their lack) win.
const WineHive& classesRootHive(const WineHive& user, const WineHive& machine,
                                std::string_view path)
{
    return user.hasKey(path) ? user : machine;
}

std::string classesPath(std::string_view subkey)
{
    return "Software\\Classes\\" + std::string(subkey);
}

} // namespace

WineHive::WineHive(std::string_view text)
{
    // A CR that ends the text ends its last line, as if an LF followed.
    if (text.ends_with('\r'))
        text.remove_suffix(1);
    const std::vector<Line> lines = splitLines(text);
    if (lines.empty() || lines[0].text != kHeader)
        return;
    // Values go nowhere until a key line Wine can read.
    std::map<std::string, Value>* values = nullptr;
    for (std::size_t index = 1; index < lines.size(); ++index) {
        const std::string_view line = trimLeadingBlanks(lines[index].text);
        if (line.empty())
            continue;
        if (line[0] == '[') {
            std::size_t pos = 1;
            const auto name = unescape(line, pos, ']');
            values = name ? &m_keys[lowerAscii(toUtf8(*name))] : nullptr;
        } else if ((line[0] == '@' || line[0] == '"') && values) {
            // "@" and "" both name the default value.
            std::size_t pos = 1;
            const auto name = line[0] == '@' ? std::u16string() : unescape(line, pos, '"');
            if (!name || line.substr(pos, 1) != "=")
                continue;
            if (auto value = readValue(line.substr(pos + 1), lines, index))
                (*values)[lowerAscii(toUtf8(*name))] = std::move(*value);
        }
        // ";;" comments, "#time=", "#arch=", "#link" and unreadable lines: nothing to keep.
    }
}

WineHive WineHive::load(const std::string& path)
{
    const std::optional<std::string> text = readFile(path, kMaxFileSize);
    return text ? WineHive(*text) : WineHive();
}

bool WineHive::hasKey(std::string_view path) const
{
    const std::string key = lowerAscii(path);
    if (m_keys.count(key))
        return true;
    const auto below = m_keys.lower_bound(key + '\\');
    return below != m_keys.end() && below->first.compare(0, key.size() + 1, key + '\\') == 0;
}

const WineHive::Value* WineHive::find(std::string_view path, std::string_view name) const
{
    const auto key = m_keys.find(lowerAscii(path));
    if (key == m_keys.end())
        return nullptr;
    const auto value = key->second.find(lowerAscii(name));
    return value == key->second.end() ? nullptr : &value->second;
}

std::optional<std::string> WineHive::stringValue(std::string_view path, std::string_view name) const
{
    return held<std::string>(find(path, name));
}

std::optional<std::string> WineHive::defaultValue(std::string_view path) const
{
    return stringValue(path, "");
}

std::optional<std::uint32_t> WineHive::dwordValue(std::string_view path,
                                                  std::string_view name) const
{
    return held<std::uint32_t>(find(path, name));
}

std::optional<std::string> classesRootDefault(const WineHive& user, const WineHive& machine,
                                              std::string_view subkey)
{
    const std::string path = classesPath(subkey);
    return classesRootHive(user, machine, path).defaultValue(path);
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

WineRegistry::HiveKey WineRegistry::locate(RegistryRoot root, std::string_view subkey)
{
    switch (root) {
    case RegistryRoot::CurrentUser:
        return {current(m_user), std::string(subkey)};
    case RegistryRoot::LocalMachine:
        return {current(m_machine), std::string(subkey)};
    case RegistryRoot::ClassesRoot:
        break;
    }
    std::string path = classesPath(subkey);
    return {classesRootHive(current(m_user), current(m_machine), path), std::move(path)};
}

std::optional<std::string> WineRegistry::readString(RegistryRoot root, std::string_view subkey,
                                                    std::string_view name)
{
    const HiveKey key = locate(root, subkey);
    return key.hive.stringValue(key.path, name);
}

std::optional<std::uint32_t> WineRegistry::readDword(RegistryRoot root, std::string_view subkey,
                                                     std::string_view name)
{
    const HiveKey key = locate(root, subkey);
    return key.hive.dwordValue(key.path, name);
}

} // namespace platform
