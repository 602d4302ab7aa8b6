#pragma once

#include "scans/basescan.h"

#include <QVector>

// One or more trends of a pulsed signal, each sampled at its own point of the
// pulse; the sensor is reconfigured before every sample for the next trend
// in turn. Constructed on the GUI thread, run on the sensor's thread.
class PulseTrendScan : public BaseScan
{
    Q_OBJECT

public:
    // One value and one mode per trend (0 time in µs; 1, 2, 3 percent of the
    // pulse period, on time or off time). Lists of unequal or zero length are
    // refused when the scan starts (ScanConfigurationError).
    PulseTrendScan(QuvixSensor* sensor, const QString& name, const QVector<double>& trendValues,
                   double triggerLevel, double pulsePeriod, double startTime, double endTime,
                   double resolution, int averages, const QVector<int>& trendModes);

    void start() override;
    void preSample(int handle, double delay) override;
    void addData(double* sample, int count, double delay, int tickDelta) override;
    void preempt() override {}

    bool hasValidTrends() const;
    // Where trend `trend` samples the pulse now, in whole µs (0 for a trend
    // the scan does not have). Any thread: the sensor's thread moves the
    // points under the scan's mutex.
    int trendTime(int trend) const;

    QVector<double> trendValues;
    QVector<int> trendModes;
    QVector<int> trendDelays;     // µs; written under `mutex` once the scan runs
    QVector<int> trendDelaySteps; // sensor delay steps
    int trendIndex = -1;
    int pendingTicks = 0;
    double pulsePeriod;

private:
    void selectNextTrendPoint();
    double period();
    double onTime(double periodMicroseconds) const;
};
