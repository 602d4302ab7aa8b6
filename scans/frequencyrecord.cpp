#include "scans/frequencyrecord.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;
constexpr double degreesPerRadian = 57.29577951308232;
constexpr double referenceImpedance = 50.0;
constexpr double inverseSqrt2 = 0.7071067811865475;

double toRadians(double degrees)
{
    return degrees * pi / 180.0;
}

// DisplayOptionIndex 1..37 → parameter id (index 0 is voltage).
constexpr int optionParameterIds[37] = {
    Power, Frequency, Phase, Current, ForwardPower, ReflectedPower, ImpedanceComplex,
    ImpedancePolar, GammaComplex, GammaPolar, StandingWaveRatio, CurrentPolar, CurrentComplex,
    IonFlux, Harmonic, VoltageComplex,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    Energy, PulsePeriod, PulseOnTime, PulseFrequency, PulseDutyCycle,
};

constexpr int optionIndexOfParameter[parameterCount] = {
    0, 4, 3, 8, 7, 1, 5, 6, 2, 11, 14, 10, 9, 13, 12,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    15, 16, 33, 34, 35, 36, 37,
};

}  // namespace

FrequencyRecord::FrequencyRecord(double frequency, int harmonics, int type)
    : frequencyMHz(frequency > 100000.0 ? frequency / 1000000.0 : frequency)
    , harmonicCount(harmonics)
    , sensorType(type)
    , parameterNames(ParameterNames::shared())
{
    const size_t n = harmonics > 0 ? static_cast<size_t>(harmonics) : 0;
    for (HarmonicSeries* s : perHarmonicSeries())
        s->resize(n);
}

void FrequencyRecord::setIonFluxFactors(double resistance, double drop, double area)
{
    seriesResistance = resistance;
    voltageDrop = drop;
    electrodeArea = area;
}

void FrequencyRecord::appendSample(const double* group, double dt)
{
    appendSamples(group, 0, 1, &dt);
}

void FrequencyRecord::appendSamples(const double* groups, size_t stride, size_t count, const double* dts)
{
    for (size_t first = 0; first < count; first += samplesPerRun)
        appendRun(groups + first * stride, stride, std::min(samplesPerRun, count - first), dts + first);
}

// Harmonic by harmonic across the run, so that each harmonic's series are
// written in stretches; every value is computed as for a sample alone, and
// the energy adds up in sample order.
void FrequencyRecord::appendRun(const double* groups, size_t stride, size_t count, const double* dts)
{
    for (size_t k = 0; k < count; ++k) {
        double f = groups[k * stride];
        if (f > 1000.0)
            f /= 1000000.0;
        frequencies.push_back(f);
    }
    if (harmonicCount <= 0)
        return;
    // The fundamental's series take the terms its harmonic's derivation
    // computed, the very same numbers, rather than the sine, cosine and
    // products again.
    std::array<HarmonicTerms, samplesPerRun> fundamental;
    for (size_t k = 0; k < count; ++k) {
        const double* values = groups + k * stride + 2;
        fundamental[k] = appendHarmonic(0, values[0], values[1], values[2], values[3]);
    }
    for (int h = 1; h < harmonicCount; ++h) {
        for (size_t k = 0; k < count; ++k) {
            const double* values = groups + k * stride + 2 + 4 * h;
            appendHarmonic(h, values[0], values[1], values[2], values[3]);
        }
    }
    for (size_t k = 0; k < count; ++k) {
        const double* group = groups + k * stride;
        appendFundamentalDerived(group[2], group[4], fundamental[k], dts[k]);
    }
}

FrequencyRecord::HarmonicTerms FrequencyRecord::appendHarmonic(int harmonic, double v, double theta, double i,
                                                               double phi)
{
    const size_t h = static_cast<size_t>(harmonic);
    voltage[h].push_back(v);
    voltagePhase[h].push_back(theta);
    current[h].push_back(i);
    currentPhase[h].push_back(phi);

    // The fundamental's voltage is the phase reference of the whole record.
    if (h == 0) {
        voltageReal[h].push_back(v);
        voltageImaginary[h].push_back(0.0);
    } else {
        const double t = toRadians(theta);
        voltageReal[h].push_back(v * std::cos(t));
        voltageImaginary[h].push_back(v * std::sin(t));
    }

    // One sine and cosine of the phase serve the current and the impedance
    // (sin(-p) is -sin(p) to the bit).
    const double p = toRadians(phi);
    const double sinP = std::sin(p);
    const double cosP = std::cos(p);
    const double ii = i * sinP;
    const double ir = i * cosP;
    currentImaginary[h].push_back(ii);
    currentReal[h].push_back(ir);

    const double z = i == 0.0 ? 0.0 : v / i;
    impedanceMagnitude[h].push_back(z);
    impedancePhase[h].push_back(-phi);
    const double r = z * cosP;
    const double x = z * -sinP;
    impedanceReal[h].push_back(r);
    impedanceImaginary[h].push_back(x);

    double gr = 0.0;
    double gi = 0.0;
    double gm = 0.0;
    double gphase = 0.0;
    if (z != 0.0) {
        const double d = (r + referenceImpedance) * (r + referenceImpedance) + x * x;
        gr = 1.0 - 100.0 * (r + referenceImpedance) / d;
        gi = 100.0 * x / d;
        gm = std::sqrt(gr * gr + gi * gi);
        gphase = std::atan2(gi, gr) * degreesPerRadian;
    }
    gammaReal[h].push_back(gr);
    gammaImaginary[h].push_back(gi);
    gammaPhase[h].push_back(gphase);
    gammaMagnitude[h].push_back(gm);
    return {cosP, ir, ii, z};
}

void FrequencyRecord::appendFundamentalDerived(double v, double i, const HarmonicTerms& terms, double dt)
{
    const double ir = terms.currentReal;
    const double ii = terms.currentImaginary;
    const double z = terms.impedance;

    const double realPower = v * ir;
    power.push_back(realPower);
    energyTotal += dt * realPower;
    energy.push_back(energyTotal);

    const double forwardSquared = std::pow(0.5 * (v + referenceImpedance * ir), 2) + std::pow(25.0 * ii, 2);
    const double reflectedSquared = std::pow(0.5 * (v - referenceImpedance * ir), 2) + std::pow(25.0 * ii, 2);
    const double forwardWave = std::sqrt(forwardSquared);
    const double reflectedWave = std::sqrt(reflectedSquared);
    forwardPower.push_back(forwardWave * forwardWave / referenceImpedance);
    reflectedPower.push_back(reflectedWave * reflectedWave / referenceImpedance);

    double ratio = 0.0;
    if (z != 0.0) {
        const double difference = forwardWave - reflectedWave;
        // -1 stands for an infinite ratio (all power reflected).
        ratio = difference == 0.0 ? -1.0 : (forwardWave + reflectedWave) / std::abs(difference);
    }
    swr.push_back(ratio);

    if (sensorType == ionFluxSensorType)
        ionFlux.push_back(ionFluxOf(v, i, terms.cosPhase));
}

double FrequencyRecord::ionFluxOf(double v, double i, double cosPhase) const
{
    // No voltage or no electrode area means no meaningful flux; report 0
    // rather than an infinity that would poison plots, averages and files.
    if (v == 0.0 || electrodeArea == 0.0)
        return 0.0;
    return std::abs((i / electrodeArea) * (cosPhase - (seriesResistance * i + voltageDrop) / v) *
                    inverseSqrt2);
}

std::array<HarmonicSeries*, 16> FrequencyRecord::perHarmonicSeries()
{
    return {&voltage, &voltagePhase, &current, &currentPhase, &impedanceMagnitude,
            &impedanceReal, &impedanceImaginary, &impedancePhase, &currentReal,
            &currentImaginary, &voltageReal, &voltageImaginary, &gammaReal,
            &gammaImaginary, &gammaPhase, &gammaMagnitude};
}

std::vector<Series*> FrequencyRecord::allSeries()
{
    std::vector<Series*> all{&frequencies, &power, &forwardPower, &reflectedPower, &swr, &energy, &ionFlux};
    for (HarmonicSeries* s : perHarmonicSeries())
        for (Series& perHarmonic : *s)
            all.push_back(&perHarmonic);
    return all;
}

int parameterToOptionIndex(unsigned id)
{
    return id < static_cast<unsigned>(parameterCount) ? optionIndexOfParameter[id] : -1;
}

int optionToParameterId(int optionIndex)
{
    return optionIndex >= 1 && optionIndex <= 37 ? optionParameterIds[optionIndex - 1] : 0;
}
