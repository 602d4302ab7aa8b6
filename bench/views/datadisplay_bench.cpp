// Cost of what the data display does while the user drags its point picker
// and on a Smith chart refill, on finished scans of a thousand and of a
// million samples.
// - A point-picker move redraws the waveform view and the bar chart at the
//   picked time: on a million samples it must cost about what it costs on a
//   thousand (target <= 2), as the time look-ups are binary searches.
// - A Smith chart fill of a million samples (series to the dialog's chart
//   points) against the floor of mapping the same samples to chart
//   coordinates in a plain loop into a buffer it reuses, as the chart reuses
//   its trail's (target <= 2).

#include "app/datadisplayfeeds.h"
#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "scans/basescan.h"
#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "views/barchart.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"
#include "views/waveform.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace {

// A finished scan of one 13.56 MHz channel with its fundamental, samples
// 1 ms apart, whose load drifts slowly.
struct FinishedScan {
    std::unique_ptr<FakeSensor> sensor;
    std::unique_ptr<BaseScan> scan;
};

FinishedScan finishedScan(int samples)
{
    FinishedScan made;
    made.sensor = std::make_unique<FakeSensor>(QVector<double>{13.56}, QVector<int>{1}, 3);
    made.scan = std::make_unique<BaseScan>(made.sensor.get(), QStringLiteral("bench"));
    made.scan->nickname = QStringLiteral("bench");
    std::vector<double> sample;
    for (int k = 0; k < samples; ++k) {
        const double drift = 1.0 + 0.1 * std::sin(k / 5000.0);
        sample = {13.56, 0.0};
        for (int h = 0; h < 1; ++h)
            sample.insert(sample.end(), {100.0 * drift / (h + 1), 10.0 * h, 2.0 / (h + 1), 30.0 * drift});
        sample.insert(sample.end(), {100.0, 20.0});
        made.scan->addData(sample.data(), static_cast<int>(sample.size()), 0.0, k == 0 ? 0 : 24000);
    }
    return made;
}

FinishedScan& scanOf(int samples)
{
    static std::map<int, FinishedScan> scans;
    auto found = scans.find(samples);
    if (found == scans.end())
        found = scans.emplace(samples, finishedScan(samples)).first;
    return found->second;
}

void pointPickerMove(benchmark::State& state)
{
    const int samples = static_cast<int>(state.range(0));
    BaseScan* scan = scanOf(samples).scan.get();
    barchart chart;
    waveForm view;
    chart.addScan(scan);
    view.addScan(scan);
    const double last = samples * 0.001;
    double t = 0.0;
    for (auto _ : state) {
        // The moves of a drag across the whole scan.
        t += last / 97.0;
        if (t > last)
            t -= last;
        const QPointF at(t, 0.0);
        view.updateTimePosition(at);
        chart.updateTimePosition(at);
    }
}

BENCHMARK(pointPickerMove)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(pointPickerMove)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void smithFill(benchmark::State& state)
{
    BaseScan* scan = scanOf(static_cast<int>(state.range(0))).scan.get();
    SmithChartDialog dialog;
    for (auto _ : state) {
        DataDisplayFeeds::showSmithLines(dialog, DataDisplayFeeds::smithLines({scan}, std::nullopt));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(smithFill)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Finding the lines alone: their samples are read when they are shown.
void smithLinesOnly(benchmark::State& state)
{
    BaseScan* scan = scanOf(static_cast<int>(state.range(0))).scan.get();
    for (auto _ : state)
        benchmark::DoNotOptimize(DataDisplayFeeds::smithLines({scan}, std::nullopt));
}

BENCHMARK(smithLinesOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The floor: the same impedances mapped to chart points in a plain loop.
void smithFloor(benchmark::State& state)
{
    BaseScan* scan = scanOf(static_cast<int>(state.range(0))).scan.get();
    std::lock_guard<std::mutex> lock(scan->mutex);
    const TrendDataSet& set = *scan->dataSets.front();
    const Series& magnitude = set.parameterSeries(ImpedancePolar, 0, 0);
    const Series& phase = set.parameterSeries(Phase, 0, 0);
    std::vector<QPointF> points(magnitude.size());
    for (auto _ : state) {
        for (size_t i = 0; i < magnitude.size(); ++i) {
            const double angle = phase[i] * M_PI / 180.0;
            points[i] = SmithChartV2::chartPoint(std::abs(magnitude[i] * std::cos(angle) / 50.0),
                                                 magnitude[i] * std::sin(-angle) / 50.0);
        }
        benchmark::DoNotOptimize(points.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(smithFloor)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApplication app(argc, argv);
    RatioReporter reporter;
    reporter.run(argc, argv);
    const double moveSmall = reporter.nanoseconds("pointPickerMove/1000");
    const double moveLarge = reporter.nanoseconds("pointPickerMove/1000000");
    if (moveSmall > 0.0 && moveLarge > 0.0)
        std::printf("point-picker move: 1e6 samples / 1e3 samples = %.2f (target <= 2)\n",
                    moveLarge / moveSmall);
    const double fill = reporter.nanoseconds("smithFill/1000000");
    const double floor = reporter.nanoseconds("smithFloor/1000000");
    if (fill > 0.0 && floor > 0.0)
        std::printf("Smith fill, 1e6 samples: fill / plain mapping = %.2f (target <= 2)\n", fill / floor);
    return 0;
}
