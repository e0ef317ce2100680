#include "app/worker_thread.h"

namespace app {

WorkerThread::WorkerThread()
{
    setAutoDelete(false);
    m_pool.setMaxThreadCount(1);
}

WorkerThread::~WorkerThread()
{
    stop();
}

void WorkerThread::post(Work work)
{
    {
        const std::scoped_lock lock(m_mutex);
        m_waiting.push_back(std::move(work));
        if (std::exchange(m_running, true))
            return;
    }
    m_pool.start(this);
}

void WorkerThread::stop()
{
    {
        const std::scoped_lock lock(m_mutex);
        m_waiting.clear();
        m_stop.request_stop();
    }
    m_pool.waitForDone();
    const std::scoped_lock lock(m_mutex);
    m_stop = {};
}

void WorkerThread::run()
{
    for (;;) {
        Work work;
        std::stop_token stop;
        {
            const std::scoped_lock lock(m_mutex);
            if (m_waiting.empty()) {
                m_running = false;
                return;
            }
            work = std::move(m_waiting.front());
            m_waiting.pop_front();
            stop = m_stop.get_token();
        }
        work(stop);
    }
}

} // namespace app
