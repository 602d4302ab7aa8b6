// Cost of redrawing a plot with a noisy million-point curve, and of taking
// ten new samples into a live curve.
//
// Redraw (replot and grab of a 1000 x 700 plot): the curve through our
// reduced samples, against two references drawn in the same run: the floor,
// a plain curve holding only the ~4 points per pixel column that the
// reduction yields (precomputed), and Qwt's own curve holding all points.
// "fresh" redraws make the reduction again each time, as a live plot whose
// data changed does. Targets: at most 10 ms, within 2x of the floor, at
// least 10x faster than Qwt's own.
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
    BenchPlot()
    {
        setCanvasBackground(Qt::white);
        resize(1000, 700);
        setAxisScale(QwtPlot::xBottom, 0.0, 1000.0);
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
            samples->samplesChanged(false, 0, 0);
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

BENCHMARK(redrawReduced)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawReduced)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(redrawQwtFull)->Unit(benchmark::kMillisecond)->Iterations(5);

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
    state.counters["held"] = static_cast<double>(live.curve.feed().time().size());
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
    const double small = reporter.nanoseconds("liveUpdate/1000");
    const double large = reporter.nanoseconds("liveUpdate/1000000");
    const double copy = reporter.nanoseconds("copyWholeMillion");
    if (small > 0.0 && large > 0.0)
        std::printf("10 new samples into a live curve: holding 1e6 / holding 1e3 = %.2f (target <= 1.5); "
                    "%.2f us / %.2f us; copying the whole million instead: %.2f ms\n",
                    large / small, large / 1e3, small / 1e3, copy / 1e6);
    return 0;
}
