// Cost of redrawing a plot with a noisy million-point curve, and of taking
// ten new samples into a live curve.
//
// Redraw (replot and grab of a 1000 x 700 plot): the curve through our
// reduced samples, against two references drawn in the same run: the floor,
// a plain curve holding only the ~4 points per pixel column that the
// reduction yields (precomputed), and Qwt's own curve holding all points.
// "fresh" redraws follow a reset of the samples (a full copy taken again),
// so the whole reduction is made again each time. Targets: at most 10 ms,
// within 2x of the floor, at least 10x faster than Qwt's own.
//
// Live replot: a curve of a million samples that grows by ten samples before
// each redraw, on an axis with room for them, against the same curve redrawn
// without new samples (its reduction cached). Target: at most 1.5x.
//
// Live update: ten samples arrive in a scan whose live curve holds 1,000 or
// 1,000,000 samples; the curve takes them and extends its bounds (the
// scan's own appending is not timed).
// Target: 1e6 / 1e3 at most 1.5. Beside it, the cost of copying the whole
// million out of the scan.

#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "support/noisywave.h"
#include "support/scanfactory.h"
#include "views/livecurve.h"
#include "views/reducedcurve.h"
#include "views/reducedseriesdata.h"

#include <benchmark/benchmark.h>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr size_t millionPoints = 1000000;

struct NoisyCurve {
    NoisyCurve() { scantest::noisyWave(millionPoints, 7, time, values); }
    Series time;
    Series values;
};

const NoisyCurve& noisyCurve()
{
    static const NoisyCurve curve;
    return curve;
}

class BenchPlot : public QwtPlot
{
public:
    explicit BenchPlot(double axisEnd = 1000.0)
    {
        setCanvasBackground(Qt::white);
        resize(1000, 700);
        setAxisScale(QwtPlot::xBottom, 0.0, axisEnd);
        setAxisScale(QwtPlot::yLeft, -1.5, 1.5);
        show();
    }
    void redraw()
    {
        replot();
        QPixmap picture = grab();
        benchmark::DoNotOptimize(picture);
    }
};

void prepare(QwtPlotCurve& curve, BenchPlot& plot)
{
    curve.setPen(Qt::darkBlue, 1.0);
    curve.setRenderHint(QwtPlotItem::RenderAntialiased, false);
    curve.attach(&plot);
    plot.redraw();
}

void redrawReduced(benchmark::State& state)
{
    const NoisyCurve& data = noisyCurve();
    const bool fresh = state.range(0) != 0;
    BenchPlot plot;
    auto* samples = new ReducedSeriesData(&data.time, &data.values);
    ReducedCurve curve("reduced", samples);
    prepare(curve, plot);
    for (auto _ : state) {
        if (fresh)
            samples->samplesChanged(true, 0, 0);
        plot.redraw();
    }
    state.counters["drawn_points"] = static_cast<double>(samples->size());
    curve.detach();
}

// The floor: the reduction's points, precomputed, in a plain curve.
void redrawFloor(benchmark::State& state)
{
    const NoisyCurve& data = noisyCurve();
    BenchPlot plot;
    ReducedCurve reduced("reduced", new ReducedSeriesData(&data.time, &data.values));
    prepare(reduced, plot);
    reduced.detach();
    QVector<QPointF> points;
    for (size_t i = 0; i < reduced.dataSize(); ++i)
        points << reduced.sample(static_cast<int>(i));
    QwtPlotCurve curve("floor");
    curve.setSamples(points);
    prepare(curve, plot);
    for (auto _ : state)
        plot.redraw();
    state.counters["drawn_points"] = points.size();
    curve.detach();
}

void redrawQwtFull(benchmark::State& state)
{
    const NoisyCurve& data = noisyCurve();
    BenchPlot plot;
    QwtPlotCurve curve("full");
    curve.setRawSamples(data.time.data(), data.values.data(), static_cast<int>(data.time.size()));
    prepare(curve, plot);
    for (auto _ : state)
        plot.redraw();
    curve.detach();
}

// A live curve: a million samples of the noisy wave, which goes on for
// another 100 s of samples handed over `perReplot` at a time, each batch
// followed by a replot, on an axis that has room for all of them.
void redrawLive(benchmark::State& state)
{
    const size_t perReplot = static_cast<size_t>(state.range(0));
    Series comingTime;
    Series comingValues;
    scantest::noisyWave(millionPoints + millionPoints / 10, 7, comingTime, comingValues);
    Series time(comingTime.begin(), comingTime.begin() + millionPoints);
    Series values(comingValues.begin(), comingValues.begin() + millionPoints);
    time.reserve(comingTime.size());
    values.reserve(comingValues.size());
    BenchPlot plot(1100.0);
    auto* samples = new ReducedSeriesData(&time, &values);
    ReducedCurve curve("live", samples);
    prepare(curve, plot);
    for (auto _ : state) {
        const size_t end = std::min(time.size() + perReplot, comingTime.size());
        const size_t count = end - time.size();
        time.insert(time.end(), comingTime.begin() + time.size(), comingTime.begin() + end);
        values.insert(values.end(), comingValues.begin() + values.size(), comingValues.begin() + end);
        if (count > 0)
            samples->samplesChanged(false, 0, count);
        plot.redraw();
    }
    state.counters["drawn_points"] = static_cast<double>(samples->size());
    state.counters["held"] = static_cast<double>(time.size());
    curve.detach();
}

BENCHMARK(redrawReduced)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawReduced)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawQwtFull)->Unit(benchmark::kMillisecond)->Iterations(5);
// A fixed number of replots, so that every run draws the same curve.
BENCHMARK(redrawLive)->Arg(0)->Iterations(400)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawLive)->Arg(10)->Iterations(400)->Unit(benchmark::kMillisecond);

// A CW scan of `count` samples with its live curve caught up.
struct LiveSetup {
    explicit LiveSetup(int count)
        : sensor({13.56}, {1})
        , scan(scantest::cwScan(sensor, count, {}, 1e-3))
        , curve("Voltage", {Voltage, 0, 0, 0})
    {
        curve.update(*scan);
        curve.boundingRect();
    }
    FakeSensor sensor;
    std::unique_ptr<CWScan> scan;
    LiveCurve curve;
};

void liveUpdate(benchmark::State& state)
{
    LiveSetup live(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // The scan's own cost of taking the samples is not the curve's.
        state.PauseTiming();
        scantest::fill(*live.scan, live.sensor, 10);
        state.ResumeTiming();
        live.curve.update(*live.scan);
        benchmark::DoNotOptimize(live.curve.boundingRect());
    }
    state.counters["held"] = static_cast<double>(live.curve.reducedData()->fullSize());
}

void copyWholeMillion(benchmark::State& state)
{
    LiveSetup live(static_cast<int>(millionPoints));
    for (auto _ : state) {
        SeriesCopy copy = live.scan->copySeries(Voltage, 0, 0, 0, 0);
        benchmark::DoNotOptimize(copy);
    }
}

// Enough iterations that the growth of the scan's vectors averages out.
BENCHMARK(liveUpdate)->Arg(1000)->Iterations(20000)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(liveUpdate)->Arg(1000000)->Iterations(20000)->Repetitions(5)->Unit(benchmark::kMicrosecond);
BENCHMARK(copyWholeMillion)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApplication app(argc, argv);
    RatioReporter reporter;
    reporter.run(argc, argv);

    const double reduced = reporter.nanoseconds("redrawReduced/0");
    const double fresh = reporter.nanoseconds("redrawReduced/1");
    const double floor = reporter.nanoseconds("redrawFloor");
    const double full = reporter.nanoseconds("redrawQwtFull");
    if (reduced > 0.0 && floor > 0.0 && full > 0.0)
        std::printf("redraw of 1e6 points: %.2f ms (target <= 10), %.2f x the floor (target <= 2), "
                    "Qwt's own curve %.1f x slower (target >= 10); with a fresh reduction %.2f ms, "
                    "%.2f x the floor\n",
                    reduced / 1e6, reduced / floor, full / reduced, fresh / 1e6, fresh / floor);
    const double cached = reporter.nanoseconds("redrawLive/0");
    const double live = reporter.nanoseconds("redrawLive/10");
    if (cached > 0.0 && live > 0.0)
        std::printf("live replot after 10 new samples on 1e6: %.2f ms, %.2f x the cached redraw of the same "
                    "curve (%.2f ms; target <= 1.5)\n",
                    live / 1e6, live / cached, cached / 1e6);
    if (live > 0.0 && reduced > 0.0)
        std::printf("live replot / redrawReduced/0 = %.2f\n", live / reduced);
    const double small = reporter.nanoseconds("liveUpdate/1000");
    const double large = reporter.nanoseconds("liveUpdate/1000000");
    const double copy = reporter.nanoseconds("copyWholeMillion");
    if (small > 0.0 && large > 0.0)
        std::printf("10 new samples into a live curve: holding 1e6 / holding 1e3 = %.2f (target <= 1.5); "
                    "%.2f us / %.2f us; copying the whole million instead: %.2f ms\n",
                    large / small, large / 1e3, small / 1e3, copy / 1e6);
    return 0;
}
