#include "session/texts.h"

namespace session::texts {

std::string personalBadLine(std::uint64_t number, std::string_view reason)
{
    return "myfakes.dat, line " + std::to_string(number) + " skipped: " + std::string(reason);
}

} // namespace session::texts
