#include "tests/support/run_command.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace testing_support {

CommandOutcome runCommand(const std::string& command)
{
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return {-1, {}};
    std::string output;
    std::array<char, 4096> buffer;
    while (const auto n = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace testing_support
