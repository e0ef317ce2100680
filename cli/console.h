#pragma once

#include "platform/desktop.h"
#include "platform/log_box.h"

#include <iosfwd>

namespace cli {

/// Shows the window's message boxes as text on the terminal. There is nobody
/// to answer a dialog, so every dialog is cancelled.
class ConsoleDesktop final : public platform::Desktop {
public:
    explicit ConsoleDesktop(std::ostream& out);

    void showMessage(std::string_view text) override;
    std::string chooseFile(std::string_view, std::string_view, std::string_view) override
    {
        return {};
    }
    void openUrl(std::string_view) override {}

private:
    std::ostream& m_out;
};

/// Prints the log as it is written: names as UTF-8, lines ending in LF.
class ConsoleLog final : public platform::LogBox {
public:
    explicit ConsoleLog(std::ostream& out);

    void replace(std::string_view text) override;
    void append(std::string_view text) override;

private:
    std::ostream& m_out;
};

/// `text`, lines ended by CR LF or LF, for the terminal or a pipe: UTF-8,
/// lines ended by LF, and every other control character escaped (see
/// platform::shownLines), so what it prints can only be read, never obeyed.
std::string forTerminal(std::string_view text);

/// One line of outside text (a path, a name, a link): as forTerminal, with a
/// CR LF in it escaped too.
std::string lineForTerminal(std::string_view text);

} // namespace cli
