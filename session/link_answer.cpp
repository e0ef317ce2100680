#include "session/link_answer.h"

#include "session/texts.h"

namespace session {

LinkAnswer answerLink(std::string_view link, const fakedb::FakeLookup& list)
{
    auto check = edonkey::checkEd2kLink(link, list);
    switch (check.verdict) {
    case edonkey::LinkVerdict::Fake:
        return {check.verdict, std::move(check.hit)};
    case edonkey::LinkVerdict::NotListed:
        return {check.verdict, std::string(texts::noEntryFound)};
    case edonkey::LinkVerdict::Invalid:
        break;
    }
    return {check.verdict, std::string(texts::invalidLink)};
}

} // namespace session
