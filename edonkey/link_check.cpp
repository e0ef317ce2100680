#include "edonkey/link_check.h"

#include <array>

using namespace std::string_view_literals;

namespace edonkey {
namespace {
constexpr auto plainPrefix = "ed2k://|file|"sv;
constexpr auto anchorPrefix = "<a href=\"ed2k://|file|"sv;
constexpr std::size_t hashLength = 32;
} // namespace

std::optional<Ed2kLink> parseEd2kLink(std::string_view text)
{
    std::size_t pos;
    if (text.starts_with(anchorPrefix))
        pos = anchorPrefix.size();
    else if (text.starts_with(plainPrefix))
        pos = plainPrefix.size();
    else
        return std::nullopt;

    // Name, size and hash each end at a bar; whatever follows the third is ignored.
    std::array<std::string_view, 3> fields;
    for (auto& field : fields) {
        const auto bar = text.find('|', pos);
        if (bar == std::string_view::npos)
            return std::nullopt;
        field = text.substr(pos, bar - pos);
        pos = bar + 1;
    }
    if (fields[2].size() != hashLength)
        return std::nullopt;
    return Ed2kLink{std::string(fields[0]), std::string(fields[1]), std::string(fields[2])};
}

LinkCheck checkEd2kLink(std::string_view text, const fakedb::FakeLookup& lookup)
{
    const auto link = parseEd2kLink(text);
    if (!link)
        return {};
    std::string hit = lookup.lookupFake(link->hash, link->size);
    if (hit.empty())
        return {LinkVerdict::NotListed, {}};
    return {LinkVerdict::Fake, std::move(hit)};
}

} // namespace edonkey
