#include "platform/ini_file.h"

#include "platform/ascii.h"
#include "platform/files.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// Windows hands values over in a 255-byte buffer, NUL included.
constexpr std::size_t maxValueLength = 254;

// A settings file is a few lines; anything this big is not one and is not
// read into memory.
constexpr std::uint64_t maxIniFileSize = 16ull * 1024 * 1024;

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16Bom = "\xFF\xFE";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

/// One line of the file: [begin, end) is its text without the line end,
/// `next` where the following line starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t begin = text.starts_with(utf8Bom) ? utf8Bom.size() : 0;
    while (begin < text.size()) {
        const std::size_t newline = text.find('\n', begin);
        if (newline == std::string_view::npos) {
            lines.push_back({begin, text.size(), text.size()});
            break;
        }
        const std::size_t end =
            (newline > begin && text[newline - 1] == '\r') ? newline - 1 : newline;
        lines.push_back({begin, end, newline + 1});
        begin = newline + 1;
    }
    return lines;
}

enum class LineKind { blank, section, entry };

struct ParsedLine {
    LineKind kind = LineKind::blank;
    std::string_view name;
    std::string_view value;
};

ParsedLine parseLine(std::string_view line)
{
    const std::string_view text = trimBlanks(line);
    if (text.empty())
        return {};
    if (text.front() == '[') {
        // Text after the ']' is ignored; a header never closed runs to the
        // end of its line.
        const std::string_view inner = text.substr(1);
        return {LineKind::section, trimBlanks(inner.substr(0, inner.find(']'))), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::entry, text, {}};
    return {LineKind::entry, trimBlanks(text.substr(0, equals)),
            trimBlanks(text.substr(equals + 1))};
}

/// Where `key` of `section` is in a file, or where it would go.
///
/// Like Windows, only the first of sections of the same name counts: keys in
/// its later copies are neither read nor written.
struct Location {
    bool sectionFound = false;
    std::optional<std::size_t> keyLine;
    std::size_t lastLineOfSection = 0; // the section's last non-blank line
};

Location locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key)
{
    Location location;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine line =
            parseLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (line.kind == LineKind::section) {
            if (inSection)
                break;
            inSection = !location.sectionFound && equalsIgnoringCase(line.name, section);
            if (inSection) {
                location.sectionFound = true;
                location.lastLineOfSection = i;
            }
            continue;
        }
        if (line.kind == LineKind::blank || !inSection)
            continue;
        location.lastLineOfSection = i;
        if (equalsIgnoringCase(line.name, key)) {
            location.keyLine = i;
            break;
        }
    }
    return location;
}

std::string_view withoutQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

/// Text read from UTF-16; inexact when some of it could not be decoded.
struct Decoded {
    std::string text;
    bool exact = true;
};

void appendUtf8(std::string& out, char32_t c)
{
    const auto byte = [&out](char32_t b) {
        out += static_cast<char>(b);
    };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | c >> 6);
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | c >> 12);
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | c >> 18);
        byte(0x80 | (c >> 12 & 0x3F));
        byte(0x80 | (c >> 6 & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

/// UTF-16 little-endian without its byte-order mark as UTF-8. Windows' ANSI
/// calls would give the code page's bytes; UTF-8 is what the file system here
/// takes for a path such as PrefPath. A lone surrogate or an odd last byte
/// reads as '?' or nothing and makes the text inexact.
Decoded fromUtf16(std::string_view bytes)
{
    Decoded decoded;
    const auto unit = [bytes](std::size_t i) -> char32_t {
        return static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            appendUtf8(decoded.text, 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            decoded.text += '?';
            decoded.exact = false;
        } else {
            appendUtf8(decoded.text, c);
        }
    }
    if (bytes.size() % 2 != 0)
        decoded.exact = false;
    return decoded;
}

/// UTF-8 as UTF-16 little-endian; nothing for bytes that are not UTF-8.
std::optional<std::string> toUtf16(std::string_view text)
{
    std::string out;
    const auto unit = [&out](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80       ? 1
                                   : lead >> 5 == 6  ? 2
                                   : lead >> 4 == 14 ? 3
                                   : lead >> 3 == 30 ? 4
                                                     : 0;
        if (length == 0 || i + length > text.size())
            return std::nullopt;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next >> 6 != 2)
                return std::nullopt;
            c = c << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode's end.
        constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return std::nullopt;
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(c);
        }
        i += length;
    }
    return out;
}

enum class Load { loaded, missing, failed };

/// A loaded file: its text, as UTF-8 when it was saved as UTF-16.
struct IniText {
    std::string text;
    bool utf16 = false;
    bool exact = true;
};

Load loadFile(const std::string& path, IniText& ini)
{
    if (auto read = readFileInBlocks(path, nullptr, maxIniFileSize)) {
        ini.utf16 = read->starts_with(utf16Bom);
        if (ini.utf16) {
            Decoded decoded = fromUtf16(std::string_view(*read).substr(utf16Bom.size()));
            ini.text = std::move(decoded.text);
            ini.exact = decoded.exact;
        } else {
            ini.text = std::move(*read);
        }
        return Load::loaded;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return Load::missing;
    return Load::failed;
}

/// A file made read-only is left alone, as Windows does. Root may write any
/// file, so access() alone would not tell: the owner's write bit decides too.
bool isReadOnly(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 || (info.st_mode & S_IWUSR) == 0 ||
           ::access(path.c_str(), W_OK) != 0;
}

bool hasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

/// The value as written so that it reads back the same: blanks at its ends or
/// a pair of quotes around it would otherwise be taken away.
std::string encodeValue(std::string_view value)
{
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                withoutQuotes(value).size() != value.size());
    if (needsQuotes)
        return '"' + std::string(value) + '"';
    return std::string(value);
}

} // namespace

std::string readIniString(const std::string& path, std::string_view section, std::string_view key)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    IniText ini;
    if (section.empty() || key.empty() || loadFile(path, ini) != Load::loaded)
        return {};
    const std::string& text = ini.text;
    const std::vector<Line> lines = splitLines(text);
    const Location location = locate(text, lines, section, key);
    if (!location.keyLine)
        return {};
    const Line& line = lines[*location.keyLine];
    std::string_view value = withoutQuotes(
        parseLine(std::string_view(text).substr(line.begin, line.end - line.begin)).value);
    // The caller gets a C string: it ends at the first NUL.
    value = cutAtNul(value);
    return std::string(value.substr(0, maxValueLength));
}

bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    // Names and values that would not read back as written are refused
    // rather than turned into other lines.
    if (section.empty() || key.empty() || hasLineBreakOrNul(section) || hasLineBreakOrNul(key) ||
        hasLineBreakOrNul(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[')
        return false;

    const std::string header = "[" + std::string(section) + "]";
    const std::string entry = std::string(key) + "=" + encodeValue(value);

    IniText ini;
    switch (loadFile(path, ini)) {
    case Load::failed:
        return false;
    case Load::missing:
        return writeFileAtomically(path, header + "\r\n" + entry + "\r\n");
    case Load::loaded:
        break;
    }
    // A UTF-16 file stays UTF-16; one that would not come back the same
    // through UTF-8 is refused rather than changed.
    if (isReadOnly(path) || !ini.exact)
        return false;
    const std::string& text = ini.text;

    const std::vector<Line> lines = splitLines(text);
    const Location location = locate(text, lines, section, key);
    std::string result;
    if (location.keyLine) {
        // The line keeps its own line end, whatever it is.
        const Line& line = lines[*location.keyLine];
        result = text.substr(0, line.begin) + entry + text.substr(line.end);
    } else if (location.sectionFound) {
        const Line& last = lines[location.lastLineOfSection];
        const bool terminated = last.next != last.end;
        result = text.substr(0, last.next) + (terminated ? "" : "\r\n") + entry + "\r\n" +
                 text.substr(last.next);
    } else {
        result = text;
        if (!result.empty() && result != utf8Bom && result.back() != '\n')
            result += "\r\n";
        result += header + "\r\n" + entry + "\r\n";
    }
    if (!ini.utf16)
        return writeFileAtomically(path, result);
    const std::optional<std::string> utf16 = toUtf16(result);
    return utf16 && writeFileAtomically(path, std::string(utf16Bom) + *utf16);
}

} // namespace platform
