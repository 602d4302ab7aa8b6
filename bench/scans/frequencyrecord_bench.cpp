// Cost of deriving and storing every quantity of one sample, against a floor
// that does the same arithmetic into preallocated arrays (no growth, no
// per-series bookkeeping). Each run reports its own floor and the ratio.
//
// Two figures per harmonic count. appendSteady: the record as a trend uses it
// during a long scan, already grown to its window before the clock starts,
// then dropping its oldest half in bulk whenever it holds two windows; this
// is the cost that counts. appendGrowth: a fresh record filled from empty to
// one window, each sample paying its share of the series' regrowth, as a
// scan's first seconds do.

#include "scans/frequencyrecord.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr size_t windowSamples = 1u << 14;

std::vector<double> sampleGroup(int harmonics)
{
    std::vector<double> group{13.56, 0.0};
    for (int h = 0; h < harmonics; ++h)
        group.insert(group.end(), {100.0 / (h + 1), 10.0 * h, 2.0 / (h + 1), 15.0 + h});
    return group;
}

void dropOldestHalf(FrequencyRecord& record)
{
    for (Series* s : record.allSeries()) {
        const auto half = static_cast<std::ptrdiff_t>(s->size() / 2);
        s->erase(s->begin(), s->begin() + half);
    }
}

// The same formulas, written into one preallocated ring of the same size.
class Floor
{
public:
    Floor(const std::vector<double>& group, int harmonics)
        : m_group(group)
        , m_harmonics(harmonics)
        , m_perSample(16u * static_cast<size_t>(harmonics) + 7u)
        , m_out(windowSamples * m_perSample)
    {
    }

    void append()
    {
        const double* g = m_group.data();
        double* o = &m_out[(m_slot++ % windowSamples) * m_perSample];
        *o++ = g[0] > 1000.0 ? g[0] / 1e6 : g[0];
        for (int h = 0; h < m_harmonics; ++h) {
            const double v = g[2 + 4 * h], th = g[3 + 4 * h] * M_PI / 180, i = g[4 + 4 * h];
            const double p = g[5 + 4 * h] * M_PI / 180;
            const double z = i == 0.0 ? 0.0 : v / i;
            const double r = z * std::cos(p), x = z * std::sin(-p);
            const double d = (r + 50) * (r + 50) + x * x;
            const double gr = 1 - 100 * (r + 50) / d, gi = 100 * x / d;
            *o++ = v, *o++ = th, *o++ = i, *o++ = p;
            *o++ = h == 0 ? v : v * std::cos(th);
            *o++ = h == 0 ? 0.0 : v * std::sin(th);
            *o++ = i * std::sin(p), *o++ = i * std::cos(p);
            *o++ = z, *o++ = -p, *o++ = r, *o++ = x;
            *o++ = gr, *o++ = gi, *o++ = std::sqrt(gr * gr + gi * gi);
            *o++ = std::atan2(gi, gr) * 57.29577951308232;
        }
        const double v = g[2], i = g[4], p = g[5] * M_PI / 180;
        const double ir = i * std::cos(p), ii = i * std::sin(p);
        const double power = v * ir;
        m_energy += 0.001 * power;
        const double vf = std::sqrt(std::pow(0.5 * (v + 50 * ir), 2) + std::pow(25 * ii, 2));
        const double vr = std::sqrt(std::pow(0.5 * (v - 50 * ir), 2) + std::pow(25 * ii, 2));
        *o++ = power, *o++ = m_energy, *o++ = vf * vf / 50, *o++ = vr * vr / 50;
        *o++ = (vf + vr) / std::abs(vf - vr);
        *o++ = std::abs(i * (std::cos(p) - (i + 1) / v) * 0.7071067811865475);
    }

private:
    const std::vector<double>& m_group;
    const int m_harmonics;
    const size_t m_perSample;
    std::vector<double> m_out;
    size_t m_slot = 0;
    double m_energy = 0.0;
};

double floorNanosecondsPerSample(const std::vector<double>& group, int harmonics)
{
    Floor floor(group, harmonics);
    constexpr size_t samples = 4 * windowSamples;
    for (size_t k = 0; k < windowSamples; ++k) // touch the ring once
        floor.append();
    const auto start = std::chrono::steady_clock::now();
    for (size_t k = 0; k < samples; ++k) {
        floor.append();
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / samples;
}

void reportAgainstFloor(benchmark::State& state, double recordNs, const std::vector<double>& group,
                        int harmonics)
{
    const double floorNs = floorNanosecondsPerSample(group, harmonics);
    state.counters["record_ns"] = recordNs;
    state.counters["floor_ns"] = floorNs;
    state.counters["ratio"] = recordNs / floorNs; // target: at most 2 in the steady state
}

void appendSteady(benchmark::State& state)
{
    const int harmonics = static_cast<int>(state.range(0));
    const std::vector<double> group = sampleGroup(harmonics);
    FrequencyRecord record(13.56, harmonics, 3);
    // Two full cycles: every series has reached the capacity it keeps.
    for (size_t k = 0; k < 3 * windowSamples; ++k) {
        record.appendSample(group.data(), 0.001);
        if (record.sampleCount() == 2 * windowSamples)
            dropOldestHalf(record);
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        record.appendSample(group.data(), 0.001);
        if (record.sampleCount() == 2 * windowSamples)
            dropOldestHalf(record);
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    state.SetItemsProcessed(state.iterations());
    reportAgainstFloor(state, elapsed.count() / static_cast<double>(state.iterations()), group, harmonics);
}

void appendGrowth(benchmark::State& state)
{
    const int harmonics = static_cast<int>(state.range(0));
    const std::vector<double> group = sampleGroup(harmonics);
    std::chrono::duration<double, std::nano> elapsed{0};
    for (auto _ : state) {
        state.PauseTiming();
        auto record = std::make_unique<FrequencyRecord>(13.56, harmonics, 3);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        for (size_t k = 0; k < windowSamples; ++k)
            record->appendSample(group.data(), 0.001);
        elapsed += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        record.reset();
        state.ResumeTiming();
    }
    const double samples = static_cast<double>(state.iterations()) * windowSamples;
    state.SetItemsProcessed(static_cast<int64_t>(samples));
    reportAgainstFloor(state, elapsed.count() / samples, group, harmonics);
}

} // namespace

BENCHMARK(appendSteady)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(appendGrowth)->Arg(1)->Arg(4)->Arg(16);

BENCHMARK_MAIN();
