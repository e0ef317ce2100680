#include "fakedb/personal_list.h"

#include "fakedb/entry_line.h"

#include <algorithm>

namespace fakedb {
namespace {

constexpr std::string_view lineEnd = "\r\n";
constexpr std::size_t hashLength = 32;

bool isLowerHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Why a line no check could match is one; nothing for a good line.
std::optional<std::string_view> faultOf(const NumberedLine& line)
{
    if (!line.ended)
        return "no line end after it";
    const auto entry = splitEntryLine(line.text);
    if (!entry)
        return "not HASH,SIZE,DESCRIPTION";
    if (entry->hash.size() != hashLength ||
        !std::all_of(entry->hash.begin(), entry->hash.end(), isLowerHex))
        return "the hash is not 32 lower-case hexadecimal digits";
    if (entry->size.empty() || !std::all_of(entry->size.begin(), entry->size.end(), isDigit) ||
        (entry->size.size() > 1 && entry->size.front() == '0'))
        return "the size is not a number of bytes";
    return std::nullopt;
}

bool isEmpty(const NumberedLine& line)
{
    return line.text.empty();
}

// Whether a good line is the entry of `hash` (and `size`, when given).
bool holds(const NumberedLine& line, std::string_view hash, std::optional<std::string_view> size)
{
    if (isEmpty(line) || faultOf(line))
        return false;
    const auto entry = splitEntryLine(line.text);
    return entry->hash == hash && (!size || entry->size == *size);
}

} // namespace

PersonalList readPersonalList(std::string_view text)
{
    PersonalList result;
    std::string good;
    forEachListLine(text, [&](const NumberedLine& line) {
        if (isEmpty(line))
            return;
        if (const auto fault = faultOf(line)) {
            result.badLines.push_back({line.number, *fault});
            return;
        }
        good.append(line.text);
        good.append(lineEnd);
    });
    auto list = std::make_shared<FakeDatabase>();
    list->replace(std::move(good));
    result.list = std::move(list);
    return result;
}

std::optional<std::string> personalListLine(std::string_view hash, std::uint64_t size,
                                            std::string_view description)
{
    if (description.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return std::nullopt;
    std::string line(hash);
    line += ',';
    line += std::to_string(size);
    line += ',';
    line += description;
    line += lineEnd;
    return line;
}

std::optional<std::string> withEntry(std::string_view text, std::string_view line,
                                     std::string_view hash, std::string_view size)
{
    bool lastEnded = true;
    forEachListLine(text, [&](const NumberedLine& each) { lastEnded = each.ended; });
    // A last line the user left without its end gets one first: it may be
    // the entry itself, which then counts.
    std::string out(text);
    if (!lastEnded)
        out += lineEnd;
    bool present = false;
    forEachListLine(out, [&](const NumberedLine& each) { present |= holds(each, hash, size); });
    if (!present)
        out += line;
    else if (lastEnded)
        return std::nullopt;
    return out;
}

std::optional<std::string> withoutEntry(std::string_view text, std::string_view hash,
                                        std::optional<std::string_view> size)
{
    std::string out;
    bool removed = false;
    forEachListLine(text, [&](const NumberedLine& line) {
        if (holds(line, hash, size))
            removed = true;
        else
            out += line.withEnd;
    });
    if (!removed)
        return std::nullopt;
    return out;
}

} // namespace fakedb
