#include "tools/list_lines.h"

namespace tools {
namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameHash(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

std::uint64_t EntryTable::keyOf(std::string_view hash, std::string_view size)
{
    // FNV-1a over the hash in lower case, a comma and the size.
    std::uint64_t key = 0xcbf29ce484222325ull;
    const auto mix = [&key](char c) {
        key ^= static_cast<unsigned char>(c);
        key *= 0x100000001b3ull;
    };
    for (const char c : hash)
        mix(lower(c));
    mix(',');
    for (const char c : size)
        mix(c);
    return key ^ (key >> 29);
}

const char* EntryTable::lineOf(const Entry& entry) const
{
    return entry.start >= secondStart ? m_second.data() + (entry.start - secondStart)
                                      : m_first.data() + entry.start;
}

std::string_view EntryTable::hashOf(const Entry& entry) const
{
    return {lineOf(entry), entry.hashLength};
}

std::string_view EntryTable::sizeOf(const Entry& entry) const
{
    return {lineOf(entry) + entry.hashLength + 1, entry.sizeLength};
}

void EntryTable::reserve(std::size_t entries)
{
    m_entries.reserve(entries);
    std::size_t slots = 1024;
    while (slots < entries * 2)
        slots *= 2;
    if (slots > m_slots.size())
        rehash(slots);
}

std::optional<EntryTable::Seen> EntryTable::insert(const fakedb::EntryLine& entry,
                                                   std::uint64_t storedAt, std::uint32_t source,
                                                   std::uint64_t line)
{
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        rehash(m_slots.empty() ? 1024 : m_slots.size() * 2);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = keyOf(entry.hash, entry.size) & mask;; i = (i + 1) & mask) {
        if (m_slots[i] == 0) {
            m_entries.push_back({storedAt, std::uint32_t(entry.hash.size()),
                                 std::uint32_t(entry.size.size()),
                                 std::uint32_t(entry.description.size()), source, line});
            m_slots[i] = std::uint32_t(m_entries.size());
            return std::nullopt;
        }
        const Entry& seen = m_entries[m_slots[i] - 1];
        if (sizeOf(seen) == entry.size && sameHash(hashOf(seen), entry.hash)) {
            const char* description = lineOf(seen) + seen.hashLength + seen.sizeLength + 2;
            return Seen{seen.source, seen.line, {description, seen.descriptionLength}};
        }
    }
}

void EntryTable::rehash(std::size_t slotCount)
{
    std::vector<std::uint32_t> slots(slotCount, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t index = 0; index < m_entries.size(); ++index) {
        const Entry& entry = m_entries[index];
        std::size_t i = keyOf(hashOf(entry), sizeOf(entry)) & mask;
        while (slots[i] != 0)
            i = (i + 1) & mask;
        slots[i] = index + 1;
    }
    m_slots = std::move(slots);
}

} // namespace tools
