#pragma once

#include "scans/cwscan.h"
#include "scans/pulseprofilescan.h"
#include "scans/pulsetrendscan.h"
#include "scans/scantesthelpers.h"
#include "support/fakesensor.h"

#include <QString>

#include <memory>
#include <thread>
#include <vector>

// Scans of every kind for a fake sensor, filled through their own addData
// with samples of known values, as the acquisition loop would fill them.
namespace scantest {

// The load every selected frequency reports: the fundamental's voltage (V),
// current (A) and the current's phase (degrees); harmonic h (0 the
// fundamental) reports voltage / (h + 1) and current / (h + 1) at the same
// phase, with a voltage phase of 10 h degrees.
struct Load {
    double voltage = 10.0;
    double current = 0.5;
    double phase = 10.0;
};

// The pulse the sensor measures: period and on time in µs.
struct Pulse {
    double period = 100.0;
    double onTime = 20.0;
};

// One sample in the layout the fake sensor's selection gives.
inline std::vector<double> sampleOf(const FakeSensor& sensor, const Load& load, const Pulse& pulse = {})
{
    std::vector<double> sample;
    for (int i = 0; i < sensor.frequencies().size(); ++i) {
        const int n = sensor.selectedHarmonics().value(i);
        if (n <= 0)
            continue;
        sample.insert(sample.end(), {sensor.frequencies()[i], 0.0});
        for (int h = 0; h < n; ++h)
            sample.insert(sample.end(),
                          {load.voltage / (h + 1), 10.0 * h, load.current / (h + 1), load.phase});
    }
    sample.insert(sample.end(), {pulse.period, pulse.onTime});
    return sample;
}

// Runs `samples` passes of the loop on the calling thread; sample k carries
// the load with its voltage raised by k * voltageStep, so every sample is
// told apart. Stops early when the scan finishes (a pulse profile's sweep).
inline int fill(BaseScan& scan, const FakeSensor& sensor, int samples, const Load& load = {},
                const Pulse& pulse = {}, double voltageStep = 0.0, int ticks = ticksPerMs)
{
    int passes = 0;
    for (; passes < samples && !scan.isFinished(); ++passes) {
        Load step = load;
        step.voltage += passes * voltageStep;
        runPass(scan, sensor, sampleOf(sensor, step, pulse), ticks);
    }
    return passes;
}

// The same passes on a second thread, as the sensor's thread feeds a scan
// while the GUI thread reads it; join() (or the destructor) waits for them.
class ScanFeeder
{
public:
    ScanFeeder(BaseScan& scan, const FakeSensor& sensor, int samples, const Load& load = {},
               const Pulse& pulse = {}, double voltageStep = 0.0)
        : m_thread([&scan, &sensor, samples, load, pulse, voltageStep] {
            fill(scan, sensor, samples, load, pulse, voltageStep);
        })
    {
    }
    ~ScanFeeder() { join(); }
    ScanFeeder(const ScanFeeder&) = delete;
    ScanFeeder& operator=(const ScanFeeder&) = delete;

    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
};

// A started CW scan at a 100 ms report rate with `samples` samples.
inline std::unique_ptr<CWScan> cwScan(FakeSensor& sensor, int samples, const Load& load = {},
                                      double voltageStep = 0.0, const QString& name = QStringLiteral("cw"))
{
    auto scan = std::make_unique<CWScan>(&sensor, name, 100);
    scan->serialNumber = sensor.serialNumber();
    scan->start();
    fill(*scan, sensor, samples, load, {}, voltageStep);
    return scan;
}

// A started pulse trend scan with one trend per value (mode 0: µs into the
// pulse) and `samples` passes.
inline std::unique_ptr<PulseTrendScan> pulseTrendScan(FakeSensor& sensor, int samples,
                                                      const QVector<double>& pointsMicroseconds = {10.0},
                                                      const Load& load = {}, const Pulse& pulse = {},
                                                      const QString& name = QStringLiteral("pulse trend"))
{
    auto scan = std::make_unique<PulseTrendScan>(&sensor, name, pointsMicroseconds, 1.0, pulse.period, 0.0,
                                                 0.0, 1.0, 1, QVector<int>(pointsMicroseconds.size(), 0));
    scan->serialNumber = sensor.serialNumber();
    scan->start();
    fill(*scan, sensor, samples, load, pulse);
    return scan;
}

// A pulse profile from startMicroseconds to endMicroseconds in steps of
// stepMicroseconds, swept to its end.
inline std::unique_ptr<PulseProfileScan>
pulseProfileScan(FakeSensor& sensor, double startMicroseconds = 0.0, double endMicroseconds = 10.0,
                 double stepMicroseconds = 2.0, const Load& load = {}, const Pulse& pulse = {},
                 const QString& name = QStringLiteral("pulse profile"))
{
    auto scan = std::make_unique<PulseProfileScan>(&sensor, name, 1.0, pulse.period, startMicroseconds,
                                                   endMicroseconds, stepMicroseconds, 8, 0.0);
    scan->serialNumber = sensor.serialNumber();
    scan->start();
    fill(*scan, sensor, 1000, load, pulse);
    return scan;
}

// A measurement scan without a sensor, as a long recording read back from
// its file: `samples` samples 10 ms apart of one 13.56 MHz record with
// `harmonics` harmonics, each value varying from sample to sample so that
// every number written is told apart.
inline std::unique_ptr<BaseScan> recordedScan(const QString& name, int samples, int harmonics)
{
    auto scan = std::make_unique<BaseScan>(nullptr, name);
    scan->passive = false;
    scan->typeText = QStringLiteral("Continuous Wave");
    scan->dataSets.front()->addRecord(13.56, harmonics);
    std::vector<double> sample{13.56e6, 0.0};
    for (int h = 0; h < harmonics; ++h)
        sample.insert(sample.end(), {0.0, 0.0, 0.0, 0.0});
    sample.insert(sample.end(), {100.0, 25.0});
    for (int i = 0; i < samples; ++i) {
        for (int h = 0; h < harmonics; ++h) {
            double* v = &sample[2 + 4 * h];
            v[0] = 100.0 / (h + 1) + 1e-3 * (i % 1000);
            v[1] = 10.0 * h + 1e-4 * (i % 777);
            v[2] = 2.0 / (h + 1) + 1e-5 * (i % 313);
            v[3] = 15.0 + h + 1e-3 * (i % 97);
        }
        scan->addData(sample.data(), static_cast<int>(sample.size()), 0.0, i == 0 ? 0 : 10 * ticksPerMs);
    }
    return scan;
}

} // namespace scantest
