// Heap a live scan takes per recorded sample, with and without the window
// that watches it.
// - Floor: the scan alone, filled as the sensor's loop fills it: 100,000
//   samples of one 13.56 MHz frequency (fundamental only) 10 ms apart.
// - Window: the same scan started from a shown time-trend tab (1366 x 768)
//   with its one curve, the tab's monitoring update (meters, curve, Smith
//   chart, bar chart, waveform) every tenth sample as the sensor sends them
//   every 100 ms, and the event loop run after each, so the plot redraws.
// Target: window / floor at most 1.1, i.e. the window keeps next to nothing
// per sample beyond the scan. Heap is what the C library's allocator has
// handed out (build without a sanitizer).

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"
#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "support/fakesensor.h"
#include "support/heapinuse.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int samples = 100000;
constexpr int samplesPerUpdate = 10;
constexpr int tenMilliseconds = 10 * scantest::ticksPerMs;

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void reportPerSample(benchmark::State& state, size_t before, size_t after, const BaseScan& scan)
{
    state.counters["bytesPerSample"] = static_cast<double>(after - before) / samples;
    std::lock_guard<std::mutex> lock(scan.mutex);
    state.counters["storedBytesPerSample"] =
        static_cast<double>(scan.dataSets.front()->doublesPerSample() * sizeof(double));
}

void scanAlone(benchmark::State& state)
{
    FakeSensor sensor({13.56}, {1});
    const std::vector<double> sample = scantest::sampleOf(sensor, {});
    for (auto _ : state) {
        const size_t before = heapInUse();
        CWScan scan(&sensor, QStringLiteral("floor"), 10);
        scan.serialNumber = sensor.serialNumber();
        scan.start();
        for (int k = 0; k < samples; ++k)
            scantest::runPass(scan, sensor, sample, tenMilliseconds);
        reportPerSample(state, before, heapInUse(), scan);
    }
}

void scanInWindow(benchmark::State& state)
{
    FakeSensor sensor({13.56}, {1});
    const std::vector<double> sample = scantest::sampleOf(sensor, {});
    DisplaySettings settings;
    for (auto _ : state) {
        state.PauseTiming();
        auto tab = std::make_unique<timeTrendScanTab>(&settings);
        tab->resize(1366, 768);
        tab->show();
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
        settle();
        state.ResumeTiming();

        const size_t before = heapInUse();
        tab->form().startScan->click();
        std::unique_ptr<BaseScan> scan(sensor.takePendingScan());
        scan->start();
        for (int k = 0; k < samples; ++k) {
            scantest::runPass(*scan, sensor, sample, tenMilliseconds);
            if ((k + 1) % samplesPerUpdate == 0) {
                tab->monitorUpdate(scan.get(), 0);
                tab->scanUpdate(scan.get());
                QCoreApplication::processEvents();
            }
        }
        settle();
        reportPerSample(state, before, heapInUse(), *scan);
        state.counters["curves"] = tab->curves().size();

        state.PauseTiming();
        scan->stop();
        tab.reset();
        scan.reset();
        settle();
        state.ResumeTiming();
    }
}

double lowest(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

double highest(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

BENCHMARK(scanAlone)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", lowest)
    ->ComputeStatistics("max", highest)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(scanInWindow)
    ->Iterations(1)
    ->Repetitions(3)
    ->ComputeStatistics("min", lowest)
    ->ComputeStatistics("max", highest)
    ->Unit(benchmark::kMillisecond);

// Keeps every repetition's heap per sample beside the ratio reporter's runs.
class PerSampleReporter : public RatioReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytesPerSample");
            if (run.run_type == Run::RT_Iteration && found != run.counters.end())
                perSample[run.run_name.function_name].push_back(found->second.value);
        }
        RatioReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> perSample;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    // The tab keeps its settings: in a folder of this run's own.
    QTemporaryDir settingsFolder;
    qputenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit());
    const OffscreenApplication app(argc, argv);
    if (!heapInUseIsVisible()) {
        std::printf("the heap in use is not visible under this allocator: nothing to measure\n");
        return 0;
    }
    PerSampleReporter reporter;
    reporter.run(argc, argv);
    const std::vector<double>& floor = reporter.perSample["scanAlone"];
    const std::vector<double>& window = reporter.perSample["scanInWindow"];
    for (const auto& [name, values] : reporter.perSample)
        std::printf("%s: heap per sample min %.1f B, median %.1f B, max %.1f B\n", name.c_str(),
                    lowest(values), median(values), highest(values));
    if (!floor.empty() && !window.empty())
        std::printf("heap per sample, medians: window / scan alone = %.3f (target <= 1.1)\n",
                    median(window) / median(floor));
    return 0;
}
