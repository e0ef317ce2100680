#pragma once

#include "app/worker_thread.h"
#include "platform/desktop.h"
#include "session/file_question.h"
#include "session/job_queue.h"

#include <QObject>

#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

namespace app {

/// How a job of the window ended, as values the window acts on, on its own
/// thread: a job never waits for the user.
struct JobEnd {
    /// A message box, shown first; empty: none.
    std::string message = {};
    /// Then asked; the rest of the job runs with its answer (the chosen path,
    /// or the empty text on cancel), before any job asked for meanwhile.
    std::optional<session::FileQuestion> question = {};
    std::function<JobEnd(const std::string& answer, const std::stop_token& stop)> rest = {};
    /// Last, on the window's thread, once the message is closed.
    std::function<void()> then = {};
};

/// Runs the window's jobs on a worker thread, one at a time, in the order
/// session::JobQueue keeps, and acts on each one's end on the thread that
/// asked for it: shows its message, asks its question, queues its rest.
class JobRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JobRunner)

public:
    using Work = std::function<JobEnd(const std::stop_token& stop)>;
    /// Makes the end of a job that threw, on the asking thread, from why it
    /// could not finish.
    using Failed = std::function<JobEnd(session::Job job, const std::string& reason)>;
    /// Runs on the jobs' thread before each job: a seam for tests.
    using BeforeJob = std::function<void(session::Job job)>;

    /// `desktop` shows the messages and questions.
    JobRunner(platform::Desktop& desktop, Failed failed, BeforeJob beforeJob = {},
              QObject* parent = nullptr);
    ~JobRunner() override;

    /// Runs `work` once every job asked for before it has ended; nothing when
    /// the same job already waits, or the runner was stopped.
    void run(session::Job job, Work work);

    /// For the window's end: asks the running job to stop, forgets the others
    /// and waits until the job has returned. Nothing runs afterwards, not even
    /// the rest of a job whose question is open.
    void stop();

private:
    using Started = session::JobQueue<Work>::Started;
    /// What a job gave back: its end, or why it threw.
    struct Outcome {
        JobEnd end;
        std::optional<std::string> failure;
    };

    void startNext();
    /// On the worker thread: runs `job` and hands its outcome back.
    void runJob(const Started& job, const std::stop_token& stop);
    Q_INVOKABLE void jobEnded();

    platform::Desktop& m_desktop;
    Failed m_failed;
    session::JobQueue<Work> m_queue;
    session::Job m_running = session::Job::CheckPass; // while m_queue says one runs
    bool m_stopped = false;
    BeforeJob m_beforeJob;
    // Hands the outcome back (see WorkerThread).
    std::mutex m_handing;
    std::optional<Outcome> m_outcome;
    WorkerThread m_thread; // last, so that it ends before the rest goes
};

} // namespace app
