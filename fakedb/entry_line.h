#pragma once

#include <cstring>
#include <optional>
#include <string_view>

namespace fakedb {

/// The fields of a line of fakes.dat that a lookup can match.
struct EntryLine {
    std::string_view hash;
    std::string_view size;
    std::string_view description; // everything after the second comma, commas included
};

/// Splits one line, given without its CR LF, at its first two commas; a line
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
