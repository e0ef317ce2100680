// The look at a download's first bytes against its yardstick, reading the
// same bytes from the same data file: what naming their type costs on top.

#include "edonkey/content_look.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Each sample's first 64 KiB as a download's data file, written once.
std::string writeDataFile(const std::string& sample)
{
    const auto folder = std::filesystem::temp_directory_path() / "brisquen-first-bytes-bench";
    std::filesystem::create_directories(folder);
    std::ifstream in(std::string(BRISQUEN_BENCH_SAMPLES "/") + sample, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    bytes.resize(65'536);
    const std::string path = (folder / sample).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

const std::vector<edonkey::ByteRange> lastBlocksMissing{{65'536, 734'003'200}};

void readFirstBytes(benchmark::State& state, const char* sample)
{
    const std::string data = writeDataFile(sample);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::readFileRange(data, 0, edonkey::firstBytesLength));
}

void lookAtFirstBytes(benchmark::State& state, const char* sample)
{
    const std::string data = writeDataFile(sample);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            edonkey::lookAtDownload(data, "Movie.2026.avi", 734'003'200, lastBlocksMissing));
}

} // namespace

BENCHMARK_CAPTURE(readFirstBytes, program, "windows-program.exe");
BENCHMARK_CAPTURE(lookAtFirstBytes, program, "windows-program.exe");
BENCHMARK_CAPTURE(lookAtFirstBytes, video, "video.avi");
BENCHMARK_CAPTURE(lookAtFirstBytes, text, "text.txt");
