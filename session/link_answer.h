#pragma once

#include "edonkey/link_check.h"

#include <string_view>

namespace session {

/// What the program answers for a link the list was asked about: the
/// lookup's "*** " line for a fake, "No Entry found" for any other valid link,
/// the empty text for an invalid one (which gets a message instead).
std::string_view linkAnswer(const edonkey::LinkCheck& check);

} // namespace session
