#pragma once

#include "edonkey/link_check.h"
#include "fakedb/fake_lookup.h"

#include <string>
#include <string_view>

namespace session {

using edonkey::LinkVerdict;

/// What "&Check it" says about a pasted link.
struct LinkAnswer {
    edonkey::LinkVerdict verdict = edonkey::LinkVerdict::Invalid;
    /// For a fake, the lookup's "*** " line, and "No Entry found" for any other
    /// valid link, both shown under the link box; for an invalid link, the
    /// text of the message box that says so.
    std::string text;
};

/// Looks a pasted link up in `list` and says what the program answers.
LinkAnswer answerLink(std::string_view link, const fakedb::FakeLookup& list);

} // namespace session
