#include "cli/file_check.h"

#include "cli/console.h"
#include "edonkey/finished_files.h"
#include "edonkey/link_check.h"
#include "session/link_answer.h"
#include "session/texts.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// One line on a terminal's standard error, rewritten in place: the file, how
// much of it is hashed and how fast, once hashing has taken a second.
class ProgressLine {
public:
    explicit ProgressLine(std::string name)
        : m_name(forTerminal(name))
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
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        if (seconds < 1.0 || now - m_shownAt < std::chrono::milliseconds(100))
            return;
        m_shown = true;
        m_shownAt = now;
        const auto percent = total == 0 ? 100 : std::min<std::uint64_t>(done * 100 / total, 100);
        std::fprintf(stderr, "\r%s  %3u %%  %.1f MB/s\x1b[K", m_name.c_str(),
                     static_cast<unsigned>(percent), double(done) / 1e6 / seconds);
    }

private:
    std::string m_name;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_shownAt;
    bool m_shown = false;
};

} // namespace

FileCheckOutcome checkFinishedFiles(const std::vector<std::string>& paths,
                                    const fakedb::FakeDatabase& database)
{
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    FileCheckOutcome outcome;
    for (const std::string& path : paths) {
        std::variant<std::string, edonkey::HashError> link;
        {
            ProgressLine line{std::string(edonkey::fileNameOf(path))};
            link = edonkey::finishedFileLink(path, [&](std::uint64_t done, std::uint64_t total) {
                if (terminal)
                    line.update(done, total);
                return true;
            });
        }
        if (const auto* error = std::get_if<edonkey::HashError>(&link)) {
            // Flushed first, so that the two streams keep their order in a log.
            std::cout << std::flush;
            std::cerr << path << ": " << edonkey::hashErrorText(*error) << '\n';
            outcome.failed = true;
            continue;
        }
        const auto& text = std::get<std::string>(link);
        const auto check = edonkey::checkEd2kLink(text, database);
        std::cout << forTerminal(text) << '\n';
        if (check.verdict == edonkey::LinkVerdict::Invalid) { // a link of ours always reads back
            std::cout << forTerminal(session::texts::invalidLink) << '\n';
            outcome.failed = true;
            continue;
        }
        std::cout << forTerminal(session::linkAnswer(check)) << '\n';
        outcome.foundFake |= check.verdict == edonkey::LinkVerdict::Fake;
    }
    std::cout << std::flush;
    return outcome;
}

} // namespace cli
