#pragma once

#include "fakedb/fake_database.h"

#include <optional>
#include <string>
#include <string_view>

namespace edonkey {

/// The fields of an ed2k file link, as typed: "ed2k://|file|NAME|SIZE|HASH|...".
struct Ed2kLink {
    std::string name;
    std::string size;
    std::string hash;
};

inline constexpr std::string_view invalidLinkMessage = "This is not a valid eDonkey Link";
inline constexpr std::string_view noEntryFound = "No Entry found";

/// Takes a pasted link apart. The link must start at the first character,
/// either plainly or inside a web page's anchor ("<a href=" and a quote); the
/// name and size may be anything without a bar, the hash must be 32 characters.
/// Nothing for any other text.
std::optional<Ed2kLink> parseEd2kLink(std::string_view text);

/// The answer for a pasted link: "No Entry found" or the lookup's "*** " line;
/// nothing when the text is not a valid link.
std::optional<std::string> checkEd2kLink(std::string_view text,
                                         const fakedb::FakeDatabase& database);

} // namespace edonkey
