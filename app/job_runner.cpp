#include "app/job_runner.h"

#include "session/job_failure.h"

#include <QMetaObject>

namespace app {

JobRunner::JobRunner(platform::Desktop& desktop, Failed failed, BeforeJob beforeJob,
                     QObject* parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_failed(std::move(failed))
    , m_beforeJob(std::move(beforeJob))
{
}

JobRunner::~JobRunner()
{
    stop();
}

void JobRunner::run(session::Job job, Work work)
{
    if (m_stopped)
        return;
    m_queue.ask(job, std::move(work));
    startNext();
}

void JobRunner::stop()
{
    m_stopped = true;
    m_queue.forgetWaiting();
    m_thread.stop();
}

void JobRunner::startNext()
{
    if (m_stopped)
        return;
    auto next = m_queue.start();
    if (!next)
        return;
    m_running = next->job;
    m_thread.post(
        [this, job = std::move(*next)](const std::stop_token& stop) { runJob(job, stop); });
}

void JobRunner::runJob(const Started& job, const std::stop_token& stop)
{
    Outcome outcome;
    // Nothing a job throws ends the program or goes unseen.
    try {
        if (m_beforeJob)
            m_beforeJob(job.job);
        outcome.end = job.work(stop);
    } catch (...) {
        outcome.failure = session::reasonOf(std::current_exception());
    }
    {
        const std::scoped_lock lock(m_handing);
        m_outcome = std::move(outcome);
    }
    QMetaObject::invokeMethod(this, "jobEnded", Qt::QueuedConnection);
}

void JobRunner::jobEnded()
{
    if (m_stopped)
        return;
    Outcome outcome;
    {
        const std::scoped_lock lock(m_handing);
        outcome = std::move(*m_outcome);
        m_outcome.reset();
    }
    const JobEnd end = outcome.failure ? m_failed(m_running, *outcome.failure) : outcome.end;
    // The message box and the dialog run their own event loops: the window
    // may close meanwhile, and then nothing of the job goes on.
    if (!end.message.empty())
        m_desktop.showMessage(end.message);
    if (m_stopped)
        return;
    std::optional<Started> rest;
    if (end.question && end.rest) {
        const std::string answer =
            session::ask(m_desktop, *end.question, [this] { return !m_stopped; });
        if (m_stopped)
            return;
        rest = {m_running, [answer, rest = end.rest](const std::stop_token& stop) {
                    return rest(answer, stop);
                }};
    }
    m_queue.end(std::move(rest));
    if (end.then)
        end.then();
    startNext();
}

} // namespace app
