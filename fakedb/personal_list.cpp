#include "fakedb/personal_list.h"

#include "fakedb/entry_line.h"
#include "fakedb/list_line.h"

#include <algorithm>

namespace fakedb {
namespace {

constexpr std::string_view lineEnd = "\r\n";

// Lookups compare hashes as text, and part files give them in lower case.
bool isUpperHex(char c)
{
    return c >= 'A' && c <= 'F';
}

// Why a line no check could match is one, by the rule of every list line;
// nothing for a good line.
std::optional<std::string_view> faultOf(const NumberedLine& line)
{
    if (!line.ended)
        return "no line end after it";
    if (const auto fault = fakedb::faultOf(line.text))
        return faultText(*fault);
    const auto hash = splitEntryLine(line.text)->hash;
    if (std::any_of(hash.begin(), hash.end(), isUpperHex))
        return "the hash is not in lower case";
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
