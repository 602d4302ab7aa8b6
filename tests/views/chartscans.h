#pragma once

#include "scans/basescan.h"
#include "scans/pulseprofilescan.h"
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

// One sample of a pulse profile: its time (µs of trigger delay, negative
// before the trigger), the fundamental voltage (the current is a tenth of
// it), the second harmonic's share of the fundamental, and the frequency the
// sensor measured.
struct ProfilePoint {
    double timeUs;
    double voltage;
    double secondShare;
    double measuredMHz;
};

// A pulse profile of one frequency with two harmonics holding the points in
// order, as a sensor's delay sweep records them.
inline ChartScan profileScan(const QString& name, double nominalMHz, const std::vector<ProfilePoint>& points)
{
    ChartScan made;
    made.sensor = std::make_unique<FakeSensor>(QVector<double>{nominalMHz}, QVector<int>{2});
    auto profile = std::make_unique<PulseProfileScan>(
        made.sensor.get(), name, 1.0, 100.0, points.front().timeUs, points.back().timeUs, 1.0, 1, 0.0);
    profile->nickname = name;
    for (const ProfilePoint& p : points) {
        const double current = p.voltage / 10.0;
        std::vector<double> values{p.measuredMHz, 0.0};
        for (double share : {1.0, p.secondShare})
            values.insert(values.end(), {p.voltage * share, 0.0, current * share, 0.0});
        values.insert(values.end(), {100.0, 20.0}); // pulse period and on-time
        profile->addData(values.data(), static_cast<int>(values.size()), p.timeUs * profile->timeStep, 0);
    }
    made.scan = std::move(profile);
    return made;
}

} // namespace charttest
