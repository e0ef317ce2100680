#include "session/progress_pace.h"

namespace session {

ProgressPace::ProgressPace(Clock::duration delay, Clock::duration interval)
    : m_next(m_start + delay)
    , m_interval(interval)
{
}

bool ProgressPace::due()
{
    const auto now = Clock::now();
    if (now < m_next)
        return false;
    m_next = now + m_interval;
    return true;
}

} // namespace session
