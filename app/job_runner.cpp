#include "app/job_runner.h"

#include "session/job_failure.h"

#include <QtConcurrent/QtConcurrentRun>

namespace app {

JobRunner::JobRunner(platform::Desktop& desktop, Failed failed, BeforeJob beforeJob,
                     QObject* parent)
    : QObject(parent)
    , m_desktop(desktop)
    , m_failed(std::move(failed))
    , m_beforeJob(std::move(beforeJob))
{
    m_pool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &JobRunner::jobEnded);
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
    m_stop.request_stop();
    m_pool.waitForDone();
}

void JobRunner::startNext()
{
    if (m_stopped)
        return;
    auto next = m_queue.start();
    if (!next)
        return;
    m_running = next->job;
    m_watcher.setFuture(
        QtConcurrent::run(&m_pool,
                          [job = next->job, work = std::move(next->work), before = m_beforeJob,
                           stop = m_stop.get_token()]() -> Outcome {
                              // Nothing a job throws ends the program or goes unseen.
                              try {
                                  if (before)
                                      before(job);
                                  return {work(stop), std::nullopt};
                              } catch (...) {
                                  return {{}, session::reasonOf(std::current_exception())};
                              }
                          }));
}

void JobRunner::jobEnded()
{
    if (m_stopped)
        return;
    const Outcome outcome = m_watcher.result();
    const JobEnd end = outcome.failure ? m_failed(m_running, *outcome.failure) : outcome.end;
    // The message box and the dialog run their own event loops: the window
    // may close meanwhile, and then nothing of the job goes on.
    if (!end.message.empty())
        m_desktop.showMessage(end.message);
    if (m_stopped)
        return;
    std::optional<session::JobQueue<Work>::Started> rest;
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
