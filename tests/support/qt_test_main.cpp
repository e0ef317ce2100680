// The main() of GoogleTest binaries that use Qt's event loop or networking,
// which need a QCoreApplication.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <thread>

namespace {

/// Ends the program when one test runs far longer than any should, so that a
/// wait that never ends (a lost time-out, endless redirects) fails the test
/// instead of hanging the run.
class Watchdog : public testing::EmptyTestEventListener {
public:
    static constexpr std::chrono::seconds limit{30};

    void OnTestStart(const testing::TestInfo&) override { m_deadline = now() + limit.count(); }
    void OnTestEnd(const testing::TestInfo&) override { m_deadline = never; }

private:
    static constexpr long long never = std::numeric_limits<long long>::max();
    static long long now()
    {
        using namespace std::chrono;
        return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
    }

    std::atomic<long long> m_deadline = never;
    std::jthread m_thread{[this](std::stop_token stop) {
        while (!stop.stop_requested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (now() <= m_deadline)
                continue;
            const auto* test = testing::UnitTest::GetInstance()->current_test_info();
            std::fprintf(stderr, "[  FAILED  ] %s.%s still runs after %lld s\n",
                         test ? test->test_suite_name() : "?", test ? test->name() : "?",
                         static_cast<long long>(limit.count()));
            std::_Exit(1);
        }
    }};
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    return RUN_ALL_TESTS();
}
