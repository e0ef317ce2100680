#include "tools/terminal_password.h"

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tools {

std::optional<std::string> askPassword(const std::string& prompt)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0)
        return std::nullopt;
    termios old{};
    const bool quiet = ::tcgetattr(tty, &old) == 0;
    if (quiet) {
        termios silent = old;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &silent);
    }
    [[maybe_unused]] auto written = ::write(tty, prompt.data(), prompt.size());
    std::string password;
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n')
        password += c;
    if (quiet)
        ::tcsetattr(tty, TCSAFLUSH, &old);
    written = ::write(tty, "\n", 1);
    ::close(tty);
    return password;
}

} // namespace tools
