// Waveforms rebuilt from harmonic magnitudes and phases.

#include "views/waveformsynthesis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

WaveformChannel channel(double nominal, double measured, std::vector<double> voltage,
                        std::vector<double> current, std::vector<double> phase = {},
                        std::vector<double> voltagePhase = {})
{
    WaveformChannel c;
    c.nominalMHz = nominal;
    c.measuredMHz = measured;
    c.voltage = std::move(voltage);
    c.current = std::move(current);
    c.phase = phase.empty() ? std::vector<double>(c.current.size(), 0.0) : std::move(phase);
    c.voltagePhase =
        voltagePhase.empty() ? std::vector<double>(c.current.size(), 0.0) : std::move(voltagePhase);
    return c;
}

double peak(const std::vector<double>& values)
{
    double highest = 0.0;
    for (double v : values)
        highest = std::max(highest, std::fabs(v));
    return highest;
}

// Index of the largest value: where a waveform peaks.
size_t peakIndex(const std::vector<double>& values)
{
    return static_cast<size_t>(std::max_element(values.begin(), values.end()) - values.begin());
}

} // namespace

TEST(WaveformSynthesis, TimeAxisCoversTwoPeriodsOfTheTimeBase)
{
    struct Case {
        std::string name;
        WaveformSamples samples;
        double firstNs;
        double lastNs;
    };
    const WaveformChannel at13 = channel(13.56, 13.56, {10.0}, {1.0});
    const WaveformChannel atZero = channel(0.0, 0.0, {10.0}, {1.0});
    const std::vector<Case> cases{
        {"13.56 MHz", WaveformSynthesis::single(at13), 0.14749, 147.49},
        {"combined over channel 0",
         WaveformSynthesis::combinedAtTime({at13, channel(2.0, 2.0, {1.0}, {1.0})}), 0.14749, 147.49},
        {"time base 0 taken as 1 MHz", WaveformSynthesis::single(atZero), 2.0, 2000.0},
        {"negative time base", WaveformSynthesis::synthesise({}, -5.0), 2.0, 2000.0},
        {"no channel", WaveformSynthesis::combinedLatest({}), 2.0, 2000.0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.samples.timeNs.size(), 1000u) << c.name;
        EXPECT_EQ(c.samples.voltage.size(), 1000u) << c.name;
        EXPECT_EQ(c.samples.current.size(), 1000u) << c.name;
        EXPECT_NEAR(c.samples.timeNs.front(), c.firstNs, 1e-4 * c.firstNs) << c.name;
        EXPECT_NEAR(c.samples.timeNs.back(), c.lastNs, 1e-4 * c.lastNs) << c.name;
        for (double v : c.samples.voltage)
            ASSERT_TRUE(std::isfinite(v)) << c.name;
    }
}

TEST(WaveformSynthesis, LoneFundamentalPeaksAtRootTwoTimesItsRmsInPhase)
{
    const WaveformSamples s = WaveformSynthesis::single(channel(13.56, 13.56, {10.0}, {2.0}));
    EXPECT_NEAR(peak(s.voltage), 14.142, 0.001);
    EXPECT_NEAR(peak(s.current), 2.828, 0.001);
    EXPECT_EQ(peakIndex(s.voltage), peakIndex(s.current));
    for (size_t i = 0; i < s.voltage.size(); ++i)
        ASSERT_NEAR(s.current[i], s.voltage[i] / 5.0, 1e-9) << i;
}

TEST(WaveformSynthesis, PhasesAndHarmonicsShapeTheSum)
{
    // 90 degrees of current phase: the current crosses zero where the voltage peaks.
    const WaveformSamples shifted = WaveformSynthesis::single(channel(1.0, 1.0, {1.0}, {1.0}, {90.0}, {0.0}));
    const size_t top = peakIndex(shifted.voltage);
    EXPECT_NEAR(shifted.current[top], 0.0, 0.01);

    // A second harmonic adds into the sum at its own frequency.
    const WaveformSamples two = WaveformSynthesis::single(channel(1.0, 1.0, {1.0, 1.0}, {0.0, 0.0}));
    const double x = 2.0 * M_PI * 1e6 * two.timeNs[99] * 1e-9;
    EXPECT_NEAR(two.voltage[99], std::sqrt(2.0) * (std::cos(x) + std::cos(2.0 * x)), 1e-9);
}

TEST(WaveformSynthesis, VariantsChooseChannelsAndFrequencies)
{
    const WaveformChannel first = channel(2.0, 2.0, {1.0}, {1.0});
    const WaveformChannel silent = channel(13.56, 0.0, {5.0}, {5.0});

    // The combined latest sum skips a channel measuring 0 MHz ...
    const WaveformSamples latest = WaveformSynthesis::combinedLatest({first, silent});
    const WaveformSamples alone = WaveformSynthesis::single(first);
    for (size_t i = 0; i < latest.voltage.size(); ++i)
        ASSERT_NEAR(latest.voltage[i], alone.voltage[i], 1e-12) << i;

    // ... while the combined sum at a time adds it at its nominal frequency.
    const WaveformSamples atTime = WaveformSynthesis::combinedAtTime({first, silent});
    EXPECT_GT(peak(atTime.voltage), peak(alone.voltage) + 5.0);

    // One channel measuring 0 is drawn at 1 MHz, over its nominal period.
    const WaveformSamples zero = WaveformSynthesis::single(channel(2.0, 0.0, {1.0}, {1.0}));
    const WaveformSamples oneMHz = WaveformSynthesis::single(channel(2.0, 1.0, {1.0}, {1.0}));
    EXPECT_EQ(zero.voltage, oneMHz.voltage);
    EXPECT_NEAR(zero.timeNs.back(), 1000.0, 1e-9);

    // An empty harmonic list adds nothing.
    const WaveformSamples withEmpty = WaveformSynthesis::combinedAtTime({channel(2.0, 2.0, {}, {}), first});
    for (size_t i = 0; i < withEmpty.voltage.size(); ++i)
        ASSERT_NEAR(withEmpty.voltage[i], alone.voltage[i], 1e-12) << i;
    EXPECT_EQ(peak(WaveformSynthesis::single(channel(2.0, 2.0, {}, {})).voltage), 0.0);
}
