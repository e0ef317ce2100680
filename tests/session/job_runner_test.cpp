#include "session/job_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

using session::Job;
using namespace std::chrono_literals;

namespace {

// Waits until `ready` holds, or gives up after a few seconds.
template <typename Ready>
bool eventually(Ready ready)
{
    for (int i = 0; i < 500 && !ready(); ++i)
        std::this_thread::sleep_for(10ms);
    return ready();
}

} // namespace

// Jobs asked for while one runs wait for it and run after it, once each, in
// the order asked, on a thread other than the asker's; a job that throws
// ends there and the next one runs.
TEST(JobRunner, DefersDedupesAndRunsInOrderOffTheAskersThread)
{
    session::JobRunner jobs;
    std::mutex mutex;
    std::string trace;
    const auto note = [&](const char* text) {
        const std::scoped_lock lock(mutex);
        trace += text;
    };
    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> started = false;
    std::atomic<bool> offThread = false;
    const auto asker = std::this_thread::get_id();
    jobs.run(Job::CheckPass, [&](const std::stop_token&) {
        offThread = std::this_thread::get_id() != asker;
        started = true;
        released.wait();
        note("pass ");
        throw std::runtime_error("failed");
    });
    ASSERT_TRUE(eventually([&] { return started.load(); }));
    jobs.run(Job::PartFileCheck, [&](const std::stop_token&) { note("part "); });
    jobs.run(Job::CheckPass, [&](const std::stop_token&) { note("pass2 "); });
    jobs.run(Job::PartFileCheck, [&](const std::stop_token&) { note("part2 "); });
    jobs.run(Job::CheckPass, [&](const std::stop_token&) { note("pass3 "); });
    EXPECT_TRUE(jobs.busy());
    release.set_value();
    EXPECT_TRUE(eventually([&] { return !jobs.busy(); }));
    EXPECT_EQ(trace, "pass part pass2 ");
    EXPECT_TRUE(offThread);
}

// Stopping asks the running job to stop, forgets those waiting and returns
// once the thread is gone; the runner takes jobs again afterwards.
TEST(JobRunner, StopEndsTheRunningJobAndForgetsTheRest)
{
    session::JobRunner jobs;
    std::atomic<bool> started = false;
    std::atomic<bool> stopped = false;
    std::atomic<bool> waitingRan = false;
    jobs.run(Job::CheckPass, [&](const std::stop_token& stop) {
        started = true;
        while (!stop.stop_requested())
            std::this_thread::sleep_for(1ms);
        stopped = true;
    });
    jobs.run(Job::DatabaseUpdate, [&](const std::stop_token&) { waitingRan = true; });
    ASSERT_TRUE(eventually([&] { return started.load(); }));
    jobs.stop();
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(waitingRan);
    EXPECT_FALSE(jobs.busy());
    std::atomic<bool> ranAgain = false;
    jobs.run(Job::DatabaseUpdate, [&](const std::stop_token&) { ranAgain = true; });
    EXPECT_TRUE(eventually([&] { return ranAgain.load(); }));
}
