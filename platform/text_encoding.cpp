#include "platform/text_encoding.h"

#include <array>

namespace platform {
namespace {

// Windows-1252 at 0x80-0x9F. The five bytes the code page leaves undefined
// stand for the control characters of the same number, as Windows maps them.
constexpr std::array<char32_t, 32> cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isSurrogate(char32_t code)
{
    return code >= 0xD800 && code <= 0xDFFF;
}

/// The character that starts at `pos` in strict UTF-8, with `pos` moved past
/// it; nothing when the bytes there are no character.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& pos)
{
    const auto byte = [text](std::size_t i) {
        return static_cast<unsigned char>(text[i]);
    };
    const unsigned char lead = byte(pos);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    if (length == 0 || text.size() - pos < length)
        return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(pos + k) & 0xC0) != 0x80)
            return std::nullopt;
        code = code << 6 | (byte(pos + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode's end.
    constexpr char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || isSurrogate(code) || code > 0x10FFFF)
        return std::nullopt;
    pos += length;
    return code;
}

// Characters shown as escapes: they move the cursor, end a line, start a
// terminal command (ESC, the C1 CSI and OSC), or reorder or hide the text
// around them (bidirectional overrides and isolates, zero-width marks).
bool needsEscape(char32_t code)
{
    return (code < 0x20 && code != '\t') || (code >= 0x7F && code <= 0x9F) || code == 0x061C ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x2064) || (code >= 0x2066 && code <= 0x206F) ||
           code == 0xFEFF;
}

void appendEscape(std::string& out, char32_t code)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += code <= 0xFF ? "\\x" : "\\u";
    for (int shift = code <= 0xFF ? 4 : 12; shift >= 0; shift -= 4)
        out += hex[(code >> shift) & 0xF];
}

/// `count` UTF-16 code units, the i-th given by `unitAt(i)`, as UTF-8.
template <typename UnitAt>
DecodedUtf16 decodeUtf16(std::size_t count, UnitAt unitAt)
{
    DecodedUtf16 decoded;
    decoded.utf8.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = unitAt(i);
        if (!isSurrogate(unit)) {
            appendUtf8(decoded.utf8, unit);
            continue;
        }
        const char32_t next = i + 1 < count ? unitAt(i + 1) : 0;
        if (unit <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            appendUtf8(decoded.utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else {
            decoded.utf8 += '?';
            decoded.exact = false;
        }
    }
    return decoded;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        if (!decodeUtf8(text, pos))
            return false;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t code)
{
    const auto add = [&out](char32_t byte) {
        out += static_cast<char>(byte);
    };
    if (code < 0x80) {
        add(code);
    } else if (code < 0x800) {
        add(0xC0 | code >> 6);
        add(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        add(0xE0 | code >> 12);
        add(0x80 | (code >> 6 & 0x3F));
        add(0x80 | (code & 0x3F));
    } else {
        add(0xF0 | code >> 18);
        add(0x80 | (code >> 12 & 0x3F));
        add(0x80 | (code >> 6 & 0x3F));
        add(0x80 | (code & 0x3F));
    }
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        appendUtf8(text, byte >= 0x80 && byte <= 0x9F ? cp1252High[byte - 0x80] : byte);
    }
    return text;
}

std::string toDisplayUtf8(std::string_view bytes)
{
    return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

std::string shownText(std::string_view bytes)
{
    const std::string utf8 = toDisplayUtf8(bytes);
    std::string shown;
    shown.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t start = pos;
        const std::optional<char32_t> code = decodeUtf8(utf8, pos);
        if (!code) // never, as toDisplayUtf8 gives strict UTF-8; but never loop
            appendEscape(shown, static_cast<unsigned char>(utf8[pos++]));
        else if (needsEscape(*code))
            appendEscape(shown, *code);
        else
            shown.append(utf8, start, pos - start);
    }
    return shown;
}

std::string shownLines(std::string_view bytes, std::string_view lineEnd)
{
    std::string shown;
    for (std::size_t start = 0;;) {
        const std::size_t lineFeed = bytes.find('\n', start);
        std::size_t end = lineFeed;
        if (end != std::string_view::npos && end > start && bytes[end - 1] == '\r')
            --end;
        shown += shownText(bytes.substr(start, end - start));
        if (lineFeed == std::string_view::npos)
            return shown;
        shown += lineEnd;
        start = lineFeed + 1;
    }
}

DecodedUtf16 utf16LeToUtf8(std::string_view bytes)
{
    DecodedUtf16 decoded = decodeUtf16(bytes.size() / 2, [bytes](std::size_t i) -> char32_t {
        return static_cast<unsigned char>(bytes[2 * i]) |
               static_cast<unsigned char>(bytes[2 * i + 1]) << 8;
    });
    if (bytes.size() % 2 != 0)
        decoded.exact = false;
    return decoded;
}

DecodedUtf16 utf16ToUtf8(std::u16string_view units)
{
    return decodeUtf16(units.size(), [units](std::size_t i) -> char32_t { return units[i]; });
}

std::optional<std::string> utf8ToUtf16Le(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto add = [&out](char32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::optional<char32_t> code = decodeUtf8(utf8, pos);
        if (!code)
            return std::nullopt;
        if (*code >= 0x10000) {
            add(0xD800 + ((*code - 0x10000) >> 10));
            add(0xDC00 + ((*code - 0x10000) & 0x3FF));
        } else {
            add(*code);
        }
    }
    return out;
}

std::string_view cutToUtf16Units(std::string_view utf8, std::size_t units)
{
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::optional<char32_t> code = decodeUtf8(utf8, pos);
        const std::size_t width = code && *code >= 0x10000 ? 2 : 1;
        if (!code || width > units)
            break;
        units -= width;
        end = pos;
    }
    return utf8.substr(0, end);
}

} // namespace platform
