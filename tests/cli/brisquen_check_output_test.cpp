// What brisquen-check prints when the outside world is hostile or unlucky:
// names and descriptions made to steer a terminal, scans killed mid-copy,
// folders it cannot write, and client folders longer than Windows' buffers.

#include "edonkey/working_copy.h"
#include "platform/file_lock.h"
#include "platform/ini_file.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/client_layouts.h"
#include "tools/fixture_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testing::EndsWith;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing_support::exists;
using testing_support::readFile;

namespace {

// Names a peer could give a download, and descriptions an update server
// could send: cursor movement that erases the line above, OSC 52 writing the
// clipboard, a line break forging a "*** " line, a right-to-left override,
// NUL, the C1 controls of UTF-8 and of Windows-1252's undefined bytes.
const std::string hostileNames[] = {
    "\x1b[1A\x1b[2K"
    "erased.avi",
    "\x1b]52;c;ZXZpbA==\x07"
    "clip.avi",
    "forged.avi\r\n*** Fake - not really",
    "\xE2\x80\xAE"
    "gpj.exe",
    std::string("nul\0byte.avi", 12),
    "c1\xC2\x9B"
    "2J.avi",
    "caf\xE9\x9D"
    "0;title\x07.avi",
    "zero\xE2\x80\x8Bwidth\xE2\x81\xA6.avi",
};
const std::string hostileDescription = "\x1b[1A\x1b[2K\x1b[8m"
                                       "hidden\r\x9d";

// The first byte at which `text` holds what a terminal or a text layout would
// obey rather than show: a control character but tab and LF, DEL, a C1
// control, a bidirectional control or a zero-width mark. npos when none.
std::size_t firstControl(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        const auto third = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0;
        if ((byte < 0x20 && byte != '\t' && byte != '\n') || byte == 0x7F ||
            (byte == 0xC2 && next >= 0x80 && next <= 0x9F) ||
            (byte == 0xE2 && next == 0x80 &&
             ((third >= 0x8B && third <= 0x8F) || (third >= 0xA8 && third <= 0xAE))) ||
            (byte == 0xE2 && next == 0x81 && third >= 0xA6 && third <= 0xA9))
            return i;
    }
    return std::string_view::npos;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class CheckOutput : public testing::Test {
protected:
    testing_support::TempDir dir;
    std::string programFolder = dir.makeFolder("program");
    std::string program = programFolder + "brisquen-check";

    void SetUp() override
    {
        std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program);
        std::filesystem::create_directory(dir.file("home"));
    }

    std::string command(const std::string& arguments) const
    {
        return "HOME='" + dir.file("home") + "' '" + program + "' " + arguments;
    }

    Outcome run(const std::string& arguments) const
    {
        const std::string errors = dir.file("stderr");
        const auto outcome =
            testing_support::runCommand("(" + command(arguments) + " 2>'" + errors + "')");
        return {outcome.exitCode, outcome.output, readFile(errors)};
    }

    // The working copies in the program folder: shared, per process and half made.
    std::set<std::string> copies() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(programFolder)) {
            const std::string name = entry.path().filename();
            if (name.find(".bck") != std::string::npos)
                names.insert(name);
        }
        return names;
    }
};

// Every command that prints outside text, with hostile names and a hostile
// description: nothing that steers a terminal reaches standard output or
// standard error, each download stays one line, and a fake's line is still
// the one under its name.
TEST_F(CheckOutput, HostileNamesAndDescriptionsReachNoTerminalAsControls)
{
    std::vector<fixtures::Download> downloads;
    std::string list;
    for (std::size_t i = 0; i < std::size(hostileNames); ++i) {
        downloads.push_back({hostileNames[i], 1000 + i, fixtures::hashFromSeed(40 + i), 0});
        if (i % 2 == 0) // every other one listed
            list +=
                fixtures::fakesDatLine(downloads.back(), hostileDescription + std::to_string(i));
    }
    const std::string zeros = dir.file("\x1b[2J\r\nzeros\xE2\x80\xAE.bin");
    fixtures::writeZeroFile(zeros, fixtures::zeroChunkSize);
    list += fixtures::fakesDatLine(
        {"", fixtures::zeroChunkSize, std::string(fixtures::zeroChunkHash), 0}, hostileDescription);
    dir.write("program/fakes.dat", list);
    const auto client = fixtures::writeClientFolder(dir.file("client"), downloads);

    const auto scan = run("scan '" + client.prefMet + "'");
    EXPECT_EQ(scan.exitCode, 1);
    const auto lines = linesOf(scan.out);
    // Two status lines, a line per download and per listed one, the closing two.
    ASSERT_EQ(lines.size(), 2 + std::size(hostileNames) + (std::size(hostileNames) + 1) / 2 + 2)
        << scan.out;
    for (std::size_t i = 0, at = 2; i < std::size(hostileNames); ++i, ++at) {
        EXPECT_THAT(lines[at], Not(testing::StartsWith("*** "))) << i;
        if (i % 2 == 0) {
            EXPECT_THAT(lines[++at], testing::StartsWith("*** \\x1b[1A\\x1b[2K\\x1b[8mhidden"));
            EXPECT_THAT(lines[at], EndsWith(std::to_string(i)));
        }
    }
    EXPECT_THAT(scan.out, HasSubstr("forged.avi\\x0d\\x0a*** Fake - not really\n"));
    EXPECT_THAT(scan.out, HasSubstr("\\u202egpj.exe"));

    const auto part = run("part '" + client.partFiles[0] + "'");
    EXPECT_EQ(part.exitCode, 1);
    EXPECT_EQ(linesOf(part.out).size(), 2u);
    const auto link = run("link 'ed2k://|file|\x1b[2J|1000|" + downloads[0].hash + "|'");
    EXPECT_EQ(link.exitCode, 1);
    EXPECT_EQ(linesOf(link.out).size(), 1u);
    const auto file = run("file '" + zeros + "' '" + dir.file("gone\x1b[2J") + "'");
    EXPECT_EQ(file.exitCode, 1); // the fake counts before the file that cannot be read
    EXPECT_EQ(linesOf(file.out).size(), 2u);
    EXPECT_EQ(linesOf(file.err).size(), 1u);
    const auto missing = run("part '" + dir.file("\x1b]52;c;eA==\x07.part.met") + "'");
    EXPECT_EQ(missing.exitCode, 2);

    for (const auto* outcome : {&scan, &part, &link, &file, &missing}) {
        EXPECT_EQ(firstControl(outcome->out), std::string::npos) << outcome->out;
        EXPECT_EQ(firstControl(outcome->err), std::string::npos) << outcome->err;
    }
}

// Each way a scan ends, and what it says: the exit status, how standard
// output ends (and what it must not say), and the cause on standard error.
// A client whose program folder cannot take the working copy is told so.
TEST_F(CheckOutput, ExitStatusAndOutputAgreeInEveryEnding)
{
    const fixtures::Download clean{"Clean.avi", 1000, fixtures::hashFromSeed(60), 0};
    const fixtures::Download fake{"Fake.avi", 2000, fixtures::hashFromSeed(61), 0};
    const std::string noFakes = "*** No fakes found in your temp folder !\n";
    struct Row {
        std::string name;
        std::function<std::string()> arrange; // returns the arguments
        int exitCode;
        std::string outEnds;
        std::string outLacks; // empty: nothing ruled out
        std::string errHas;   // empty: standard error stays empty
    };
    const auto edonkey = [&](const std::string& name, std::vector<fixtures::Download> downloads) {
        return "scan '" + fixtures::writeClientFolder(dir.file(name), downloads).prefMet + "'";
    };
    const auto amule = [&](const std::string& name, std::vector<fixtures::Download> downloads,
                           std::size_t cut) {
        const auto home = fixtures::writeAmuleHome(dir.file(name), downloads);
        // Cut short, and without the .bak copy a scan would read in its place.
        for (std::size_t i = 0; i < cut; ++i) {
            dir.write(home.partFiles[i].substr(dir.path().size()), "\xE0");
            std::filesystem::remove(home.partFiles[i] + ".bak");
        }
        return "scan '" + home.conf + "'";
    };
    // A download whose first 64 KiB have come, and are a Linux program.
    const fixtures::Download program{"Program.avi", 734'003'200, fixtures::hashFromSeed(62),
                                     65'536};
    const auto suspect = [&](const std::string& name) {
        const auto home = fixtures::writeAmuleHome(dir.file(name), {clean, program});
        const std::string& partFile = home.partFiles[1];
        const auto bytes = readFile(BRISQUEN_TEST_DATA "/file-types/linux-program");
        dir.write(partFile.substr(dir.path().size(), partFile.size() - dir.path().size() - 4),
                  bytes + std::string(65'536 - bytes.size(), '\0'));
        return "scan '" + home.conf + "'";
    };
    // A folder where the working copy must go: no file can take its name.
    const auto blockCopy = [&](const std::string& arguments) {
        std::filesystem::create_directories(programFolder + "pref.bck/in the way");
        return arguments;
    };
    const Row rows[] = {
        {"eDonkey2000 clean", [&] { return edonkey("c0", {clean}); }, 0, noFakes, "", ""},
        {"aMule partly readable",
         [&] {
             return amule("a0", {fake, clean}, 1);
         },
         0, "*** 1 part files could not be read\n" + noFakes, "", "skipped 1 of 2 part files"},
        {"eDonkey2000 fake",
         [&] {
             return edonkey("c1", {clean, fake});
         },
         1, "*** Fake - ad\n\n*** Finished checking.\n", noFakes, ""},
        {"aMule fake", [&] { return amule("a1", {fake}, 0); }, 1, "\n*** Finished checking.\n",
         noFakes, ""},
        {"aMule suspect", [&] { return suspect("a4"); }, 4, "*** 1 suspect download\n" + noFakes,
         "", ""},
        {"no client folder", [&] { return std::string("scan"); }, 2, "", noFakes,
         "No eDonkey folder found"},
        {"eDonkey2000, working copy blocked", [&] { return blockCopy(edonkey("c2", {fake})); }, 2,
         "Temp Folder not found...\n", "", "cannot write the working copy"},
        {"aMule, working copy blocked", [&] { return blockCopy(amule("a2", {fake}, 0)); }, 2,
         "/pref.bck: Is a directory\n", "Temp Folder not found",
         "brisquen-check: cannot write the working copy " + programFolder +
             "pref.bck: Is a directory\n"},
        {"eDonkey2000 empty temp folder", [&] { return edonkey("c3", {}); }, 3,
         "*** Checking Files..\n", noFakes, "nothing checked: no *.part.met"},
        {"aMule, nothing readable",
         [&] {
             return amule("a3", {clean, fake}, 2);
         },
         3, "*** Checking Files..\n*** 2 part files could not be read\n", noFakes,
         "nothing checked: not one *.part.met could be read"},
    };
    for (const Row& row : rows) {
        std::filesystem::remove_all(programFolder + "pref.bck");
        std::filesystem::remove(programFolder + "Setting.ini");
        dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - ad"));
        const auto outcome = run(row.arrange());
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.name;
        EXPECT_THAT(outcome.out, EndsWith(row.outEnds)) << row.name;
        if (!row.outLacks.empty()) {
            EXPECT_THAT(outcome.out, Not(HasSubstr(row.outLacks))) << row.name;
        }
        EXPECT_THAT(outcome.err, row.errHas.empty() ? testing::Matcher<std::string>(IsEmpty())
                                                    : HasSubstr(row.errHas))
            << row.name;
    }
    // The single part-file check names the copy it could not make, too.
    std::filesystem::create_directories(programFolder + "part.bck/in the way");
    const auto part = run("part '" + dir.write("one.part.met", fixtures::partMetBytes(fake)) + "'");
    EXPECT_EQ(part.exitCode, 2);
    EXPECT_THAT(part.err, HasSubstr("brisquen-check: cannot write the working copy " +
                                    programFolder + "part.bck: Is a directory\n"));
}

// Scans killed with SIGKILL while they copy, some of them using copies of
// their own beside the shared one: the next scan removes every copy they
// left. A scan paused mid-copy keeps its copy through another scan, and
// goes on to the same answer once resumed.
TEST_F(CheckOutput, CopiesOfKilledScansGoAndALivingScansCopiesStay)
{
    std::vector<fixtures::Download> downloads;
    for (std::uint32_t i = 0; i < 200; ++i)
        downloads.push_back({"Download " + std::to_string(i), i, fixtures::hashFromSeed(i), 0});
    // Padding the part files makes each copy take long enough to be caught.
    const auto client = fixtures::writeClientFolder(dir.file("client"), downloads);
    for (const auto& part : client.partFiles)
        std::filesystem::resize_file(part, 256 * 1024);
    dir.write("program/fakes.dat", fixtures::fakesDatLine(downloads[7], "Fake - ad"));
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + client.folder + "\r\n");
    const auto alone = run("scan");
    ASSERT_EQ(alone.exitCode, 1) << alone.err;

    // Starts a scan, and returns once it holds a working copy (its pid), or
    // has ended without one being seen (0).
    const auto startUntilCopying = [&] {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string line = "export HOME='" + dir.file("home") + "'; exec '" + program +
                                     "' scan >'" + dir.file("paused.out") + "' 2>/dev/null";
            ::execl("/bin/sh", "sh", "-c", line.c_str(), nullptr);
            ::_exit(127);
        }
        while (copies().empty()) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid)
                return pid_t{0};
        }
        return pid;
    };
    // While the test holds the shared copy, scans make copies of their own.
    platform::FileLock sharedCopy(programFolder + "brisquen.lock", edonkey::workingCopyLockByte);
    std::size_t left = 0;
    for (int round = 0; round < 8; ++round) {
        if (round % 2)
            ASSERT_TRUE(sharedCopy.tryLock());
        else
            sharedCopy.unlock();
        const pid_t pid = startUntilCopying();
        if (pid == 0)
            continue;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        left = copies().size();
    }
    sharedCopy.unlock();
    ASSERT_GT(left, 0u) << "no scan was caught holding a copy";
    EXPECT_EQ(run("scan").out, alone.out);
    EXPECT_THAT(copies(), IsEmpty());

    // A process paused while it removes leftovers holds up no other.
    platform::FileLock sweeping(programFolder + "brisquen.lock", edonkey::copyMakingLockByte);
    ASSERT_TRUE(sweeping.tryLock());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run("scan").out, alone.out);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    sweeping.unlock();

    // The paused scan uses a copy of its own, so that the next one takes the
    // shared copy and with it the job of removing leftovers.
    ASSERT_TRUE(sharedCopy.tryLock());
    pid_t paused = 0;
    std::set<std::string> held;
    for (int attempt = 0; attempt < 20 && held.empty(); ++attempt) {
        if (paused) { // it let go of its copy before it stopped: let it end
            ::kill(paused, SIGCONT);
            ::waitpid(paused, nullptr, 0);
        }
        paused = startUntilCopying();
        if (paused == 0)
            continue;
        ::kill(paused, SIGSTOP);
        // The signal is only queued by kill: the copies are looked at once
        // the scan has really stopped, not while it may still end a copy.
        int stopped = 0;
        ASSERT_EQ(::waitpid(paused, &stopped, WUNTRACED), paused);
        if (!WIFSTOPPED(stopped)) { // it ended before the signal came
            paused = 0;
            continue;
        }
        held = copies();
    }
    sharedCopy.unlock();
    ASSERT_FALSE(held.empty());
    std::map<std::string, std::string> contents;
    for (const auto& name : held)
        contents[name] = readFile(programFolder + name);
    EXPECT_EQ(run("scan").out, alone.out);
    for (const auto& [name, bytes] : contents)
        EXPECT_TRUE(exists(programFolder + name) && readFile(programFolder + name) == bytes)
            << name;
    ::kill(paused, SIGCONT);
    int status = 0;
    ::waitpid(paused, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(readFile(dir.file("paused.out")), alone.out);
    EXPECT_THAT(copies(), IsEmpty());
}

// A client folder of 330 bytes, as deep home folders make them, stored in
// Setting.ini: found, and stored again whole.
TEST_F(CheckOutput, LongClientFolderInSettingIniIsFound)
{
    const fixtures::Download fake{"Fake.avi", 2000, fixtures::hashFromSeed(61), 0};
    std::string folder = dir.path();
    while (folder.size() < 260)
        folder += std::string(60, 'd') + "/";
    folder += std::string(330 - folder.size() - 1, 'e') + "/";
    fixtures::writeClientFolder(folder, {fake});
    dir.write("program/fakes.dat", fixtures::fakesDatLine(fake, "Fake - ad"));
    dir.write("program/Setting.ini", "[Settings]\r\nPrefPath=" + folder + "\r\n");
    const auto scan = run("scan");
    EXPECT_EQ(scan.exitCode, 1) << scan.out << scan.err;
    EXPECT_THAT(scan.out, HasSubstr("\nFake.avi\n*** Fake - ad\n"));
    EXPECT_EQ(
        platform::readIniString(programFolder + "Setting.ini", "Settings", "PrefPath", SIZE_MAX),
        folder);
}

} // namespace
