#pragma once

#include "fakedb/entry_line.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tools {

/// Calls `onLine(text, number)` for each line of `list`, numbered from 1,
/// without its line end: LF or CR LF, as fakes.dat is read. A last line
/// without a line end counts too; a final line end starts no further line.
template <typename OnLine>
void forEachListLine(std::string_view list, OnLine&& onLine)
{
    std::uint64_t number = 0;
    while (!list.empty()) {
        const auto end = list.find('\n');
        std::string_view line = list.substr(0, end);
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
        if (end != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        onLine(line, ++number);
    }
}

/// Entries seen so far, one per hash (letters in any case) and size, each
/// with what the caller tells them by. Kept small: a million entries take
/// about 40 MB besides the list's own text, which they point into.
class EntryTable {
public:
    struct Seen {
        std::uint32_t source; // e.g. the file
        std::uint64_t line;
        std::string_view description;
    };

    /// Records the entry, or returns the one recorded for its hash and size.
    std::optional<Seen> insert(const fakedb::EntryLine& entry, std::uint32_t source,
                               std::uint64_t line);

private:
    struct Entry {
        const char* start; // the line's: hash, ",", size, ",", description
        std::uint32_t hashLength;
        std::uint32_t sizeLength;
        std::uint32_t descriptionLength;
        std::uint32_t source;
        std::uint64_t line;

        std::string_view hash() const { return {start, hashLength}; }
        std::string_view size() const { return {start + hashLength + 1, sizeLength}; }
    };
    static std::uint64_t keyOf(std::string_view hash, std::string_view size);
    void grow();

    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots; // entry index + 1; 0: empty
};

} // namespace tools
