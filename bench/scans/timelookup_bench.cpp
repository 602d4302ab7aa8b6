// Cost of finding the sample at a picked time, as the bar chart, its
// trackers and the waveform do on every mouse move, on a long recording.
// Floor: std::lower_bound straight on the time vector (the simplest good
// way when the axis is known to be sorted). For scale, the walk from the
// start of the axis that the look-up replaced. Ratios printed at the end.

#include "bench/support/ratioreporter.h"
#include "scans/trenddataset.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int samples = 100000;

// One record with one harmonic, 1 ms apart: a 100 s scan at full rate.
const TrendDataSet& recording()
{
    static const std::unique_ptr<TrendDataSet> set = [] {
        auto made = std::make_unique<TrendDataSet>(1, 0.0, 0);
        made->addRecord(13.56, 1);
        const std::vector<double> sample{13.56, 0.0, 100.0, 0.0, 2.0, 10.0, 100.0, 20.0};
        for (int k = 0; k < samples; ++k)
            made->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, k == 0 ? 0 : 24000);
        return made;
    }();
    return *set;
}

// Cursor positions spread over the whole scan.
std::vector<double> pickedTimes()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> spread(0.0, recording().lastTime());
    std::vector<double> times(4096);
    for (double& t : times)
        t = spread(random);
    return times;
}

// What each look-up reads: the recording's time axis and frequencies, and
// the cursor positions it goes through in turn.
struct Picks {
    const TrendDataSet& set = recording();
    const Series& time = set.time;
    const Series& frequencies = set.records[0]->frequencies;
    const std::vector<double> times = pickedTimes();
    size_t next = 0;

    double nextTime() { return times[next++ % times.size()]; }
};

void lookUp(benchmark::State& state)
{
    Picks picks;
    for (auto _ : state)
        benchmark::DoNotOptimize(picks.set.frequencyAt(0, picks.nextTime()));
}
BENCHMARK(lookUp);

void floorLowerBound(benchmark::State& state)
{
    Picks picks;
    const Series& time = picks.time;
    for (auto _ : state) {
        const auto found = std::lower_bound(time.begin(), time.end(), picks.nextTime());
        const size_t index =
            found == time.end() ? time.size() - 1 : static_cast<size_t>(found - time.begin());
        benchmark::DoNotOptimize(picks.frequencies[index]);
    }
}
BENCHMARK(floorLowerBound);

void formerWalk(benchmark::State& state)
{
    Picks picks;
    const Series& time = picks.time;
    for (auto _ : state) {
        const double t = picks.nextTime();
        size_t index = time.size() - 1;
        for (size_t k = 1; k < time.size(); ++k)
            if (time[k] >= t) {
                index = k;
                break;
            }
        benchmark::DoNotOptimize(picks.frequencies[index]);
    }
}
BENCHMARK(formerWalk);

} // namespace

int main(int argc, char** argv)
{
    RatioReporter reporter;
    reporter.run(argc, argv);
    const double lookUpNs = reporter.nanoseconds("lookUp");
    const double floorNs = reporter.nanoseconds("floorLowerBound");
    const double walkNs = reporter.nanoseconds("formerWalk");
    if (lookUpNs > 0.0 && floorNs > 0.0)
        std::printf("time look-up on %d samples: look-up / lower_bound floor = %.2f (target <= 2)\n", samples,
                    lookUpNs / floorNs);
    if (lookUpNs > 0.0 && walkNs > 0.0)
        std::printf("time look-up on %d samples: former walk / look-up = %.0f\n", samples, walkNs / lookUpNs);
    return 0;
}
