#include "fakedb/list_line.h"

#include <charconv>
#include <cstdint>

namespace fakedb {
namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Lookups compare sizes as text: a sign, blank or leading zero never matches.
bool isPlainSize(std::string_view size)
{
    std::uint64_t value = 0;
    const char* end = size.data() + size.size();
    const auto [stop, error] = std::from_chars(size.data(), end, value, 10);
    return !size.empty() && size.front() != '0' && size.front() != '-' && error == std::errc() &&
           stop == end && value > 0;
}

} // namespace

std::optional<LineFault> faultOf(std::string_view line)
{
    const auto entry = splitEntryLine(line);
    if (!entry)
        return LineFault::NotAnEntry;
    if (entry->hash.size() != 32)
        return LineFault::BadHash;
    for (const char c : entry->hash) {
        if (!isHexDigit(c))
            return LineFault::BadHash;
    }
    if (!isPlainSize(entry->size))
        return LineFault::BadSize;
    return std::nullopt;
}

std::string_view faultText(LineFault fault)
{
    switch (fault) {
    case LineFault::NotAnEntry:
        return "not a list line (hash,size,description)";
    case LineFault::BadHash:
        return "the hash is not 32 hexadecimal digits";
    case LineFault::BadSize:
        break;
    }
    return "the size is not a number of bytes from 1 to 18446744073709551615";
}

std::string makeListLine(std::string_view hash, std::string_view size, std::string_view description)
{
    std::string line;
    line.reserve(hash.size() + size.size() + description.size() + 2);
    for (const char c : hash)
        line += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    line += ',';
    line += size;
    line += ',';
    line += description;
    return line;
}

} // namespace fakedb
