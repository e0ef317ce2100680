#include "session/job_runner.h"

#include <algorithm>

namespace session {

void JobRunner::run(Job job, WorkQueue::Work work)
{
    {
        const std::scoped_lock lock(m_mutex);
        if (std::find(m_waiting.begin(), m_waiting.end(), job) != m_waiting.end())
            return;
        m_waiting.push_back(job);
    }
    m_queue.post([this, job, work = std::move(work)](const std::stop_token& stop) {
        {
            const std::scoped_lock lock(m_mutex);
            m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), job));
        }
        work(stop);
    });
}

void JobRunner::stop()
{
    m_queue.stop();
    const std::scoped_lock lock(m_mutex);
    m_waiting.clear();
}

} // namespace session
