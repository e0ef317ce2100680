#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fakedb {

/// The list of known fakes as the text of fakes.dat, one entry per CR LF-ended
/// line: hash, size and description separated by commas. Lookups are answered
/// from an index kept in step with the text, with the same result as reading
/// the lines from the top and stopping at the first match.
class FakeDatabase {
public:
    /// Empties the text and the index.
    void clear();

    /// Adds bytes at the end of the text; the lines they complete become
    /// visible to lookups at once.
    void append(std::string_view bytes);

    /// Sets the whole text anew.
    void replace(std::string_view text);

    /// "*** " and the description of the first line whose first field equals
    /// `hash` and whose second field equals `size`, both exactly; the empty text
    /// when no line matches. Text after the last CR LF is never matched.
    std::string lookupFake(std::string_view hash, std::string_view size) const;

    const std::string& text() const { return m_text; }

private:
    // One entry of the open-addressing table: the first line with a given hash
    // and size, by where it starts in m_text (the text moves as it grows, so no
    // pointers), tagged with the key's hash so probes seldom touch the text.
    struct Slot {
        std::uint64_t keyHash;
        std::size_t lineStartPlusOne; // 0 marks an empty slot, as calloc leaves it

        bool empty() const { return lineStartPlusOne == 0; }
        std::size_t lineStart() const { return lineStartPlusOne - 1; }
    };

    // The table comes from calloc: a large one is made of fresh pages the
    // system zeroes on first touch, so making room for a million entries
    // costs nothing until they arrive, instead of a long pause before loading.
    struct FreeSlots {
        void operator()(Slot* table) const { std::free(table); }
    };
    using SlotTable = std::unique_ptr<Slot[], FreeSlots>;

    // A complete line with two commas, ready to go into the table.
    struct KeyedLine {
        std::size_t start;
        std::size_t hashLength;
        std::size_t sizeLength;
        std::uint64_t keyHash;
    };

    friend std::optional<std::uint64_t> loadFakeDatabase(FakeDatabase&, const std::string&,
                                                         const std::function<void()>&);

    // Empties the database and makes room for a file of `fileBytes` whose
    // lines look like those of `firstBlock`, so that loading does not keep
    // moving the text and rehashing the table.
    void prepareForLoad(std::uint64_t fileBytes, std::string_view firstBlock);
    void indexCompleteLines();
    bool keyLine(std::size_t start, std::size_t end, KeyedLine& keyed) const;
    void insert(const KeyedLine& keyed);
    void reserveSlots(std::size_t entries);
    bool lineHasKey(std::size_t lineStart, std::string_view hash, std::string_view size) const;

    std::string m_text;
    std::size_t m_indexedUpTo = 0; // where the first line not yet indexed starts
    std::size_t m_searchFrom = 0;  // earliest place the next CR LF can start
    SlotTable m_slots;             // m_slotCount slots, a power of two, or none
    std::size_t m_slotCount = 0;
    std::size_t m_used = 0;
};

/// Loads the file at `path` into `database` in 2048-byte blocks, calling
/// `yield` after each block. Returns the entry count the program reports, the
/// number of LF bytes in the file plus one, or nothing when the file is
/// missing or unreadable (the database is then left as it was, unless a read
/// failed part way, when it holds the blocks read before).
std::optional<std::uint64_t> loadFakeDatabase(FakeDatabase& database, const std::string& path,
                                              const std::function<void()>& yield);

} // namespace fakedb
