#pragma once

#include "fakedb/entry_line.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

/// Entries seen so far, one per hash (letters in any case) and size, each
/// with what the caller tells them by. They are kept as offsets into two
/// texts that hold their lines, which may grow (and move) between inserts:
/// about 40 bytes an entry besides the texts.
class EntryTable {
public:
    struct Seen {
        std::uint32_t source; // e.g. the file
        std::uint64_t line;
        std::string_view description; // valid until the text changes
    };

    /// Offsets from `secondStart` on are those of `second`'s bytes.
    static constexpr std::uint64_t secondStart = std::uint64_t(1) << 63;

    explicit EntryTable(const std::string& first, const std::string& second = {})
        : m_first(first)
        , m_second(second)
    {
    }

    /// Makes room for `entries` in all, so that none is moved later.
    void reserve(std::size_t entries);

    /// Records `entry`, whose line the texts hold at `storedAt` by the next
    /// call; or, when its hash and size were recorded before, returns that one.
    std::optional<Seen> insert(const fakedb::EntryLine& entry, std::uint64_t storedAt,
                               std::uint32_t source, std::uint64_t line);

private:
    struct Entry {
        std::uint64_t start; // the line's offset: hash, ",", size, ",", description
        std::uint32_t hashLength;
        std::uint32_t sizeLength;
        std::uint32_t descriptionLength;
        std::uint32_t source;
        std::uint64_t line;
    };
    const char* lineOf(const Entry& entry) const;
    std::string_view hashOf(const Entry& entry) const;
    std::string_view sizeOf(const Entry& entry) const;
    static std::uint64_t keyOf(std::string_view hash, std::string_view size);
    void rehash(std::size_t slotCount);

    const std::string& m_first;
    const std::string& m_second;
    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots; // entry index + 1; 0: empty
};

} // namespace tools
