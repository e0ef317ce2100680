#pragma once

#include <deque>
#include <optional>
#include <utility>

namespace session {

/// The jobs that share the working copies or the program's state.
enum class Job {
    CheckPass,
    PartFileCheck,
    ChangeFolder,
    DatabaseUpdate,
};

/// The order the window's jobs run in, whatever thread runs them: one at a
/// time, in the order asked. A job asked for while another runs waits its
/// turn and is never dropped; one asked for while the same job already waits
/// is not asked for twice. A job that ends with a question keeps its turn
/// until the question is answered: the rest of it, run with the answer, comes
/// before anything asked meanwhile, so nothing slips in between.
///
/// Only the thread that asks for jobs touches it.
template <typename Work>
class JobQueue {
public:
    /// Queues `work` after the jobs waiting; false, and nothing queued, when
    /// the same job already waits.
    bool ask(Job job, Work work)
    {
        for (const auto& waiting : m_waiting)
            if (waiting.job == job)
                return false;
        m_waiting.push_back({job, std::move(work)});
        return true;
    }

    struct Started {
        Job job;
        Work work;
    };

    /// The next job, which runs from now on; nothing while one runs or none waits.
    std::optional<Started> start()
    {
        if (m_running || m_waiting.empty())
            return std::nullopt;
        Started next{m_waiting.front().job, std::move(m_waiting.front().work)};
        m_waiting.pop_front();
        m_running = true;
        return next;
    }

    /// The running job has ended. `rest`, the rest of it once its question is
    /// answered, runs next, before the jobs waiting.
    void end(std::optional<Started> rest = std::nullopt)
    {
        m_running = false;
        if (rest)
            m_waiting.push_front({rest->job, std::move(rest->work)});
    }

    /// Forgets the waiting jobs; the one running, if any, is the caller's to stop.
    void forgetWaiting() { m_waiting.clear(); }

private:
    struct Waiting {
        Job job;
        Work work;
    };
    std::deque<Waiting> m_waiting;
    bool m_running = false;
};

} // namespace session
