#include "session/link_answer.h"

#include "session/texts.h"

namespace session {

std::string_view linkAnswer(const edonkey::LinkCheck& check)
{
    switch (check.verdict) {
    case edonkey::LinkVerdict::Fake:
        return check.hit;
    case edonkey::LinkVerdict::NotListed:
        return texts::noEntryFound;
    case edonkey::LinkVerdict::Invalid:
        break;
    }
    return {};
}

} // namespace session
