// brisquen-check: the checks of the window program, for scripts and machines
// without a display. It uses the same program files as the window (fakes.dat
// and Setting.ini, found by the same rule) and prints what the window would show.

#include "cli/console.h"
#include "cli/file_check.h"
#include "cli/mark_command.h"
#include "platform/directory_search.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/qt/qt_http_client.h"
#include "platform/wine_registry.h"
#include "session/check_pass.h"
#include "session/client_places.h"
#include "session/database.h"
#include "session/finished_files.h"
#include "session/job_failure.h"
#include "session/link_answer.h"
#include "session/list_line.h"
#include "session/locate_client.h"
#include "session/part_check.h"
#include "session/program_files.h"
#include "session/texts.h"
#include "session/update_command.h"

#include <QCoreApplication>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#ifndef BRISQUEN_VERSION
#error "BRISQUEN_VERSION must hold the program's version (set by CMake)"
#endif

namespace {

constexpr int exitClean = 0;
constexpr int exitFake = 1;
constexpr int exitError = 2;
constexpr int exitNothingChecked = 3;
constexpr int exitSuspect = 4;

// Where several outcomes apply, a fake counts before a suspect, a suspect
// before an error, and an error before a clean result.
int weightiest(int a, int b)
{
    const auto weight = [](int status) {
        return status == exitFake ? 3 : status == exitSuspect ? 2 : status == exitError ? 1 : 0;
    };
    return weight(a) >= weight(b) ? a : b;
}

constexpr std::string_view usageHead = R"(Usage: brisquen-check COMMAND [ARGUMENT]

Checks the downloads of an eDonkey client against the list of known fakes,
fakes.dat (with Setting.ini, which remembers the client folder). Prints what
the Brisquen window would show.

Commands:
  scan [-v] [CLIENT]    check every unfinished download of the client: the
                        client folder stored in Setting.ini is used, or the
                        one CLIENT gives; -v names on stderr the temp folders
                        searched, each part file that could not be read,
                        and how many downloads could not be looked at yet
  part FILE.part.met    check one unfinished download, read by the rules of
                        the stored client (eDonkey2000's when none is stored)
  link 'ed2k://|file|NAME|SIZE|HASH|'
                        check an ed2k file link
  file PATH...          check finished files: print each one's ed2k link
                        and what "&Check it" answers for it
  incoming [-v] [CLIENT]
                        the same for every file in the client's incoming
                        folders (its own and its categories'), where finished
                        downloads go; a file aMule's or eMule's known.met
                        records with the same name, size and date is not read
                        (nor by file, for files there); -v says how many
  mark LINK|FILE [DESCRIPTION]
                        add the link's or file's hash and size to your own
                        list, myfakes.dat beside fakes.dat (default
                        description "marked by me")
  unmark LINK|FILE|HASH remove them from myfakes.dat
  update [SERVER]       fetch a newer fakes.dat from the update server (or from
                        SERVER, e.g. http://host:8080) when it lists more
                        entries than the last update brought; with a public
                        key set (UpdatePublicKey=), when its signature is
                        valid and its serial higher than the last one
  line LINK|FILE [DESCRIPTION]
                        print the list line (hash,size,description) for an
                        ed2k link or a file (hashed as by file), to send to
                        the list's maintainers; the description defaults to
                        the file's name
  where                 print the program's files and folders in use, the
                        update server and the serial of the signed list
  --help, --version     show this text, or the version

Clients: CLIENT is a client's settings file or a folder holding it:
  eDonkey2000  pref.met in the client's folder
  aMule        amule.conf in ~/.aMule (found by itself) or the folder given
               to aMule with --config-dir
  eMule        preferences.ini in eMule's config folder; eMule's program
               folder, which holds config/, may be given too
With nothing stored, the client is looked for in this order: the one
registered for ed2k links in the Wine prefix (eDonkey2000 or eMule), then
aMule in ~/.aMule.

A client run under Wine, or on a mounted Windows partition, stores Windows
paths (C:\Program Files\eDonkey2000\temp\): they are looked for in the Wine
prefix ($WINEPREFIX, else ~/.wine), where the client's ed2k registration also
names its folder, and else beside the client folder, letters compared
without regard to case.

A download is a fake when fakes.dat lists it, else when myfakes.dat does,
else when you rated it "Invalid / Corrupt / Fake" in aMule or eMule.

Suspects: for aMule and eMule downloads whose first bytes have come, and for
finished files, the first few KiB are read (a download's in place, from its
NNN.part data file) and their type is compared with what the name's extension
claims. A program under any name but a program's, an archive under a video,
audio, picture or disc-image name, or any type under a name of plainly another
type gets the line "*** Suspect - " with both in plain words, under the
download's or the file's answer; scan ends with "*** N suspect downloads".

Exit status: 0 no fake found, 1 at least one fake, 2 error (no fakes.dat, no
client folder, an invalid link, a file that is no part file, another Brisquen
process holding the program folder for over 60 seconds), 3 scan checked nothing
(the temp folders hold no *.part.met, cannot be entered, or not one of their
part files could be read; standard error names them), 4 no fake but at least
one suspect (scan, part, file, incoming). Where several apply, 1 comes before
4, 4 before 2, and 2 before 0. When only some part files could not be read,
scan exits as the others decide and says on standard error how many it
skipped. For file and incoming, every file is checked; a file that cannot be
hashed (named on standard error) gives 2 unless another is a fake or a
suspect. For update: 0 updated or already up to date, 2 the update failed.
Without fakes.dat, scan, part, file and incoming still check myfakes.dat, the
ratings and the first bytes: 1 when they find a fake, 4 when a suspect, else
2. Standard error says why a check ended in 2 or 3, e.g. "cannot write the
working copy FOLDER/pref.bck: REASON".

Names, descriptions and paths come from outside: they are printed with control
characters, bidirectional and zero-width marks as visible escapes (\x1b,
\u202e), so each download stays one line.

)";

constexpr std::string_view usageTail = R"(;
an update always writes its own copy. UpdateServer= in Setting.ini's
[Settings] replaces the update server the program was built with.
UpdatePublicKey= there holds the list maintainers' minisign public keys (the
second line of their .pub file; several separated by ","): with one, a list
is taken only when signed by it, and refusals are logged as
"*** Database refused: REASON". Without one, the list comes unsigned and
anyone on the way to the server could change it.

Several Brisquen processes may share one program folder: one that finds the
working copies in use makes its own, and writes of Setting.ini and fakes.dat
take turns, through the lock file brisquen.lock there.
)";

void printUsage(std::ostream& out)
{
    out << usageHead << session::texts::programFilesHelp << usageTail;
}

// The window's message says "beside this program"; a script's user also needs
// to know where that is, and why the list could not be used.
void tellWhyThereIsNoList(const session::ProgramFiles& files, const session::ListLoad& load)
{
    std::cout << std::flush;
    if (load.end == session::LoadEnd::TooLarge) {
        std::cerr << "brisquen-check: " << cli::lineForTerminal(load.path)
                  << " is too large for memory\n";
        return;
    }
    std::cerr << "brisquen-check: no fakes.dat in " << cli::lineForTerminal(files.folder);
    const auto& shared = files.sharedLists;
    for (std::size_t i = 0; i < shared.size(); ++i) {
        std::cerr << (i == 0                   ? ", nor in "
                      : i + 1 == shared.size() ? " or "
                                               : ", ")
                  << cli::lineForTerminal(platform::folderOf(shared[i]));
    }
    std::cerr << '\n';
}

// Another process held the program folder for the whole minute a script waits.
int folderBusy(const session::ProgramFiles& files)
{
    cli::tellFolderBusy(files);
    return exitError;
}

// The lines of myfakes.dat that were left out, for commands without a log.
void reportBadLines(const session::ListLoad& load)
{
    if (load.personalBadLines.empty())
        return;
    std::cout << std::flush;
    for (const auto& bad : load.personalBadLines)
        std::cerr << "brisquen-check: " << session::texts::personalBadLine(bad.number, bad.reason)
                  << '\n';
}

struct Program {
    session::ProgramFiles files;
    platform::Registry& registry;
    session::ClientPlaces places;
    cli::ConsoleDesktop desktop{std::cout};
    cli::ConsoleLog log{std::cout};
    session::ProgramState state = {};
    /// Whether fakes.dat was loaded: without it the user's own list and the
    /// client's ratings are still checked, but only a fake found counts.
    bool listLoaded = false;

    /// fakes.dat and the user's own list; after the message that there is no
    /// fakes.dat, the user's own list alone.
    fakedb::FakeLookup loadLists()
    {
        const auto load = session::loadDatabaseOrTell(state, files, desktop);
        reportBadLines(load);
        listLoaded = static_cast<bool>(load);
        if (!listLoaded)
            tellWhyThereIsNoList(files, load);
        return session::listsInUse(state);
    }

    /// The exit status for `status`, reached without fakes.dat: a fake or a
    /// suspect found still says so, anything else is the error of the missing list.
    int withoutListCheck(int status) const
    {
        return listLoaded || status == exitFake || status == exitSuspect ? status : exitError;
    }
};

// Discovery found no client folder, and nobody can answer a dialog here.
int noClientFolder(std::string_view command)
{
    std::cerr << "No eDonkey folder found: give the client's settings file (pref.met,\n"
                 "amule.conf or preferences.ini) or its folder, as in\n"
                 "  brisquen-check "
              << command << " /path/to/client/pref.met\n";
    return exitError;
}

// A working copy the program folder could not take: the real cause of what
// failed, whatever the window's message says.
void tellCopyFault(const std::optional<edonkey::CopyFault>& fault)
{
    if (!fault)
        return;
    std::cout << std::flush;
    std::cerr << "brisquen-check: " << session::copyFaultText(*fault) << '\n';
}

// The temp folders searched, as "A, B".
std::string folderList(const std::vector<session::SearchedFolder>& folders)
{
    std::string list;
    for (const auto& searched : folders)
        list += (list.empty() ? "" : ", ") + cli::lineForTerminal(searched.folder.searched);
    return list;
}

// How many part files were skipped, and why, on standard error: every one
// with -v, else counted by reason.
void reportSkipped(const session::PassResult& result, bool verbose)
{
    if (result.skipped.empty())
        return;
    std::cout << std::flush;
    if (verbose) {
        for (const auto& skipped : result.skipped)
            std::cerr << "skipped " << cli::lineForTerminal(skipped.path) << ": " << skipped.reason
                      << '\n';
    }
    std::vector<std::pair<std::string_view, std::size_t>> reasons;
    for (const auto& skipped : result.skipped) {
        auto it = std::find_if(reasons.begin(), reasons.end(),
                               [&](const auto& r) { return r.first == skipped.reason; });
        if (it == reasons.end())
            reasons.emplace_back(skipped.reason, 1);
        else
            ++it->second;
    }
    std::cerr << "brisquen-check: skipped " << result.skipped.size() << " of "
              << result.skipped.size() + result.checked << " part files (";
    for (std::size_t i = 0; i < reasons.size(); ++i)
        std::cerr << (i ? ", " : "") << reasons[i].second << " " << reasons[i].first;
    std::cerr << ")\n";
}

// The exit status a pass's ending gives, with its cause on standard error.
int passStatus(Program& program, const session::PassResult& result)
{
    switch (result.end) {
    case session::PassEnd::Clean:
        return result.suspects > 0 ? exitSuspect : exitClean;
    case session::PassEnd::NothingToCheck:
        // A script must tell "clean" from "looked nowhere".
        std::cerr << "brisquen-check: nothing checked: no *.part.met could be read in "
                  << folderList(result.tempFolders) << '\n';
        return exitNothingChecked;
    case session::PassEnd::NothingReadable:
        std::cerr << "brisquen-check: nothing checked: not one *.part.met could be read in "
                  << folderList(result.tempFolders) << '\n';
        return exitNothingChecked;
    case session::PassEnd::FakesFound:
        return exitFake;
    case session::PassEnd::Cancelled:
        return noClientFolder("scan");
    case session::PassEnd::FolderBusy:
        return folderBusy(program.files);
    case session::PassEnd::DatabaseMissing:
    case session::PassEnd::TempFolderError:
    case session::PassEnd::AsksUser: // answered by checkPassAsking
    case session::PassEnd::Failed:
        break;
    }
    return exitError;
}

int scan(Program& program, const std::optional<std::string>& given, bool verbose)
{
    session::PassServices services{program.files, program.registry, program.log, program.places};
    services.checkWithoutList = true;
    const auto result = session::checkPassAsking(program.state, services, given, program.desktop);
    if (verbose) {
        for (const auto& searched : result.tempFolders)
            std::cerr << "temp folder: " << cli::lineForTerminal(searched.folder.stored)
                      << " (searched as " << cli::lineForTerminal(searched.folder.searched) << ")"
                      << (searched.entered ? "" : ": cannot be entered") << '\n';
    }
    reportSkipped(result, verbose);
    tellCopyFault(result.copyFault);
    if (const auto notLooked = result.notDownloaded + result.dataUnreadable;
        verbose && notLooked > 0) {
        std::cout << std::flush;
        std::cerr << "brisquen-check: " << notLooked
                  << (notLooked == 1 ? " download" : " downloads")
                  << " could not be looked at yet (" << result.notDownloaded
                  << " first bytes not downloaded, " << result.dataUnreadable
                  << " data file unreadable)\n";
    }
    const int status = passStatus(program, result);
    if (result.listLoad)
        return status;
    tellWhyThereIsNoList(program.files, result.listLoad);
    return status == exitFake || status == exitSuspect ? status : exitError;
}

int part(Program& program, const std::string& path)
{
    program.loadLists();
    const auto check = session::checkPartFile(path, program.state, program.files,
                                              program.places.winePrefix, program.log);
    switch (check.status) {
    case session::DownloadStatus::Clean:
        return program.withoutListCheck(check.look && check.look->suspicion ? exitSuspect
                                                                            : exitClean);
    case session::DownloadStatus::Fake:
        return exitFake;
    case session::DownloadStatus::Unreadable:
    case session::DownloadStatus::NotPartFile:
        break;
    }
    tellCopyFault(check.copyFault);
    std::cerr << cli::lineForTerminal(path) << ": " << check.reason << '\n';
    return exitError;
}

int link(Program& program, const std::string& text)
{
    const auto lookup = program.loadLists();
    if (!program.listLoaded)
        return exitError;
    const auto answer = session::answerLink(text, lookup);
    std::cout << cli::lineForTerminal(answer.text) << '\n';
    switch (answer.verdict) {
    case session::LinkVerdict::Fake:
        return exitFake;
    case session::LinkVerdict::NotListed:
        return exitClean;
    case session::LinkVerdict::Invalid:
        break;
    }
    return exitError;
}

int checkFiles(const Program& program, const fakedb::FakeLookup& lookup,
               const std::vector<std::string>& paths, const cli::KnownFilesFor& knownFor = {},
               bool verbose = false)
{
    const auto outcome = cli::checkFinishedFiles(paths, lookup, knownFor);
    if (verbose)
        std::cerr << "hashes taken from known.met: " << outcome.fromKnownMet << " of "
                  << paths.size() << " files\n";
    int status = outcome.failed ? exitError : exitClean;
    if (outcome.foundSuspect)
        status = weightiest(status, exitSuspect);
    if (outcome.foundFake)
        status = weightiest(status, exitFake);
    return program.withoutListCheck(status);
}

// Finished files given by path: those in the stored client's incoming
// folders take their hash from its known.met where it records them.
int file(Program& program, const std::vector<std::string>& paths)
{
    const auto lookup = program.loadLists();
    const auto client = session::storedClient(program.files, program.places.winePrefix);
    if (!client)
        return checkFiles(program, lookup, paths);
    const auto known = session::readKnownFiles(*client, program.files);
    const auto incoming = session::incomingFiles(*client, program.files, program.places.winePrefix);
    const auto rated = lookup.withRatings(session::readClientRatings(*client, program.files));
    return checkFiles(program, rated, paths, [&](const std::string& path) {
        const bool inIncoming =
            std::any_of(incoming.files.begin(), incoming.files.end(), [&](const auto& each) {
                std::error_code error;
                return std::filesystem::equivalent(each, path, error);
            });
        return inIncoming ? &known : nullptr;
    });
}

// The client is found as for scan: the one given, or else the stored folder.
// Each incoming folder is checked; one that cannot be read is named on
// standard error, and the others are still checked.
int incoming(Program& program, const std::optional<std::string>& given, bool verbose)
{
    const auto lookup = program.loadLists();
    auto located = session::clientToCheck(given, program.state, program.files, program.registry,
                                          program.places);
    if (located.question)
        located = session::clientOfChosen(program.state, program.files,
                                          session::ask(program.desktop, *located.question));
    if (located.end == session::Located::FolderBusy)
        return folderBusy(program.files);
    if (located.end != session::Located::Found)
        return noClientFolder("incoming");
    const auto incoming =
        session::incomingFiles(located.client, program.files, program.places.winePrefix);
    if (!incoming.named) {
        std::cerr << cli::lineForTerminal(located.client.settingsFile) << ": no incoming folder\n";
        return exitError;
    }
    for (const auto& folder : incoming.unreadableFolders)
        std::cerr << cli::lineForTerminal(folder) << ": not a readable folder\n";
    const auto known = session::readKnownFiles(located.client, program.files);
    const auto rated =
        lookup.withRatings(session::readClientRatings(located.client, program.files));
    const int status = checkFiles(
        program, rated, incoming.files, [&](const std::string&) { return &known; }, verbose);
    return incoming.unreadableFolders.empty() ? status : weightiest(status, exitError);
}

int updateDatabase(Program& program, const std::optional<std::string>& server)
{
    platform::QtHttpClient http;
    const auto answer = session::updateDatabase(program.state, program.files,
                                                session::chooseUpdateServer(program.files, server),
                                                http, program.log);
    if (answer == session::UpdateAnswer::FolderBusy)
        return folderBusy(program.files);
    if (answer == session::UpdateAnswer::Updated &&
        session::trustedKeys(program.files).keys.empty())
        std::cerr << "brisquen-check: " << session::texts::cameUnsigned << '\n';
    if (const auto message = session::updateMessage(answer); !message.empty())
        program.desktop.showMessage(message);
    return answer == session::UpdateAnswer::Updated || answer == session::UpdateAnswer::UpToDate
               ? exitClean
               : exitError;
}

// The line to send the list's maintainers for a link or a file; needs no list.
int listLine(const std::string& linkOrFile, const std::optional<std::string>& description)
{
    const auto line = session::listLineFor(linkOrFile, description);
    if (const auto* error = std::get_if<std::string>(&line)) {
        std::cerr << "brisquen-check: " << *error << '\n';
        return exitError;
    }
    std::cout << cli::lineForTerminal(std::get<session::ListLine>(line).text) << '\n';
    return exitClean;
}

// Reads, and creates nothing: a script may ask before the first run.
int where(const session::ProgramFiles& files)
{
    const auto shown = [](const std::string& path) {
        return cli::lineForTerminal(path);
    };
    std::cout << "layout: " << (files.installed ? "installed" : "portable") << '\n'
              << "settings: " << shown(files.settingIni()) << '\n'
              << "list: " << shown(files.fakesDat()) << '\n'
              << "own list: " << shown(files.myFakesDat()) << '\n';
    for (const auto& shared : files.sharedLists)
        std::cout << "shared list: " << shown(shared) << '\n';
    const std::string loaded = session::databaseToLoad(files);
    std::cout << "loads: "
              << (platform::fileSize(loaded) ? shown(loaded) : "nothing, no list found") << '\n'
              << "lock file: " << shown(files.lockFile()) << '\n'
              << "working copies: " << shown(files.folder) << '\n'
              << "update server: " << shown(session::chooseUpdateServer(files, std::nullopt))
              << '\n';
    const auto serial = session::serialInUse(files);
    std::cout << "serial: " << (serial ? std::to_string(*serial) : "none, the list is unsigned")
              << '\n';
    return exitClean;
}

int runCommand(const std::vector<std::string>& args, int argc, char* argv[],
               const session::ProgramFiles& files, const platform::Environment& environment)
{
    const session::ClientPlaces places = session::clientPlacesFor(environment);
    platform::WineRegistry registry(places.winePrefix.value_or(""));
    Program program{files, registry, places};
    if (!args.empty() && args[0] == "scan") {
        const bool verbose = args.size() > 1 && args[1] == "-v";
        const std::size_t rest = args.size() - (verbose ? 2 : 1);
        if (rest <= 1)
            return scan(program, rest == 1 ? std::optional(args.back()) : std::nullopt, verbose);
    }
    if (args.size() == 2 && args[0] == "part")
        return part(program, args[1]);
    if (args.size() == 2 && args[0] == "link")
        return link(program, args[1]);
    if (args.size() >= 2 && args[0] == "file")
        return file(program, {args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "incoming") {
        const bool verbose = args.size() > 1 && args[1] == "-v";
        const std::size_t rest = args.size() - (verbose ? 2 : 1);
        if (rest <= 1)
            return incoming(program, rest == 1 ? std::optional(args.back()) : std::nullopt,
                            verbose);
    }
    if ((args.size() == 2 || args.size() == 3) && args[0] == "mark")
        return cli::markCommand(files, args[1],
                                args.size() == 3 ? args[2] : cli::defaultMarkDescription);
    if (args.size() == 2 && args[0] == "unmark")
        return cli::unmarkCommand(files, args[1]);
    if (!args.empty() && args[0] == "update" && args.size() <= 2) {
        // Qt's networking needs an application object; only this command uses it.
        QCoreApplication application(argc, argv);
        return updateDatabase(program, args.size() == 2 ? std::optional(args[1]) : std::nullopt);
    }
    if (args.size() == 1 && args[0] == "where")
        return where(files);
    if ((args.size() == 2 || args.size() == 3) && args[0] == "line")
        return listLine(args[1], args.size() == 3 ? std::optional(args[2]) : std::nullopt);
    printUsage(std::cerr);
    return exitError;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        printUsage(std::cout);
        return exitClean;
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "brisquen-check " BRISQUEN_VERSION "\n";
        return exitClean;
    }
    const platform::Environment environment = platform::readEnvironment();
    const auto files = session::programFilesFor(environment, session::installedBinFolder());
    if (!files) {
        std::cerr << "brisquen-check: " << session::texts::noHomeFolder << '\n';
        return exitError;
    }
    try {
        return runCommand(args, argc, argv, *files, environment);
    } catch (...) {
        // Whatever a command could not finish for is said, never dropped.
        std::cout << std::flush;
        std::cerr << "brisquen-check: " << session::reasonOf(std::current_exception()) << '\n';
        return exitError;
    }
}
