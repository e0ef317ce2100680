#include "tests/support/run_command.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace testing_support {

namespace {

FILE* start(const std::string& command)
{
    return popen((command + " 2>/dev/null").c_str(), "r");
}

CommandOutcome finish(FILE* pipe)
{
    if (!pipe)
        return {-1, {}};
    std::string output;
    std::array<char, 4096> buffer;
    while (const auto n = fread(buffer.data(), 1, buffer.size(), pipe))
        output.append(buffer.data(), n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

} // namespace

CommandOutcome runCommand(const std::string& command)
{
    return finish(start(command));
}

std::vector<CommandOutcome> runTogether(const std::vector<std::string>& commands)
{
    std::vector<FILE*> pipes;
    for (const auto& command : commands)
        pipes.push_back(start(command));
    std::vector<CommandOutcome> outcomes;
    for (FILE* pipe : pipes)
        outcomes.push_back(finish(pipe));
    return outcomes;
}

} // namespace testing_support
