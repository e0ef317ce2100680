#include "session/job_queue.h"

#include <gtest/gtest.h>

#include <string>

using session::Job;

namespace {

using Queue = session::JobQueue<std::string>;

// Starts the next job, as the runner does once none runs: its work, or "-".
std::string startNext(Queue& jobs)
{
    const auto next = jobs.start();
    return next ? next->work : "-";
}

} // namespace

// Jobs asked for while one runs wait their turn, in the order asked, each
// once however often it was asked while waiting; a job asked for again while
// it runs runs again after it.
TEST(JobQueue, DefersInOrderAndAsksEachWaitingJobOnce)
{
    Queue jobs;
    EXPECT_TRUE(jobs.ask(Job::CheckPass, "pass"));
    EXPECT_EQ(startNext(jobs), "pass");
    EXPECT_EQ(startNext(jobs), "-"); // one at a time
    EXPECT_TRUE(jobs.ask(Job::PartFileCheck, "part"));
    EXPECT_TRUE(jobs.ask(Job::CheckPass, "pass2"));
    EXPECT_FALSE(jobs.ask(Job::PartFileCheck, "part2"));
    EXPECT_FALSE(jobs.ask(Job::CheckPass, "pass3"));
    EXPECT_EQ(startNext(jobs), "-");
    jobs.end();
    EXPECT_EQ(startNext(jobs), "part");
    EXPECT_TRUE(jobs.ask(Job::PartFileCheck, "part3")); // it runs: this one waits
    jobs.end();
    EXPECT_EQ(startNext(jobs), "pass2");
    jobs.end();
    EXPECT_EQ(startNext(jobs), "part3");
    jobs.end();
    EXPECT_EQ(startNext(jobs), "-");
}

// The rest of a job that asked the user runs before anything asked while the
// question was open, and the job keeps its turn until then.
TEST(JobQueue, TheRestOfAJobComesBeforeWhatWasAskedMeanwhile)
{
    Queue jobs;
    jobs.ask(Job::CheckPass, "pass asks");
    EXPECT_EQ(startNext(jobs), "pass asks");
    jobs.ask(Job::DatabaseUpdate, "update"); // while the question is open
    EXPECT_EQ(startNext(jobs), "-");
    jobs.end(Queue::Started{Job::CheckPass, "pass with the answer"});
    EXPECT_EQ(startNext(jobs), "pass with the answer");
    jobs.end();
    EXPECT_EQ(startNext(jobs), "update");
    jobs.ask(Job::ChangeFolder, "forgotten");
    jobs.forgetWaiting();
    jobs.end();
    EXPECT_EQ(startNext(jobs), "-");
}
