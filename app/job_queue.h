#pragma once

#include <functional>
#include <vector>

namespace app {

/// The jobs that share the working copies, the current directory or the
/// database file. They yield to the event loop while they work, so a click or
/// an activation can ask for another one meanwhile.
enum class Job {
    CheckPass,
    PartFileCheck,
    ChangeFolder,
    DatabaseUpdate,
};

/// Runs one job at a time. A job asked for while another runs is deferred and
/// run when that one ends, in the order asked; a job that is already waiting
/// is not queued twice. A job that throws frees the queue as it leaves; the
/// jobs still waiting then run after the next one asked for.
class JobQueue {
public:
    void run(Job job, std::function<void()> work);

    bool busy() const { return m_running; }

private:
    struct Pending {
        Job job;
        std::function<void()> work;
    };

    bool m_running = false;
    std::vector<Pending> m_pending;
};

} // namespace app
