#include "sensors/quvixsensor.h"

#include "scans/basescan.h"
#include "scans/scanhandler.h"
#include "sensors/sensorlibraries.h"

#include <QCoreApplication>
#include <QThread>

#include <QElapsedTimer>
#include <QSettings>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const QString selectedHarmonicsKey = QStringLiteral("selectedNumberOfHarmonics");
const QString voltageLockKey = QStringLiteral("voltageLock");

// The library fills a buffer of `size` bytes; one spare zero byte more keeps a
// text that fills it completely terminated.
template <int size, typename Getter> QString textFromLibrary(Getter getter)
{
    char buffer[size + 1] = {};
    getter(buffer);
    return QString::fromUtf8(buffer, static_cast<int>(strnlen(buffer, size)));
}

// The thread of the application object; none once that object is gone, as
// when a loop outlives it at the end of a process.
QThread* applicationThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application ? application->thread() : nullptr;
}

} // namespace

QuvixSensor::QuvixSensor()
    : m_lastMonitoringTick(systemTickCount())
{
}

QuvixSensor::QuvixSensor(int handle, const QString& nickname, const QString& serialNumber)
    : m_serialNumber(serialNumber)
    , m_nickname(nickname)
    , m_handle(handle)
    , m_lastMonitoringTick(systemTickCount())
{
    const UsbSensorApi& api = usbSensorApi();
    m_delayStepsPerMicrosecond = stepsPerMicrosecond(callOr(api.quvixGetDelayResolution, 0.0, m_handle));
    callOr(api.quvixSetTriggerValue, 0, m_handle, 0);
    callOr(api.quvixSetTriggerHoldoff, 0, m_handle, 0);
    m_announceConnected = true;
    readCapabilityFlags(capabilities());
    readFrequencyTable();
    m_currentScan = nullptr;
    loadSettings();
    setSelectedHarmonics(m_selectedHarmonics);
    connectToScanRegistry();
    m_announceConnected = true;
    m_reloadPending = false;
    m_reportRate = 100;
}

void QuvixSensor::connectToScanRegistry()
{
    ScanHandler* registry = ScanHandler::getInstance();
    connect(this, &QuvixSensor::ScanFailed, registry, &ScanHandler::scanFailed);
    // Every end of a measurement scan, whichever thread ends it and whether
    // or not the sensor is still listed, reaches the registry through this
    // one connection, queued so that its widgets are touched on their thread.
    connect(this, &QuvixSensor::ScanComplete, registry, &ScanHandler::scanComplete,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
}

QuvixSensor::~QuvixSensor() = default;

double QuvixSensor::stepsPerMicrosecond(double secondsPerStep)
{
    if (!std::isfinite(secondsPerStep) || secondsPerStep <= 0.0)
        return 0.0;
    const double steps = 1.0 / (secondsPerStep * 1000000.0);
    return std::isfinite(steps) ? steps : 0.0;
}

quint32 QuvixSensor::systemTickCount()
{
    QElapsedTimer clock;
    clock.start();
    return static_cast<quint32>(clock.msecsSinceReference());
}

void QuvixSensor::readCapabilityFlags(const QString& capabilityText)
{
    m_hasPulse = capabilityText.contains(QLatin1String("Pulse=Y"), Qt::CaseInsensitive);
    m_hasVi = capabilityText.contains(QLatin1String("Vi=Y"), Qt::CaseInsensitive);
    m_multiFrequency = capabilityText.contains(QLatin1String("MultipleFrequency=Y"), Qt::CaseInsensitive);
}

void QuvixSensor::readFrequencyTable()
{
    const int count = frequencyCountFromSensor();
    for (int i = 0; i < count; ++i) {
        double hz = 0.0;
        int harmonics = 0;
        frequencyDetails(i, &hz, &harmonics);
        m_frequencies.append(hz / 1000000.0);
        m_availableHarmonics.append(harmonics);
        m_selectedHarmonics.append(0);
    }
}

// --- Device operations on the USB sensor driver library ---

void QuvixSensor::setReportRate(int milliseconds)
{
    m_reportRate = milliseconds;
    callOr(usbSensorApi().quvixSetReportRate, 0, m_handle, milliseconds);
}

int QuvixSensor::reportRate() const
{
    return m_reportRate;
}

int QuvixSensor::setPulseMonitorMode(bool on)
{
    const UsbSensorApi& api = usbSensorApi();
    const int result =
        on ? callOr(api.quvixSetPulseMonitorMode, 0, m_handle) : callOr(api.quvixSetNormalMode, 0, m_handle);
    if (result == 1)
        m_pulseMonitorMode = on ? 1 : 0;
    return result;
}

int QuvixSensor::refreshPulseMonitorMode()
{
    const int major = firmwareMajor();
    const int minor = firmwareMinor();
    // Older firmware cannot report the mode, so it is switched off instead.
    if ((major == 5 && minor > 17) || major > 5) {
        int mode = 0;
        callOr(usbSensorApi().quvixGetPulseMonitorMode, 0, m_handle, &mode);
        m_pulseMonitorMode = mode;
        return mode;
    }
    setPulseMonitorMode(false);
    m_pulseMonitorMode = 0;
    return 0;
}

int QuvixSensor::setPMMConfig(double thresholdPercent, int trim)
{
    return callOr(usbSensorApi().quvixSetPMMConfig, 0, m_handle, thresholdPercent, trim);
}

int QuvixSensor::configureFPGA(bool externalTrigger, int accumulations, double levelPercent, int delaySteps,
                               int holdoffSteps)
{
    return callOr(usbSensorApi().quvixConfigureFPGA, 0, m_handle, externalTrigger ? 1 : 0, accumulations,
                  levelPercent, delaySteps, holdoffSteps);
}

void QuvixSensor::useExternalTrigger(bool on)
{
    callOr(usbSensorApi().quvixUseExternalTrigger, 0, m_handle, on ? 1 : 0);
}

int QuvixSensor::setTriggerDelay(double delaySteps)
{
    return callOr(usbSensorApi().quvixSetTriggerDelay, 0, m_handle, static_cast<int>(delaySteps));
}

void QuvixSensor::setTriggerHoldoff(int holdoffSteps)
{
    callOr(usbSensorApi().quvixSetTriggerHoldoff, 0, m_handle, holdoffSteps);
}

void QuvixSensor::setTriggerValue(int level)
{
    callOr(usbSensorApi().quvixSetTriggerValue, 0, m_handle, level);
}

void QuvixSensor::setNumberOfAccumulations(int count)
{
    callOr(usbSensorApi().quvixSetNumberOfAccumulations, 0, m_handle, count);
}

void QuvixSensor::resetEnergy() {}

QString QuvixSensor::capabilities()
{
    return textFromLibrary<100>(
        [this](char* buffer) { callOr(usbSensorApi().quvixGetCapabilities, 0, m_handle, buffer); });
}

int QuvixSensor::frequencyCountFromSensor()
{
    return callOr(usbSensorApi().quvixGetFrequencyCount, 0, m_handle);
}

void QuvixSensor::frequencyDetails(int index, double* hz, int* harmonics)
{
    double frequency = 0.0;
    int count = 0;
    callOr(usbSensorApi().quvixGetFrequencyDetails, 0, m_handle, index, &frequency, &count);
    *hz = frequency;
    *harmonics = count;
}

void QuvixSensor::lockOnChannel2(int mode)
{
    callOr(usbSensorApi().quvixLockOnChannel2, 0, m_handle, mode);
}

void QuvixSensor::disableParameters()
{
    callOr(usbSensorApi().quvixDisableParameters, 0, m_handle);
}

void QuvixSensor::enableParameters(int frequencyIndex, int harmonics)
{
    callOr(usbSensorApi().quvixEnableParameters, 0, m_handle, frequencyIndex, harmonics);
}

bool QuvixSensor::parameterReload()
{
    // The acquisition thread repeats a reload started elsewhere once.
    m_reloadPending = true;
    return callOr(usbSensorApi().quvixParameterReload, 0, m_handle) != 0;
}

void QuvixSensor::close()
{
    callOr(usbSensorApi().quvixClose, 0, m_handle);
    markDisconnected();
    emit SensorDisconnected(this);
    // The current scan stays: a USB sensor that returns soon carries on with
    // it (reconnect), and the sensor handler finishes it when the sensor stays
    // away too long.
}

void QuvixSensor::markDisconnected()
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    m_disconnectTime = QDateTime::currentDateTime();
}

QDateTime QuvixSensor::disconnectTime() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    return m_disconnectTime;
}

bool QuvixSensor::canReadData() const
{
    return usbSensorApi().quvixGetDataHR != nullptr;
}

QString QuvixSensor::variantInfo()
{
    return textFromLibrary<60>(
        [this](char* buffer) { callOr(usbSensorApi().quvixGetVariantInfo, 0, m_handle, buffer); });
}

int QuvixSensor::getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                           int* remaining)
{
    return callOr(usbSensorApi().quvixGetDataHR, 0, m_handle, values, count, timeStampDelta, peak, delay,
                  remaining);
}

int QuvixSensor::model()
{
    return callOr(usbSensorApi().quvixGetModel, 0, m_handle);
}

bool QuvixSensor::hasLowSignalMode()
{
    return callOr(usbSensorApi().quvixHasLowSignalMode, 0, m_handle) > 0;
}

int QuvixSensor::setLowSignalMode()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return callOr(usbSensorApi().quvixSetLowSignalMode, -1, m_handle);
}

int QuvixSensor::setNormalMode()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return callOr(usbSensorApi().quvixSetNormalModeLowSignal, -1, m_handle);
}

double QuvixSensor::delayResolution()
{
    return callOr(usbSensorApi().quvixGetDelayResolution, 0.0, m_handle);
}

QString QuvixSensor::firmwareRevision()
{
    return textFromLibrary<100>(
        [this](char* buffer) { callOr(usbSensorApi().quvixGetFirmwareRevision, 0, m_handle, buffer); });
}

QString QuvixSensor::fpgaRevision()
{
    return textFromLibrary<100>(
        [this](char* buffer) { callOr(usbSensorApi().quvixGetFPGARevision, 0, m_handle, buffer); });
}

int QuvixSensor::firmwareMajor()
{
    return callOr(usbSensorApi().quvixGetFirmwareMajor, 0, m_handle);
}

int QuvixSensor::firmwareMinor()
{
    return callOr(usbSensorApi().quvixGetFirmwareMinor, 0, m_handle);
}

bool QuvixSensor::isConnected()
{
    return m_running && !m_stalled;
}

// --- Identity and tables ---

void QuvixSensor::setNickname(const QString& nickname)
{
    m_nickname = nickname;
    emit configUpdated();
}

QString QuvixSensor::displayName() const
{
    return m_nickname.isEmpty() ? m_serialNumber : m_nickname;
}

void QuvixSensor::notifyConfigUpdated()
{
    emit configUpdated();
}

int QuvixSensor::enabledFrequencyCount() const
{
    return static_cast<int>(std::count_if(m_selectedHarmonics.cbegin(), m_selectedHarmonics.cend(),
                                          [](int harmonics) { return harmonics > 0; }));
}

double QuvixSensor::enabledFrequency(int n) const
{
    int enabled = 0;
    for (int i = 0; i < m_selectedHarmonics.size() && i < m_frequencies.size(); ++i) {
        if (m_selectedHarmonics[i] > 0 && enabled++ == n)
            return m_frequencies[i];
    }
    return 0.0;
}

int QuvixSensor::sensorType()
{
    switch (model()) {
    case 2:
        return 2;
    case 3:
        return 1;
    case 4:
        return 3;
    default:
        return 0;
    }
}

int QuvixSensor::allowedHarmonics()
{
    // The library writes two characters without a terminator; a larger zeroed
    // buffer keeps the text terminated, and only those two are read.
    char buffer[16] = {};
    callOr(usbSensorApi().quvixAllowedHarmonics, 0, m_handle, buffer);
    const char digits[3] = {buffer[0], buffer[0] ? buffer[1] : '\0', '\0'};
    char* end = nullptr;
    const long value = std::strtol(digits, &end, 10);
    return end == digits ? 31 : static_cast<int>(value);
}

bool QuvixSensor::hasRecentFirmware()
{
    const QString revision = firmwareRevision();
    const int start = revision.lastIndexOf(QLatin1Char('v')) + 1;
    int end = revision.indexOf(QLatin1Char('.'), start);
    if (end < 0)
        end = revision.size();
    return revision.mid(start, end - start).toInt() > 4;
}

QString QuvixSensor::variantInfoOf()
{
    return variantInfo();
}

// --- Configuration ---

void QuvixSensor::setVoltageLock(int mode)
{
    m_voltageLock = mode;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        lockOnChannel2(mode);
    }
    saveSettings();
}

bool QuvixSensor::setSelectedHarmonics(const QVector<int>& selection)
{
    // One entry per frequency or nothing: a partial selection would leave the
    // sensor's sample layout and the tables out of step.
    if (selection.size() != m_frequencies.size())
        return false;
    bool applied = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        applied = m_multiFrequency ? applyMultiFrequencySelection(selection)
                                   : applySingleFrequencySelection(selection);
        if (applied)
            stopCurrentScan();
    }
    if (applied)
        emit configUpdated();
    return applied;
}

bool QuvixSensor::applySingleFrequencySelection(const QVector<int>& selection)
{
    m_noSleep = false;
    disableParameters();
    for (int i = 0; i < selection.size(); ++i)
        enableParameters(i, selection[i]);
    if (!parameterReload()) {
        qDebug("Failed reload parameters");
        return false;
    }
    takeSelection(selection);
    return true;
}

bool QuvixSensor::applyMultiFrequencySelection(const QVector<int>& selection)
{
    disableParameters();
    for (int i = 0; i < m_frequencies.size(); ++i)
        enableParameters(i, selection[i]);
    if (!parameterReload())
        return false;
    takeSelection(selection);
    stopCurrentScan();
    saveSettings();
    return true;
}

void QuvixSensor::takeSelection(const QVector<int>& selection)
{
    for (int i = 0; i < selection.size(); ++i) {
        m_selectedHarmonics[i] = selection[i];
        if (selection[i] != 0)
            m_lastSelectedFrequency = i;
    }
}

void QuvixSensor::reapplyHarmonics()
{
    setSelectedHarmonics(QVector<int>(m_selectedHarmonics));
}

void QuvixSensor::loadSettings()
{
    QSettings settings;
    settings.beginGroup(m_serialNumber);
    const QVariantList stored = settings.value(selectedHarmonicsKey).toList();
    int sum = 0;
    for (int i = 0; i < stored.size() && i < m_selectedHarmonics.size(); ++i) {
        m_selectedHarmonics[i] = stored[i].toInt();
        sum += m_selectedHarmonics[i];
    }
    m_voltageLock = settings.value(voltageLockKey, 0).toInt();
    lockOnChannel2(m_voltageLock);
    // A sensor never seen before starts with its first frequency, fundamental only.
    if (!m_selectedHarmonics.isEmpty() && sum < 1)
        m_selectedHarmonics[0] = 1;
}

void QuvixSensor::saveSettings()
{
    QVariantList selection;
    for (int harmonics : qAsConst(m_selectedHarmonics))
        selection.append(harmonics);
    QSettings settings;
    settings.beginGroup(m_serialNumber);
    settings.setValue(selectedHarmonicsKey, selection);
    settings.setValue(voltageLockKey, m_voltageLock);
}

void QuvixSensor::reconnect(int newHandle)
{
    m_running = true;
    m_noSleep = false;
    m_handle = newHandle;
    const QDateTime gone = disconnectTime();
    const qint64 gap = gone.isValid() ? gone.msecsTo(QDateTime::currentDateTime()) : qint64(0);
    // A scan stopped while the sensor was away is over: it is handed on now,
    // and a scan queued behind it starts with the new loop. Only a scan still
    // running resumes (reapplying the selection stops it, the resume undoes
    // that).
    if (currentScanFinished())
        finishCurrentScan();
    reapplyHarmonics();
    resumeCurrentScanAfter(gap);
}

bool QuvixSensor::currentScanFinished() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    return m_currentScan && m_currentScan->isFinished();
}

// --- Scan side ---

bool QuvixSensor::isMeasuring() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    return m_currentScan && !m_currentScan->isPassive();
}

int QuvixSensor::scanState() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    if (!m_currentScan || m_currentScan->isPassive())
        return 0;
    return m_currentScan->isWaitingForTrigger() ? 2 : 1;
}

BaseScan* QuvixSensor::currentScan() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    return m_currentScan;
}

BaseScan* QuvixSensor::pendingScan() const
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    return m_pendingScan;
}

void QuvixSensor::queueScan(BaseScan* scan)
{
    BaseScan* replaced = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        if (m_currentScan)
            m_currentScan->preempt();
        replaced = m_pendingScan;
        m_pendingScan = scan;
    }
    // A scan replaced before it ever started is referred to by nobody else.
    if (replaced && replaced != scan)
        deleteOnGuiThread(replaced);
}

void QuvixSensor::stopScan()
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    if (m_currentScan)
        m_currentScan->stop();
}

void QuvixSensor::stopCurrentScan()
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    if (m_currentScan)
        m_currentScan->stop();
}

void QuvixSensor::finishCurrentScan()
{
    BaseScan* scan = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        scan = m_currentScan;
        m_currentScan = nullptr;
    }
    if (!scan)
        return;
    // The loop may be in the middle of a pass with this scan; once it lets go
    // it finds the scan no longer current and leaves it alone.
    { std::lock_guard<std::mutex> waitForLoop(m_scanUseLock); }
    scan->stop();
    if (scan->isPassive()) {
        emit ScanToBeRemoved(scan);
        deleteOnGuiThread(scan);
        return;
    }
    // Announced like a scan the loop completes: the tabs hear of it, and the
    // scan registry takes it through its connection.
    emit ScanComplete(scan);
}

void QuvixSensor::resumeCurrentScanAfter(qint64 gapMilliseconds)
{
    std::lock_guard<std::mutex> lock(m_scanLock);
    if (m_currentScan)
        m_currentScan->resumeAfterReconnect(gapMilliseconds);
}

void QuvixSensor::deleteOnGuiThread(BaseScan* scan)
{
    // Without an application object no event is delivered any more, so
    // nothing can still carry the scan.
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) {
        delete scan;
        return;
    }
    // Posted after every queued signal that still carries the scan.
    QMetaObject::invokeMethod(
        application, [scan] { delete scan; }, Qt::QueuedConnection);
}

// --- Acquisition loop ---

void QuvixSensor::endLoop()
{
    m_running = false;
}

void QuvixSensor::process()
{
    while (m_running) {
        if (m_reloadPending) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                parameterReload();
            }
            m_reloadPending = false;
        }
        if (!m_noSleep)
            QThread::msleep(static_cast<unsigned long>(m_sleepMs.load()));
        changeScanIfDue();
        acquire();
        if (!m_running)
            break;
        if (m_announceConnected) {
            m_announceConnected = false;
            emit sensorConnected(this);
        }
    }
    close();
    moveToThread(applicationThread());
    // Nothing more runs on this thread: let it end and delete itself.
    QThread::currentThread()->quit();
}

void QuvixSensor::changeScanIfDue()
{
    std::lock_guard<std::mutex> use(m_scanUseLock);
    BaseScan* finishedScan = nullptr;
    BaseScan* startedScan = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        const bool currentDone = m_currentScan && m_currentScan->isFinished();
        // A scan queued before any scan was current starts at once.
        const bool idleWithPending = !m_currentScan && m_pendingScan;
        if (!currentDone && !idleWithPending)
            return;
        finishedScan = currentDone ? m_currentScan : nullptr;
        m_currentScan = m_pendingScan;
        m_pendingScan = nullptr;
        startedScan = m_currentScan;
    }
    if (finishedScan) {
        m_carriedEnergies = finishedScan->energies();
        if (finishedScan->isPassive()) {
            emit ScanToBeRemoved(finishedScan);
            deleteOnGuiThread(finishedScan);
        } else {
            emit ScanComplete(finishedScan);
        }
    }
    if (startedScan)
        announceStarted(startedScan);
}

void QuvixSensor::announceStarted(BaseScan* scan)
{
    emit ScanStarted(scan);
    const int interval = scan->pollInterval();
    m_sleepMs = interval > 500 ? 10 : interval;
}

void QuvixSensor::acquire()
{
    if (m_frequencies.isEmpty()) {
        m_noSleep = false;
        // A probe answer of 0 or a negative error code means the sensor is gone.
        if (setTriggerDelay(0.0) <= 0)
            m_running = false;
        return;
    }
    BaseScan* const scan = startedScanForPass();
    if (!scan)
        return;

    double sample[sampleCapacity];
    int count = sampleCapacity;
    int timeStampDelta = 0;
    double peak = 50.0;
    int delay = 0;
    int remaining = 100;
    m_noSleep = true;
    int result = 0;
    {
        // A read may wait for the sensor; setters on the GUI thread must not.
        std::unique_lock<std::mutex> lock(m_mutex, std::defer_lock);
        if (!libraryGuardsReads())
            lock.lock();
        if (!canReadData()) {
            m_running = false;
            return;
        }
        result = getDataHR(sample, &count, &timeStampDelta, &peak, &delay, &remaining);
    }
    if (result <= 0) {
        m_running = false;
        return;
    }
    if (count == 0 || remaining == 100) {
        noteNoSample();
        return;
    }
    noteSample();
    if (count < 0 || count > sampleCapacity) {
        reportOversizedSample(count);
        return;
    }
    std::lock_guard<std::mutex> use(m_scanUseLock);
    // Finished from another thread during the read: the sample has no scan.
    if (currentScan() != scan)
        return;
    if (!fitsLayout(scan, count)) {
        noteNoSample();
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(sample[i]))
            sample[i] = 0.0;
    }
    scan->preSample(m_handle, delay);
    scan->addData(sample, count, delay, timeStampDelta);
    emitMonitoringUpdateIfDue(scan, peak);
    scan->checkDuration();
    scan->afterSample(m_handle);
}

BaseScan* QuvixSensor::startedScanForPass()
{
    std::lock_guard<std::mutex> use(m_scanUseLock);
    BaseScan* scan = currentOrNewScan();
    if (!scan->isStarted()) {
        scan->start();
        // A scan that refused its settings is completed at the next pass.
        if (scan->isFinished())
            return nullptr;
    }
    return scan;
}

BaseScan* QuvixSensor::currentOrNewScan()
{
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        if (m_currentScan)
            return m_currentScan;
    }
    // The scan copies the harmonic selection, which the GUI thread changes
    // under m_mutex. Only this thread makes a scan current.
    BaseScan* passive = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        passive = new BaseScan(this, QStringLiteral("Default"));
    }
    // Deleted on the GUI thread once finished, like every other scan.
    passive->moveToThread(applicationThread());
    if (!m_carriedEnergies.isEmpty())
        passive->setInitialEnergies(m_carriedEnergies);
    // A scan queued while the passive one was being built goes first: nothing
    // would ever stop a passive scan installed in front of it.
    BaseScan* queued = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_scanLock);
        queued = m_pendingScan;
        m_pendingScan = nullptr;
        m_currentScan = queued ? queued : passive;
    }
    if (!queued)
        return passive;
    deleteOnGuiThread(passive);
    announceStarted(queued);
    return queued;
}

void QuvixSensor::emitMonitoringUpdateIfDue(BaseScan* scan, double peak)
{
    const quint32 now = systemTickCount();
    if (now - m_lastMonitoringTick <= monitoringIntervalMs)
        return;
    m_lastMonitoringTick = now;
    if (!scan->isFinished()) {
        m_lastPeak = peak;
        emit MonitoringUpdate(scan);
    }
}

void QuvixSensor::reportOversizedSample(int count)
{
    if (m_oversizedSampleReported)
        return;
    m_oversizedSampleReported = true;
    qDebug("Sensor %s delivered a sample of %d values, more than %d: dropped", qPrintable(m_serialNumber),
           count, sampleCapacity);
}

namespace {

qint64 steadyMilliseconds()
{
    QElapsedTimer clock;
    clock.start();
    return clock.msecsSinceReference();
}

} // namespace

bool QuvixSensor::fitsLayout(const BaseScan* scan, int count)
{
    // A five-value sample is the scan's to widen (it reads it as seven).
    const int expected = scan->sampleLength();
    if (count == expected || count == 5) {
        m_layoutMismatchReported = false;
        m_layoutMismatchSinceMs = -1;
        return true;
    }
    // Its values would land in the wrong places: dropped. Right after a
    // selection change (and at connection) the library still hands out the
    // samples it queued before the sensor took the new selection; only a run
    // that lasts means the sensor does not follow the selection, and that is
    // said once per run.
    const qint64 now = steadyMilliseconds();
    if (m_layoutMismatchSinceMs < 0)
        m_layoutMismatchSinceMs = now;
    if (!m_layoutMismatchReported && now - m_layoutMismatchSinceMs >= stallLimitMs()) {
        m_layoutMismatchReported = true;
        qDebug("Sensor %s delivered samples of %d values where the selection needs %d: dropped",
               qPrintable(m_serialNumber), count, expected);
    }
    return false;
}

qint64 QuvixSensor::stallLimitMs() const
{
    // Several seconds, and never less than a few report periods.
    constexpr qint64 shortestLimitMs = 5000;
    return std::max<qint64>(shortestLimitMs, 3 * static_cast<qint64>(m_reportRate.load()));
}

void QuvixSensor::noteSample()
{
    m_lastSampleMs = steadyMilliseconds();
    if (m_stalled.exchange(false))
        qDebug("Sensor %s delivers samples again", qPrintable(m_serialNumber));
}

void QuvixSensor::noteNoSample()
{
    const qint64 now = steadyMilliseconds();
    if (m_lastSampleMs < 0) {
        m_lastSampleMs = now;
        return;
    }
    if (now - m_lastSampleMs > stallLimitMs() && !m_stalled.exchange(true))
        qDebug("Sensor %s stalled: no new sample for %lld ms", qPrintable(m_serialNumber),
               static_cast<long long>(now - m_lastSampleMs));
}
