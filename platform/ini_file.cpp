#include "ini_file.h"

#include "files.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <vector>

namespace platform {
namespace {

// Windows hands values over in a 255-byte buffer, NUL included.
constexpr std::size_t maxValueLength = 254;

// A settings file is a few lines; anything this big is not one and is not
// read into memory.
constexpr std::uint64_t maxIniFileSize = 16ull * 1024 * 1024;

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
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
    const std::string_view text = trim(line);
    if (text.empty())
        return {};
    if (text.front() == '[') {
        // Text after the ']' is ignored; a header never closed runs to the
        // end of its line.
        const std::string_view inner = text.substr(1);
        return {LineKind::section, trim(inner.substr(0, inner.find(']'))), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::entry, text, {}};
    return {LineKind::entry, trim(text.substr(0, equals)), trim(text.substr(equals + 1))};
}

/// Where `key` of `section` is in a file, or where it would go.
///
/// A section that appears twice reads as one: the keys of its later copies
/// follow those of the first, so the first copy's key wins and a missing key
/// is added to the first copy.
struct Location {
    bool sectionFound = false;
    std::optional<std::size_t> keyLine;
    std::size_t lastLineOfSection = 0; // the first copy's last non-blank line
};

Location locate(std::string_view text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key)
{
    Location location;
    bool inSection = false;
    bool inFirstCopy = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine line =
            parseLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
        if (line.kind == LineKind::section) {
            inSection = equalsIgnoringCase(line.name, section);
            inFirstCopy = inSection && !location.sectionFound;
            if (inFirstCopy) {
                location.sectionFound = true;
                location.lastLineOfSection = i;
            }
            continue;
        }
        if (line.kind == LineKind::blank || !inSection)
            continue;
        if (inFirstCopy)
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

enum class Load { loaded, missing, failed };

Load loadFile(const std::string& path, std::string& bytes)
{
    if (auto read = readFileInBlocks(path, nullptr, maxIniFileSize)) {
        bytes = std::move(*read);
        return Load::loaded;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return Load::missing;
    return Load::failed;
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
    section = trim(section);
    key = trim(key);
    std::string text;
    if (section.empty() || key.empty() || loadFile(path, text) != Load::loaded)
        return {};
    const std::vector<Line> lines = splitLines(text);
    const Location location = locate(text, lines, section, key);
    if (!location.keyLine)
        return {};
    const Line& line = lines[*location.keyLine];
    std::string_view value = withoutQuotes(
        parseLine(std::string_view(text).substr(line.begin, line.end - line.begin)).value);
    // The caller gets a C string: it ends at the first NUL.
    value = value.substr(0, value.find('\0'));
    return std::string(value.substr(0, maxValueLength));
}

bool writeIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value)
{
    section = trim(section);
    key = trim(key);
    // Names and values that would not read back as written are refused
    // rather than turned into other lines.
    if (section.empty() || key.empty() || hasLineBreakOrNul(section) || hasLineBreakOrNul(key) ||
        hasLineBreakOrNul(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == '[')
        return false;

    const std::string header = "[" + std::string(section) + "]";
    const std::string entry = std::string(key) + "=" + encodeValue(value);

    std::string text;
    switch (loadFile(path, text)) {
    case Load::failed:
        return false;
    case Load::missing:
        return writeFileAtomically(path, header + "\r\n" + entry + "\r\n");
    case Load::loaded:
        break;
    }

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
    return writeFileAtomically(path, result);
}

} // namespace platform
