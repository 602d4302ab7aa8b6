#include "scans/pulsetrendscan.h"

#include "scans/scanlog.h"
#include "sensors/quvixsensor.h"

#include <cmath>

PulseTrendScan::PulseTrendScan(QuvixSensor* scanSensor, const QString& name, const QVector<double>& values,
                               double level, double period, double start, double end, double stepResolution,
                               int accumulations, const QVector<int>& modes)
    : BaseScan(scanSensor, name)
    , trendValues(values)
    , trendModes(modes)
    , pulsePeriod(period)
{
    triggerLevel = level;
    startTime = start;
    endTime = end;
    resolution = stepResolution;
    averages = accumulations;
    typeText = QStringLiteral("Pulse Trend");
    timeAxisText = QStringLiteral("time (s)");
    passive = false;
    if (!hasValidTrends())
        return; // keeps the one plain trend; start() refuses the scan
    dataSets.clear();
    for (int i = 0; i < trendValues.size(); ++i)
        dataSets.push_back(makeDataSet(trendValues[i], trendModes[i]));
    trendCount = trendValues.size();
    trendDelays.fill(0, trendCount);
    trendDelaySteps.fill(0, trendCount);
}

bool PulseTrendScan::hasValidTrends() const
{
    return !trendValues.isEmpty() && trendValues.size() == trendModes.size();
}

int PulseTrendScan::trendTime(int trend) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return trendDelays.value(trend);
}

void PulseTrendScan::start()
{
    if (!hasValidTrends()) {
        refuseConfiguration(QStringLiteral("pulse trend values and modes do not pair up"));
        return;
    }
    BaseScan::start();
    // The sensor is reconfigured between samples: the loop pauses between passes.
    if (sensor)
        sensor->pauseBetweenPasses();
    stepSteps = std::trunc(resolution * timeStep);
    endSteps = std::trunc(endTime * timeStep);
    skipCount = trendCount;
    trendIndex = -1;
    preSample(0, 0.0);
    scanLog(QStringLiteral("PULSE Trend; Accumulations :: %1 UseExtTrigger :: %2 Trigger Level :: %3 "
                           "Trigger Delay :: %4 Trigger Holdoff :: %5")
                .arg(QString::number(averages), QString::number(externalTrigger ? 1 : 0),
                     QString::number(triggerLevel, 'g', 6), QString::number(delaySteps, 'g', 6),
                     QString::number(triggerHoldoff, 'g', 6)));
}

void PulseTrendScan::preSample(int /*handle*/, double /*delay*/)
{
    if (!hasValidTrends())
        return;
    selectNextTrendPoint();
    if (sensor)
        sensor->configureFPGA(externalTrigger, averages, triggerLevel, static_cast<int>(delaySteps),
                              static_cast<int>(triggerHoldoff));
}

void PulseTrendScan::selectNextTrendPoint()
{
    trendIndex = trendIndex + 1 >= trendValues.size() ? 0 : trendIndex + 1;
    const double value = trendValues[trendIndex];
    const int mode = trendModes[trendIndex];
    double p = pulsePeriod;
    double d = value;
    if (!dataSets.front()->records.empty()) {
        switch (mode) {
        case 1:
            p = period();
            d = p * value / 100.0;
            break;
        case 2:
            p = period();
            d = onTime(p) * value / 100.0;
            break;
        case 3: {
            p = period();
            const double on = onTime(p);
            d = on + (p - on) * value / 100.0;
            break;
        }
        default:
            break;
        }
    }
    triggerHoldoff = 0.9 * p * timeStep;
    delaySteps = d * timeStep;
    {
        // The tab shows the points while the scan runs.
        std::lock_guard<std::mutex> lock(mutex);
        trendDelays[trendIndex] = static_cast<int>(d);
    }
    trendDelaySteps[trendIndex] = static_cast<int>(delaySteps);
}

// The newest measured pulse period (µs, rounded), or the last known one while
// the sensor reports none. The first record stands for the sensor.
double PulseTrendScan::period()
{
    const double v = std::round(latestValue(PulsePeriod, 0, 0, 0));
    if (v > 0.0)
        pulsePeriod = v;
    return pulsePeriod;
}

double PulseTrendScan::onTime(double periodMicroseconds) const
{
    const double v = std::round(latestValue(PulseOnTime, 0, 0, 0));
    return v <= 0.0 ? periodMicroseconds * 0.5 : v;
}

void PulseTrendScan::addData(double* sample, int count, double delay, int tickDelta)
{
    lastDelay = std::round(delay / timeStep);
    if (skipCount > 0) {
        --skipCount;
        pendingTicks = tickDelta;
        return;
    }
    if (count == 0)
        return;
    size_t target = 0;
    for (int i = 0; i < trendDelaySteps.size() && static_cast<size_t>(i) < dataSets.size(); ++i) {
        if (trendDelaySteps[i] == delay) {
            target = static_cast<size_t>(i);
            break;
        }
    }
    const qint64 ticks = static_cast<qint64>(tickDelta) + pendingTicks + reconnectOffset.exchange(0);
    appendLocked(*dataSets[target], sample, count, lastDelay, ticks);
    pendingTicks = tickDelta;
}
