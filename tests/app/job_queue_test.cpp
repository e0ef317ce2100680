#include "app/job_queue.h"

#include <gtest/gtest.h>

#include <string>

using app::Job;

TEST(JobQueue, JobAskedForWhileAnotherRunsRunsAfterItOnce)
{
    app::JobQueue jobs;
    std::string trace;
    jobs.run(Job::CheckPass, [&] {
        trace += "pass(";
        // Clicks and activations delivered while the pass yields.
        jobs.run(Job::CheckPass, [&] { trace += "pass2 "; });
        jobs.run(Job::PartFileCheck, [&] { trace += "part "; });
        jobs.run(Job::CheckPass, [&] { trace += "pass3 "; });
        jobs.run(Job::PartFileCheck, [&] { trace += "part2 "; });
        EXPECT_TRUE(jobs.busy());
        trace += ") ";
    });
    EXPECT_EQ(trace, "pass() pass2 part ");
    EXPECT_FALSE(jobs.busy());
}

TEST(JobQueue, DeferredJobsCanDeferOthersInTurn)
{
    app::JobQueue jobs;
    std::string trace;
    jobs.run(Job::DatabaseUpdate, [&] {
        jobs.run(Job::ChangeFolder, [&] {
            trace += "folder ";
            jobs.run(Job::CheckPass, [&] { trace += "pass "; });
            trace += "folder-end ";
        });
        trace += "update ";
    });
    EXPECT_EQ(trace, "update folder folder-end pass ");

    jobs.run(Job::CheckPass, [&] { trace += "idle "; });
    EXPECT_EQ(trace, "update folder folder-end pass idle ");
}
