// Cost of repainting the Smith chart with five long trails shown whole, and
// of adding one point under a point limit. A trail follows a slow drift of
// the load with a little measurement noise, as a sensor on a plasma load
// reports it. The repaint of a million points per trail must cost about what
// a thousand cost (the chart draws each trail's reduced copy), and adding a
// point must cost the same under a limit of a hundred thousand as under one
// of a thousand (trimming in bulk). The program prints both ratios, and the
// repaint of the empty chart (the background alone) as the floor.

#include "bench/support/offscreenapplication.h"
#include "bench/support/ratioreporter.h"
#include "views/smithchartv2.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int trailCount = 5;

// Normalised impedance of trail `line` at sample i: a drift of 5 % over
// 6000 samples (a minute at 10 ms) about its own load, plus noise of 0.2 %.
class DriftingLoad
{
public:
    explicit DriftingLoad(int line)
        : m_r(0.4 + 0.3 * line)
        , m_x(0.5 - 0.25 * line)
        , m_random(1234u + static_cast<unsigned>(line))
    {
    }
    QPointF next()
    {
        const double drift = 1.0 + 0.05 * std::sin(2.0 * M_PI * m_sample++ / 6000.0);
        return QPointF(m_r * drift * (1.0 + m_noise(m_random)), m_x * drift + m_r * m_noise(m_random));
    }

private:
    double m_r;
    double m_x;
    long m_sample = 0;
    std::mt19937 m_random;
    std::normal_distribution<double> m_noise{0.0, 0.002};
};

std::unique_ptr<SmithChartV2> filledChart(int pointsPerTrail)
{
    auto chart = std::make_unique<SmithChartV2>(nullptr, trailCount);
    chart->showLine(true);
    chart->showAllData(true);
    for (int line = 0; line < trailCount; ++line) {
        DriftingLoad load(line);
        for (int i = 0; i < pointsPerTrail; ++i) {
            const QPointF z = load.next();
            chart->addPoint(z.x(), z.y(), line);
        }
    }
    return chart;
}

void repaint(benchmark::State& state)
{
    auto chart = filledChart(static_cast<int>(state.range(0)));
    QImage target(chart->size(), QImage::Format_RGB32);
    QWidget& widget = *chart;
    widget.render(&target); // the background image and the reduced trails
    for (auto _ : state) {
        widget.render(&target);
        benchmark::ClobberMemory();
    }
    int segments = 0;
    for (int line = 0; line < trailCount; ++line)
        segments += chart->drawnSegments(line).size();
    state.counters["drawn_segments"] = segments;
}

BENCHMARK(repaint)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(repaint)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(repaint)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Iterations(200);

void addPointUnderLimit(benchmark::State& state)
{
    const int limit = static_cast<int>(state.range(0));
    SmithChartV2 chart(nullptr, 1);
    chart.showLine(true);
    chart.showAllData(true);
    chart.setPointLimit(limit);
    DriftingLoad load(0);
    for (int i = 0; i < limit; ++i) {
        const QPointF z = load.next();
        chart.addPoint(z.x(), z.y(), 0);
    }
    for (auto _ : state) {
        const QPointF z = load.next();
        chart.addPoint(z.x(), z.y(), 0);
    }
    state.SetItemsProcessed(state.iterations());
}

// Both run several whole trimming cycles of the larger limit.
BENCHMARK(addPointUnderLimit)->Arg(1000)->Iterations(1000000);
BENCHMARK(addPointUnderLimit)->Arg(100000)->Iterations(1000000);

} // namespace

int main(int argc, char** argv)
{
    const OffscreenApplication app(argc, argv);
    RatioReporter reporter;
    reporter.run(argc, argv);
    const double empty = reporter.nanoseconds("repaint/0");
    const double small = reporter.nanoseconds("repaint/1000");
    const double large = reporter.nanoseconds("repaint/1000000");
    if (empty > 0.0 && small > 0.0 && large > 0.0)
        std::printf("repaint, 5 trails: 1e6 points / 1e3 points = %.2f (target <= 3); "
                    "1e3 points / empty chart = %.2f\n",
                    large / small, small / empty);
    const double limitSmall = reporter.nanoseconds("addPointUnderLimit/1000");
    const double limitLarge = reporter.nanoseconds("addPointUnderLimit/100000");
    if (limitSmall > 0.0 && limitLarge > 0.0)
        std::printf("addPoint: limit 1e5 / limit 1e3 = %.2f (target <= 1.5)\n", limitLarge / limitSmall);
    return 0;
}
