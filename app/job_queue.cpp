#include "app/job_queue.h"

#include <algorithm>

namespace app {

void JobQueue::run(Job job, std::function<void()> work)
{
    if (m_running) {
        const bool waiting = std::any_of(m_pending.begin(), m_pending.end(),
                                         [job](const Pending& p) { return p.job == job; });
        if (!waiting)
            m_pending.push_back({job, std::move(work)});
        return;
    }
    // Deferred jobs run here, in the frame of the first one, so none of them
    // ever runs inside another's yield.
    m_running = true;
    // Released however the jobs end: a job that throws must not hold up every
    // later one.
    struct Release {
        bool& running;
        ~Release() { running = false; }
    } release{m_running};
    work();
    while (!m_pending.empty()) {
        auto next = std::move(m_pending.front());
        m_pending.erase(m_pending.begin());
        next.work();
    }
}

} // namespace app
