#pragma once

#include "scans/trenddataset.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class CsvColumnOptions;
class FileNamePrompt;
class QuvixSensor;
class QTreeWidgetItem;

// Error codes a scan reports through errorOcurred.
enum ScanError {
    ScanDataLimitError = 0,     // the stored data reached the scan's ceiling
    ScanConfigurationError = 1, // the scan's settings cannot be recorded; it did not start
};

// A view's copy of one series: the samples numbered from firstSampleNumber on.
// The data set's first held sample number and its count of time shifts tell
// a holder of older copies what the scan has trimmed since (drop up to the
// held one) and whether the held times were rewritten (take all again).
struct SeriesCopy {
    qint64 firstSampleNumber = 0;
    Series time;
    Series values; // may be shorter than time where a series holds no values
    qint64 heldFirstSampleNumber = 0;
    int timeShiftCount = 0;
};

// One acquisition from one sensor. The plain BaseScan is the passive scan
// that keeps a moving window for the live views; the scan kinds derive.
// Threads: the acquisition loop calls the virtual operations on the sensor's
// thread; views call the locked queries on the GUI thread. `mutex` guards the
// data sets (every append, trim, time shift and copy). Settings are written
// before the scan is handed to the sensor. The scan owns its data sets; the
// sensor is not owned.
class BaseScan : public QObject
{
    Q_OBJECT

public:
    // Clock giving monotonic milliseconds; tests install their own.
    using Clock = std::function<qint64()>;

    BaseScan(QuvixSensor* sensor, const QString& measurementName);
    ~BaseScan() override;

    // Operations of the acquisition loop.
    virtual void start();
    virtual void addData(double* sample, int count, double delay, int tickDelta);
    virtual void afterSample(int handle);
    virtual void preSample(int handle, double delay);
    virtual void preempt();
    virtual bool isWaitingForTrigger() const;
    virtual int pollInterval() const;
    virtual QString elapsedText() const;

    void stop();
    void checkDuration();
    // Back after the sensor reconnected: the next sample's time step grows by
    // the gap (milliseconds) once. The scan keeps the clock it started with.
    void resumeAfterReconnect(qint64 gapMilliseconds);

    int sampleCount(int dataSet) const;
    // The number of values a sample must have to fit the scan's layout.
    int sampleLength() const;
    QString name() const;
    QString durationText() const;
    QString fileBaseName() const { return m_fileBaseName; }

    void clearData();
    void resetEnergy();
    // One list of energy totals per data set; the loop carries them into the
    // next passive scan.
    QVector<QVector<double>> energies() const;
    void setInitialEnergies(const QVector<QVector<double>>& totals);
    void setIonFluxFactors(double seriesResistance, double voltageDrop, double electrodeArea);
    void setWaferInfo(const QString& lot, const QString& number);
    // Handed unchanged to the CSV export of an autosave; not owned.
    void setAutosaveSettings(const CsvColumnOptions* settings) { autosaveSettings = settings; }

    // One value per harmonic of a quantity (0 voltage, 1 current, 2 current
    // phase, 34 voltage phase) at the newest sample, or at the first sample
    // at or after time t (any t: profile times run below 0).
    static std::vector<double> series(BaseScan* scan, int quantity, int record, int dataSet);
    static std::vector<double> seriesFrom(BaseScan* scan, int quantity, int record, double t, int dataSet);
    double latestValue(int parameterId, int record, int harmonic, int dataSet) const;
    // The samples of a series numbered fromSampleNumber and later (all held
    // samples when it is older than the oldest), with their times.
    SeriesCopy copySeries(int parameterId, int record, int harmonic, int dataSet,
                          qint64 fromSampleNumber = 0) const;

    // Drops samples older than (last time - keep) once the data spans more
    // than `window` seconds.
    void trimWindow(int window, int keep);

    // A new top-level scan tree item; the caller owns it.
    QTreeWidgetItem* treeItem();

    // Scan files. saveDat writes the ".dat" file; it may replace fileName by
    // one the prompt gets from the user (given the ".dat" ending when typed
    // without it; exportCsv likewise adds ".csv" to a name with no ending at
    // all), and gives false when nothing was written whole (the previous
    // file of that name is then untouched and the data stays unsaved).
    // loadDat reads a file into a plain scan without sensor and throws 30
    // (cannot open) or 35 (not a scan file); it notes a newer file's version
    // in newerFileState (GUI thread). The exports write the CSV file of the
    // whole scan and the interval file of the samples strictly between
    // minimum and maximum; null options write every column. Run on the
    // caller's thread; they take the scan's mutex.
    bool saveDat(QString& fileName, const QString& software, FileNamePrompt* prompt = nullptr);
    static std::unique_ptr<BaseScan> loadDat(const QString& fileName);
    bool exportCsv(QString& fileName, const QString& software, const CsvColumnOptions* options,
                   FileNamePrompt* prompt = nullptr);
    bool exportText(const QString& fileName, const QString& software, double minimum, double maximum,
                    const CsvColumnOptions* options);
    // Autosave: the folder ("./" when empty) and the name pattern with its
    // tags; autosaveFileName expands them into a path no file takes yet.
    void setAutosaveTarget(const QString& folder, const QString& pattern);
    virtual void autosaveFileName();
    // Writes the ".dat" and ".csv" files under the autosave name; the ".dat"
    // path, or empty when autosave is off or a file was not written whole.
    // A failure is logged through the scan log and its reason given in
    // `failure` (left empty otherwise); a ".dat" file not written leaves
    // the scan's data unsaved.
    static QString autosave(BaseScan* scan, const CsvColumnOptions* options, QString* failure = nullptr);
    // Why a file could not be written, as far as its folder tells: the
    // reason an autosave failure gives.
    static QString writeFailureReason(const QString& path);
    // Value of one autosave tag id (the registry's tag table).
    QString autosaveTagValue(int id) const;

    // Records only around threshold events (see afterSample).
    void setTriggerRecording(int startParameter, double startLevel, bool startAbove, int stopParameter,
                             double stopLevel, bool stopAbove, double preDuration, double postDuration,
                             double eventDuration, bool continueMonitoring, int frequencyIndex,
                             const CsvColumnOptions* autosaveSettings);

    // filePath's name without folder and its last 4 characters (".dat").
    void setBaseNameFrom(const QString& fileName);
    // What a ".dat" file written whole under fileName changes in the scan:
    // its file path (the first one only), its base name and its unsaved-data
    // flag. saveDat does it itself; a write on another thread leaves it to
    // the thread that owns the scan's fields.
    void markSavedAs(const QString& fileName);

    // Ceiling on the bytes of stored samples; reaching it ends the scan the
    // way a failed allocation does.
    void setStorageLimit(qint64 bytes) { m_storageLimit = bytes; }
    qint64 storageLimit() const { return m_storageLimit; }
    static qint64 defaultStorageLimit();

    void setClock(Clock clock);
    qint64 elapsedMilliseconds() const;

    bool isFinished() const { return finished; }
    bool isStarted() const { return started; }
    bool isPassive() const { return passive; }

    // Fields, written before the scan is handed to its sensor unless said.
    bool dataLimitReached = false;
    QString waferLot;
    QString waferNumber;
    QString serialNumber;
    QDateTime created;
    QuvixSensor* sensor;
    QString autosavePath;
    QString measurementName;
    bool timed = false;
    double duration = 0.0;
    bool unsavedData = true;
    std::atomic<int> elapsedAtStop{0};
    QString nickname;
    int sensorType = 0;
    // Not a QMutex: the thread checker must see every hand-over through it.
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<TrendDataSet>> dataSets;
    std::atomic<bool> started{false};
    int skipCount = 0;
    QString typeText;
    QString timeAxisText;
    QString filePath;
    bool autosaveEnabled = false;
    double triggerLevel = 0.0;
    double triggerHoldoff = 0.0;
    double startTime = 0.0;
    double endTime = 0.0;
    double resolution = 0.0;
    int averages = 200;
    double delaySteps = 0.0;
    double stepSteps = 0.0;
    double endSteps = 0.0;
    double lastDelay = 0.0;
    bool externalTrigger = false;
    double timeStep = 1.0;
    int trendCount = 0;
    std::atomic<bool> finished{false};
    bool passive = true;
    double seriesResistance = 1.0;
    double voltageDrop = 1.0;
    double electrodeArea = 1.0;
    QString autosaveFolder;
    QString autosavePattern;
    std::atomic<qint64> reconnectOffset{0}; // 24 MHz ticks
    // Triggered recording: configuration (set before the scan is queued) and
    // state (sensor thread only).
    bool triggerRecording = false;
    int startParameter = 0;
    double startLevel = 0.0;
    bool startAbove = false;
    int stopParameter = 0;
    double stopLevel = 0.0;
    bool stopAbove = false;
    double preDuration = 0.0;
    double postDuration = 0.0;
    double eventDuration = 0.0;
    bool continueMonitoring = false;
    int frequencyIndex = 0;
    std::atomic<bool> waitingForTrigger{true};
    int eventCount = 0;
    bool stopPending = false;
    double stopMark = 0.0;
    bool rearm = false;
    const CsvColumnOptions* autosaveSettings = nullptr;

signals:
    void acquisitionStarted();
    void acquisitionStopped();
    void errorOcurred(int errorCode);

protected:
    // Appends one sample to a data set under the mutex. A sample the ceiling
    // or the allocator refuses ends the scan (data-limit path) and gives false.
    bool appendLocked(TrendDataSet& set, const double* sample, int count, double delay, qint64 tickDelta);
    // Ends the scan as refused settings do: not started on the sensor.
    void refuseConfiguration(const QString& reason);
    // Creates a data set with one record per enabled sensor frequency.
    std::unique_ptr<TrendDataSet> makeDataSet(double value, int mode) const;
    void markFinished();

    QString m_fileBaseName;

private:
    qint64 storedBytesLocked() const;
    // The pattern with each known tag replaced and unknown tags removed.
    QString expandAutosavePattern(QString pattern) const;
    void triggeredStep();
    void startEvent();
    bool eventEnded();
    void endEvent();
    double watchedValue(int parameterId) const;
    // The recorded event as a scan of its own for the registry: read back
    // from its autosaved file, or copied in memory when there is none.
    BaseScan* eventScan(const QString& savedPath);
    void enterDataLimit();

    Clock m_clock;
    std::atomic<qint64> m_startMs{-1}; // not started
    qint64 m_storageLimit;
};
