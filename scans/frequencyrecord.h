#pragma once

#include "scans/parameternames.h"

#include <array>
#include <vector>

// One time series of a record. Appended to on the acquisition thread while
// views read it on the GUI thread: readers hold the owning scan's mutex, or
// work on a copy taken under it (the record itself has no lock).
using Series = std::vector<double>;
// One series per harmonic, index 0 being the fundamental.
using HarmonicSeries = std::vector<Series>;

// Every measured and derived series of one sensor frequency within one trend.
// The record only ever appends; the trend that owns it trims the oldest
// samples of all records together, so all series stay aligned.
class FrequencyRecord
{
public:
    // frequency above 100000 is taken as Hz, otherwise as MHz.
    FrequencyRecord(double frequency, int harmonics, int sensorType);

    // Reads one sample group of 2 + 4 * harmonicCount doubles:
    // frequency, the sensor's own power (unused), then V, θ, I, φ per harmonic.
    // dt is the time since the previous sample in seconds (energy integration).
    void appendSample(const double* group, double dt);
    // Appends `count` sample groups as appendSample would one after the
    // other: group k starts at groups + k * stride and dts[k] is its dt.
    // Many at once are much faster: each series is then written in runs of
    // samples instead of one value in every series per sample.
    void appendSamples(const double* groups, size_t stride, size_t count, const double* dts);

    // Ion-flux factors for samples appended from now on.
    void setIonFluxFactors(double seriesResistance, double voltageDrop, double electrodeArea);

    // Number of samples held.
    size_t sampleCount() const { return frequencies.size(); }

    // Every series of the record, fundamental and per-harmonic alike, for
    // operations that must keep them aligned (trimming, clearing).
    std::vector<Series*> allSeries();

    double frequencyMHz;
    int harmonicCount;
    int sensorType;
    double energyTotal = 0.0;
    double seriesResistance = 1.0;
    double voltageDrop = 1.0;
    double electrodeArea = 1.0;
    const ParameterNames& parameterNames;

    Series frequencies;

    HarmonicSeries voltage;
    HarmonicSeries voltagePhase;
    HarmonicSeries current;
    HarmonicSeries currentPhase;
    HarmonicSeries impedanceMagnitude;
    HarmonicSeries impedanceReal;
    HarmonicSeries impedanceImaginary;
    HarmonicSeries impedancePhase;
    HarmonicSeries currentReal;
    HarmonicSeries currentImaginary;
    HarmonicSeries voltageReal;
    HarmonicSeries voltageImaginary;
    HarmonicSeries gammaReal;
    HarmonicSeries gammaImaginary;
    HarmonicSeries gammaPhase;
    HarmonicSeries gammaMagnitude;

    Series power;
    Series forwardPower;
    Series reflectedPower;
    Series swr;
    Series energy;
    Series ionFlux;  // only for sensor type 3

    static constexpr int ionFluxSensorType = 3;

private:
    // What a harmonic's derivation computed that the fundamental's own
    // series are derived from as well.
    struct HarmonicTerms {
        double cosPhase;
        double currentReal;
        double currentImaginary;
        double impedance;
    };

    // Samples derived together: each series' run of them stays in the cache
    // and the address translations of all series in the processor's buffer.
    static constexpr size_t samplesPerRun = 256;

    std::array<HarmonicSeries*, 16> perHarmonicSeries();
    void appendRun(const double* groups, size_t stride, size_t count, const double* dts);
    HarmonicTerms appendHarmonic(int h, double v, double theta, double i, double phi);
    void appendFundamentalDerived(double v, double i, const HarmonicTerms& terms, double dt);
    double ionFluxOf(double v, double i, double cosPhase) const;
};

// DisplayOptionIndex of the CSV column flag of a parameter id; -1 for ids
// without a column of their own (the single components) and outside 0..37.
int parameterToOptionIndex(unsigned id);
// Measured-parameter id of a DisplayOptionIndex; 0 outside 1..37.
int optionToParameterId(int optionIndex);
