#pragma once

#include "platform/file_read_ahead.h"
#include "platform/large_block.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>

namespace fakedb {

class FakeDatabase;

/// How a load reads the list while it indexes it.
enum class ListReading {
    Ahead,  // by a thread of its own: the load takes about as long as the index
    InTurn, // on the loading thread, a slice, then its lines: a core stays free
};

/// How loading fakes.dat ended.
enum class LoadEnd {
    Loaded,
    Unreadable, // missing, no regular file, or a read failed
    TooLarge,   // over fakeDatabaseSizeLimit, or more than memory holds
    Stopped,    // given up part way when asked to stop
};

/// Far more than any real list holds (a million entries take about 70 MB): a
/// larger file is refused by its size, before a byte of it is read.
inline constexpr std::uint64_t fakeDatabaseSizeLimit = std::uint64_t{1} << 30;

/// The outcome of loadFakeDatabase; true when loaded.
struct LoadResult {
    LoadEnd end = LoadEnd::Unreadable;
    std::uint64_t entries = 0;                    // the LF bytes in the file plus one, when loaded
    std::shared_ptr<const FakeDatabase> database; // the whole list, when loaded

    explicit operator bool() const { return end == LoadEnd::Loaded; }
};

/// The list of known fakes as the text of fakes.dat, one entry per line ended
/// by CR LF or LF (lineAt in entry_line.h): hash, size and description
/// separated by commas. Lookups are answered
/// from an index kept in step with the text, with the same result as reading
/// the lines from the top and stopping at the first match.
class FakeDatabase {
public:
    FakeDatabase() = default;

    /// Index slots name lines by 32-bit offsets while the text is at most
    /// `compactTextLimit` bytes long, by 64-bit ones beyond; tests lower it to
    /// reach the wide slots without 4 GiB of text.
    explicit FakeDatabase(std::size_t compactTextLimit);

    /// Empties the text and the index.
    void clear();

    /// Sets the whole text anew; when memory runs out the database is left
    /// empty and false returned.
    bool replace(std::string_view text);

    /// "*** " and the description of the first line whose first field equals
    /// `hash` and whose second field equals `size`, both exactly; the empty text
    /// when no line matches. Text after the last line end is never matched.
    std::string lookupFake(std::string_view hash, std::string_view size) const;

    std::string_view text() const { return m_text; }

private:
    friend LoadResult loadFakeDatabase(const std::string&, const std::stop_token&, ListReading);

    // Takes the first `length` bytes of `block` as the text and indexes them.
    void adoptText(platform::LargeBlock block, std::size_t length);
    // Indexes the lines `read` brings while it reads on, and takes its block
    // once it is whole; anything but Loaded leaves the database half made.
    LoadEnd indexWhileRead(platform::FileReadAhead& read, const std::stop_token& stop);
    bool indexCompleteLines(const std::stop_token& stop);
    template <typename Offset>
    bool indexLines(const std::stop_token& stop);
    template <typename Offset>
    std::size_t findLine(std::uint64_t key, std::string_view hash, std::string_view size) const;
    template <typename Offset>
    void insert(std::size_t lineStart, std::string_view hash, std::string_view size,
                std::uint32_t tag);
    void* tableSlots() const { return m_table.data(); }
    void reserveSlots(std::size_t entries);
    void resizeTable(std::size_t slotCount, bool wide);

    // The text and the table are large blocks: where fresh memory is slow,
    // filling a million entries' worth of it in huge pages costs a small part
    // of doing so in small ones. The system zeroes the table's pages.
    platform::LargeBlock m_textBlock;
    std::string_view m_text;       // the part of m_textBlock the list fills
    std::size_t m_indexedUpTo = 0; // where the first line not yet indexed starts
    std::size_t m_searchFrom = 0;  // the first byte not yet searched for LF
    std::uint64_t m_lineFeeds = 0;
    platform::LargeBlock m_table; // m_slotCount slots, a power of two, or none
    std::size_t m_slotCount = 0;
    unsigned m_tagShift = 0; // a slot's home is its tag shifted right by this
    std::size_t m_used = 0;
    bool m_wideSlots = false;
    std::size_t m_compactTextLimit = UINT32_MAX;
};

/// Loads the file at `path` into a database of its own, which the caller puts
/// in use only once it is whole. Read and indexed a slice at a time: when
/// `stop` asks, it ends within milliseconds as LoadEnd::Stopped, with no list.
LoadResult loadFakeDatabase(const std::string& path, const std::stop_token& stop = {},
                            ListReading reading = ListReading::Ahead);

/// One line of a list's text, as the lookup reads it.
struct NumberedLine {
    std::string_view text;    // without its line end
    std::string_view withEnd; // with it, as the file holds the line
    std::uint64_t number = 0; // counted from 1 as an editor counts: LF bytes before it, plus one
    bool ended = false;       // false for text after the last line end, which is never matched
};

/// Calls `visit` with each line of `text` in turn, the text after the last
/// line end included when there is any.
void forEachListLine(std::string_view text, const std::function<void(const NumberedLine&)>& visit);

} // namespace fakedb
