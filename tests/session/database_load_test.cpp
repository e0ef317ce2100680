// Loading the lists when asked to stop part way: the load ends at once, as a
// stop and not as a missing list, and the lists in use stay in use.

#include "session/database.h"
#include "tests/support/bytes_read.h"
#include "tests/support/program_fixture.h"
#include "tools/fixture_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <stop_token>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The memory the process holds (its resident set), in bytes.
std::uint64_t residentBytes()
{
    std::uint64_t pages = 0;
    std::uint64_t resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

class StoppedLoad : public testing_support::ProgramFixture {
protected:
    static constexpr std::uint64_t largeListBytes = 300u << 20;

    void SetUp() override
    {
        dir.write("program/fakes.dat", "0123456789abcdef0123456789abcdef,1,in use\r\n");
        dir.write("program/myfakes.dat", "fedcba9876543210fedcba9876543210,2,my own\r\n");
        ASSERT_TRUE(session::loadDatabase(state, files));
        fixtures::writeLargeList(files.fakesDat(), largeListBytes);
        dir.write("program/myfakes.dat", "fedcba9876543210fedcba9876543210,2,changed\r\n");
    }

    // Loads while `stopWhen` waits on another thread and then asks to stop;
    // how long after the stop the load returned.
    Clock::duration loadStoppedBy(const std::function<void()>& stopWhen)
    {
        std::stop_source stop;
        Clock::time_point stoppedAt = Clock::time_point::max();
        std::jthread stopper([&] {
            stopWhen();
            stoppedAt = Clock::now();
            stop.request_stop();
        });
        load = session::loadDatabaseOrTell(state, files, desktop, stop.get_token());
        const auto returnedAt = Clock::now();
        stopper.join();
        return returnedAt - stoppedAt;
    }

    void expectListsInUseAsBefore(const char* when)
    {
        EXPECT_EQ(load.end, session::LoadEnd::Stopped) << when;
        const auto lists = session::listsInUse(state);
        EXPECT_EQ(lists.lookupFake("0123456789abcdef0123456789abcdef", "1"), "*** in use") << when;
        EXPECT_EQ(lists.lookupFake("fedcba9876543210fedcba9876543210", "2"), "*** my own") << when;
        EXPECT_TRUE(desktop.messages.empty()) << when;
    }

    session::ListLoad load;
};

} // namespace

// Stopped 100 ms in, while the list is read, and again while it is indexed
// (the process has read the whole file and its index has its memory): each
// time the load gives up well within the 0.3 s a user would notice.
TEST_F(StoppedLoad, LargeListStopsAtOnceWhileReadOrIndexed)
{
    const auto start = Clock::now();
    const auto early = loadStoppedBy([] { std::this_thread::sleep_for(100ms); });
    EXPECT_LT(early, 300ms);
    EXPECT_LT(Clock::now() - start, 400ms);
    expectListsInUseAsBefore("100 ms in");

    const auto readBefore = testing_support::bytesReadSoFar();
    const auto whileIndexing = loadStoppedBy([&] {
        while (testing_support::bytesReadSoFar() - readBefore < largeListBytes)
            std::this_thread::sleep_for(1ms);
        // The index has taken its memory once the process has grown past
        // the text and then held still for a while.
        const auto read = residentBytes();
        for (auto last = read;;) {
            std::this_thread::sleep_for(20ms);
            const auto now = residentBytes();
            if (now >= read + (4u << 20) && now == last)
                break;
            last = now;
        }
    });
    EXPECT_LT(whileIndexing, 300ms);
    expectListsInUseAsBefore("while indexing");
}

// A load asked to stop before it starts reads none of the list.
TEST_F(StoppedLoad, LoadStoppedBeforeItStartsReadsNothing)
{
    const auto readBefore = testing_support::bytesReadSoFar();
    std::stop_source stop;
    stop.request_stop();
    load = session::loadDatabaseOrTell(state, files, desktop, stop.get_token());
    EXPECT_LT(testing_support::bytesReadSoFar() - readBefore, 1'000'000u);
    expectListsInUseAsBefore("before");
}
