#pragma once

#include <QDateTime>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

class BaseScan;

// One connected sensor: the program's single device interface. The virtual
// operations call the USB sensor driver library; the network sensor
// overrides them. Created on the GUI thread, later moved to the sensor's
// acquisition thread. The GUI thread calls setters and getters directly;
// m_mutex (non-recursive) is held around the data read, the whole of
// setSelectedHarmonics, the voltage lock's library call and the low-signal
// switch, and no signal is emitted while it is held. The sensor never owns
// the scans it points to.
class QuvixSensor : public QObject
{
    Q_OBJECT

public:
    // A newly opened USB sensor: reads its identity and tables from the
    // library and applies the harmonic selection saved for its serial.
    QuvixSensor(int handle, const QString& nickname, const QString& serialNumber);
    // Defaults only, no library call: for the network sensor and for fakes.
    QuvixSensor();
    ~QuvixSensor() override;

    // Device operations.
    virtual void setReportRate(int milliseconds);
    virtual int reportRate() const;
    virtual int setPulseMonitorMode(bool on);
    virtual int refreshPulseMonitorMode();
    virtual int setPMMConfig(double thresholdPercent, int trim);
    virtual int configureFPGA(bool externalTrigger, int accumulations, double levelPercent, int delaySteps,
                              int holdoffSteps);
    virtual void useExternalTrigger(bool on);
    virtual int setTriggerDelay(double delaySteps);
    virtual void setTriggerHoldoff(int holdoffSteps);
    virtual void setTriggerValue(int level);
    virtual void setNumberOfAccumulations(int count);
    virtual void resetEnergy();
    virtual QString capabilities();
    virtual int frequencyCountFromSensor();
    virtual void frequencyDetails(int index, double* hz, int* harmonics);
    virtual void lockOnChannel2(int mode);
    virtual void disableParameters();
    virtual void enableParameters(int frequencyIndex, int harmonics);
    virtual bool parameterReload();
    virtual void close();
    virtual QString variantInfo();
    virtual int getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                          int* remaining);
    virtual int model();
    virtual bool hasLowSignalMode();
    virtual int setLowSignalMode();
    virtual int setNormalMode();
    virtual double delayResolution();
    virtual QString firmwareRevision();
    virtual QString fpgaRevision();
    virtual int firmwareMajor();
    virtual int firmwareMinor();
    virtual bool isConnected();

    // Identity and tables (GUI thread).
    const QString& serialNumber() const { return m_serialNumber; }
    QString nickname() const { return m_nickname; }
    void setNickname(const QString& nickname);
    QString displayName() const;
    void notifyConfigUpdated();
    int handle() const { return m_handle; }
    int connectionKind() const { return m_connectionKind; }
    const QString& address() const { return m_address; }
    const QVector<double>& frequencies() const { return m_frequencies; }
    const QVector<int>& availableHarmonics() const { return m_availableHarmonics; }
    const QVector<int>& selectedHarmonics() const { return m_selectedHarmonics; }
    int enabledFrequencyCount() const;
    double enabledFrequency(int n) const;
    int lastSelectedFrequency() const { return m_lastSelectedFrequency; }
    double delayStepsPerMicrosecond() const { return m_delayStepsPerMicrosecond; }
    bool hasPulse() const { return m_hasPulse; }
    bool hasVi() const { return m_hasVi; }
    bool isMultiFrequency() const { return m_multiFrequency; }
    int pulseMonitorMode() const { return m_pulseMonitorMode; }
    int voltageLock() const { return m_voltageLock; }
    double lastPeak() const { return m_lastPeak; }
    QDateTime disconnectTime() const { return m_disconnectTime; }

    int sensorType();
    int allowedHarmonics();
    bool hasRecentFirmware();
    QString variantInfoOf();

    // Configuration (GUI thread).
    void setVoltageLock(int mode);
    bool setSelectedHarmonics(const QVector<int>& selection);
    void reapplyHarmonics();
    void loadSettings();
    void saveSettings();

    // The same sensor back after a disconnection, with a new handle.
    void reconnect(int newHandle);
    void finishCurrentScan();

signals:
    void ScanComplete(BaseScan* scan);
    void ScanStarted(BaseScan* scan);
    void ScanFailed(BaseScan* scan);
    void ScanToBeRemoved(BaseScan* scan);
    void MonitoringUpdate(BaseScan* scan);
    void SensorDisconnected(QuvixSensor* sensor);
    void finished();
    void configUpdated();
    void sensorReconnected(QuvixSensor* sensor);
    void sensorConnected(QuvixSensor* sensor);

protected:
    // 1 / (seconds per delay step x 1e6); 0 when the resolution is unusable,
    // so scans fall back to their own default.
    static double stepsPerMicrosecond(double secondsPerStep);
    // Milliseconds of the system's monotonic clock, wrapping at 32 bits.
    static quint32 systemTickCount();
    // Capability flags from the sensor's capability text.
    void readCapabilityFlags(const QString& capabilityText);
    // Appends the sensor's frequencies (Hz from the library, kept in MHz).
    void readFrequencyTable();

    int m_connectionKind = 0;
    QString m_serialNumber;
    QString m_nickname;
    double m_delayStepsPerMicrosecond = 0.0;
    int m_handle = 0;
    bool m_running = true;
    bool m_hasPulse = false;
    bool m_hasVi = false;
    bool m_multiFrequency = false;
    quint32 m_lastMonitoringTick = 0;
    int m_voltageLock = 0;
    bool m_noSleep = false;
    BaseScan* m_currentScan = nullptr;
    BaseScan* m_pendingScan = nullptr;
    QVector<double> m_frequencies;
    QVector<int> m_availableHarmonics;
    QVector<int> m_selectedHarmonics;
    QMutex m_mutex;
    int m_lastSelectedFrequency = -1;
    double m_lastPeak = 0.0;
    int m_sleepMs = 5;
    QDateTime m_disconnectTime;
    bool m_announceConnected = true;
    bool m_reloadPending = false;
    int m_pulseMonitorMode = 0;
    QString m_address;
    int m_reportRate = 100;
    QVector<QVector<double>> m_carriedEnergies;

private:
    bool applySingleFrequencySelection(const QVector<int>& selection);
    bool applyMultiFrequencySelection(const QVector<int>& selection);
    void takeSelection(const QVector<int>& selection);
    // The scan side of the sensor: nothing is current until acquisition runs.
    void stopCurrentScan();
    void resumeCurrentScanAfter(qint64 gapMilliseconds);
};
