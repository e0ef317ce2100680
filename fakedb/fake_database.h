#pragma once

#include <cstdint>
#include <functional>
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
    struct Slot;

    void indexCompleteLines();
    void indexLine(std::size_t start, std::size_t end);
    void grow();

    std::string m_text;
    std::size_t m_indexedUpTo = 0; // where the first line not yet indexed starts
    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

/// Loads the file at `path` into `database` in 2048-byte blocks, calling
/// `yield` after each block. Returns the entry count the program reports, the
/// number of LF bytes in the file plus one, or nothing when the file is
/// missing or unreadable (the database is then left as it was).
std::optional<std::uint64_t> loadFakeDatabase(FakeDatabase& database, const std::string& path,
                                              const std::function<void()>& yield);

} // namespace fakedb
