// Cost of appending one sample to a trend and trimming its oldest samples in
// the bulk steps the moving windows use (keep the newer half once the window
// is full), at window sizes from a thousand to ten million samples. The
// per-sample cost must not grow with the window; the program prints the
// ratio of the largest window's cost to the smallest one's, and the heap the
// trend takes per stored sample beside the doubles the data model must hold.
//
// appendAndTrim reserves every series for exactly one window, so its heap per
// sample equals the model by construction; appendAndTrimOwnGrowth lets the
// series grow as the program grows them (no reserve) and reports the heap
// that growth leaves, the figure a long scan really pays.

#include "bench/support/ratioreporter.h"
#include "scans/trenddataset.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int harmonics = 4;
constexpr int ticksPerSample = 24000; // 1 ms

std::vector<double> sampleVector()
{
    std::vector<double> sample{13.56, 0.0};
    for (int h = 0; h < harmonics; ++h)
        sample.insert(sample.end(), {100.0 / (h + 1), 10.0 * h, 2.0 / (h + 1), 15.0 + h});
    sample.insert(sample.end(), {100.0, 25.0});
    return sample;
}

std::vector<Series*> mutableSeries(TrendDataSet& set)
{
    std::vector<Series*> all{&set.time, &set.pulsePeriod, &set.pulseOnTime, &set.pulseFrequency,
                             &set.pulseDutyCycle};
    for (const auto& record : set.records)
        for (Series* s : record->allSeries())
            all.push_back(s);
    return all;
}

struct MemoryUse {
    double heapBytesPerSample;
    double modelBytesPerSample;
};

MemoryUse memoryUse(const TrendDataSet& set)
{
    size_t heap = 0;
    size_t heldDoubles = 0;
    for (const Series* s : set.allSeries()) {
        heap += s->capacity() * sizeof(double);
        heldDoubles += s->size();
    }
    const double samples = static_cast<double>(set.sampleCount());
    return {heap / samples, heldDoubles * sizeof(double) / samples};
}

void runAppendAndTrim(benchmark::State& state, bool reserveWindow)
{
    const size_t window = static_cast<size_t>(state.range(0));
    const double keepSeconds = (window / 2) * (ticksPerSample / TrendDataSet::ticksPerSecond);
    const std::vector<double> sample = sampleVector();
    const int count = static_cast<int>(sample.size());

    TrendDataSet set(1, 0.0, 0);
    set.addRecord(13.56, harmonics);
    // Room for one full window in every series that fills, as a long-running
    // moving window ends up with; it keeps the ten-million case within memory
    // (no doubling slack).
    set.appendSample(sample.data(), count, 0.0, ticksPerSample);
    if (reserveWindow)
        for (Series* s : mutableSeries(set))
            if (!s->empty())
                s->reserve(window + 1);
    for (size_t i = 1; i < window; ++i)
        set.appendSample(sample.data(), count, 0.0, ticksPerSample);

    MemoryUse fullest{0.0, 0.0};
    for (auto _ : state) {
        set.appendSample(sample.data(), count, 0.0, ticksPerSample);
        if (set.sampleCount() > window) {
            fullest = memoryUse(set);
            set.removeBefore(set.lastTime() - keepSeconds);
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["heap_bytes_per_sample_full"] = fullest.heapBytesPerSample;
    state.counters["heap_bytes_per_sample_mean"] = fullest.heapBytesPerSample * 4.0 / 3.0;
    state.counters["model_bytes_per_sample"] = fullest.modelBytesPerSample;
}

void appendAndTrim(benchmark::State& state)
{
    runAppendAndTrim(state, true);
}

void appendAndTrimOwnGrowth(benchmark::State& state)
{
    runAppendAndTrim(state, false);
}

// Every window runs a whole number of trim cycles (window / 2 samples each)
// and at least two million samples, so each cost is amortised alike.
BENCHMARK(appendAndTrim)->Arg(1000)->Iterations(2000000);
BENCHMARK(appendAndTrim)->Arg(100000)->Iterations(2000000);
BENCHMARK(appendAndTrim)->Arg(10000000)->Iterations(10000000);
// Without the reserve the largest window would take twice its memory; a
// million samples shows the same growth.
BENCHMARK(appendAndTrimOwnGrowth)->Arg(1000)->Iterations(2000000);
BENCHMARK(appendAndTrimOwnGrowth)->Arg(100000)->Iterations(2000000);
BENCHMARK(appendAndTrimOwnGrowth)->Arg(1000000)->Iterations(2000000);

} // namespace

int main(int argc, char** argv)
{
    RatioReporter reporter;
    reporter.run(argc, argv);
    for (const std::string& name : reporter.names()) {
        const std::optional<double> heap = reporter.counter(name, "heap_bytes_per_sample_full");
        const std::optional<double> model = reporter.counter(name, "model_bytes_per_sample");
        if (heap && model)
            std::printf(
                "%s: heap %.0f bytes per sample with the window full, model %.0f: %.2f of the model\n",
                name.c_str(), *heap, *model, *heap / *model);
    }
    const double smallest = reporter.nanoseconds("appendAndTrim/1000");
    const double largest = reporter.nanoseconds("appendAndTrim/10000000");
    if (smallest > 0.0 && largest > 0.0)
        std::printf("append+trim per sample: window 1e7 / window 1e3 = %.2f (target <= 1.5)\n",
                    largest / smallest);
    return 0;
}
