#pragma once

#include "sensors/quvixsensor.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A sensor object without a library (the base constructor): it remembers
// what the scans asked of it and reports back the trigger delay it was last
// configured for, as a sensor stamps its samples.
class FakeSensor : public QuvixSensor
{
public:
    // sensorType: the type code the scan files carry (3 measures ion flux).
    FakeSensor(const QVector<double>& frequenciesMHz, const QVector<int>& selected, int sensorType = 1,
               double stepsPerMicrosecond = 1.0)
        : m_model(modelFor(sensorType))
    {
        m_serialNumber = QStringLiteral("A123");
        m_frequencies = frequenciesMHz;
        m_availableHarmonics = selected;
        m_selectedHarmonics = selected;
        m_delayStepsPerMicrosecond = stepsPerMicrosecond;
    }

    void setReportRate(int ms) override
    {
        m_reportRate = ms;
        calls << QStringLiteral("rate %1").arg(ms);
    }
    int configureFPGA(bool external, int accumulations, double level, int delay, int holdoff) override
    {
        configuredDelay = delay;
        configuredHoldoff = holdoff;
        calls << QStringLiteral("fpga %1 %2 %3 %4 %5")
                     .arg(external)
                     .arg(accumulations)
                     .arg(level)
                     .arg(delay)
                     .arg(holdoff);
        return 1;
    }
    void useExternalTrigger(bool on) override { calls << QStringLiteral("external %1").arg(on); }
    int setTriggerDelay(double d) override
    {
        calls << QStringLiteral("delay %1").arg(d);
        return 1;
    }
    void setTriggerHoldoff(int v) override { calls << QStringLiteral("holdoff %1").arg(v); }
    void setTriggerValue(int v) override { calls << QStringLiteral("value %1").arg(v); }
    int model() override { return m_model; }

    QStringList calls;
    int configuredDelay = 0;
    int configuredHoldoff = 0;

private:
    static int modelFor(int sensorType)
    {
        switch (sensorType) {
        case 1:
            return 3;
        case 2:
            return 2;
        case 3:
            return 4;
        default:
            return 1;
        }
    }
    const int m_model;
};
