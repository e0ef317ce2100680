#include "platform/ini_file.h"

#include "platform/ascii.h"
#include "platform/files.h"
#include "platform/text_encoding.h"
#include "platform/text_lines.h"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// A settings file is a few lines; anything this big is not one and is not
// read into memory.
constexpr std::uint64_t maxIniFileSize = 16ull * 1024 * 1024;

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16Bom = "\xFF\xFE";

/// The file's lines; a UTF-8 byte-order mark is no part of the first.
std::vector<Line> iniLines(std::string_view text)
{
    return splitLines(text, text.starts_with(utf8Bom) ? utf8Bom.size() : 0);
}

enum class LineKind { Blank, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
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
        return {LineKind::Section, trimBlanks(inner.substr(0, inner.find(']'))), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::Entry, text, {}};
    return {LineKind::Entry, trimBlanks(text.substr(0, equals)),
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

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key)
{
    Location location;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine line = parseLine(lines[i].text);
        if (line.kind == LineKind::Section) {
            if (inSection)
                break;
            inSection = !location.sectionFound && equalsIgnoringCase(line.name, section);
            if (inSection) {
                location.sectionFound = true;
                location.lastLineOfSection = i;
            }
            continue;
        }
        if (line.kind == LineKind::Blank || !inSection)
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

/// A file's text, as UTF-8 when it was saved as UTF-16; inexact when some of
/// that could not be decoded.
struct IniText {
    std::string text;
    IniEncoding encoding = IniEncoding::Ansi;
    bool exact = true;
};

IniText decode(std::string bytes)
{
    if (!bytes.starts_with(utf16Bom)) {
        const bool marked = bytes.starts_with(utf8Bom);
        return {std::move(bytes), marked ? IniEncoding::Utf8WithMark : IniEncoding::Ansi};
    }
    // As UTF-8, not in the code page Windows' ANSI calls would give: UTF-8 is
    // what the file system here takes for a path such as PrefPath.
    DecodedUtf16 decoded = utf16LeToUtf8(std::string_view(bytes).substr(utf16Bom.size()));
    return {std::move(decoded.utf8), IniEncoding::Utf16, decoded.exact};
}

std::optional<IniText> readIniText(const std::string& path)
{
    std::optional<std::string> bytes = readFile(path, maxIniFileSize);
    if (!bytes)
        return std::nullopt;
    return decode(std::move(*bytes));
}

bool isMissing(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) != 0 && errno == ENOENT;
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

IniFile::IniFile(std::string text, IniEncoding encoding)
    : m_text(std::move(text))
    , m_encoding(encoding)
{
}

IniFile IniFile::parse(std::string_view bytes)
{
    IniText ini = decode(std::string(bytes));
    return IniFile(std::move(ini.text), ini.encoding);
}

std::optional<IniFile> IniFile::load(const std::string& path)
{
    std::optional<IniText> ini = readIniText(path);
    if (!ini)
        return std::nullopt;
    return IniFile(std::move(ini->text), ini->encoding);
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty())
        return std::nullopt;
    const std::vector<Line> lines = iniLines(m_text);
    const Location location = locate(lines, section, key);
    if (!location.keyLine)
        return std::nullopt;
    // The caller gets a C string: it ends at the first NUL.
    return std::string(cutAtNul(withoutQuotes(parseLine(lines[*location.keyLine].text).value)));
}

std::string readIniString(const std::string& path, std::string_view section, std::string_view key,
                          std::size_t bufferSize)
{
    const std::optional<IniFile> ini = IniFile::load(path);
    std::optional<std::string> value = ini ? ini->value(section, key) : std::nullopt;
    return value ? value->substr(0, bufferSize > 0 ? bufferSize - 1 : 0) : std::string();
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

    const std::optional<IniText> ini = readIniText(path);
    if (!ini && isMissing(path))
        return writeFileAtomically(path, header + "\r\n" + entry + "\r\n");
    // A UTF-16 file stays UTF-16; one that would not come back the same
    // through UTF-8 is refused rather than changed.
    if (!ini || isReadOnly(path) || !ini->exact)
        return false;
    const std::string& text = ini->text;

    const std::vector<Line> lines = iniLines(text);
    const Location location = locate(lines, section, key);
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
    if (ini->encoding != IniEncoding::Utf16)
        return writeFileAtomically(path, result);
    const std::optional<std::string> utf16 = utf8ToUtf16Le(result);
    return utf16 && writeFileAtomically(path, std::string(utf16Bom) + *utf16);
}

} // namespace platform
