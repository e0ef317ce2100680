#include "cli/mark_command.h"

#include "cli/console.h"
#include "session/folder_lock.h"
#include "session/personal_list.h"

#include <iostream>
#include <optional>

namespace cli {
namespace {

constexpr int exitDone = 0;
constexpr int exitError = 2;

// The file `what` names; says on standard error why it names none.
std::optional<session::MarkedFile> namedFile(const std::string& what, bool bareHashAllowed)
{
    auto named = session::markedFile(what, bareHashAllowed);
    if (auto* file = std::get_if<session::MarkedFile>(&named))
        return std::move(*file);
    std::cerr << "brisquen-check: " << lineForTerminal(std::get<std::string>(named)) << '\n';
    return std::nullopt;
}

// Says how a change of the list ended; the exit status.
int report(session::PersonalChange change, const session::ProgramFiles& files,
           std::string_view changed, std::string_view unchanged)
{
    const std::string path = lineForTerminal(files.myFakesDat());
    switch (change) {
    case session::PersonalChange::Changed:
        std::cout << changed << ' ' << path << '\n';
        return exitDone;
    case session::PersonalChange::Unchanged:
        std::cout << unchanged << ' ' << path << '\n';
        return exitDone;
    case session::PersonalChange::BadDescription:
        std::cerr << "brisquen-check: a description cannot hold a line break or a NUL\n";
        break;
    case session::PersonalChange::CannotRead:
        std::cerr << "brisquen-check: cannot read " << path << '\n';
        break;
    case session::PersonalChange::CannotWrite:
        std::cerr << "brisquen-check: cannot write " << path << '\n';
        break;
    case session::PersonalChange::FolderBusy:
        tellFolderBusy(files);
        break;
    }
    return exitError;
}

} // namespace

void tellFolderBusy(const session::ProgramFiles& files)
{
    std::cout << std::flush;
    std::cerr << "brisquen-check: gave up after " << session::lockPatience.count()
              << " seconds: another Brisquen process has held " << lineForTerminal(files.lockFile())
              << " for too long\n";
}

int markCommand(const session::ProgramFiles& files, const std::string& what,
                std::string_view description)
{
    const auto file = namedFile(what, false);
    if (!file)
        return exitError;
    return report(session::markFake(files, file->hash, *file->size, description), files,
                  "marked in", "already marked in");
}

int unmarkCommand(const session::ProgramFiles& files, const std::string& what)
{
    const auto file = namedFile(what, true);
    if (!file)
        return exitError;
    return report(session::unmarkFake(files, file->hash, file->size), files, "unmarked in",
                  "not marked in");
}

} // namespace cli
