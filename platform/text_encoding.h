#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

/// Whether `text` is strict UTF-8: no overlong forms, no surrogates, nothing
/// past U+10FFFF.
bool isValidUtf8(std::string_view text);

/// Appends `code`, a Unicode scalar value, to `out` as UTF-8.
void appendUtf8(std::string& out, char32_t code);

/// Every byte read as Windows-1252, as UTF-8. The five bytes the code page
/// leaves undefined stand for the control characters of the same number, as
/// Windows maps them.
std::string windows1252ToUtf8(std::string_view bytes);

/// Turns bytes from the client's files into UTF-8 for display: text that is
/// valid UTF-8 is kept as it is, anything else is read as Windows-1252, the
/// code page the client wrote it in.
std::string toDisplayUtf8(std::string_view bytes);

/// Text from outside (a name a peer chose, a description from the update
/// server, a path) as UTF-8 safe to show on a terminal, in a pipe or in a
/// window, on one line: decoded as toDisplayUtf8 decodes it, then every
/// character that could move the cursor, end the line, start a terminal
/// command, or reorder or hide what is shown (control characters but tab,
/// bidirectional and zero-width marks, line separators) is shown as a visible
/// escape, `\x1b` or `\u202e`. Decoding first catches the control characters
/// that Windows-1252's undefined bytes stand for.
std::string shownText(std::string_view bytes);

/// Text whose lines end in CR LF or LF, each line shown as shownText shows
/// it and ended by `lineEnd` instead; a CR on its own is escaped.
std::string shownLines(std::string_view bytes, std::string_view lineEnd);

/// Text decoded from UTF-16, as UTF-8; inexact when part of it could not be
/// decoded.
struct DecodedUtf16 {
    std::string utf8;
    bool exact = true;
};

/// UTF-16 little-endian bytes, without a byte-order mark, as UTF-8. A lone
/// surrogate becomes '?' and an odd last byte is dropped; either makes the
/// result inexact.
DecodedUtf16 utf16LeToUtf8(std::string_view bytes);

/// UTF-16 code units as UTF-8, read as utf16LeToUtf8 reads bytes.
DecodedUtf16 utf16ToUtf8(std::u16string_view units);

/// UTF-8 as UTF-16 little-endian bytes, without a byte-order mark; nothing when
/// `utf8` is not valid UTF-8.
std::optional<std::string> utf8ToUtf16Le(std::string_view utf8);

/// The longest prefix of `utf8` that is at most `units` UTF-16 code units long
/// and ends at a character boundary (a character past U+FFFF takes two units),
/// as a buffer of that many wide characters would hold it. Bytes that are no
/// UTF-8 end the prefix.
std::string_view cutToUtf16Units(std::string_view utf8, std::size_t units);

} // namespace platform
