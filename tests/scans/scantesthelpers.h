#pragma once

#include "support/fakesensor.h"
#include "scans/basescan.h"

#include <vector>

namespace scantest {

constexpr int ticksPerMs = 24000;

// One sample in the layout the fake sensor's selection gives.
inline std::vector<double> sampleFor(const FakeSensor& sensor, double period = 100.0, double onTime = 20.0,
                                     double voltage = 10.0)
{
    std::vector<double> sample;
    for (int i = 0; i < sensor.frequencies().size(); ++i) {
        const int n = sensor.selectedHarmonics()[i];
        if (n <= 0)
            continue;
        sample.insert(sample.end(), {sensor.frequencies()[i], 0.0});
        for (int h = 0; h < n; ++h)
            sample.insert(sample.end(), {voltage, 0.0, 0.5, 10.0});
    }
    sample.insert(sample.end(), {period, onTime});
    return sample;
}

// One pass of the acquisition loop: the sample carries the delay the sensor
// was configured for when it was taken.
inline void runPass(BaseScan& scan, const FakeSensor& sensor, std::vector<double> sample, int ticks)
{
    const double delay = sensor.configuredDelay;
    scan.preSample(0, delay);
    scan.addData(sample.data(), static_cast<int>(sample.size()), delay, ticks);
    scan.checkDuration();
    scan.afterSample(0);
}

// A clock the test moves by hand.
struct ManualClock {
    qint64 now = 1000;
    BaseScan::Clock function()
    {
        return [this] { return now; };
    }
};

} // namespace scantest
