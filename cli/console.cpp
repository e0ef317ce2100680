#include "cli/console.h"

#include "platform/text_encoding.h"

#include <ostream>

namespace cli {

std::string forTerminal(std::string_view text)
{
    return platform::shownLines(text, "\n");
}

std::string lineForTerminal(std::string_view text)
{
    return platform::shownText(text);
}

ConsoleDesktop::ConsoleDesktop(std::ostream& out)
    : m_out(out)
{
}

void ConsoleDesktop::showMessage(std::string_view text)
{
    m_out << forTerminal(text) << '\n' << std::flush;
}

ConsoleLog::ConsoleLog(std::ostream& out)
    : m_out(out)
{
}

// The terminal cannot take back what it printed, and every log starts with a
// replace, so both simply print.
void ConsoleLog::replace(std::string_view text)
{
    m_out << forTerminal(text) << std::flush;
}

void ConsoleLog::append(std::string_view text)
{
    m_out << forTerminal(text) << std::flush;
}

} // namespace cli
