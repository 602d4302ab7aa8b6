#pragma once

#include "scans/basescan.h"

// A pulse profile: the trigger delay sweeps from the start to the end time in
// steps, one sample per delay; the time axis is the delay in µs. Constructed
// on the GUI thread, run on the sensor's thread.
class PulseProfileScan : public BaseScan
{
    Q_OBJECT

public:
    // A step that is not above zero (it would sweep forever) is refused when
    // the scan starts (ScanConfigurationError).
    PulseProfileScan(QuvixSensor* sensor, const QString& name, double triggerLevel, double pulseTime,
                     double startTime, double endTime, double resolution, int averages, double delayOffset);

    void start() override;
    void addData(double* sample, int count, double delay, int tickDelta) override;
    void afterSample(int handle) override;
    void preempt() override {}

    double pulseTime;
    double delayOffset;

private:
    void configureSensor();
};
