// The update's faults that need a real network client or a killed process:
// a server that trickles its files, and temporary files left beside fakes.dat.

#include "platform/qt/qt_http_client.h"
#include "session/settings.h"
#include "session/update_command.h"
#include "tests/support/local_http_server.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

using namespace std::chrono_literals;
using session::UpdateAnswer;
using testing_support::HttpAnswer;
using testing_support::readFile;

namespace {

const std::string oldList = "0123456789abcdef0123456789abcdef,734003200,Old fake\r\n";
const std::string newList = oldList + "fedcba9876543210fedcba9876543210,4321000,New fake";

class UpdateFaults : public testing::Test {
protected:
    testing_support::TempDir dir;
    session::ProgramFiles files{dir.makeFolder("program")};
    testing_support::LocalHttpServer server;
    testing_support::TextLogBox log;
    session::ProgramState state;

    void SetUp() override
    {
        dir.write("program/fakes.dat", oldList);
        server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
        server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("121"));
        server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + newList + "]"));
    }
    // The update with its deadlines cut down to what a test can wait for.
    UpdateAnswer update(std::chrono::milliseconds* took = nullptr)
    {
        platform::QtHttpClient http;
        state.justUpdated = false;
        const auto start = std::chrono::steady_clock::now();
        const auto answer =
            session::updateDatabase(state, files, server.address(), http, log, {400ms, 800ms});
        if (took)
            *took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start);
        return answer;
    }
};

} // namespace

// Each byte comes well within the client's 30 s time-out for a quiet server;
// the update ends by its own deadline all the same.
TEST_F(UpdateFaults, AServerThatTricklesCannotKeepTheUpdateWaiting)
{
    std::chrono::milliseconds took{};
    server.serve("/brisquen/update/brisquen.txt", {.body = "20", .pieces = 2, .pause = 1500ms});
    EXPECT_EQ(update(&took), UpdateAnswer::Failed);
    EXPECT_LT(took, 1200ms);

    // The small files count towards the list's time: 400 + 400 + 800 ms in all.
    server.serve("/brisquen/update/brisquen.txt", HttpAnswer::ok("20"));
    server.serve("/brisquen/update/fakes.dat",
                 {.body = "[" + newList + "]", .pieces = 40, .pause = 100ms});
    EXPECT_EQ(update(&took), UpdateAnswer::Failed);
    EXPECT_LT(took, 2500ms);
    EXPECT_EQ(readFile(files.fakesDat()), oldList);
    EXPECT_EQ(session::Settings(files).readSetting("FakesNr"), "");

    server.serve("/brisquen/update/fakes.dat", HttpAnswer::ok("[" + newList + "]"));
    EXPECT_EQ(update(), UpdateAnswer::Updated);
    EXPECT_EQ(readFile(files.fakesDat()), newList + "\r\n");
}

// A killed update leaves its temporary file; the next one removes it, but
// not one that a live process still writes, nor the user's own files.
TEST_F(UpdateFaults, LeftoverTemporaryFilesGoAndLiveOnesStay)
{
    const std::string leftover = dir.write("program/fakes.dat.tmp-AbC123", "[half a li");
    const std::string live = dir.write("program/fakes.dat.tmp-XyZ789", "being written");
    const std::string own = dir.write("program/fakes.dat.backup", oldList);
    // Held as a live writer holds it: a lock of the open file on the whole file.
    const int held = ::open(live.c_str(), O_RDWR | O_CLOEXEC);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &whole), 0);

    EXPECT_EQ(update(), UpdateAnswer::Updated);
    EXPECT_FALSE(testing_support::exists(leftover));
    EXPECT_EQ(readFile(live), "being written");
    EXPECT_EQ(readFile(own), oldList);
    ::close(held);

    // Once its writer is gone it is a leftover too.
    server.serve("/brisquen/update/fakes.txt", HttpAnswer::ok("122"));
    EXPECT_EQ(update(), UpdateAnswer::Updated);
    EXPECT_FALSE(testing_support::exists(live));
}
