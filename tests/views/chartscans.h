#pragma once

#include "scans/basescan.h"
#include "support/fakesensor.h"

#include <memory>
#include <vector>

namespace charttest {

// One harmonic of one channel in one sample: magnitudes (RMS) and phases.
struct Harmonic {
    double voltage;
    double current;
    double phase = 0.0;        // between voltage and current, degrees
    double voltagePhase = 0.0; // degrees
};
using ChannelSample = std::vector<Harmonic>; // the fundamental first
using Sample = std::vector<ChannelSample>;   // one entry per frequency
struct ChartScan {
    std::unique_ptr<FakeSensor> sensor;
    std::unique_ptr<BaseScan> scan;
};

// A scan named after name of a fake sensor with the given frequencies (MHz), each with as many
// harmonics as the first sample gives it, holding the samples 1 ms apart
// (the first at 0 s). measured[f] replaces the frequency a sample reports.
inline ChartScan chartScan(const QString& name, const QVector<double>& frequencies,
                           const std::vector<Sample>& samples, const std::vector<double>& measured = {},
                           const QString& serial = QStringLiteral("A123"))
{
    QVector<int> harmonics;
    for (int f = 0; f < frequencies.size(); ++f)
        harmonics << static_cast<int>(samples.front()[static_cast<size_t>(f)].size());
    ChartScan made;
    made.sensor = std::make_unique<FakeSensor>(frequencies, harmonics);
    made.scan = std::make_unique<BaseScan>(made.sensor.get(), name);
    made.scan->serialNumber = serial;
    made.scan->nickname = name; // what tells scans apart in the selectors
    for (size_t k = 0; k < samples.size(); ++k) {
        std::vector<double> values;
        for (size_t f = 0; f < samples[k].size(); ++f) {
            const double reported = f < measured.size() ? measured[f] : frequencies[static_cast<int>(f)];
            values.insert(values.end(), {reported, 0.0});
            for (const Harmonic& h : samples[k][f])
                values.insert(values.end(), {h.voltage, h.voltagePhase, h.current, h.phase});
        }
        values.insert(values.end(), {100.0, 20.0});
        made.scan->addData(values.data(), static_cast<int>(values.size()), 0.0, k == 0 ? 0 : 24000);
    }
    return made;
}

} // namespace charttest
