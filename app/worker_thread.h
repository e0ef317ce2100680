#pragma once

#include <QRunnable>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>

namespace app {

/// The one thread of a Qt pool of its own, running the work posted to it one
/// item at a time, in the order posted. Each item is handed over under a lock
/// of ours: Debian's Qt is not built with ThreadSanitizer, which cannot see
/// the locks Qt hands things over with, but sees this one.
class WorkerThread final : private QRunnable {
public:
    /// Must not throw: an item says itself how it ended.
    using Work = std::function<void(const std::stop_token& stop)>;

    WorkerThread();
    ~WorkerThread() override;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    /// Runs `work` after everything posted before it.
    void post(Work work);

    /// Asks the item that runs to stop, forgets the waiting ones and returns
    /// once the item has; work posted afterwards runs as usual.
    void stop();

private:
    void run() override;

    std::mutex m_mutex;
    std::deque<Work> m_waiting;
    bool m_running = false;
    std::stop_source m_stop;
    QThreadPool m_pool; // last, so that its thread ends before the rest goes
};

} // namespace app
