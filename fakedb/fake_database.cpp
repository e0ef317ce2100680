#include "fakedb/fake_database.h"

#include "fakedb/entry_line.h"
#include "platform/files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <optional>

namespace fakedb {
namespace {

constexpr std::string_view fakeMark = "*** ";

// Keep the table at most three quarters full: linear probing slows down
// sharply beyond that, and misses are the common lookup.
constexpr std::size_t maxLoadNumerator = 3;
constexpr std::size_t maxLoadDenominator = 4;
constexpr std::size_t minSlots = 64;
constexpr std::size_t batchSize = 64;
// How often a load looks whether it is asked to stop: every 1,024 lines
// indexed, well under a millisecond of work.
constexpr std::size_t batchesBetweenStopChecks = 16;
constexpr std::size_t sampleBytes = std::size_t{64} << 10;

// One entry of the open-addressing table: the first line with a given key, by
// where it starts in the text (the text moves as it grows, so no pointers),
// tagged with the top of the key's hash. The tag's top bits pick the slot, so
// the table can grow without reading the lines again.
template <typename Offset>
struct Slot {
    std::uint32_t tag;
    Offset lineStartPlusOne; // 0 marks an empty slot, as fresh memory comes
};
static_assert(sizeof(Slot<std::uint32_t>) == 8);

void prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

std::uint64_t load64(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

std::uint64_t load32(const char* bytes)
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Both halves of the 128-bit product: every bit of `a` and `b` reaches the
// top and the bottom of the result in one multiplication.
std::uint64_t fold(std::uint64_t a, std::uint64_t b)
{
#if defined(__SIZEOF_INT128__)
    __extension__ using Product = unsigned __int128;
    const Product product = static_cast<Product>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
#else
    const std::uint64_t low = a * b;
    const std::uint64_t high = (a >> 32) * (b >> 32) + (((a >> 32) * (b & 0xFFFFFFFF)) >> 32) +
                               (((a & 0xFFFFFFFF) * (b >> 32)) >> 32);
    return low ^ high;
#endif
}

std::uint64_t mixField(std::uint64_t state, std::string_view field)
{
    const char* at = field.data();
    std::size_t left = field.size();
    state ^= left * 0x9E3779B97F4A7C15ULL;
    for (; left > 32; at += 16, left -= 16)
        state = fold(load64(at) ^ 0xA0761D6478BD642FULL, load64(at + 8) ^ state);
    // A 32-digit hash, the usual field, as two folds that run side by side.
    if (left > 16) {
        return fold(load64(at) ^ 0xA0761D6478BD642FULL, load64(at + 8) ^ state) ^
               fold(load64(at + left - 16) ^ 0x8BB84B93962EACC9ULL,
                    load64(at + left - 8) ^ 0x4B33A62ED433D4A3ULL);
    }
    // The last 1 to 16 bytes as two words, read overlapping instead of past the end.
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (left > 8) {
        a = load64(at);
        b = load64(at + left - 8);
    } else if (left >= 4) {
        a = load32(at);
        b = load32(at + left - 4);
    } else if (left > 0) {
        a = std::uint64_t{static_cast<unsigned char>(at[0])} << 16 |
            std::uint64_t{static_cast<unsigned char>(at[left / 2])} << 8 |
            static_cast<unsigned char>(at[left - 1]);
    }
    return fold(a ^ 0xE7037ED1A0B428DBULL, b ^ state);
}

// The fields are hashed apart, from different seeds so that they cannot trade
// places, and side by side: keying is on the path of every line loaded.
std::uint64_t hashKey(std::string_view hash, std::string_view size)
{
    return mixField(0x243F6A8885A308D3ULL, hash) ^ mixField(0x8EBC6AF09C88C6E3ULL, size);
}

std::uint32_t tagOf(std::uint64_t keyHash)
{
    return static_cast<std::uint32_t>(keyHash >> 32);
}

// Where the line holding `from` ends its text, or npos when no line end follows.
std::size_t findLineEnd(std::string_view text, std::size_t from)
{
    const auto line = lineAt(text, from);
    return line ? from + line->text.size() : std::string_view::npos;
}

// Whether the complete, indexed line at `lineStart` begins with `hash`, a
// comma, `size` and a comma.
bool lineHasKey(std::string_view text, std::size_t lineStart, std::string_view hash,
                std::string_view size)
{
    const std::size_t keyLength = hash.size() + size.size() + 2;
    if (text.size() - lineStart < keyLength)
        return false;
    const char* line = text.data() + lineStart;
    return std::string_view(line, hash.size()) == hash && line[hash.size()] == ',' &&
           std::string_view(line + hash.size() + 1, size.size()) == size &&
           line[keyLength - 1] == ',';
}

template <typename From, typename To>
void moveSlots(const void* from, std::size_t fromCount, void* to, unsigned tagShift)
{
    const auto* old = static_cast<const Slot<From>*>(from);
    auto* fresh = static_cast<Slot<To>*>(to);
    const std::size_t mask = (std::size_t{1} << (32 - tagShift)) - 1;
    for (std::size_t at = 0; at < fromCount; ++at) {
        if (old[at].lineStartPlusOne == 0)
            continue;
        std::size_t i = old[at].tag >> tagShift;
        while (fresh[i].lineStartPlusOne != 0)
            i = (i + 1) & mask;
        fresh[i] = {old[at].tag, old[at].lineStartPlusOne};
    }
}

LoadEnd loadEndOf(platform::ReadFailure failure)
{
    return failure == platform::ReadFailure::TooLarge ? LoadEnd::TooLarge : LoadEnd::Unreadable;
}

// How many entries a text of `length` bytes holds at most, judged by the
// line ends of `start`, its first 64 KiB, rather than a pass over all of it;
// a list whose later lines run shorter grows its table as it is indexed.
std::size_t expectedEntries(std::string_view start, std::size_t length)
{
    const std::string_view sample = start.substr(0, sampleBytes);
    const auto lineFeeds = static_cast<std::size_t>(std::count(sample.begin(), sample.end(), '\n'));
    if (sample.size() == length)
        return lineFeeds;
    return static_cast<std::size_t>(static_cast<double>(lineFeeds) *
                                    (static_cast<double>(length) / sampleBytes)) +
           1;
}

} // namespace

FakeDatabase::FakeDatabase(std::size_t compactTextLimit)
    : m_compactTextLimit(std::min<std::size_t>(compactTextLimit, UINT32_MAX))
{
}

void FakeDatabase::clear()
{
    // Let the memory go: a failed load clears to leave room for the rest.
    m_text = {};
    m_textBlock = {};
    m_indexedUpTo = 0;
    m_searchFrom = 0;
    m_lineFeeds = 0;
    m_table = {};
    m_slotCount = 0;
    m_used = 0;
    m_wideSlots = false;
}

bool FakeDatabase::replace(std::string_view text)
{
    try {
        // Copied before the old text goes: it may be our own.
        platform::LargeBlock block(text.size());
        if (!block.data())
            throw std::bad_alloc();
        if (!text.empty())
            std::memcpy(block.data(), text.data(), text.size());
        clear();
        adoptText(std::move(block), text.size());
        return true;
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
}

void FakeDatabase::adoptText(platform::LargeBlock block, std::size_t length)
{
    m_textBlock = std::move(block);
    m_text = {m_textBlock.data(), length};
    reserveSlots(expectedEntries(m_text, length));
    m_table.touchPages({}); // as a load does (see indexWhileRead)
    indexCompleteLines({});
}

LoadEnd FakeDatabase::indexWhileRead(platform::FileReadAhead& read, const std::stop_token& stop)
{
    auto progress = read.waitFor(std::min(sampleBytes, read.length()), stop);
    const auto failed = [&] {
        return progress.ended ? read.failure() : std::nullopt;
    };
    if (const auto failure = failed())
        return loadEndOf(*failure);
    // Sized for the lines at once, the table need not be rebuilt as it fills.
    // Its pages are taken in order before lines land in it at random.
    reserveSlots(expectedEntries({read.data(), progress.read}, read.length()));
    if (!m_table.touchPages(stop))
        return LoadEnd::Stopped;
    for (;;) {
        m_text = {read.data(), progress.read};
        if (!indexCompleteLines(stop))
            return LoadEnd::Stopped;
        if (progress.ended)
            break;
        progress = read.waitFor(progress.read + 1, stop);
        if (stop.stop_requested())
            return LoadEnd::Stopped;
    }
    if (const auto failure = failed())
        return loadEndOf(*failure);
    m_textBlock = read.takeBlock();
    m_text = {m_textBlock.data(), progress.read};
    return LoadEnd::Loaded;
}

std::string FakeDatabase::lookupFake(std::string_view hash, std::string_view size) const
{
    if (m_slotCount == 0)
        return {};
    const std::uint64_t keyHash = hashKey(hash, size);
    const std::size_t lineStart = m_wideSlots ? findLine<std::uint64_t>(keyHash, hash, size)
                                              : findLine<std::uint32_t>(keyHash, hash, size);
    // No field holds a comma, so such a query matches nothing; ruling it out
    // only here keeps it off the path of the common miss.
    if (lineStart == std::string_view::npos || hash.find(',') != std::string_view::npos ||
        size.find(',') != std::string_view::npos)
        return {};
    const std::size_t descriptionStart = lineStart + hash.size() + size.size() + 2;
    const std::size_t lineEnd = findLineEnd(m_text, descriptionStart);
    std::string result;
    result.reserve(fakeMark.size() + lineEnd - descriptionStart);
    result.append(fakeMark);
    result.append(m_text, descriptionStart, lineEnd - descriptionStart);
    return result;
}

template <typename Offset>
std::size_t FakeDatabase::findLine(std::uint64_t keyHash, std::string_view hash,
                                   std::string_view size) const
{
    const auto* slots = static_cast<const Slot<Offset>*>(tableSlots());
    const std::uint32_t tag = tagOf(keyHash);
    const std::size_t mask = m_slotCount - 1;
    for (std::size_t i = tag >> m_tagShift;; i = (i + 1) & mask) {
        const Slot<Offset>& slot = slots[i];
        if (slot.lineStartPlusOne == 0)
            return std::string_view::npos;
        if (slot.tag == tag && lineHasKey(m_text, slot.lineStartPlusOne - 1, hash, size))
            return slot.lineStartPlusOne - 1;
    }
}

bool FakeDatabase::indexCompleteLines(const std::stop_token& stop)
{
    if (!m_wideSlots && m_text.size() > m_compactTextLimit) {
        if (m_slotCount > 0)
            resizeTable(m_slotCount, true);
        m_wideSlots = true;
    }
    return m_wideSlots ? indexLines<std::uint64_t>(stop) : indexLines<std::uint32_t>(stop);
}

template <typename Offset>
bool FakeDatabase::indexLines(const std::stop_token& stop)
{
    // The table is far bigger than the cache at full size, so lines are keyed
    // a batch at a time with their slots prefetched, and only then inserted,
    // in order so that the first of equal keys still wins.
    struct KeyedLine {
        std::size_t start;
        std::size_t hashLength;
        std::size_t sizeLength;
        std::uint32_t tag;
    };
    KeyedLine batch[batchSize];
    const char* const text = m_text.data();
    const std::size_t textSize = m_text.size();
    // Locals, as memchr would otherwise make the compiler keep them in memory.
    std::size_t searchFrom = m_searchFrom;
    std::size_t indexedUpTo = m_indexedUpTo;
    std::uint64_t lineFeeds = m_lineFeeds;
    bool more = true;
    for (std::size_t batches = 0; more; ++batches) {
        if (batches % batchesBetweenStopChecks == 0 && stop.stop_requested())
            return false;
        if ((m_used + batchSize) * maxLoadDenominator > m_slotCount * maxLoadNumerator)
            reserveSlots(m_used + batchSize);
        const auto* slots = static_cast<const Slot<Offset>*>(tableSlots());
        const unsigned tagShift = m_tagShift;
        std::size_t count = 0;
        while (count < batchSize) {
            const void* found = searchFrom < textSize
                                    ? std::memchr(text + searchFrom, '\n', textSize - searchFrom)
                                    : nullptr;
            if (!found) {
                searchFrom = textSize;
                more = false;
                break;
            }
            const auto lineFeed = static_cast<std::size_t>(static_cast<const char*>(found) - text);
            ++lineFeeds;
            searchFrom = lineFeed + 1;
            const std::size_t start = indexedUpTo;
            indexedUpTo = lineFeed + 1;
            const auto entry =
                splitEntryLine({text + start, lineTextEnd(m_text, start, lineFeed) - start});
            if (!entry)
                continue;
            const std::uint32_t tag = tagOf(hashKey(entry->hash, entry->size));
            prefetch(&slots[tag >> tagShift]);
            KeyedLine& keyed = batch[count++];
            keyed.start = start;
            keyed.hashLength = entry->hash.size();
            keyed.sizeLength = entry->size.size();
            keyed.tag = tag;
        }
        m_searchFrom = searchFrom;
        m_indexedUpTo = indexedUpTo;
        m_lineFeeds = lineFeeds;
        for (std::size_t i = 0; i < count; ++i) {
            const KeyedLine& keyed = batch[i];
            const char* line = text + keyed.start;
            insert<Offset>(keyed.start, {line, keyed.hashLength},
                           {line + keyed.hashLength + 1, keyed.sizeLength}, keyed.tag);
        }
    }
    return true;
}

template <typename Offset>
void FakeDatabase::insert(std::size_t lineStart, std::string_view hash, std::string_view size,
                          std::uint32_t tag)
{
    auto* slots = static_cast<Slot<Offset>*>(tableSlots());
    const std::size_t mask = m_slotCount - 1;
    for (std::size_t i = tag >> m_tagShift;; i = (i + 1) & mask) {
        Slot<Offset>& slot = slots[i];
        if (slot.lineStartPlusOne == 0) {
            slot = {tag, static_cast<Offset>(lineStart + 1)};
            ++m_used;
            return;
        }
        // An earlier line with the same key answers every lookup of it.
        if (slot.tag == tag && lineHasKey(m_text, slot.lineStartPlusOne - 1, hash, size))
            return;
    }
}

void FakeDatabase::reserveSlots(std::size_t entries)
{
    std::size_t capacity = std::max(m_slotCount, minSlots);
    while (entries * maxLoadDenominator > capacity * maxLoadNumerator)
        capacity *= 2;
    if (capacity != m_slotCount)
        resizeTable(capacity, m_wideSlots);
}

void FakeDatabase::resizeTable(std::size_t slotCount, bool wide)
{
    // A slot's home comes from its 32-bit tag, which no bigger table could use.
    const auto bits = static_cast<unsigned>(std::countr_zero(slotCount));
    if (bits > 32)
        throw std::bad_alloc();
    platform::LargeBlock table(slotCount *
                               (wide ? sizeof(Slot<std::uint64_t>) : sizeof(Slot<std::uint32_t>)));
    if (!table.data())
        throw std::bad_alloc();
    const unsigned tagShift = 32 - bits;
    if (!m_wideSlots && !wide)
        moveSlots<std::uint32_t, std::uint32_t>(tableSlots(), m_slotCount,
                                                static_cast<void*>(table.data()), tagShift);
    else if (!m_wideSlots)
        moveSlots<std::uint32_t, std::uint64_t>(tableSlots(), m_slotCount,
                                                static_cast<void*>(table.data()), tagShift);
    else
        moveSlots<std::uint64_t, std::uint64_t>(tableSlots(), m_slotCount,
                                                static_cast<void*>(table.data()), tagShift);
    m_table = std::move(table);
    m_slotCount = slotCount;
    m_tagShift = tagShift;
    m_wideSlots = wide;
}

LoadResult loadFakeDatabase(const std::string& path, const std::stop_token& stop,
                            ListReading reading)
{
    // Nothing is read when asked to stop before the start.
    if (stop.stop_requested())
        return {LoadEnd::Stopped, 0, {}};
    platform::FileReadAhead read(path, fakeDatabaseSizeLimit, reading == ListReading::Ahead);
    try {
        auto database = std::make_shared<FakeDatabase>();
        if (const LoadEnd end = database->indexWhileRead(read, stop); end != LoadEnd::Loaded)
            return {end, 0, {}};
        const std::uint64_t entries = database->m_lineFeeds + 1;
        return {LoadEnd::Loaded, entries, std::move(database)};
    } catch (const std::bad_alloc&) {
        return {LoadEnd::TooLarge, 0, {}};
    }
}

void forEachListLine(std::string_view text, const std::function<void(const NumberedLine&)>& visit)
{
    std::uint64_t number = 1;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto line = lineAt(text, start);
        const std::size_t next = line ? line->next : text.size();
        visit(NumberedLine{line ? line->text : text.substr(start), text.substr(start, next - start),
                           number++, line.has_value()});
        start = next;
    }
}

} // namespace fakedb
