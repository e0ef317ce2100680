#include "cli/file_check.h"

#include "cli/console.h"
#include "session/finished_files.h"
#include "session/progress_pace.h"
#include "session/suspicion_lines.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace cli {
namespace {

// One line on a terminal's standard error, rewritten in place: the file, how
// much of it is hashed and how fast, once hashing has taken a second.
class ProgressLine {
public:
    explicit ProgressLine(std::string_view name)
        : m_name(lineForTerminal(name))
    {
    }
    ~ProgressLine()
    {
        if (m_shown)
            std::fputs("\r\x1b[K", stderr);
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void update(std::uint64_t done, std::uint64_t total)
    {
        if (!m_pace.due())
            return;
        m_shown = true;
        const double seconds = std::chrono::duration<double>(m_pace.elapsed()).count();
        const auto percent = total == 0 ? 100 : std::min<std::uint64_t>(done * 100 / total, 100);
        std::fprintf(stderr, "\r%s  %3u %%  %.1f MB/s\x1b[K", m_name.c_str(),
                     static_cast<unsigned>(percent), double(done) / 1e6 / seconds);
    }

private:
    std::string m_name;
    session::ProgressPace m_pace{std::chrono::seconds(1), std::chrono::milliseconds(100)};
    bool m_shown = false;
};

} // namespace

FileCheckOutcome checkFinishedFiles(const std::vector<std::string>& paths,
                                    const fakedb::FakeLookup& list, const KnownFilesFor& knownFor)
{
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    FileCheckOutcome outcome;
    for (const std::string& path : paths) {
        session::FinishedFileCheck check;
        {
            ProgressLine line(session::fileNameOf(path));
            check = session::checkFinishedFile(
                path, list,
                [&](std::uint64_t done, std::uint64_t total) {
                    if (terminal)
                        line.update(done, total);
                    return true;
                },
                knownFor ? knownFor(path) : nullptr);
        }
        if (check.error) {
            // Flushed first, so that the two streams keep their order in a log.
            std::cout << std::flush;
            std::cerr << lineForTerminal(path) << ": " << session::hashErrorText(*check.error)
                      << '\n';
            outcome.failed = true;
            continue;
        }
        outcome.fromKnownMet += check.fromKnownMet ? 1 : 0;
        std::cout << lineForTerminal(check.link) << '\n'
                  << lineForTerminal(check.answer.text) << '\n';
        if (check.suspicion) {
            std::cout << lineForTerminal(session::suspectLine(*check.suspicion)) << '\n';
            outcome.foundSuspect = true;
        }
        // A link of ours always reads back; should one not, the file counts as failed.
        outcome.failed |= check.answer.verdict == session::LinkVerdict::Invalid;
        outcome.foundFake |= check.answer.verdict == session::LinkVerdict::Fake;
    }
    std::cout << std::flush;
    return outcome;
}

} // namespace cli
