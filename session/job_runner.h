#pragma once

#include "session/work_queue.h"

#include <mutex>
#include <vector>

namespace session {

/// The jobs that share the working copies or the program's state.
enum class Job {
    CheckPass,
    PartFileCheck,
    ChangeFolder,
    DatabaseUpdate,
};

/// Runs the jobs one at a time, in the order asked, on a thread of their own.
/// A job asked for while another runs is deferred, never dropped; one asked
/// for while the same job already waits is not asked for twice.
class JobRunner {
public:
    void run(Job job, WorkQueue::Work work);

    /// Whether a job runs or waits.
    bool busy() const { return m_queue.busy(); }

    /// Stops the running job, forgets the waiting ones and waits for the thread.
    void stop();

private:
    std::mutex m_mutex;
    std::vector<Job> m_waiting;
    WorkQueue m_queue; // last, so that its thread stops before the rest goes
};

} // namespace session
