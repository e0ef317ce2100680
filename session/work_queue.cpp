#include "session/work_queue.h"

#include <exception>

namespace session {

WorkQueue::~WorkQueue()
{
    stop();
}

void WorkQueue::post(Work work)
{
    {
        const std::scoped_lock lock(m_mutex);
        m_waiting.push_back(std::move(work));
    }
    if (!m_thread.joinable())
        m_thread = std::jthread([this](const std::stop_token& stop) { run(stop); });
    m_posted.notify_one();
}

bool WorkQueue::busy() const
{
    const std::scoped_lock lock(m_mutex);
    return m_running || !m_waiting.empty();
}

void WorkQueue::stop()
{
    if (!m_thread.joinable())
        return;
    m_thread.request_stop();
    m_thread.join();
    m_thread = {};
    const std::scoped_lock lock(m_mutex);
    m_waiting.clear();
    m_running = false;
}

void WorkQueue::run(const std::stop_token& stop)
{
    for (;;) {
        Work work;
        {
            std::unique_lock lock(m_mutex);
            m_running = false;
            // A stopped wait still reports waiting work: it is not run.
            if (!m_posted.wait(lock, stop, [this] { return !m_waiting.empty(); }) ||
                stop.stop_requested())
                return;
            work = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_running = true;
        }
        try {
            work(stop);
        } catch (const std::exception&) {
            // The work's own results say what went wrong; the queue goes on.
        }
    }
}

} // namespace session
