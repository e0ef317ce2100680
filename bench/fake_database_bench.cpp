// What the index buys: a lookup miss (the usual answer: most downloads are not
// fakes) with the index and with the plain line scan, their ratio, and how fast
// a large fakes.dat loads (MB_per_s, in millions of bytes).

#include "fakedb/fake_database.h"

#include "tests/fakedb/line_scan_model.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Query {
    std::string hash;
    std::string size;
};

struct Sample {
    std::string text;
    fakedb::FakeDatabase database;
    std::vector<Query> hits;
};

// Many more queries than the cache holds slots for, so that a lookup pays for
// reaching the table as it would in use rather than finding it cached.
constexpr std::size_t queryCount = std::size_t{1} << 18;

std::string randomHash(std::mt19937_64& random)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hash(32, '0');
    for (char& c : hash)
        c = digits[random() % 16];
    return hash;
}

std::string randomSize(std::mt19937_64& random)
{
    const int length = static_cast<int>(6 + random() % 5);
    std::string size(1, static_cast<char>('1' + random() % 9));
    for (int i = 1; i < length; ++i)
        size += static_cast<char>('0' + random() % 10);
    return size;
}

std::string randomDescription(std::mt19937_64& random)
{
    static constexpr const char* words[] = {"Movie", "DVDRip", "XviD", "Album", "Fake",
                                            "virus", "CD1",    "2004", "Live",  "Full"};
    std::string description;
    while (description.size() < 26) {
        description += words[random() % std::size(words)];
        description += random() % 3 == 0 ? "." : " ";
    }
    return description + "avi";
}

// Random hashes, so none of them is in a sample.
const std::vector<Query>& misses()
{
    static const std::vector<Query> queries = [] {
        std::mt19937_64 random(12345);
        std::vector<Query> made;
        made.reserve(queryCount);
        for (std::size_t i = 0; i < queryCount; ++i)
            made.push_back({randomHash(random), randomSize(random)});
        return made;
    }();
    return queries;
}

// Built once per size and kept: the 1,000,000-line one takes a while to make.
const Sample& sampleOf(std::size_t lines)
{
    static std::map<std::size_t, std::unique_ptr<Sample>> samples;
    std::unique_ptr<Sample>& sample = samples[lines];
    if (sample)
        return *sample;

    sample = std::make_unique<Sample>();
    std::mt19937_64 random(lines);
    sample->text.reserve(lines * 80);
    for (std::size_t i = 0; i < lines; ++i) {
        Query entry{randomHash(random), randomSize(random)};
        sample->text += entry.hash + "," + entry.size + "," + randomDescription(random) + "\r\n";
        if (i % std::max<std::size_t>(1, lines / queryCount) == 0 &&
            sample->hits.size() < queryCount)
            sample->hits.push_back(std::move(entry));
    }
    sample->database.replace(sample->text);
    return *sample;
}

void indexMiss(benchmark::State& state)
{
    const Sample& sample = sampleOf(static_cast<std::size_t>(state.range(0)));
    const std::vector<Query>& queries = misses();
    std::size_t next = 0;
    for (auto _ : state) {
        const Query& query = queries[next++ % queryCount];
        benchmark::DoNotOptimize(sample.database.lookupFake(query.hash, query.size));
    }
}
BENCHMARK(indexMiss)->Arg(1'000)->Arg(30'000);

// Processor time, not wall time: the machine is shared, and another program's
// turn would count against whichever of the two happened to be running.
double cpuNanoseconds()
{
    return static_cast<double>(std::clock()) * 1e9 / CLOCKS_PER_SEC;
}

// The index and the plain line scan on the same database in one run, so that
// their ratio is not skewed by other work on the machine between two runs.
void indexAgainstScanMiss(benchmark::State& state)
{
    const Sample& sample = sampleOf(static_cast<std::size_t>(state.range(0)));
    const std::vector<Query>& queries = misses();
    std::size_t scans = 0;
    const double scanStart = cpuNanoseconds();
    while (scans < 5 || cpuNanoseconds() - scanStart < 300e6) {
        const Query& query = queries[scans++ % queryCount];
        benchmark::DoNotOptimize(
            fakedb::model::lookupByLineScan(sample.text, query.hash, query.size));
    }
    const double scanNs = (cpuNanoseconds() - scanStart) / static_cast<double>(scans);

    std::size_t next = 0;
    const double indexStart = cpuNanoseconds();
    for (auto _ : state) {
        const Query& query = queries[next++ % queryCount];
        benchmark::DoNotOptimize(sample.database.lookupFake(query.hash, query.size));
    }
    const double indexNs = (cpuNanoseconds() - indexStart) / static_cast<double>(next);
    state.counters["index_ns"] = indexNs;
    state.counters["scan_ns"] = scanNs;
    state.counters["scan_over_index"] = scanNs / indexNs;
}
BENCHMARK(indexAgainstScanMiss)->Arg(1'000'000);

void indexHit(benchmark::State& state)
{
    const Sample& sample = sampleOf(static_cast<std::size_t>(state.range(0)));
    std::size_t next = 0;
    for (auto _ : state) {
        const Query& query = sample.hits[next++ % sample.hits.size()];
        benchmark::DoNotOptimize(sample.database.lookupFake(query.hash, query.size));
    }
}
BENCHMARK(indexHit)->Arg(1'000'000);

// A fakes.dat in the temporary folder for as long as the program runs.
class TempDatabaseFile {
public:
    explicit TempDatabaseFile(std::string_view text)
        : m_path((std::filesystem::temp_directory_path() /
                  ("brisquen-bench-" + std::to_string(getpid()) + ".dat"))
                     .string())
    {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    ~TempDatabaseFile() { std::remove(m_path.c_str()); }
    TempDatabaseFile(const TempDatabaseFile&) = delete;
    TempDatabaseFile& operator=(const TempDatabaseFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void loadFile(benchmark::State& state)
{
    const Sample& sample = sampleOf(static_cast<std::size_t>(state.range(0)));
    static const TempDatabaseFile file(sample.text);
    // Each load builds a new database, as every load does; the old one goes
    // outside the timing.
    fakedb::LoadResult loaded;
    for (auto _ : state) {
        state.PauseTiming();
        loaded = {};
        state.ResumeTiming();
        loaded = fakedb::loadFakeDatabase(file.path());
        if (!loaded) {
            state.SkipWithError("cannot read the database file");
            break;
        }
        benchmark::DoNotOptimize(loaded.entries);
    }
    state.counters["MB_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(sample.text.size()) / 1e6,
        benchmark::Counter::kIsRate);
}
BENCHMARK(loadFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
