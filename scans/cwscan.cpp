#include "scans/cwscan.h"

#include "sensors/quvixsensor.h"

CWScan::CWScan(QuvixSensor* scanSensor, const QString& name, int rate)
    : BaseScan(scanSensor, name)
{
    averages = rate;
    externalTrigger = false;
    skipCount = rate == 0 ? 3 : 0;
    typeText = QStringLiteral("Continuous Wave");
    timeAxisText = QStringLiteral("time (s)");
    passive = false;
}

void CWScan::start()
{
    BaseScan::start();
    if (sensor) {
        sensor->setReportRate(averages);
        sensor->useExternalTrigger(externalTrigger);
    }
}

void CWScan::addData(double* sample, int count, double delay, int tickDelta)
{
    lastDelay = delay;
    if (skipCount > 0) {
        --skipCount;
        return;
    }
    BaseScan::addData(sample, count, delay, tickDelta);
}
