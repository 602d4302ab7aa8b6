#include "views/waveformsynthesis.h"

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double fallbackMHz = 1.0;

double entry(const std::vector<double>& list, size_t i)
{
    return i < list.size() ? list[i] : 0.0;
}

double channel0Nominal(const std::vector<WaveformChannel>& channels)
{
    return channels.empty() ? fallbackMHz : channels.front().nominalMHz;
}

} // namespace

WaveformSamples WaveformSynthesis::synthesise(const std::vector<Term>& terms, double timeBaseMHz)
{
    if (!(timeBaseMHz > 0.0))
        timeBaseMHz = fallbackMHz;
    const double step = 2.0 * (1e-6 / timeBaseMHz) / pointCount;

    WaveformSamples samples;
    samples.timeNs.reserve(pointCount);
    samples.voltage.reserve(pointCount);
    samples.current.reserve(pointCount);
    for (int i = 1; i <= pointCount; ++i) {
        const double t = step * i;
        double voltage = 0.0;
        double current = 0.0;
        for (const Term& term : terms) {
            const WaveformChannel& c = *term.channel;
            const double hertz = term.frequencyMHz * 1e6;
            for (size_t h = 1; h <= c.current.size(); ++h) {
                const double x = 2.0 * pi * static_cast<double>(h) * hertz * t;
                const double voltagePhase = entry(c.voltagePhase, h - 1);
                voltage += entry(c.voltage, h - 1) * std::cos(x + voltagePhase * pi / 180.0);
                current += entry(c.current, h - 1) *
                           std::cos(x + (voltagePhase + entry(c.phase, h - 1)) * pi / 180.0);
            }
        }
        samples.timeNs.push_back(t * 1e9);
        samples.voltage.push_back(std::sqrt(2.0) * voltage);
        samples.current.push_back(std::sqrt(2.0) * current);
    }
    return samples;
}

WaveformSamples WaveformSynthesis::single(const WaveformChannel& channel)
{
    const double frequency = channel.measuredMHz == 0.0 ? fallbackMHz : channel.measuredMHz;
    return synthesise({Term{&channel, frequency}}, channel.nominalMHz);
}

WaveformSamples WaveformSynthesis::combinedAtTime(const std::vector<WaveformChannel>& channels)
{
    std::vector<Term> terms;
    for (const WaveformChannel& channel : channels)
        terms.push_back(Term{&channel, channel.nominalMHz});
    return synthesise(terms, channel0Nominal(channels));
}

WaveformSamples WaveformSynthesis::combinedLatest(const std::vector<WaveformChannel>& channels)
{
    std::vector<Term> terms;
    for (const WaveformChannel& channel : channels)
        if (channel.measuredMHz != 0.0)
            terms.push_back(Term{&channel, channel.measuredMHz});
    return synthesise(terms, channel0Nominal(channels));
}
