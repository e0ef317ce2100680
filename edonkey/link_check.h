#pragma once

#include "fakedb/fake_lookup.h"

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

/// Takes a pasted link apart. The link must start at the first character,
/// either plainly or inside a web page's anchor ("<a href=" and a quote); the
/// name and size may be anything without a bar, the hash must be 32 characters.
/// Nothing for any other text.
std::optional<Ed2kLink> parseEd2kLink(std::string_view text);

enum class LinkVerdict {
    Invalid,   // the text is no ed2k file link
    NotListed, // the list holds no entry for its hash and size
    Fake,      // listed: `hit` holds the lookup's "*** " line
};

struct LinkCheck {
    LinkVerdict verdict = LinkVerdict::Invalid;
    std::string hit;
};

/// Looks a pasted link up in the list of fakes.
LinkCheck checkEd2kLink(std::string_view text, const fakedb::FakeLookup& lookup);

} // namespace edonkey
