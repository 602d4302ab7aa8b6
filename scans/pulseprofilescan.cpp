#include "scans/pulseprofilescan.h"

#include "scans/scanlog.h"
#include "sensors/quvixsensor.h"

#include <cmath>

PulseProfileScan::PulseProfileScan(QuvixSensor* scanSensor, const QString& name, double level, double pulse,
                                   double start, double end, double stepResolution, int accumulations,
                                   double offset)
    : BaseScan(scanSensor, name)
    , pulseTime(pulse)
    , delayOffset(offset)
{
    triggerLevel = level;
    startTime = start;
    endTime = end;
    resolution = stepResolution;
    averages = accumulations;
    typeText = QStringLiteral("Pulse Profile");
    timeAxisText = QStringLiteral("time (us)");
    passive = false;
    dataSets.front()->setDelayOffset(delayOffset);
    dataSets.front()->setDelayMode(true);
}

void PulseProfileScan::start()
{
    const double step = resolution * timeStep;
    if (!(step > 0.0) || !std::isfinite(step)) {
        refuseConfiguration(QStringLiteral("pulse profile step is not above zero"));
        return;
    }
    BaseScan::start();
    // The sensor is reconfigured between samples: the loop pauses between passes.
    if (sensor)
        sensor->pauseBetweenPasses();
    triggerHoldoff = 0.9 * pulseTime * timeStep;
    delaySteps = std::trunc(startTime * timeStep);
    stepSteps = step;
    endSteps = endTime * timeStep;
    configureSensor();
    skipCount = 1;
    started = true;
    scanLog(QStringLiteral("PULSE PROFILE; Accumulations :: %1 UseExtTrigger :: %2 Trigger Level :: %3 "
                           "Trigger Delay :: %4 Trigger Holdoff :: %5")
                .arg(QString::number(averages), QString::number(externalTrigger ? 1 : 0),
                     QString::number(triggerLevel, 'g', 6), QString::number(delaySteps, 'g', 6),
                     QString::number(triggerHoldoff, 'g', 6)));
}

void PulseProfileScan::configureSensor()
{
    if (sensor)
        sensor->configureFPGA(externalTrigger, averages, triggerLevel, static_cast<int>(delaySteps),
                              static_cast<int>(triggerHoldoff));
}

void PulseProfileScan::addData(double* sample, int count, double delay, int /*tickDelta*/)
{
    lastDelay = delay;
    if (skipCount > 0 || count == 0)
        return;
    appendLocked(*dataSets.front(), sample, count, delay / timeStep, 0);
}

void PulseProfileScan::afterSample(int /*handle*/)
{
    if (skipCount == 0) {
        if (delaySteps > endSteps)
            markFinished();
        delaySteps += stepSteps;
    }
    configureSensor();
    if (skipCount > 0)
        --skipCount;
}
