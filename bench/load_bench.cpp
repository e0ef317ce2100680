// The load of a 1,000,000-line fakes.dat beside the yardsticks the machine
// sets, each round taking every measure once in turn, five rounds, medians:
//   the load (loadFakeDatabase) against mapping and touching the same file
//   (mmap with MAP_POPULATE), the least work that brings the file into memory;
//   the cost of a fresh page (malloc and memset of 95 MB, per 4 KiB page);
//   the whole `brisquen-check scan` with that list against `wc -l` of it;
//   the memory a reload holds at its peak, measured in a fresh process,
//   against the list's size: the next pass's reload of a list that has not
//   changed, and of one that has.
// Run it from a release build: brisquen_load_bench [FOLDER] (default: a
// folder in the temporary folder, made anew).

#include "fakedb/fake_database.h"
#include "session/database.h"
#include "tools/fixture_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int rounds = 5;
constexpr int listLines = 1'000'000;
constexpr int downloadCount = 100;
constexpr std::size_t freshBytes = 95'000'000;
constexpr std::size_t smallPage = 4096;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A program folder holding brisquen-check, the list and Setting.ini naming a
// client folder with 100 downloads; one line in ten thousand of the list is
// one of them.
std::string prepareProgramFolder(const std::filesystem::path& root)
{
    std::filesystem::remove_all(root);
    const std::string program = (root / "program").string() + "/";
    std::filesystem::create_directories(program);
    std::filesystem::copy_file(BRISQUEN_CHECK_PATH, program + "brisquen-check");

    const auto downloads = fixtures::numberedDownloads(downloadCount, 20261207);
    const auto client = fixtures::writeClientFolder((root / "client").string(), downloads);
    const auto others = fixtures::numberedDownloads(listLines, 7);

    // Written a MiB at a time, as a copy or a download writes it.
    std::ofstream list(program + "fakes.dat", std::ios::binary);
    std::string part;
    constexpr int listedEvery = listLines / downloadCount;
    for (int line = 0; line < listLines; ++line) {
        const auto& listed = line % listedEvery == 0
                                 ? downloads[static_cast<std::size_t>(line / listedEvery)]
                                 : others[static_cast<std::size_t>(line)];
        part += fixtures::fakesDatLine(listed, "Fake - listed by the benchmark");
        if (part.size() >= (1u << 20)) {
            list << part;
            part.clear();
        }
    }
    list << part;
    std::ofstream(program + "Setting.ini", std::ios::binary)
        << "[Settings]\r\nPrefPath=" << client.folder << "\r\n";
    return program;
}

// Runs `arguments` with its output thrown away; its time in ms.
double runProgram(std::vector<std::string> arguments)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return millisecondsSince(start);
}

double timeMappedRead(const std::string& path)
{
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    struct stat info {};
    ::fstat(fd, &info);
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (mapped == MAP_FAILED)
        std::exit(2);
    const auto* bytes = static_cast<const volatile char*>(mapped);
    unsigned sum = 0;
    for (std::size_t at = 0; at < size; at += smallPage)
        sum += static_cast<unsigned char>(bytes[at]);
    ::munmap(mapped, size);
    ::close(fd);
    const double ms = millisecondsSince(start);
    return ms + (sum == 1 ? 1e-9 : 0);
}

double timeLoad(const std::string& path)
{
    const auto start = Clock::now();
    auto loaded = fakedb::loadFakeDatabase(path);
    const double ms = millisecondsSince(start);
    if (!loaded || loaded.entries != listLines + 1) {
        std::fprintf(stderr, "the load failed\n");
        std::exit(2);
    }
    return ms;
}

// Per 4 KiB page, in microseconds.
double timeFreshPage()
{
    const auto start = Clock::now();
    char* fresh = static_cast<char*>(std::malloc(freshBytes));
    std::memset(fresh, 1, freshBytes);
    // Kept from being left out: the compiler may drop memory nobody reads.
    asm volatile("" : : "r"(fresh) : "memory");
    const double ms = millisecondsSince(start);
    const volatile char last = fresh[freshBytes - 1];
    std::free(fresh);
    return ms * 1000 / static_cast<double>(freshBytes / smallPage) + (last == 0 ? 1e-9 : 0);
}

std::uint64_t statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field))
            return std::strtoull(line.c_str() + std::strlen(field) + 1, nullptr, 10);
    }
    return 0;
}

// In a fresh process: the pass's load of the list, and the next pass's after
// the list has changed; the process's memory before and at its peak.
int reportReloadPeak(const std::string& program)
{
    const auto before = statusKilobytes("VmRSS:");
    session::ProgramState state;
    const session::ProgramFiles files{program};
    const bool first = static_cast<bool>(session::loadDatabase(state, files));
    std::filesystem::last_write_time(files.fakesDat(),
                                     std::filesystem::file_time_type::clock::now());
    const bool loaded = first && session::loadDatabase(state, files);
    std::printf("%llu %llu\n", static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(statusKilobytes("VmHWM:")));
    return loaded ? 0 : 2;
}

// In a fresh process: the pass's load of the list, and the next pass's, as
// the window runs them after "&About"; the list has not changed between them.
int reportUnchangedReloadPeak(const std::string& program)
{
    // A list changed in the last two seconds is read again whatever its stamp.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const auto before = statusKilobytes("VmRSS:");
    session::ProgramState state;
    const session::ProgramFiles files{program};
    const bool loaded = session::loadDatabase(state, files) && session::loadDatabase(state, files);
    std::printf("%llu %llu\n", static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(statusKilobytes("VmHWM:")));
    return loaded ? 0 : 2;
}

struct Peak {
    double beforeKb = 0;
    double peakKb = 0;
};

Peak measureReloadPeak(const std::string& self, const std::string& mode, const std::string& path)
{
    Peak peak;
    FILE* pipe = ::popen(("'" + self + "' " + mode + " '" + path + "'").c_str(), "r");
    if (!pipe || std::fscanf(pipe, "%lf %lf", &peak.beforeKb, &peak.peakKb) != 2)
        std::exit(2);
    ::pclose(pipe);
    return peak;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--reload-peak")
        return reportReloadPeak(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--unchanged-reload-peak")
        return reportUnchangedReloadPeak(argv[2]);
    const std::filesystem::path root =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::temp_directory_path() / "brisquen-load-bench";
    const std::string program = prepareProgramFolder(root);
    const std::string list = program + "fakes.dat";
    const double listBytes = static_cast<double>(std::filesystem::file_size(list));
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    runProgram({"cat", list}); // into the page cache

    std::vector<double> load, mapped, page, scan, wc, loadOverMapped, scanOverWc, peakRatio,
        grownRatio, unchangedRatio;
    for (int round = 0; round < rounds; ++round) {
        mapped.push_back(timeMappedRead(list));
        load.push_back(timeLoad(list));
        page.push_back(timeFreshPage());
        scan.push_back(runProgram({program + "brisquen-check", "scan"}));
        wc.push_back(runProgram({"wc", "-l", list}));
        const Peak peak = measureReloadPeak(self, "--reload-peak", program);
        const Peak unchanged = measureReloadPeak(self, "--unchanged-reload-peak", program);
        loadOverMapped.push_back(load.back() / mapped.back());
        scanOverWc.push_back(scan.back() / wc.back());
        peakRatio.push_back(peak.peakKb * 1024 / listBytes);
        grownRatio.push_back((peak.peakKb - peak.beforeKb) * 1024 / listBytes);
        unchangedRatio.push_back(unchanged.peakKb * 1024 / listBytes);
    }
    std::printf("list: %d lines, %.1f MB; medians of %d rounds\n", listLines, listBytes / 1e6,
                rounds);
    std::printf("load                         %8.1f ms  (%.0f MB/s)\n", median(load),
                listBytes / 1e3 / median(load));
    std::printf("mmap MAP_POPULATE + touch    %8.1f ms\n", median(mapped));
    std::printf("  load / mapped read         %8.2f   (must be <= 1.3)\n", median(loadOverMapped));
    std::printf("fresh page (malloc+memset)   %8.2f us per 4 KiB page\n", median(page));
    std::printf("  load / fresh pages of the list's size %5.2f\n",
                median(load) / (median(page) * listBytes / smallPage / 1000));
    std::printf("brisquen-check scan          %8.1f ms\n", median(scan));
    std::printf("wc -l                        %8.1f ms\n", median(wc));
    std::printf("  scan / wc -l               %8.2f   (must be <= 4)\n", median(scanOverWc));
    std::printf("reload peak / list, the list unchanged %8.2f   (must be <= 2.2)\n",
                median(unchangedRatio));
    std::printf("reload peak / list, the list changed   %8.2f   (must be <= 2.2)\n",
                median(peakRatio));
    std::printf("  peak less the process's memory before the first load, / list %.2f\n",
                median(grownRatio));
    return 0;
}
