// A check pass as the user runs it: the real main window over 1,000 downloads
// and a 1,000,000-line fakes.dat, with the time the pass takes and the longest
// stretch in which the window could not handle an event, each the median of
// the runs.

#include "app/about_window.h"
#include "app/appearance.h"
#include "app/main_window.h"
#include "platform/ini_file.h"
#include "platform/qt/qt_desktop.h"
#include "platform/wine_registry.h"
#include "tools/fixture_writer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

namespace {

constexpr int downloadCount = 1000;
constexpr int databaseLines = 1'000'000;

// A program folder and a client folder, written once for all runs. One
// download in ten is listed as a fake, spread over the whole database.
std::string prepareFolders()
{
    const auto root = std::filesystem::temp_directory_path() / "brisquen-pass-bench";
    std::filesystem::remove_all(root);
    const std::string program = (root / "program").string() + "/";
    std::filesystem::create_directories(program);

    std::mt19937_64 random(20261206);
    std::vector<fixtures::Download> downloads;
    for (int i = 0; i < downloadCount; ++i)
        downloads.push_back({"Download number " + std::to_string(i) + ".avi",
                             static_cast<std::uint32_t>(random()), fixtures::hashFromSeed(random()),
                             0});
    const auto client = fixtures::writeClientFolder((root / "client").string(), downloads);

    std::ofstream fakes(program + "fakes.dat", std::ios::binary);
    std::string chunk;
    for (int line = 0; line < databaseLines; ++line) {
        constexpr int fakeEvery = databaseLines / (downloadCount / 10);
        const fixtures::Download listed =
            line % fakeEvery == 0 ? downloads[static_cast<std::size_t>(line / fakeEvery * 10)]
                                  : fixtures::Download{"", static_cast<std::uint32_t>(random()),
                                                       fixtures::hashFromSeed(random()), 0};
        chunk += fixtures::fakesDatLine(listed, "Fake - listed by the benchmark");
        if (chunk.size() > (1 << 20)) {
            fakes << chunk;
            chunk.clear();
        }
    }
    fakes << chunk;
    platform::writeIniString(program + "Setting.ini", "Settings", "PrefPath", client.folder);
    return program;
}

void checkPassOverAThousandDownloads(benchmark::State& state)
{
    static const std::string program = prepareFolders();
    platform::QtDesktop desktop;
    platform::WineRegistry registry(""); // the client folder is stored
    std::vector<double> passMs;
    std::vector<double> gapMs;

    for (auto _ : state) {
        double longestGapMs = 0;
        app::MainWindow form({session::ProgramFiles{program}, desktop, registry,
                              [](std::stop_token) { return nullptr; }, // the pass does not update
                              "", session::ClientPlaces{},
                              [] {
                                  std::abort();
                              }});
        desktop.setOwner(&form);
        QEventLoop waitForPass;
        QObject::connect(&form, &app::MainWindow::passFinished, &waitForPass, &QEventLoop::quit);
        form.show();
        waitForPass.exec(); // the start-up pass, with the window's creation

        // The measured pass is the one closing the About window starts, in a
        // window that is already up; it is timed from the click that closes
        // the About window to the end of the pass. A timer that wants to fire every
        // millisecond measures how long the event loop is kept waiting.
        form.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QElapsedTimer passTime;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGapMs = std::max(longestGapMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.start();
        });
        passTime.start();
        sinceTick.start();
        ticker.start(1);
        form.aboutWindow()->close(); // the pass starts once the window is gone
        waitForPass.exec();
        state.SetIterationTime(passTime.nsecsElapsed() / 1e9);
        passMs.push_back(passTime.nsecsElapsed() / 1e6);
        ticker.stop();
        gapMs.push_back(std::max(longestGapMs, sinceTick.nsecsElapsed() / 1e6));
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values.empty() ? 0.0 : values[values.size() / 2];
    };
    state.counters["median_pass_ms"] = median(passMs);
    state.counters["median_longest_event_gap_ms"] = median(gapMs);
    // A reload builds the new list beside the one in use: the peak against the list's size.
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = usage.ru_maxrss / 1024.0;
    state.counters["list_mb"] = std::filesystem::file_size(program + "fakes.dat") / 1e6;
}

BENCHMARK(checkPassOverAThousandDownloads)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    app::installAppearance();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
