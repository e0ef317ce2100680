// What known.met buys `incoming`: finished files, 20 GB in all (sparse, so
// they cost no disk), checked with the hashes a known.met of 5,000 records
// gives for them, against hashing them. The ratio is the figure to quote; the
// files stay in the build folder for the next run.

#include "session/finished_files.h"
#include "tools/fixture_writer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int fileCount = 20;
constexpr std::uint64_t fileSize = 1'000'000'000;
constexpr int otherRecords = 5'000;

struct Sample {
    std::vector<std::string> paths;
    std::string knownMet; // the client's file, read anew at each run as incoming does
    fakedb::FakeDatabase list;
};

std::uint32_t unixDate(const std::string& path)
{
    const auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path));
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count());
}

const Sample& sample()
{
    static const Sample made = [] {
        Sample s;
        const std::string folder = std::string(BRISQUEN_BENCH_DIR) + "/known_met_bench/";
        std::filesystem::create_directories(folder);
        std::vector<fixtures::KnownRecord> records;
        for (int i = 0; i < otherRecords; ++i)
            records.push_back({{"Other " + std::to_string(i) + ".avi", 700'000'000u + i,
                                fixtures::hashFromSeed(10'000 + i), 0},
                               1'600'000'000});
        for (int i = 0; i < fileCount; ++i) {
            const std::string path = folder + "Finished " + std::to_string(i) + ".mkv";
            std::error_code error;
            if (std::filesystem::file_size(path, error) != fileSize)
                fixtures::writeZeroFile(path, fileSize);
            s.paths.push_back(path);
            records.push_back(
                {{"Finished " + std::to_string(i) + ".mkv", fileSize, fixtures::hashFromSeed(i), 0},
                 unixDate(path)});
        }
        s.knownMet = fixtures::knownMetBytes(records, fixtures::Mule::aMule, true);
        s.list.replace(fixtures::fakesDatLine({"x", 1, fixtures::hashFromSeed(99), 0}, "Fake"));
        return s;
    }();
    return made;
}

void checkAll(benchmark::State& state, bool withKnownMet)
{
    const Sample& s = sample();
    for (auto _ : state) {
        std::size_t fromKnownMet = 0;
        const auto records = edonkey::readKnownMet(s.knownMet);
        const session::KnownFiles known(std::get<std::vector<edonkey::KnownFile>>(records));
        for (const auto& path : s.paths) {
            const auto check =
                session::checkFinishedFile(path, s.list, {}, withKnownMet ? &known : nullptr);
            fromKnownMet += check.fromKnownMet ? 1 : 0;
            benchmark::DoNotOptimize(check.link);
        }
        if (fromKnownMet != (withKnownMet ? s.paths.size() : 0))
            state.SkipWithError("known.met did not cover the files as it should");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * fileCount *
                            static_cast<std::int64_t>(fileSize));
}

void incomingFromKnownMet(benchmark::State& state)
{
    checkAll(state, true);
}
void incomingHashingEveryFile(benchmark::State& state)
{
    checkAll(state, false);
}

} // namespace

BENCHMARK(incomingFromKnownMet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(incomingHashingEveryFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
