#include "scans/frequencyrecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

namespace {

constexpr double tolerance = 1e-9;

struct HarmonicInput {
    double v;
    double theta;
    double i;
    double phi;
};

// The sample group a sensor delivers for one frequency.
std::vector<double> sampleGroup(double frequency, const std::vector<HarmonicInput>& harmonics)
{
    std::vector<double> group{frequency, -1.0};
    for (const HarmonicInput& h : harmonics)
        group.insert(group.end(), {h.v, h.theta, h.i, h.phi});
    return group;
}

FrequencyRecord recordWith(const std::vector<HarmonicInput>& harmonics, int sensorType = 1, double dt = 0.1)
{
    FrequencyRecord record(13.56, static_cast<int>(harmonics.size()), sensorType);
    const std::vector<double> group = sampleGroup(13.56, harmonics);
    record.appendSample(group.data(), dt);
    return record;
}

}  // namespace

struct FundamentalCase {
    const char* name;
    HarmonicInput input;
    double impedance, resistance, reactance, gammaReal, gammaImag, gammaPhase, power, forward, reflected,
        swr, impedancePhase, currentImag;
};

class FundamentalDerivedValues : public ::testing::TestWithParam<FundamentalCase> {};

TEST_P(FundamentalDerivedValues, MatchTheWorkedExample)
{
    const FundamentalCase& c = GetParam();
    const FrequencyRecord r = recordWith({c.input});
    EXPECT_NEAR(r.impedanceMagnitude[0][0], c.impedance, tolerance);
    EXPECT_NEAR(r.impedanceReal[0][0], c.resistance, tolerance);
    EXPECT_NEAR(r.impedanceImaginary[0][0], c.reactance, tolerance);
    EXPECT_NEAR(r.impedancePhase[0][0], c.impedancePhase, tolerance);
    EXPECT_NEAR(r.gammaReal[0][0], c.gammaReal, tolerance);
    EXPECT_NEAR(r.gammaImaginary[0][0], c.gammaImag, tolerance);
    EXPECT_NEAR(r.gammaPhase[0][0], c.gammaPhase, tolerance);
    EXPECT_NEAR(r.power[0], c.power, tolerance);
    EXPECT_NEAR(r.forwardPower[0], c.forward, tolerance);
    EXPECT_NEAR(r.reflectedPower[0], c.reflected, tolerance);
    if (!std::isnan(c.swr)) {
        EXPECT_NEAR(r.swr[0], c.swr, tolerance);
    }
    EXPECT_NEAR(r.currentImaginary[0][0], c.currentImag, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FundamentalDerivedValues,
    ::testing::Values(
        FundamentalCase{"Matched50Ohm", {100, 0, 2, 0}, 50, 50, 0, 0, 0, 0, 200, 200, 0, 1, 0, 0},
        FundamentalCase{"Load100Ohm", {100, 0, 1, 0}, 100, 100, 0, 1.0 / 3.0, 0, 0, 100, 112.5, 12.5, 2, 0, 0},
        // φ = 90°: a pure reactance; R and P vanish up to rounding, so the
        // SWR is a huge number rather than exactly the infinite-ratio -1.
        FundamentalCase{"QuarterPhase", {100, 0, 2, 90}, 50, 0, -50, 0, -1, -90, 0, 100, 100, std::nan(""), -90, 2},
        // No current: impedance, gamma and SWR are all reported as 0.
        FundamentalCase{"NoCurrent", {100, 0, 0, 0}, 0, 0, 0, 0, 0, 0, 0, 50, 50, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrequencyRecord, FundamentalIsThePhaseReferenceButHarmonicsKeepTheirVoltagePhase)
{
    const FrequencyRecord r = recordWith({{100, 30, 1, 0}, {10, 30, 1, 0}});
    EXPECT_EQ(r.voltageImaginary[0][0], 0.0);
    EXPECT_EQ(r.voltageReal[0][0], 100.0);
    EXPECT_NEAR(r.voltageImaginary[1][0], 10 * std::sin(30 * M_PI / 180), tolerance);
    EXPECT_NEAR(r.voltageReal[1][0], 10 * std::cos(30 * M_PI / 180), tolerance);
    EXPECT_EQ(r.voltagePhase[1][0], 30.0);
    EXPECT_EQ(r.power.size(), 1u) << "harmonics add nothing to the fundamental series";
}

TEST(FrequencyRecord, FrequencyUnitThresholds)
{
    struct Case {
        double constructed;
        double sample;
        double expectedRecord;
        double expectedSample;
    };
    const Case cases[] = {
        {13.56, 13560000, 13.56, 13.56},
        {13560000, 13.56, 13.56, 13.56},
        {50000, 50000, 50000, 0.05},  // the record threshold is 100000, the sample one 1000
        {1000, 1000, 1000, 1000},
    };
    for (const Case& c : cases) {
        FrequencyRecord r(c.constructed, 1, 1);
        const std::vector<double> group = sampleGroup(c.sample, {{1, 0, 1, 0}});
        r.appendSample(group.data(), 0.0);
        EXPECT_DOUBLE_EQ(r.frequencyMHz, c.expectedRecord) << c.constructed;
        EXPECT_DOUBLE_EQ(r.frequencies[0], c.expectedSample) << c.sample;
    }
}

TEST(FrequencyRecord, EnergyAccumulatesAndRestartsAfterReset)
{
    FrequencyRecord r(13.56, 1, 1);
    const std::vector<double> tenWatts = sampleGroup(13.56, {{10, 0, 1, 0}});
    for (int k = 0; k < 3; ++k)
        r.appendSample(tenWatts.data(), 0.5);
    EXPECT_EQ(r.energy, (Series{5, 10, 15}));
    EXPECT_DOUBLE_EQ(r.energyTotal, 15);
    r.energyTotal = 0.0;
    r.appendSample(tenWatts.data(), 0.5);
    EXPECT_DOUBLE_EQ(r.energy.back(), 5);
}

TEST(FrequencyRecord, IonFluxOnlyForIonFluxSensors)
{
    const HarmonicInput h{200, 0, 2, 60};
    const FrequencyRecord plain = recordWith({h}, 1);
    EXPECT_TRUE(plain.ionFlux.empty());

    const FrequencyRecord withDefaults = recordWith({h}, 3);
    const double p = 60 * M_PI / 180;
    ASSERT_EQ(withDefaults.ionFlux.size(), 1u);
    EXPECT_NEAR(withDefaults.ionFlux[0], std::abs(2 * (std::cos(p) - 3.0 / 200) * 0.7071067811865475), tolerance);

    FrequencyRecord factored(13.56, 1, 3);
    factored.setIonFluxFactors(5, 20, 0.5);
    const std::vector<double> group = sampleGroup(13.56, {h});
    factored.appendSample(group.data(), 0.1);
    EXPECT_NEAR(factored.ionFlux[0], std::abs(4 * (std::cos(p) - 30.0 / 200) * 0.7071067811865475), tolerance);
}

TEST(FrequencyRecord, IonFluxWithoutVoltageOrElectrodeAreaIsZeroNotInfinite)
{
    const FrequencyRecord noVoltage = recordWith({{0, 0, 2, 0}}, 3);
    EXPECT_EQ(noVoltage.ionFlux[0], 0.0);

    FrequencyRecord noArea(13.56, 1, 3);
    noArea.setIonFluxFactors(1, 1, 0);
    const std::vector<double> group = sampleGroup(13.56, {{100, 0, 2, 0}});
    noArea.appendSample(group.data(), 0.1);
    EXPECT_EQ(noArea.ionFlux[0], 0.0);
}

TEST(FrequencyRecord, NaNPropagatesIntoDerivedValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FrequencyRecord r = recordWith({{100, 0, nan, 0}});
    EXPECT_TRUE(std::isnan(r.impedanceMagnitude[0][0]));
    EXPECT_TRUE(std::isnan(r.gammaReal[0][0]));
    EXPECT_TRUE(std::isnan(r.power[0]));
}

TEST(FrequencyRecord, ZeroHarmonicsRecordsOnlyTheFrequency)
{
    FrequencyRecord r(13.56, 0, 3);
    const double group[] = {13.56, 0};
    r.appendSample(group, 0.1);
    r.appendSample(group, 0.1);
    EXPECT_EQ(r.frequencies.size(), 2u);
    for (const Series* s : r.allSeries()) {
        if (s != &r.frequencies) {
            EXPECT_TRUE(s->empty());
        }
    }
}

TEST(FrequencyRecord, AllSeriesStayAlignedAcrossHarmonics)
{
    FrequencyRecord r(2.0, 4, 3);
    const std::vector<double> group = sampleGroup(2.0, {{100, 0, 1, 10}, {5, 20, 0.1, 30}, {3, 40, 0.2, 50}, {1, 60, 0.3, 70}});
    for (int k = 0; k < 7; ++k)
        r.appendSample(group.data(), 0.01);
    const std::vector<Series*> all = r.allSeries();
    EXPECT_EQ(all.size(), 7u + 16u * 4u);
    for (const Series* s : all)
        EXPECT_EQ(s->size(), 7u);
}

// Independent cross-check against the textbook transmission-line formulas:
// for a load Z driven with V (phase reference) the current is V / Z.
class LoadCrossCheck : public ::testing::TestWithParam<std::complex<double>> {};

TEST_P(LoadCrossCheck, MatchesTextbookFormulas)
{
    const std::complex<double> z = GetParam();
    const double v = 120.0;
    const std::complex<double> current = v / z;
    const double phi = std::arg(current) * 180.0 / M_PI;
    const FrequencyRecord r = recordWith({{v, 0, std::abs(current), phi}});

    const std::complex<double> gamma = (z - 50.0) / (z + 50.0);
    const double swr = (1 + std::abs(gamma)) / (1 - std::abs(gamma));
    const double forward = std::norm(v + 50.0 * current) / 200.0;
    const double reflected = std::norm(v - 50.0 * current) / 200.0;
    const double power = (v * std::conj(current)).real();

    auto expectRelative = [](double actual, double expected, const char* what) {
        EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::abs(expected))) << what;
    };
    expectRelative(r.impedanceMagnitude[0][0], std::abs(z), "|Z|");
    expectRelative(r.impedanceReal[0][0], z.real(), "R");
    expectRelative(r.impedanceImaginary[0][0], z.imag(), "X");
    expectRelative(r.gammaReal[0][0], gamma.real(), "gamma real");
    expectRelative(r.gammaImaginary[0][0], gamma.imag(), "gamma imaginary");
    expectRelative(r.gammaMagnitude[0][0], std::abs(gamma), "|gamma|");
    expectRelative(r.swr[0], swr, "SWR");
    expectRelative(r.forwardPower[0], forward, "forward power");
    expectRelative(r.reflectedPower[0], reflected, "reflected power");
    expectRelative(r.power[0], power, "power");
    expectRelative(r.forwardPower[0] - r.reflectedPower[0], power, "fwd - ref = delivered");
}

INSTANTIATE_TEST_SUITE_P(Loads, LoadCrossCheck,
                         ::testing::Values(std::complex<double>(50, 0), std::complex<double>(75, 0),
                                           std::complex<double>(25, 0), std::complex<double>(50, 50),
                                           std::complex<double>(10, -30), std::complex<double>(1e6, 0),
                                           std::complex<double>(1e-3, 0)));
