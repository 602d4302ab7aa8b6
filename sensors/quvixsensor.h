#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <mutex>
#include <vector>

class BaseScan;

// One connected sensor: the program's single device interface. The virtual
// operations call the USB sensor driver library; the network sensor
// overrides them. Created on the GUI thread, later moved to the sensor's
// acquisition thread. The GUI thread calls setters and getters directly;
// m_mutex (non-recursive) is held around the data read (unless the library
// guards its reads itself), the whole of setSelectedHarmonics, the voltage
// lock's library call and the low-signal switch, and no signal is emitted
// while it is held. The sensor never owns
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
    // False once the sensor is lost, and while it answers without bringing
    // a new sample (stalled).
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
    QDateTime disconnectTime() const;

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

    // The same sensor back after a disconnection, with a new handle; a scan
    // still current resumes, its time axis shifted by the gap, unless it was
    // stopped meanwhile: then it is finished at once.
    void reconnect(int newHandle);

    // Scan side (GUI thread unless said). The sensor never owns a scan, but
    // passive scans and pending scans replaced before they ran are deleted
    // on the GUI thread once no queued signal refers to them any more.
    // Hands the scan to the loop, which starts it once the current scan has
    // finished (a passive scan is told to finish); replaces a pending scan.
    virtual void queueScan(BaseScan* scan);
    void stopScan();
    // Finishes the current scan: a measurement scan is announced with
    // ScanComplete (and so reaches the scan handler on the GUI thread), a
    // passive one with ScanToBeRemoved. Any thread; waits while the loop
    // works with the scan (never during a read).
    void finishCurrentScan();
    bool isMeasuring() const;
    // 0 nothing or only the passive scan, 1 measuring, 2 waiting for trigger.
    int scanState() const;
    BaseScan* currentScan() const;
    BaseScan* pendingScan() const;
    // Makes the loop sleep before each pass (pulse scans reconfigure the
    // sensor between samples). Any thread.
    void pauseBetweenPasses() { m_noSleep = false; }
    // Asks the loop to end after its current pass, which then closes the
    // sensor as a lost one. The network sensor also closes its handle at
    // once, which ends a read that waits for a sample. Any thread.
    virtual void endLoop();

public slots:
    // The acquisition loop; runs on the sensor's own thread until the sensor
    // is lost or endLoop is called, then closes it, moves it back to the GUI
    // thread (to no thread once the application object is gone) and ends the
    // thread's event loop.
    void process();

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
    std::atomic<bool> m_running{true};
    bool m_hasPulse = false;
    bool m_hasVi = false;
    bool m_multiFrequency = false;
    quint32 m_lastMonitoringTick = 0;
    int m_voltageLock = 0;
    std::atomic<bool> m_noSleep{false};
    BaseScan* m_currentScan = nullptr;
    BaseScan* m_pendingScan = nullptr;
    QVector<double> m_frequencies;
    QVector<int> m_availableHarmonics;
    QVector<int> m_selectedHarmonics;
    mutable std::mutex m_mutex;
    int m_lastSelectedFrequency = -1;
    std::atomic<double> m_lastPeak{0.0};
    std::atomic<int> m_sleepMs{5};
    QDateTime m_disconnectTime;
    bool m_announceConnected = true;
    std::atomic<bool> m_reloadPending{false};
    int m_pulseMonitorMode = 0;
    QString m_address;
    std::atomic<int> m_reportRate{100};
    QVector<QVector<double>> m_carriedEnergies;

    // Stamps the disconnection time (any thread).
    void markDisconnected();
    // Ties ScanFailed and ScanComplete to the scan registry for the object's
    // whole life.
    void connectToScanRegistry();
    // Whether the bound library can read data at all.
    virtual bool canReadData() const;
    // Whether the library keeps its own reads and settings apart, so the
    // loop may wait for a sample without holding m_mutex.
    virtual bool libraryGuardsReads() const { return false; }
    bool isStalled() const { return m_stalled; }

private:
    bool applySingleFrequencySelection(const QVector<int>& selection);
    bool applyMultiFrequencySelection(const QVector<int>& selection);
    void takeSelection(const QVector<int>& selection);
    void stopCurrentScan();
    void resumeCurrentScanAfter(qint64 gapMilliseconds);
    bool currentScanFinished() const;
    static void deleteOnGuiThread(BaseScan* scan);

    // One pass's scan change: completes a finished scan and makes the pending
    // one current.
    void changeScanIfDue();
    void announceStarted(BaseScan* scan);
    // One read into the current scan (a passive one when none is current).
    void acquire();
    // The current scan; else a scan queued meanwhile, else a new passive one.
    // The current scan, started; null when it refused its settings.
    BaseScan* startedScanForPass();
    BaseScan* currentOrNewScan();
    void emitMonitoringUpdateIfDue(BaseScan* scan, double peak);
    void reportOversizedSample(int count);
    // Whether a sample of `count` values fits the scan's layout; a run of
    // misfits is reported once.
    bool fitsLayout(const BaseScan* scan, int count);
    // Stall watch of the loop: a sample arrived, or a read brought none.
    void noteSample();
    void noteNoSample();
    qint64 stallLimitMs() const;

    static constexpr int sampleCapacity = 490;
    static constexpr quint32 monitoringIntervalMs = 100;

    // Guards m_currentScan, m_pendingScan and m_disconnectTime between the
    // GUI thread and the loop; never held while calling into a scan's data.
    // When both locks are held, m_mutex is taken first.
    mutable std::mutex m_scanLock;
    // Held by the loop while it works with the current scan, never during a
    // read. A thread that takes the current scan away waits on it once, so
    // that the scan it then announces or deletes is out of the loop's hands.
    // Taken before m_scanLock and m_mutex.
    std::mutex m_scanUseLock;
    bool m_oversizedSampleReported = false;
    bool m_layoutMismatchReported = false; // loop thread only
    // Loop thread only: when the current run of samples that do not fit the
    // selection began (steady clock, ms); -1 while samples fit.
    qint64 m_layoutMismatchSinceMs = -1;
    // Loop thread only: when the last sample arrived (steady clock, ms).
    qint64 m_lastSampleMs = -1;
    std::atomic<bool> m_stalled{false};
};
