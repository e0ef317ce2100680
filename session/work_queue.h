#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

namespace session {

/// A thread of its own that runs work one item at a time, in the order
/// posted, so the window's thread only shows what the work reports. Stopping
/// it asks the item that runs to stop, through its stop token, forgets the
/// waiting ones and waits for the thread.
class WorkQueue {
public:
    using Work = std::function<void(const std::stop_token& stop)>;

    WorkQueue() = default;
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    /// Runs `work` after everything posted before it. An item that throws
    /// ends there; the next one runs as usual.
    void post(Work work);

    /// Whether an item runs or waits.
    bool busy() const;

    /// Stops and forgets all work and waits for the thread; work posted
    /// afterwards runs on a new one.
    void stop();

private:
    void run(const std::stop_token& stop);

    mutable std::mutex m_mutex;
    std::condition_variable_any m_posted;
    std::deque<Work> m_waiting;
    bool m_running = false;
    std::jthread m_thread; // last, so that it is stopped before the rest goes
};

} // namespace session
