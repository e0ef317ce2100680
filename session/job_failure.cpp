#include "session/job_failure.h"

#include "platform/text_encoding.h"

#include <new>

namespace session {

std::string reasonOf(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return "not enough memory";
    } catch (const std::exception& error) {
        // A library's text may quote a path or a peer's name.
        return platform::shownText(error.what());
    } catch (...) {
    }
    return "an unexpected error";
}

} // namespace session
