#pragma once

#include <chrono>

namespace session {

/// Paces the progress reports of a long job, so that showing them costs
/// nothing next to the work: none before `delay` has passed since the job
/// began, then at most one every `interval`.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;

    ProgressPace(Clock::duration delay, Clock::duration interval);

    /// Whether a report is due now; a true answer counts as the report made.
    bool due();

    /// Time since the job began.
    Clock::duration elapsed() const { return Clock::now() - m_start; }

private:
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_next;
    Clock::duration m_interval;
};

} // namespace session
