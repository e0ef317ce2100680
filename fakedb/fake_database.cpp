#include "fakedb/fake_database.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace fakedb {
namespace {

constexpr std::string_view fakeMark = "*** ";

// Keep the table at most three quarters full: linear probing slows down
// sharply beyond that, and misses are the common lookup.
constexpr std::size_t maxLoadNumerator = 3;
constexpr std::size_t maxLoadDenominator = 4;
constexpr std::size_t minSlots = 64;
constexpr std::size_t batchSize = 16;

// A real entry has a 32-digit hash, so it is longer than this.
constexpr std::size_t minHintedLineLength = 40;

void prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

std::uint64_t loadWord(const char* bytes, std::size_t count)
{
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, count);
    return word;
}

std::uint64_t mixWord(std::uint64_t state, std::uint64_t word)
{
    word *= 0x9E3779B97F4A7C15ULL;
    word ^= word >> 31;
    state = (state ^ word) * 0xBF58476D1CE4E5B9ULL;
    return state ^ (state >> 29);
}

std::uint64_t mixBytes(std::uint64_t state, std::string_view bytes)
{
    // The length goes in first so that the two fields cannot trade bytes.
    state = mixWord(state, bytes.size());
    const char* at = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; at += 8, left -= 8)
        state = mixWord(state, loadWord(at, 8));
    if (left > 0)
        state = mixWord(state, loadWord(at, left));
    return state;
}

std::uint64_t hashKey(std::string_view hash, std::string_view size)
{
    std::uint64_t state = mixBytes(mixBytes(0x243F6A8885A308D3ULL, hash), size);
    // Low bits pick the slot, so let every input bit reach them.
    state ^= state >> 33;
    state *= 0xFF51AFD7ED558CCDULL;
    state ^= state >> 33;
    state *= 0xC4CEB9FE1A85EC53ULL;
    return state ^ (state >> 33);
}

// Where the first CR LF starting at or after `from` begins, or npos. Searching
// for the LF is what memchr is fast at: there is about one per line.
std::size_t findLineEnd(std::string_view text, std::size_t from)
{
    for (std::size_t at = from + 1; at < text.size();) {
        const void* lineFeed = std::memchr(text.data() + at, '\n', text.size() - at);
        if (!lineFeed)
            return std::string_view::npos;
        at = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - text.data());
        if (text[at - 1] == '\r')
            return at - 1;
        ++at;
    }
    return std::string_view::npos;
}

std::size_t countLineEnds(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = findLineEnd(text, 0); at != std::string_view::npos;
         at = findLineEnd(text, at + 2))
        ++count;
    return count;
}

} // namespace

void FakeDatabase::clear()
{
    m_text.clear();
    m_indexedUpTo = 0;
    m_searchFrom = 0;
    m_slots.reset();
    m_slotCount = 0;
    m_used = 0;
}

void FakeDatabase::append(std::string_view bytes)
{
    m_text.append(bytes);
    indexCompleteLines();
}

void FakeDatabase::replace(std::string_view text)
{
    // `text` may be our own text, so copy it before clearing.
    std::string copy(text);
    clear();
    m_text = std::move(copy);
    // There are no more entries than line ends; sizing for them saves rehashing.
    reserveSlots(countLineEnds(m_text));
    indexCompleteLines();
}

std::string FakeDatabase::lookupFake(std::string_view hash, std::string_view size) const
{
    // No field holds a comma, so such a query matches nothing; ruling it out
    // here is what lets lineHasKey stop at the first comma.
    if (m_slotCount == 0 || hash.find(',') != std::string_view::npos ||
        size.find(',') != std::string_view::npos)
        return {};

    const std::uint64_t keyHash = hashKey(hash, size);
    const std::size_t mask = m_slotCount - 1;
    for (std::size_t i = keyHash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.empty())
            return {};
        if (slot.keyHash == keyHash && lineHasKey(slot.lineStart(), hash, size)) {
            const std::size_t descriptionStart = slot.lineStart() + hash.size() + size.size() + 2;
            const std::size_t lineEnd = findLineEnd(m_text, descriptionStart);
            std::string result;
            result.reserve(fakeMark.size() + lineEnd - descriptionStart);
            result.append(fakeMark);
            result.append(m_text, descriptionStart, lineEnd - descriptionStart);
            return result;
        }
    }
}

void FakeDatabase::prepareForLoad(std::uint64_t fileBytes, std::string_view firstBlock)
{
    clear();
    // The file may have changed since it was measured: these are only hints.
    if (fileBytes > m_text.max_size())
        return;
    m_text.reserve(static_cast<std::size_t>(fileBytes));
    const std::size_t lineEnds = countLineEnds(firstBlock);
    if (firstBlock.size() < platform::readBlockSize || lineEnds == 0)
        return;
    // A first block of unusually short lines must not make a huge table.
    const auto bytes = static_cast<std::size_t>(fileBytes);
    reserveSlots(std::min(bytes / firstBlock.size() * lineEnds, bytes / minHintedLineLength));
}

void FakeDatabase::indexCompleteLines()
{
    const std::string_view text(m_text);
    // The table is far bigger than the cache at full size, so lines are keyed
    // a batch at a time with their slots prefetched, and only then inserted,
    // in order so that the first of equal keys still wins.
    KeyedLine batch[batchSize];
    for (bool more = true; more;) {
        if ((m_used + batchSize) * maxLoadDenominator > m_slotCount * maxLoadNumerator)
            reserveSlots(m_used + batchSize);
        const std::size_t mask = m_slotCount - 1;
        std::size_t count = 0;
        while (count < batchSize) {
            const std::size_t lineEnd = findLineEnd(text, m_searchFrom);
            if (lineEnd == std::string_view::npos) {
                more = false;
                break;
            }
            if (keyLine(m_indexedUpTo, lineEnd, batch[count])) {
                prefetch(&m_slots[batch[count].keyHash & mask]);
                ++count;
            }
            m_indexedUpTo = lineEnd + 2;
            m_searchFrom = m_indexedUpTo;
        }
        for (std::size_t i = 0; i < count; ++i)
            insert(batch[i]);
    }
    // A CR ending the text may be completed by the LF of the next append.
    if (text.size() > m_indexedUpTo)
        m_searchFrom = text.size() - 1;
}

bool FakeDatabase::keyLine(std::size_t start, std::size_t end, KeyedLine& keyed) const
{
    const char* line = m_text.data() + start;
    const std::size_t length = end - start;
    const void* firstComma = std::memchr(line, ',', length);
    if (!firstComma)
        return false;
    const auto hashLength = static_cast<std::size_t>(static_cast<const char*>(firstComma) - line);
    const char* sizeStart = line + hashLength + 1;
    const void* secondComma = std::memchr(sizeStart, ',', length - hashLength - 1);
    if (!secondComma)
        return false;
    const auto sizeLength =
        static_cast<std::size_t>(static_cast<const char*>(secondComma) - sizeStart);
    keyed = {start, hashLength, sizeLength,
             hashKey(std::string_view(line, hashLength), std::string_view(sizeStart, sizeLength))};
    return true;
}

void FakeDatabase::insert(const KeyedLine& keyed)
{
    const std::string_view hash(m_text.data() + keyed.start, keyed.hashLength);
    const std::string_view size(m_text.data() + keyed.start + keyed.hashLength + 1,
                                keyed.sizeLength);
    const std::size_t mask = m_slotCount - 1;
    for (std::size_t i = keyed.keyHash & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.empty()) {
            slot = {keyed.keyHash, keyed.start + 1};
            ++m_used;
            return;
        }
        // An earlier line with the same key answers every lookup of it.
        if (slot.keyHash == keyed.keyHash && lineHasKey(slot.lineStart(), hash, size))
            return;
    }
}

void FakeDatabase::reserveSlots(std::size_t entries)
{
    std::size_t capacity = std::max(m_slotCount, minSlots);
    while (entries * maxLoadDenominator > capacity * maxLoadNumerator)
        capacity *= 2;
    if (capacity == m_slotCount)
        return;

    SlotTable table(static_cast<Slot*>(std::calloc(capacity, sizeof(Slot))));
    if (!table)
        throw std::bad_alloc();
    const std::size_t mask = capacity - 1;
    for (std::size_t old = 0; old < m_slotCount; ++old) {
        const Slot& slot = m_slots[old];
        if (slot.empty())
            continue;
        std::size_t i = slot.keyHash & mask;
        while (!table[i].empty())
            i = (i + 1) & mask;
        table[i] = slot;
    }
    m_slots = std::move(table);
    m_slotCount = capacity;
}

bool FakeDatabase::lineHasKey(std::size_t lineStart, std::string_view hash,
                              std::string_view size) const
{
    // The line is indexed, so it is complete and has two commas: with no comma
    // in `hash` or `size`, a comma right after each means the fields are equal.
    const std::string_view rest = std::string_view(m_text).substr(lineStart);
    if (rest.size() < hash.size() + size.size() + 2)
        return false;
    return rest.starts_with(hash) && rest[hash.size()] == ',' &&
           rest.substr(hash.size() + 1).starts_with(size) &&
           rest[hash.size() + 1 + size.size()] == ',';
}

std::optional<std::uint64_t> loadFakeDatabase(FakeDatabase& database, const std::string& path,
                                              const std::function<void()>& yield)
{
    // Some systems open a folder for reading; only a regular file is a list.
    const std::optional<std::uint64_t> fileBytes = platform::fileSize(path);
    if (!fileBytes)
        return std::nullopt;

    std::uint64_t lineFeeds = 0;
    bool cleared = false;
    const bool read = platform::forEachFileBlock(path, [&](std::string_view block) {
        // Clearing only once there is a block keeps the old list when the
        // file turns out not to open.
        if (!cleared) {
            database.prepareForLoad(*fileBytes, block);
            cleared = true;
        }
        database.append(block);
        lineFeeds += static_cast<std::uint64_t>(std::count(block.begin(), block.end(), '\n'));
        if (yield)
            yield();
    });
    if (!read)
        return std::nullopt;
    return lineFeeds + 1;
}

} // namespace fakedb
