// Writing and reading a one-hour continuous-wave scan at 10 ms (360,000
// samples, one frequency with four harmonics) against a floor in the same
// run: the same numbers formatted with std::to_chars (12 significant digits)
// into one buffer written with one fwrite, and parsed back with
// std::from_chars. Targets: writing at least half the floor's speed, reading
// (every derived quantity recomputed) at least 0.3 of it. Also reports the
// heap the loaded scan takes against the doubles its data model holds.

#include "scans/basescan.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <charconv>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int sampleCount = 360000;
constexpr int harmonics = 4;
constexpr int ticksPer10Ms = 240000;

std::unique_ptr<BaseScan> makeScan()
{
    auto scan = std::make_unique<BaseScan>(nullptr, QStringLiteral("bench"));
    scan->passive = false;
    scan->typeText = QStringLiteral("Continuous Wave");
    scan->dataSets.front()->addRecord(13.56, harmonics);
    std::vector<double> sample{13.56e6, 0.0};
    for (int h = 0; h < harmonics; ++h)
        sample.insert(sample.end(), {0.0, 0.0, 0.0, 0.0});
    sample.insert(sample.end(), {100.0, 25.0});
    for (int i = 0; i < sampleCount; ++i) {
        for (int h = 0; h < harmonics; ++h) {
            double* v = &sample[2 + 4 * h];
            v[0] = 100.0 / (h + 1) + 1e-3 * (i % 1000);
            v[1] = 10.0 * h + 1e-4 * (i % 777);
            v[2] = 2.0 / (h + 1) + 1e-5 * (i % 313);
            v[3] = 15.0 + h + 1e-3 * (i % 97);
        }
        scan->addData(sample.data(), static_cast<int>(sample.size()), 0.0, i == 0 ? 0 : ticksPer10Ms);
    }
    return scan;
}

BaseScan& sharedScan()
{
    static const std::unique_ptr<BaseScan> scan = makeScan();
    return *scan;
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

qint64 fileSize(const QString& path)
{
    QFile file(path);
    return file.size();
}

void writeDat(benchmark::State& state)
{
    BaseScan& scan = sharedScan();
    QString path = folder().filePath("scan.dat");
    for (auto _ : state) {
        if (!scan.saveDat(path, QStringLiteral("Quvix 2.8.0")))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
}

void readDat(benchmark::State& state)
{
    QString path = folder().filePath("scan.dat");
    sharedScan().saveDat(path, QStringLiteral("Quvix 2.8.0"));
    size_t heap = 0;
    size_t held = 0;
    for (auto _ : state) {
        const std::unique_ptr<BaseScan> loaded = BaseScan::loadDat(path);
        benchmark::DoNotOptimize(loaded.get());
        state.PauseTiming();
        heap = 0;
        held = 0;
        for (const auto& set : loaded->dataSets)
            for (const Series* s : set->allSeries()) {
                heap += s->capacity() * sizeof(double);
                held += s->size() * sizeof(double);
            }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    state.counters["loaded_heap_MB"] = heap / 1e6;
    state.counters["model_MB"] = held / 1e6;
}

// The numbers of the file: time, frequency, 4 per harmonic, pulse pair.
std::vector<double> fileNumbers()
{
    const TrendDataSet& set = *sharedScan().dataSets.front();
    const FrequencyRecord& r = *set.records.front();
    std::vector<double> numbers;
    numbers.reserve(set.time.size() * (4 + 4 * harmonics));
    for (size_t j = 0; j < set.time.size(); ++j) {
        numbers.push_back(set.time[j]);
        numbers.push_back(r.frequencies[j]);
        for (int h = 0; h < harmonics; ++h)
            for (const HarmonicSeries* s : {&r.voltage, &r.voltagePhase, &r.current, &r.currentPhase})
                numbers.push_back((*s)[static_cast<size_t>(h)][j]);
        numbers.push_back(set.pulsePeriod[j]);
        numbers.push_back(set.pulseOnTime[j]);
    }
    return numbers;
}

void floorWrite(benchmark::State& state)
{
    const std::vector<double> numbers = fileNumbers();
    const std::string path = folder().filePath("floor.txt").toStdString();
    const size_t perRow = 4 + 4 * harmonics;
    size_t bytes = 0;
    for (auto _ : state) {
        std::string buffer;
        buffer.reserve(numbers.size() * 12);
        char cell[32];
        for (size_t i = 0; i < numbers.size(); ++i) {
            const auto end =
                std::to_chars(cell, cell + sizeof cell, numbers[i], std::chars_format::general, 12).ptr;
            buffer.append(cell, end);
            buffer += ';';
            if (i % perRow == perRow - 1)
                buffer += '\n';
        }
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(buffer.data(), 1, buffer.size(), file);
        std::fclose(file);
        bytes = buffer.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void floorRead(benchmark::State& state)
{
    const std::string path = folder().filePath("floor.txt").toStdString();
    std::string content;
    {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            state.SkipWithError("run floorWrite first");
            return;
        }
        char chunk[1 << 16];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            content.append(chunk, n);
        std::fclose(file);
    }
    for (auto _ : state) {
        std::vector<double> numbers;
        numbers.reserve(content.size() / 8);
        const char* p = content.data();
        const char* end = p + content.size();
        while (p < end) {
            double v = 0.0;
            const auto result = std::from_chars(p, end, v);
            numbers.push_back(v);
            p = result.ptr;
            while (p < end && (*p == ';' || *p == '\n'))
                ++p;
        }
        benchmark::DoNotOptimize(numbers.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}

BENCHMARK(floorWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(writeDat)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(floorRead)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(readDat)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto bytes = run.counters.find("bytes_per_second");
            if (bytes != run.counters.end())
                bytesPerSecond[run.run_name.function_name] = bytes->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> bytesPerSecond;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& r = reporter.bytesPerSecond;
    if (r.count("writeDat") && r.count("floorWrite") && r.count("readDat") && r.count("floorRead")) {
        std::printf("write %.0f MB/s, floor %.0f MB/s: %.2f of the floor (target >= 0.5)\n",
                    r["writeDat"] / 1e6, r["floorWrite"] / 1e6, r["writeDat"] / r["floorWrite"]);
        std::printf("read %.0f MB/s, floor %.0f MB/s: %.2f of the floor (target >= 0.3)\n",
                    r["readDat"] / 1e6, r["floorRead"] / 1e6, r["readDat"] / r["floorRead"]);
    }
    return 0;
}
