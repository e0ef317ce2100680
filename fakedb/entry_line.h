#pragma once

#include <cstring>
#include <optional>
#include <string_view>

namespace fakedb {

/// One line of a list, without its line end, and where the line after it starts.
struct ListLine {
    std::string_view text;
    std::size_t next;
};

/// Where the line whose LF is at `lineFeed` ends its text: a line of a list
/// ends at an LF, and a CR right before the LF belongs to the line end, so
/// lists saved with CR LF (Windows) and with LF (any Linux editor) read alike.
/// A CR anywhere else is an ordinary character.
inline std::size_t lineTextEnd(std::string_view text, std::size_t lineStart, std::size_t lineFeed)
{
    return lineFeed > lineStart && text[lineFeed - 1] == '\r' ? lineFeed - 1 : lineFeed;
}

/// The line that starts at `from`, by the rule of lineTextEnd; nothing when no
/// LF follows, as text after the last line end is no line.
inline std::optional<ListLine> lineAt(std::string_view text, std::size_t from)
{
    if (from >= text.size())
        return std::nullopt;
    const auto* lineFeed =
        static_cast<const char*>(std::memchr(text.data() + from, '\n', text.size() - from));
    if (!lineFeed)
        return std::nullopt;
    const auto at = static_cast<std::size_t>(lineFeed - text.data());
    return ListLine{text.substr(from, lineTextEnd(text, from, at) - from), at + 1};
}

/// The fields of a line of fakes.dat that a lookup can match.
struct EntryLine {
    std::string_view hash;
    std::string_view size;
    std::string_view description; // everything after the second comma, commas included
};

/// Splits one line, given without its line end, at its first two commas; a line
/// with fewer than two commas is no entry. Inline because the index runs it on
/// every line of a file of a million.
inline std::optional<EntryLine> splitEntryLine(std::string_view line)
{
    if (line.size() < 2)
        return std::nullopt;
    const auto* first = static_cast<const char*>(std::memchr(line.data(), ',', line.size()));
    if (!first)
        return std::nullopt;
    const auto hashLength = static_cast<std::size_t>(first - line.data());
    const auto* second =
        static_cast<const char*>(std::memchr(first + 1, ',', line.size() - hashLength - 1));
    if (!second)
        return std::nullopt;
    const auto sizeLength = static_cast<std::size_t>(second - first - 1);
    return EntryLine{line.substr(0, hashLength), line.substr(hashLength + 1, sizeLength),
                     line.substr(hashLength + sizeLength + 2)};
}

} // namespace fakedb
