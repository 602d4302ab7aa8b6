#pragma once

#include <vector>

// What one channel (one fundamental frequency) of a scan gives the waveform
// at one sample: its frequencies and per-harmonic lists, the fundamental
// first. Magnitudes are RMS; phases in degrees.
struct WaveformChannel {
    double nominalMHz = 0.0;
    double measuredMHz = 0.0;
    std::vector<double> voltage;
    std::vector<double> current;
    std::vector<double> phase; // between voltage and current
    std::vector<double> voltagePhase;
};

// Instantaneous values over time, one entry per point.
struct WaveformSamples {
    std::vector<double> timeNs;
    std::vector<double> voltage;
    std::vector<double> current;
};

// Voltage and current waveforms rebuilt from harmonic magnitudes and phases,
// over two periods of a time base frequency. Pure functions.
class WaveformSynthesis
{
public:
    static constexpr int pointCount = 1000;

    // One channel at its measured frequency (0 drawn as 1 MHz), over two
    // periods of its nominal frequency.
    static WaveformSamples single(const WaveformChannel& channel);
    // Every channel at its nominal frequency, over channel 0's period.
    static WaveformSamples combinedAtTime(const std::vector<WaveformChannel>& channels);
    // Every channel with a measured frequency at that frequency (a channel
    // measuring 0 is left out), over channel 0's period.
    static WaveformSamples combinedLatest(const std::vector<WaveformChannel>& channels);

    struct Term {
        const WaveformChannel* channel;
        double frequencyMHz;
    };
    // The sum of the terms' harmonics at pointCount times; a time base of 0
    // or less (a file may hold one) is taken as 1 MHz.
    static WaveformSamples synthesise(const std::vector<Term>& terms, double timeBaseMHz);
};
