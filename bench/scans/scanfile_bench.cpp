// Writing and reading a one-hour continuous-wave scan at 10 ms (360,000
// samples, one frequency with four harmonics) against a floor in the same
// run that does the same work the simplest good way: the same numbers
// formatted with std::to_chars (12 significant digits) into a buffer of the
// writer's chunk size, written with one fwrite whenever it is full and then
// reused, as the writer reuses its own; and parsed back with std::from_chars
// into memory already touched, as a reader that keeps its storage would.
// Reading also derives every quantity of every sample, which the floor does
// not: the same derivation, into series already touched, is timed on its
// own and its share of the read reported beside the read without it.
// Targets: writing at least 0.7 of the floor's speed, reading (every derived
// quantity recomputed) at least half of it. Also reports the heap the
// loaded scan takes against the doubles its data model holds.
//
// Then the memory the files need beyond the scan: the peak resident memory
// of saveDat, exportCsv and loadDat over what the process held before (for
// loadDat, beyond the loaded scan itself), for 1e4, 1e5 and 1e6 samples of a
// five-harmonic scan. Target: flat, the 1e6 figure within twice the 1e4 one.
// The CSV goes to /dev/null (written directly, as devices are), so that a
// gigabyte-sized export does not fill the disk; the .dat files are real.

#include "bench/support/ratioreporter.h"
#include "scans/basescan.h"
#include "support/scanfactory.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int sampleCount = 360000;
constexpr int harmonics = 4;

std::unique_ptr<BaseScan> makeScan(int samples = sampleCount, int harmonicCount = harmonics)
{
    return scantest::recordedScan(QStringLiteral("bench"), samples, harmonicCount);
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
        std::unique_ptr<BaseScan> loaded = BaseScan::loadDat(path);
        benchmark::DoNotOptimize(loaded.get());
        state.PauseTiming();
        // Freeing the scan is not part of reading it.
        heap = 0;
        held = 0;
        for (const auto& set : loaded->dataSets)
            for (const Series* s : set->allSeries()) {
                heap += s->capacity() * sizeof(double);
                held += s->size() * sizeof(double);
            }
        loaded.reset();
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

// The writer's chunk: text is handed to the file whenever this much is held.
constexpr size_t writerChunkBytes = 256 * 1024;

void floorWrite(benchmark::State& state)
{
    const std::vector<double> numbers = fileNumbers();
    const std::string path = folder().filePath("floor.txt").toStdString();
    const size_t perRow = 4 + 4 * harmonics;
    size_t bytes = 0;
    for (auto _ : state) {
        std::string chunk;
        chunk.reserve(writerChunkBytes + 64 * 1024);
        FILE* file = std::fopen(path.c_str(), "wb");
        bytes = 0;
        char cell[32];
        for (size_t i = 0; i < numbers.size(); ++i) {
            const auto end =
                std::to_chars(cell, cell + sizeof cell, numbers[i], std::chars_format::general, 12).ptr;
            chunk.append(cell, end);
            chunk += ';';
            if (i % perRow == perRow - 1) {
                chunk += '\n';
                if (chunk.size() >= writerChunkBytes) {
                    std::fwrite(chunk.data(), 1, chunk.size(), file);
                    bytes += chunk.size();
                    chunk.clear();
                }
            }
        }
        std::fwrite(chunk.data(), 1, chunk.size(), file);
        bytes += chunk.size();
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Parses the floor's file content into `numbers`, which keeps its storage.
void parseNumbers(const std::string& content, std::vector<double>& numbers)
{
    numbers.clear();
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
    std::vector<double> numbers;
    parseNumbers(content, numbers); // touches the storage the runs reuse
    for (auto _ : state) {
        parseNumbers(content, numbers);
        benchmark::DoNotOptimize(numbers.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * content.size()));
}

// The rows whose sample groups the reader hands a record at once.
constexpr size_t readerRun = 256;

// What reading does beyond parsing: the rows' sample groups handed to the
// record a run of rows at a time, as the reader does, the record deriving
// all their quantities, with the times and the pulse series beside them,
// into series kept from the run before (memory already touched, as the
// floor's).
void deriveOnLoad(benchmark::State& state)
{
    const std::vector<double> numbers = fileNumbers();
    const size_t perRow = 4 + 4 * harmonics;
    const size_t rows = numbers.size() / perRow;
    TrendDataSet set(sharedScan().sensorType, 0.0, 0);
    set.addRecord(13.56, harmonics);
    FrequencyRecord& record = *set.records.front();
    const size_t groupLength = 2 + 4 * harmonics;
    std::vector<double> groups;
    std::vector<double> steps;
    const auto derive = [&] {
        for (Series* s : record.allSeries())
            s->clear();
        for (Series* s :
             {&set.time, &set.pulsePeriod, &set.pulseOnTime, &set.pulseFrequency, &set.pulseDutyCycle})
            s->clear();
        record.energyTotal = 0.0;
        double previous = 0.0;
        for (size_t row = 0; row < rows; ++row) {
            const double* cells = numbers.data() + row * perRow;
            set.time.push_back(cells[0]);
            groups.push_back(cells[1]);
            groups.push_back(0.0);
            groups.insert(groups.end(), cells + 2, cells + 2 + 4 * harmonics);
            steps.push_back(cells[0] - previous);
            previous = cells[0];
            const double period = cells[perRow - 2];
            const double onTime = cells[perRow - 1];
            set.pulsePeriod.push_back(period);
            set.pulseOnTime.push_back(onTime);
            set.pulseFrequency.push_back(period == 0.0 ? 0.0 : 1000000.0 / period);
            set.pulseDutyCycle.push_back(period == 0.0 ? 0.0 : 100.0 * onTime / period);
            if (steps.size() == readerRun || row + 1 == rows) {
                record.appendSamples(groups.data(), groupLength, steps.size(), steps.data());
                groups.clear();
                steps.clear();
            }
        }
    };
    derive(); // touches the storage the runs reuse
    for (auto _ : state) {
        derive();
        benchmark::DoNotOptimize(record.energyTotal);
    }
}

// A field of /proc/self/status ("VmRSS", "VmHWM") in bytes.
qint64 statusBytes(const QByteArray& key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').front().toLongLong() * 1024;
    return 0;
}

// Peak resident bytes `work` adds to what the process holds; freed heap is
// handed back first so that it does not hide new pages.
template <typename Work> qint64 peakExtraBytes(Work work, double& seconds)
{
    malloc_trim(0);
    const qint64 before = statusBytes("VmRSS");
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5"); // resets VmHWM
    clearRefs.close();
    QElapsedTimer timer;
    timer.start();
    work();
    seconds = timer.nsecsElapsed() / 1e9;
    return statusBytes("VmHWM") - before;
}

qint64 heapBytes(const BaseScan& scan)
{
    qint64 bytes = 0;
    for (const auto& set : scan.dataSets)
        for (const Series* s : set->allSeries())
            bytes += static_cast<qint64>(s->capacity() * sizeof(double));
    return bytes;
}

constexpr int memoryHarmonics = 5;

void fileMemory(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    std::unique_ptr<BaseScan> scan = makeScan(samples, memoryHarmonics);
    QString dat = folder().filePath(QStringLiteral("memory.dat"));
    QString csv = QStringLiteral("/dev/null");
    double saveSeconds = 0.0;
    double csvSeconds = 0.0;
    double loadSeconds = 0.0;
    qint64 saveExtra = 0;
    qint64 csvExtra = 0;
    qint64 loadExtra = 0;
    qint64 csvBytes = 0;
    for (auto _ : state) {
        saveExtra = peakExtraBytes([&] { scan->saveDat(dat, QStringLiteral("Quvix 2.8.0")); }, saveSeconds);
        csvExtra =
            peakExtraBytes([&] { scan->exportCsv(csv, QStringLiteral("Quvix 2.8.0"), nullptr); }, csvSeconds);
        std::unique_ptr<BaseScan> loaded;
        loadExtra = peakExtraBytes([&] { loaded = BaseScan::loadDat(dat); }, loadSeconds);
        loadExtra -= heapBytes(*loaded);
    }
    // The export's size, counted once outside the measured runs.
    {
        QString counted = folder().filePath(QStringLiteral("memory.csv"));
        scan->exportCsv(counted, QStringLiteral("Quvix 2.8.0"), nullptr);
        csvBytes = fileSize(counted);
        QFile::remove(counted);
    }
    const double datMB = fileSize(dat) / 1e6;
    state.counters["save_extra_MB"] = saveExtra / 1e6;
    state.counters["csv_extra_MB"] = csvExtra / 1e6;
    state.counters["load_extra_MB"] = loadExtra / 1e6;
    state.counters["scan_MB"] = heapBytes(*scan) / 1e6;
    state.counters["save_MBps"] = datMB / saveSeconds;
    state.counters["csv_MBps"] = csvBytes / 1e6 / csvSeconds;
    state.counters["load_MBps"] = datMB / loadSeconds;
    QFile::remove(dat);
}

BENCHMARK(fileMemory)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(floorWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(writeDat)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(floorRead)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(readDat)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(deriveOnLoad)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    RatioReporter reporter;
    reporter.run(argc, argv);
    const auto rate = [&reporter](const char* name) { return reporter.counter(name, "bytes_per_second"); };
    const std::optional<double> write = rate("writeDat");
    const std::optional<double> floorWrite = rate("floorWrite");
    const std::optional<double> read = rate("readDat");
    const std::optional<double> floorRead = rate("floorRead");
    if (write && floorWrite && read && floorRead) {
        std::printf("write %.0f MB/s, floor %.0f MB/s: %.2f of the floor (target >= 0.7)\n", *write / 1e6,
                    *floorWrite / 1e6, *write / *floorWrite);
        std::printf("read %.0f MB/s, floor %.0f MB/s: %.2f of the floor (target >= 0.5)\n", *read / 1e6,
                    *floorRead / 1e6, *read / *floorRead);
    }
    const double readTime = reporter.nanoseconds("readDat");
    const double deriveTime = reporter.nanoseconds("deriveOnLoad");
    const double floorReadTime = reporter.nanoseconds("floorRead");
    if (readTime > 0.0 && deriveTime > 0.0 && floorReadTime > 0.0)
        std::printf("read %.0f ms, of it deriving the quantities %.0f ms (%.0f %%); the read without them "
                    "%.0f ms, %.2f of the floor's speed (%.0f ms)\n",
                    readTime / 1e6, deriveTime / 1e6, 100.0 * deriveTime / readTime,
                    (readTime - deriveTime) / 1e6, floorReadTime / (readTime - deriveTime),
                    floorReadTime / 1e6);
    for (const char* key : {"csv_extra_MB", "load_extra_MB", "save_extra_MB"}) {
        const std::optional<double> small = reporter.counter("fileMemory/10000", key);
        const std::optional<double> large = reporter.counter("fileMemory/1000000", key);
        if (small && large)
            std::printf(
                "%s: %.1f MB at 1e4, %.1f at 1e5, %.1f at 1e6 samples: 1e6/1e4 = %.2f (target <= 2)\n", key,
                *small, reporter.counter("fileMemory/100000", key).value_or(0.0), *large,
                *large / std::max(*small, 0.1));
    }
    return 0;
}
