#pragma once

#include "scans/basescan.h"

// A continuous-wave time trend at a fixed sensor report rate. Constructed on
// the GUI thread, run on the sensor's thread (see BaseScan).
class CWScan : public BaseScan
{
    Q_OBJECT

public:
    // rate: the sensor report rate in ms; 0 is the fastest, whose first three
    // samples after the start are not kept.
    CWScan(QuvixSensor* sensor, const QString& name, int rate);

    void start() override;
    void addData(double* sample, int count, double delay, int tickDelta) override;
    void preempt() override {}
};
