// How fast a finished file is hashed: our hashFile against the rhash program
// on the same 1 GB file, both from a warm page cache, best of two runs each;
// and how long an event loop waits at most while the window's worker hashes
// it. Run it from a release build; the file stays in the build folder for reuse.

#include "edonkey/ed2k_hash.h"

#ifdef BRISQUEN_BENCH_WORKER
#include "app/file_hasher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t fileSize = 1'000'000'000;
constexpr int runs = 2;

using Clock = std::chrono::steady_clock;

// Random bytes, so that no layer below can shortcut runs of zeros.
std::string benchFile()
{
    const std::string path = std::string(BRISQUEN_BENCH_DIR) + "/hash_bench_1g.bin";
    std::error_code error;
    if (std::filesystem::file_size(path, error) == fileSize)
        return path;
    std::printf("writing %s\n", path.c_str());
    std::mt19937_64 random(20261206);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::size_t blockBytes = block.size() * sizeof(block[0]);
    for (std::uint64_t written = 0; written < fileSize; written += blockBytes) {
        std::generate(block.begin(), block.end(), std::ref(random));
        out.write(
            reinterpret_cast<const char*>(block.data()),
            static_cast<std::streamsize>(std::min<std::uint64_t>(blockBytes, fileSize - written)));
    }
    return path;
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::optional<std::string> ourHash(const std::string& path, double& seconds)
{
    const auto start = Clock::now();
    const auto result = edonkey::hashFile(path);
    seconds = secondsSince(start);
    if (const auto* hash = std::get_if<edonkey::FileHash>(&result))
        return hash->hash;
    return std::nullopt;
}

// The program's start-up is part of its time, as it would be for a user.
std::optional<std::string> rhashHash(const std::string& path, double& seconds)
{
    const auto start = Clock::now();
    FILE* pipe = ::popen(("rhash --ed2k '" + path + "' 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::nullopt;
    char line[256] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    const int status = ::pclose(pipe);
    seconds = secondsSince(start);
    if (!got || status != 0)
        return std::nullopt;
    return std::string(line, 32);
}

double megabytesPerSecond(double seconds)
{
    return double(fileSize) / 1e6 / seconds;
}

#ifdef BRISQUEN_BENCH_WORKER
// A timer due every millisecond, as a stand-in for the window's painting and
// clicks: the largest gap between two of its ticks while the file is hashed.
qint64 longestEventLoopWait(const std::string& path, double& seconds)
{
    app::FileHasher hasher([] { return std::optional<fakedb::FakeLookup>(); });
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest = std::max(longest, sinceTick.restart()); });
    QObject::connect(&hasher, &app::FileHasher::checked, [] { QCoreApplication::quit(); });
    QObject::connect(&hasher, &app::FileHasher::failed, [] { QCoreApplication::quit(); });
    const auto start = Clock::now();
    sinceTick.start();
    ticker.start(1);
    hasher.hash(path);
    QCoreApplication::exec();
    seconds = secondsSince(start);
    return longest;
}
#endif

} // namespace

int main([[maybe_unused]] int argc, [[maybe_unused]] char* argv[])
{
    const std::string path = benchFile();
    double ours = 1e9;
    double theirs = 1e9;
    std::optional<std::string> ourResult;
    std::optional<std::string> theirResult;
    // Alternating, so that both see the same cache and the same neighbours.
    for (int run = 0; run < runs; ++run) {
        double seconds = 0;
        ourResult = ourHash(path, seconds);
        ours = std::min(ours, seconds);
        theirResult = rhashHash(path, seconds);
        if (theirResult)
            theirs = std::min(theirs, seconds);
    }
    if (!ourResult) {
        std::printf("hashFile failed on %s\n", path.c_str());
        return 1;
    }
    std::printf("hashFile     %8.1f MB/s  %s\n", megabytesPerSecond(ours), ourResult->c_str());
#ifdef BRISQUEN_BENCH_WORKER
    QCoreApplication application(argc, argv);
    double workerSeconds = 0;
    const qint64 wait = longestEventLoopWait(path, workerSeconds);
    std::printf("worker       %8.1f MB/s, longest event-loop wait %lld ms (target: under 50)\n",
                megabytesPerSecond(workerSeconds), static_cast<long long>(wait));
#endif
    if (!theirResult) {
        std::printf("rhash --ed2k not available\n");
        return 0;
    }
    std::printf("rhash --ed2k %8.1f MB/s  %s\n", megabytesPerSecond(theirs), theirResult->c_str());
    std::printf("ratio (ours / rhash) %.3f\n", theirs / ours);
    if (*ourResult != *theirResult) {
        std::printf("the hashes differ\n");
        return 1;
    }
    return 0;
}
