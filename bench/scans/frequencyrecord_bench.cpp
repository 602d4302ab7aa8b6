// Cost of deriving every quantity of one sample, against a floor that does
// the same arithmetic into preallocated arrays (no growth, no bookkeeping).

#include "scans/frequencyrecord.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

std::vector<double> sampleGroup(int harmonics)
{
    std::vector<double> group{13.56, 0.0};
    for (int h = 0; h < harmonics; ++h)
        group.insert(group.end(), {100.0 / (h + 1), 10.0 * h, 2.0 / (h + 1), 15.0 + h});
    return group;
}

void appendSample(benchmark::State& state)
{
    const int harmonics = static_cast<int>(state.range(0));
    const std::vector<double> group = sampleGroup(harmonics);
    auto record = std::make_unique<FrequencyRecord>(13.56, harmonics, 3);
    size_t appended = 0;
    for (auto _ : state) {
        record->appendSample(group.data(), 0.001);
        // Keep memory bounded the way the moving windows do: drop in bulk.
        if (++appended == 1u << 20) {
            state.PauseTiming();
            record = std::make_unique<FrequencyRecord>(13.56, harmonics, 3);
            appended = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}

// The floor: identical formulas written into fixed arrays.
void preallocatedFloor(benchmark::State& state)
{
    const int harmonics = static_cast<int>(state.range(0));
    const std::vector<double> group = sampleGroup(harmonics);
    constexpr size_t capacity = 1u << 16;
    const size_t perSample = 16u * static_cast<size_t>(harmonics) + 7u;
    std::vector<double> out(capacity * perSample);
    size_t slot = 0;
    double energy = 0.0;
    for (auto _ : state) {
        double* o = &out[(slot++ % capacity) * perSample];
        *o++ = group[0] > 1000.0 ? group[0] / 1e6 : group[0];
        for (int h = 0; h < harmonics; ++h) {
            const double v = group[2 + 4 * h], th = group[3 + 4 * h] * M_PI / 180, i = group[4 + 4 * h];
            const double p = group[5 + 4 * h] * M_PI / 180;
            const double z = i == 0.0 ? 0.0 : v / i;
            const double r = z * std::cos(p), x = z * std::sin(-p);
            const double d = (r + 50) * (r + 50) + x * x;
            const double gr = 1 - 100 * (r + 50) / d, gi = 100 * x / d;
            *o++ = v; *o++ = th; *o++ = i; *o++ = p;
            *o++ = h == 0 ? v : v * std::cos(th);
            *o++ = h == 0 ? 0.0 : v * std::sin(th);
            *o++ = i * std::sin(p); *o++ = i * std::cos(p);
            *o++ = z; *o++ = -p; *o++ = r; *o++ = x;
            *o++ = gr; *o++ = gi; *o++ = std::sqrt(gr * gr + gi * gi); *o++ = std::atan2(gi, gr) * 57.29577951308232;
        }
        const double v = group[2], i = group[4], p = group[5] * M_PI / 180;
        const double ir = i * std::cos(p), ii = i * std::sin(p);
        const double power = v * ir;
        energy += 0.001 * power;
        const double a = std::pow(0.5 * (v + 50 * ir), 2) + std::pow(25 * ii, 2);
        const double b = std::pow(0.5 * (v - 50 * ir), 2) + std::pow(25 * ii, 2);
        const double vf = std::sqrt(a), vr = std::sqrt(b);
        *o++ = power; *o++ = energy; *o++ = vf * vf / 50; *o++ = vr * vr / 50;
        *o++ = (vf + vr) / std::abs(vf - vr);
        *o++ = std::abs(i * (std::cos(p) - (i + 1) / v) * 0.7071067811865475);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(appendSample)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(preallocatedFloor)->Arg(1)->Arg(4)->Arg(16);

BENCHMARK_MAIN();
