#include "app/job_queue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using app::Job;

// Jobs asked for while one runs wait for it and run after it, once each, in
// the order asked; a deferred job can defer others in turn. An idle queue runs
// a job at once.
TEST(JobQueue, DefersDedupesAndRunsInOrder)
{
    app::JobQueue jobs;
    std::string trace;
    jobs.run(Job::CheckPass, [&] {
        trace += "pass(";
        jobs.run(Job::PartFileCheck, [&] {
            trace += "part(";
            jobs.run(Job::ChangeFolder, [&] { trace += "folder "; });
            trace += ") ";
        });
        jobs.run(Job::CheckPass, [&] { trace += "pass2 "; });
        jobs.run(Job::PartFileCheck, [&] { trace += "part2 "; });
        jobs.run(Job::CheckPass, [&] { trace += "pass3 "; });
        trace += ") ";
    });
    EXPECT_EQ(trace, "pass() part() pass2 folder ");
    EXPECT_FALSE(jobs.busy());

    jobs.run(Job::DatabaseUpdate, [&] { trace += "idle "; });
    EXPECT_EQ(trace, "pass() part() pass2 folder idle ");
}

// A job that throws still frees the queue for the next one.
TEST(JobQueue, AJobThatThrowsReleasesTheQueue)
{
    app::JobQueue jobs;
    EXPECT_THROW(jobs.run(Job::CheckPass, [] { throw std::runtime_error("failed"); }),
                 std::runtime_error);
    EXPECT_FALSE(jobs.busy());
    bool ran = false;
    jobs.run(Job::CheckPass, [&] { ran = true; });
    EXPECT_TRUE(ran);
}
