#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

struct CommandOutcome {
    int exitCode;       // -1 when the command did not exit normally
    std::string output; // standard output only

    bool operator==(const CommandOutcome&) const = default;
};

inline void PrintTo(const CommandOutcome& outcome, std::ostream* out)
{
    *out << "exit " << outcome.exitCode << ", output:\n" << outcome.output;
}

/// Runs a shell command, as a script would, and collects what it prints.
CommandOutcome runCommand(const std::string& command);

/// Starts every command at once and waits for them all.
std::vector<CommandOutcome> runTogether(const std::vector<std::string>& commands);

} // namespace testing_support
