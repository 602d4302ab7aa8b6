#pragma once

#include "scans/basescan.h"
#include "sensors/quvixsensor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// A sensor object without a library (the base constructor): a test sets its
// identity, tables and state directly, and it records every device operation
// asked of it as one line of text in `calls`. It reports back the trigger
// delay it was last configured for, as a sensor stamps its samples.
// Lives on the test's thread; nothing runs its acquisition loop, so the test
// owns the scans it hands it (through setCurrentScan or queueScan) unless
// queueScan replaces a pending one, which the base deletes as the real
// sensor does.
class FakeSensor : public QuvixSensor
{
public:
    // What a scan held at the moment it was handed to the sensor.
    struct QueuedScan {
        BaseScan* scan = nullptr;
        QString typeText;
        QString measurementName;
        bool passive = false;
        bool timed = false;
        double duration = 0.0;
        bool externalTrigger = false;
        double triggerLevel = 0.0;
        double triggerHoldoff = 0.0;
        int averages = 0;
        double timeStep = 0.0;
        double startTime = 0.0;
        double endTime = 0.0;
        double resolution = 0.0;
        double delaySteps = 0.0;
        double stepSteps = 0.0;
        double endSteps = 0.0;
        bool autosaveEnabled = false;
        QString autosaveFolder;
        QString autosavePattern;
        bool triggerRecording = false;
        const CsvColumnOptions* autosaveSettings = nullptr;
    };

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

    // --- What a test sets ---
    void setSerialNumber(const QString& serial) { m_serialNumber = serial; }
    // Without the configUpdated signal that setNickname emits.
    void setNicknameQuietly(const QString& nickname) { m_nickname = nickname; }
    // 0 USB, 1 network.
    void setConnectionKind(int kind) { m_connectionKind = kind; }
    void setAddress(const QString& address) { m_address = address; }
    void setFirmware(const QString& revision, int major, int minor)
    {
        m_firmwareRevision = revision;
        m_firmwareMajor = major;
        m_firmwareMinor = minor;
    }
    void setFpgaRevision(const QString& revision) { m_fpgaRevision = revision; }
    void setModel(int model) { m_model = model; }
    void setFrequencies(const QVector<double>& frequenciesMHz) { m_frequencies = frequenciesMHz; }
    void setMultiFrequency(bool multi) { m_multiFrequency = multi; }
    void setAvailableHarmonics(const QVector<int>& available) { m_availableHarmonics = available; }
    // Without the library calls that setSelectedHarmonics makes.
    void setSelectionDirectly(const QVector<int>& selected) { m_selectedHarmonics = selected; }
    void setLockMode(int mode) { m_voltageLock = mode; }
    void setCapabilities(bool pulse, bool vi)
    {
        m_hasPulse = pulse;
        m_hasVi = vi;
    }
    void setConnected(bool connected) { m_running = connected; }
    void setLastPeak(double peak) { m_lastPeak = peak; }
    // Takes the queued scan off the sensor, as its loop would on starting
    // it; the caller owns it from then on.
    BaseScan* takePendingScan()
    {
        BaseScan* scan = m_pendingScan;
        m_pendingScan = nullptr;
        return scan;
    }
    // The scan the loop is running; the test keeps owning it.
    void setCurrentScan(BaseScan* scan) { m_currentScan = scan; }

    // --- Device operations, recorded ---
    void setReportRate(int ms) override
    {
        m_reportRate = ms;
        calls << QStringLiteral("rate %1").arg(ms);
    }
    int reportRate() const override { return m_reportRate; }
    int setPulseMonitorMode(bool on) override
    {
        m_pulseMonitorMode = on ? 1 : 0;
        calls << QStringLiteral("pulse monitor %1").arg(on);
        return 1;
    }
    int refreshPulseMonitorMode() override
    {
        calls << QStringLiteral("refresh pulse monitor");
        return m_pulseMonitorMode;
    }
    int setPMMConfig(double thresholdPercent, int trim) override
    {
        calls << QStringLiteral("pmm %1 %2").arg(thresholdPercent).arg(trim);
        return 1;
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
    void setNumberOfAccumulations(int count) override
    {
        calls << QStringLiteral("accumulations %1").arg(count);
    }
    void resetEnergy() override { calls << QStringLiteral("reset energy"); }
    QString capabilities() override { return QString(); }
    int frequencyCountFromSensor() override { return m_frequencies.size(); }
    void frequencyDetails(int index, double* hz, int* harmonics) override
    {
        *hz = m_frequencies.value(index) * 1e6;
        *harmonics = m_availableHarmonics.value(index);
    }
    void lockOnChannel2(int mode) override { calls << QStringLiteral("lock %1").arg(mode); }
    void disableParameters() override { calls << QStringLiteral("disable parameters"); }
    void enableParameters(int frequencyIndex, int harmonics) override
    {
        calls << QStringLiteral("enable %1 %2").arg(frequencyIndex).arg(harmonics);
    }
    bool parameterReload() override
    {
        calls << QStringLiteral("reload");
        return true;
    }
    void close() override { calls << QStringLiteral("close"); }
    QString variantInfo() override { return QString(); }
    int getDataHR(double*, int* count, int*, double*, int*, int* remaining) override
    {
        *count = 0;
        *remaining = 0;
        return 0;
    }
    int model() override { return m_model; }
    bool hasLowSignalMode() override { return false; }
    int setLowSignalMode() override
    {
        calls << QStringLiteral("low signal");
        return 1;
    }
    int setNormalMode() override
    {
        calls << QStringLiteral("normal mode");
        return 1;
    }
    double delayResolution() override { return 0.0; }
    QString firmwareRevision() override { return m_firmwareRevision; }
    QString fpgaRevision() override { return m_fpgaRevision; }
    int firmwareMajor() override { return m_firmwareMajor; }
    int firmwareMinor() override { return m_firmwareMinor; }

    // Records the scan as it is at the hand-over, then queues it as the
    // sensor does (pendingScan() shows it).
    void queueScan(BaseScan* scan) override
    {
        queued.append(snapshot(scan));
        calls << QStringLiteral("queue %1").arg(scan ? scan->typeText : QStringLiteral("none"));
        QuvixSensor::queueScan(scan);
    }

    QStringList calls;
    QList<QueuedScan> queued;
    int configuredDelay = 0;
    int configuredHoldoff = 0;

private:
    static QueuedScan snapshot(BaseScan* scan)
    {
        QueuedScan s;
        s.scan = scan;
        if (!scan)
            return s;
        s.typeText = scan->typeText;
        s.measurementName = scan->measurementName;
        s.passive = scan->passive;
        s.timed = scan->timed;
        s.duration = scan->duration;
        s.externalTrigger = scan->externalTrigger;
        s.triggerLevel = scan->triggerLevel;
        s.triggerHoldoff = scan->triggerHoldoff;
        s.averages = scan->averages;
        s.timeStep = scan->timeStep;
        s.startTime = scan->startTime;
        s.endTime = scan->endTime;
        s.resolution = scan->resolution;
        s.delaySteps = scan->delaySteps;
        s.stepSteps = scan->stepSteps;
        s.endSteps = scan->endSteps;
        s.autosaveEnabled = scan->autosaveEnabled;
        s.autosaveFolder = scan->autosaveFolder;
        s.autosavePattern = scan->autosavePattern;
        s.triggerRecording = scan->triggerRecording;
        s.autosaveSettings = scan->autosaveSettings;
        return s;
    }

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

    int m_model;
    QString m_firmwareRevision = QStringLiteral("v5.0");
    QString m_fpgaRevision = QStringLiteral("1.0");
    int m_firmwareMajor = 5;
    int m_firmwareMinor = 0;
};
