#pragma once

#include "sensors/quvixsensor.h"

#include <atomic>

// A sensor reached over the network: every device operation goes to the
// network sensor library; the acquisition loop is the base class's. Created
// on the GUI thread from a handle that library opened, then run like any
// sensor on its own thread. The handle is closed exactly once, by close()
// or else by the destructor: a closed handle number may already belong to
// another network sensor.
class quvixSensorWeb : public QuvixSensor
{
    Q_OBJECT

public:
    quvixSensorWeb(int handle, const QString& nickname, const QString& serialNumber, const QString& address);
    ~quvixSensorWeb() override;

    void setReportRate(int milliseconds) override;
    int reportRate() const override;
    int setPulseMonitorMode(bool on) override;
    int refreshPulseMonitorMode() override;
    int setPMMConfig(double thresholdPercent, int trim) override;
    int configureFPGA(bool externalTrigger, int accumulations, double levelPercent, int delaySteps,
                      int holdoffSteps) override;
    void useExternalTrigger(bool on) override;
    int setTriggerDelay(double delaySteps) override;
    void setTriggerHoldoff(int holdoffSteps) override;
    void setTriggerValue(int level) override;
    void setNumberOfAccumulations(int count) override;
    void resetEnergy() override;
    QString capabilities() override;
    int frequencyCountFromSensor() override;
    void frequencyDetails(int index, double* hz, int* harmonics) override;
    void lockOnChannel2(int mode) override;
    void disableParameters() override;
    void enableParameters(int frequencyIndex, int harmonics) override;
    bool parameterReload() override;
    void close() override;
    void endLoop() override;
    QString variantInfo() override;
    int getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                  int* remaining) override;
    int model() override;
    bool hasLowSignalMode() override;
    int setLowSignalMode() override;
    int setNormalMode() override;
    double delayResolution() override;
    QString firmwareRevision() override;
    QString fpgaRevision() override;
    int firmwareMajor() override;
    int firmwareMinor() override;
    bool isConnected() override;

protected:
    bool canReadData() const override;
    // The library guards each connection with a lock of its own.
    bool libraryGuardsReads() const override { return true; }

private:
    // Closes the library handle unless that was done already.
    void closeHandle();

    std::atomic<bool> m_handleClosed{false};
};
