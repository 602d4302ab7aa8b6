#include "scans/basescan.h"

#include "scans/autosavetag.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/filenameprompt.h"
#include "scans/fileoutput.h"
#include "scans/numberconversion.h"
#include "scans/processvalues.h"
#include "scans/quantitytree.h"
#include "scans/scanfilenames.h"
#include "scans/scanfilereader.h"
#include "scans/scanfilewriter.h"
#include "scans/scanhandler.h"
#include "scans/scanlog.h"
#include "sensors/quvixsensor.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTreeWidgetItem>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

namespace {

constexpr qint64 ticksPerMillisecond = 24000;
constexpr qint64 minimumStorageLimit = qint64(256) << 20;

qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime nowWithFixedOffset()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc());
}

} // namespace

BaseScan::BaseScan(QuvixSensor* scanSensor, const QString& name)
    : sensor(scanSensor)
    , measurementName(name)
    , m_clock(steadyMilliseconds)
    , m_storageLimit(defaultStorageLimit())
{
    if (sensor) {
        serialNumber = sensor->serialNumber();
        nickname = sensor->nickname();
        sensorType = sensor->sensorType();
    }
    dataSets.push_back(makeDataSet(0.0, 0));
    trendCount = 1;
    typeText = QStringLiteral("Passive");
    timeAxisText = QStringLiteral("time (s)");
    if (sensor) {
        const double steps = sensor->delayStepsPerMicrosecond();
        timeStep = steps != 0.0 ? steps : 1.0;
    }
    created = nowWithFixedOffset();
    if (sensor)
        averages = sensor->reportRate();
}

BaseScan::~BaseScan() = default;

std::unique_ptr<TrendDataSet> BaseScan::makeDataSet(double value, int mode) const
{
    auto set = std::make_unique<TrendDataSet>(sensorType, value, mode);
    if (!sensor)
        return set;
    const auto& frequencies = sensor->frequencies();
    const auto& selected = sensor->selectedHarmonics();
    const int n = std::min(static_cast<int>(frequencies.size()), static_cast<int>(selected.size()));
    for (int i = 0; i < n; ++i)
        if (selected[i] > 0)
            set->addRecord(frequencies[i], selected[i]);
    return set;
}

qint64 BaseScan::defaultStorageLimit()
{
    // A quarter of the machine's memory per scan: far more than any window
    // or sensible recording, yet the scan ends before the system runs dry.
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return qint64(1) << 30;
    return std::max(minimumStorageLimit, static_cast<qint64>(pages) * pageSize / 4);
}

void BaseScan::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(steadyMilliseconds);
}

qint64 BaseScan::elapsedMilliseconds() const
{
    const qint64 startMs = m_startMs;
    return startMs < 0 ? 0 : m_clock() - startMs;
}

void BaseScan::start()
{
    // Started again after a reconnection, the scan keeps its clock: its time
    // axis spans the gap too, and a timed scan ends on time.
    qint64 notStarted = -1;
    m_startMs.compare_exchange_strong(notStarted, m_clock());
    if (sensor) {
        sensor->setTriggerHoldoff(0);
        sensor->setTriggerValue(0);
        sensor->setTriggerDelay(0.0);
        sensor->setReportRate(averages);
    }
    started = true;
}

void BaseScan::addData(double* sample, int count, double delay, int tickDelta)
{
    if (count == 0)
        return;
    // A five-value sample is read as seven; the two added positions are zero,
    // not whatever the buffer held before.
    double padded[7] = {};
    const double* values = sample;
    if (count == 5) {
        std::copy(sample, sample + 5, padded);
        values = padded;
        count = 7;
    }
    if (dataSets.empty())
        return;
    const qint64 offset = reconnectOffset.exchange(0);
    appendLocked(*dataSets.front(), values, count, delay, tickDelta + offset);
}

bool BaseScan::appendLocked(TrendDataSet& set, const double* sample, int count, double delay,
                            qint64 tickDelta)
{
    bool appended = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const qint64 nextBytes = static_cast<qint64>(set.doublesPerSample() * sizeof(double));
        if (storedBytesLocked() + nextBytes <= m_storageLimit) {
            try {
                appended = set.appendSample(sample, count, delay, tickDelta);
            } catch (const std::bad_alloc&) {
                appended = false;
            }
        }
    }
    if (!appended)
        enterDataLimit();
    return appended;
}

qint64 BaseScan::storedBytesLocked() const
{
    qint64 bytes = 0;
    for (const auto& set : dataSets)
        bytes += static_cast<qint64>(set->sampleCount() * set->doublesPerSample() * sizeof(double));
    return bytes;
}

void BaseScan::enterDataLimit()
{
    continueMonitoring = false;
    dataLimitReached = true;
    markFinished();
    emit errorOcurred(ScanDataLimitError);
    emit acquisitionStopped();
}

void BaseScan::refuseConfiguration(const QString& reason)
{
    qDebug().noquote() << "Scan not started:" << reason;
    started = true;
    markFinished();
    emit errorOcurred(ScanConfigurationError);
}

void BaseScan::markFinished()
{
    elapsedAtStop = static_cast<int>(elapsedMilliseconds());
    finished = true;
}

void BaseScan::afterSample(int /*handle*/)
{
    if (triggerRecording)
        triggeredStep();
    else if (passive)
        trimWindow(10, 5);
}

void BaseScan::preSample(int /*handle*/, double /*delay*/) {}

void BaseScan::preempt()
{
    stop();
}

bool BaseScan::isWaitingForTrigger() const
{
    return waitingForTrigger;
}

int BaseScan::pollInterval() const
{
    return averages / 2 + 1;
}

QString BaseScan::elapsedText() const
{
    if (!timed)
        return QStringLiteral("N/A");
    return QString::number(elapsedMilliseconds() / 1000, 'g', 4);
}

QString BaseScan::durationText() const
{
    return timed ? QString::number(duration, 'g', 4) : QStringLiteral("N/A");
}

void BaseScan::stop()
{
    markFinished();
}

void BaseScan::checkDuration()
{
    if (!timed)
        return;
    const double grace = averages <= 1000 ? averages / 1000.0 : 0.0;
    if (elapsedMilliseconds() / 1000.0 > duration + grace)
        markFinished();
}

void BaseScan::resumeAfterReconnect(qint64 gapMilliseconds)
{
    started = false;
    finished = false;
    skipCount = 0;
    reconnectOffset = gapMilliseconds * ticksPerMillisecond;
}

int BaseScan::sampleCount(int dataSet) const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= dataSets.size())
        return 0;
    return static_cast<int>(dataSets[static_cast<size_t>(dataSet)]->sampleCount());
}

int BaseScan::sampleLength() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return dataSets.empty() ? 0 : dataSets.front()->expectedSampleLength();
}

QString BaseScan::name() const
{
    return m_fileBaseName + "-" + (nickname.isEmpty() ? serialNumber : nickname);
}

void BaseScan::clearData()
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& set : dataSets)
        set->clearValues();
}

void BaseScan::resetEnergy()
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& set : dataSets)
        set->resetEnergies();
}

QVector<QVector<double>> BaseScan::energies() const
{
    std::lock_guard<std::mutex> lock(mutex);
    QVector<QVector<double>> totals;
    if (trendCount == 0)
        return totals;
    for (const auto& set : dataSets) {
        const std::vector<double> setTotals = set->energyTotals();
        totals.append(QVector<double>(setTotals.begin(), setTotals.end()));
    }
    return totals;
}

void BaseScan::setInitialEnergies(const QVector<QVector<double>>& totals)
{
    std::lock_guard<std::mutex> lock(mutex);
    const size_t n = std::min(static_cast<size_t>(totals.size()), dataSets.size());
    for (size_t i = 0; i < n; ++i) {
        const QVector<double>& setTotals = totals[static_cast<int>(i)];
        dataSets[i]->setEnergies(std::vector<double>(setTotals.begin(), setTotals.end()));
    }
}

void BaseScan::setIonFluxFactors(double resistance, double drop, double area)
{
    std::lock_guard<std::mutex> lock(mutex);
    seriesResistance = resistance;
    voltageDrop = drop;
    electrodeArea = area;
    for (const auto& set : dataSets)
        set->setIonFluxFactors(resistance, drop, area);
}

void BaseScan::setWaferInfo(const QString& lot, const QString& number)
{
    waferLot = lot;
    waferNumber = number;
}

std::vector<double> BaseScan::series(BaseScan* scan, int quantity, int record, int dataSet)
{
    if (!scan)
        return {};
    std::lock_guard<std::mutex> lock(scan->mutex);
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= scan->dataSets.size())
        return {};
    return scan->dataSets[static_cast<size_t>(dataSet)]->latestHarmonicValues(quantity, record);
}

std::vector<double> BaseScan::seriesFrom(BaseScan* scan, int quantity, int record, double t, int dataSet)
{
    if (!scan)
        return {};
    std::lock_guard<std::mutex> lock(scan->mutex);
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= scan->dataSets.size())
        return {};
    return scan->dataSets[static_cast<size_t>(dataSet)]->harmonicValues(quantity, record, t);
}

double BaseScan::latestValue(int parameterId, int record, int harmonic, int dataSet) const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= dataSets.size())
        return 0.0;
    return dataSets[static_cast<size_t>(dataSet)]->latestValue(parameterId, record, harmonic);
}

SeriesCopy BaseScan::copySeries(int parameterId, int record, int harmonic, int dataSet,
                                qint64 fromSampleNumber) const
{
    SeriesCopy copy;
    std::lock_guard<std::mutex> lock(mutex);
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= dataSets.size())
        return copy;
    const TrendDataSet& set = *dataSets[static_cast<size_t>(dataSet)];
    const qint64 first = std::max(fromSampleNumber, set.firstSampleNumber());
    copy.firstSampleNumber = first;
    copy.heldFirstSampleNumber = set.firstSampleNumber();
    copy.timeShiftCount = set.timeShiftCount();
    const size_t offset =
        static_cast<size_t>(std::min(first - set.firstSampleNumber(), static_cast<qint64>(set.time.size())));
    copy.time.assign(set.time.begin() + static_cast<std::ptrdiff_t>(offset), set.time.end());
    const Series& values = set.parameterSeries(parameterId, record, harmonic);
    if (offset < values.size())
        copy.values.assign(values.begin() + static_cast<std::ptrdiff_t>(offset), values.end());
    return copy;
}

void BaseScan::trimWindow(int window, int keep)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (dataSets.empty())
        return;
    const TrendDataSet& first = *dataSets.front();
    if (first.sampleCount() == 0 || first.lastTime() - first.firstTime() <= window)
        return;
    const double cut = first.lastTime() - keep;
    for (const auto& set : dataSets)
        set->removeBefore(cut);
}

QTreeWidgetItem* BaseScan::treeItem()
{
    auto* item = new QTreeWidgetItem();
    if (filePath.isEmpty()) {
        item->setText(0, QStringLiteral("%1 %2 %3 (%4)")
                             .arg(nickname.isEmpty() ? serialNumber : nickname, typeText,
                                  QString::number(elapsedAtStop / 1000.0, 'g', 6), timeAxisText));
    } else {
        item->setText(0, m_fileBaseName);
    }
    item->setToolTip(0, QStringLiteral("%5 \n Holdoff %1 ; Level %2 ; Resolution %3 ; Averages %4")
                            .arg(QString::number(triggerHoldoff, 'g', 4),
                                 QString::number(triggerLevel, 'g', 4), QString::number(resolution, 'g', 4),
                                 QString::number(averages, 'g', 4), filePath));
    item->setData(0, ScanRole, QVariant::fromValue(static_cast<void*>(this)));

    std::lock_guard<std::mutex> lock(mutex);
    const int count = static_cast<int>(dataSets.size());
    if (count < 2) {
        if (count == 1)
            dataSets.front()->addTreeItems(item, false, this, 0);
        return item;
    }
    for (int i = 0; i < count; ++i) {
        auto* child = new QTreeWidgetItem(item);
        child->setData(0, ScanRole, QVariant::fromValue(static_cast<void*>(this)));
        dataSets[static_cast<size_t>(i)]->addTreeItems(child, true, this, i);
    }
    return item;
}

namespace {

// Every column that stands for a quantity, without touching the delimiter.
class AllColumns : public CsvColumnOptions
{
public:
    bool isCsvOptionEnabled(int optionIndex) const override { return isCsvColumnOption(optionIndex); }
};

// Writes through FileOutput, asking for another name while the file cannot
// be created; false when the user gives up or the write fails. A typed name
// gets its ending as the first dialog's answer did (`named`).
bool writeWithRetry(QString& fileName, const FileOutput::Fill& fill, FileNamePrompt* prompt,
                    const QString& caption, const QString& filter, QString (*named)(const QString&))
{
    while (true) {
        const FileOutput::Result result = FileOutput::write(fileName, fill);
        if (result == FileOutput::Written)
            return true;
        if (result == FileOutput::WriteFailed || !prompt)
            return false;
        const QString answer = prompt->askForNewFileName(fileName, caption, filter);
        if (answer.isEmpty())
            return false;
        fileName = named(answer);
    }
}

} // namespace

void BaseScan::setBaseNameFrom(const QString& fileName)
{
    m_fileBaseName = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    m_fileBaseName.chop(4);
}

// The writers stream straight into the file under the scan's mutex: a copy
// of the text would grow with the scan (and fail for the longest ones).
bool BaseScan::saveDat(QString& fileName, const QString& software, FileNamePrompt* prompt)
{
    const auto fill = [this, &software](QIODevice& device) {
        std::lock_guard<std::mutex> lock(mutex);
        return ScanFileWriter::writeDat(device, *this, software);
    };
    if (!writeWithRetry(fileName, fill, prompt, QStringLiteral("Re-enter File name"),
                        QStringLiteral("data file (*.dat)"), &ScanFileNames::scanFile))
        return false;
    markSavedAs(fileName);
    return true;
}

void BaseScan::markSavedAs(const QString& fileName)
{
    if (filePath.isEmpty())
        filePath = fileName;
    setBaseNameFrom(fileName);
    unsavedData = false;
}

std::unique_ptr<BaseScan> BaseScan::loadDat(const QString& fileName)
{
    int version = -1;
    std::unique_ptr<BaseScan> scan = ScanFileReader::readFile(fileName, nullptr, &version);
    ScanFileReader::noteVersion(version);
    return scan;
}

bool BaseScan::exportCsv(QString& fileName, const QString& software, const CsvColumnOptions* options,
                         FileNamePrompt* prompt)
{
    const AllColumns all;
    const auto fill = [&](QIODevice& device) {
        std::lock_guard<std::mutex> lock(mutex);
        return ScanFileWriter::writeCsv(device, *this, software, options ? *options : all);
    };
    return writeWithRetry(fileName, fill, prompt, QStringLiteral("ReEnter File name"),
                          QStringLiteral("comma separated value (*.csv)"), &ScanFileNames::exportFile);
}

bool BaseScan::exportText(const QString& fileName, const QString& software, double minimum, double maximum,
                          const CsvColumnOptions* options)
{
    const AllColumns all;
    const auto fill = [&](QIODevice& device) {
        std::lock_guard<std::mutex> lock(mutex);
        return ScanFileWriter::writeInterval(device, *this, software, minimum, maximum,
                                             options ? *options : all);
    };
    return FileOutput::write(fileName, fill) == FileOutput::Written;
}

// ---- autosave names ---------------------------------------------------------------

namespace {

// Tag values come from the user and the sensor; keep them to file-name characters.
QString fileNameSafe(QString value)
{
    for (QChar& c : value)
        if (QStringLiteral("\\/:*?\"<>|").contains(c))
            c = QLatin1Char('_');
    return value;
}

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

// A pattern's own text may name sub-folders of the autosave folder (stored
// patterns did), never a way out of it: steps up, "." and empty steps go.
QString insideFolder(const QString& name)
{
    QStringList steps = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    steps.removeAll(QStringLiteral("."));
    steps.removeAll(QStringLiteral(".."));
    return steps.join(QLatin1Char('/'));
}

} // namespace

void BaseScan::setAutosaveTarget(const QString& folder, const QString& pattern)
{
    autosaveFolder = folder.isEmpty() ? QStringLiteral("./") : folder;
    autosavePattern = pattern;
    autosaveEnabled = true;
}

QString BaseScan::autosaveTagValue(int id) const
{
    switch (id) {
    case 0:
        return fileNameSafe(nickname.isEmpty() ? serialNumber : nickname);
    case 1:
        return fileNameSafe(serialNumber);
    case 2:
        return created.toString(QStringLiteral("yyyy_MM_dd-HH-mm-ss"));
    case 3:
        return fileNameSafe(typeText);
    case 4:
        return QStringLiteral("%1[s]").arg(QString::number(static_cast<double>(averages / 1000.0f), 'g', 6));
    case 5:
        return created.toString(QStringLiteral("HH"));
    case 6:
        return created.toString(QStringLiteral("dd"));
    case 7:
        return created.toString(QStringLiteral("mm"));
    case 8:
        return created.toString(QStringLiteral("ss"));
    case 9:
        return fileNameSafe(waferLot);
    case 10:
        return fileNameSafe(waferNumber);
    case 11:
        return fileNameSafe(ParameterNames::shared().unit(startParameter));
    case 12: {
        std::lock_guard<std::mutex> lock(mutex);
        const double last = dataSets.empty() ? 0.0 : dataSets.front()->lastTime();
        return QStringLiteral("%1 sec").arg(numberText(last));
    }
    case 13:
        return QString::number(eventCount);
    case 14:
        return numberText(startLevel);
    default:
        return QString();
    }
}

QString BaseScan::expandAutosavePattern(QString pattern) const
{
    for (const AutosaveTag& tag : autosaveTagTable())
        if (pattern.contains(tag.tag))
            pattern.replace(tag.tag, autosaveTagValue(tag.id));
    static const QRegularExpression unknownTag(QStringLiteral("<(.*?)>"));
    return pattern.remove(unknownTag);
}

void BaseScan::autosaveFileName()
{
    autosavePath.clear();
    QString name = insideFolder(expandAutosavePattern(autosavePattern));
    if (name.isEmpty())
        name = expandAutosavePattern(defaultAutosavePattern());

    QString path =
        autosaveFolder.endsWith(QLatin1Char('/')) ? autosaveFolder + name : autosaveFolder + "/" + name;
    if (!waferLot.isEmpty())
        path += QStringLiteral("_%1_%2").arg(fileNameSafe(waferLot), fileNameSafe(waferNumber));

    QString chosen = path;
    for (qint64 counter = 1; QFileInfo::exists(chosen + ".dat"); ++counter)
        chosen = QStringLiteral("%1_%2").arg(path).arg(counter);
    autosavePath = chosen + ".dat";
    filePath = autosavePath;
    setBaseNameFrom(autosavePath);
}

QString BaseScan::writeFailureReason(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    if (!folder.isDir())
        return QStringLiteral("%1 is not a folder").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("the folder %1 cannot be written to").arg(folder.filePath());
    return QStringLiteral("%1 could not be written whole (is the disk full?)").arg(path);
}

QString BaseScan::autosave(BaseScan* scan, const CsvColumnOptions* options, QString* failure)
{
    if (failure)
        failure->clear();
    if (!scan || !scan->autosaveEnabled)
        return QString();
    scan->autosaveFileName();
    QString datPath = scan->autosavePath;
    QString reason;
    if (!scan->saveDat(datPath, applicationVersionString)) {
        reason = writeFailureReason(datPath);
    } else {
        QString csvPath = ScanFileNames::companionOf(datPath);
        if (!scan->exportCsv(csvPath, applicationVersionString, options))
            reason = writeFailureReason(csvPath);
    }
    if (reason.isEmpty())
        return datPath;
    // Nobody may be looking when a scan completes: the log keeps the trace.
    scanLog(QStringLiteral("Autosave of %1 to %2 failed: %3").arg(scan->name(), datPath, reason));
    if (failure)
        *failure = reason;
    return QString();
}

// ---- triggered recording ----------------------------------------------------------

void BaseScan::setTriggerRecording(int startId, double startThreshold, bool startWhenAbove, int stopId,
                                   double stopThreshold, bool stopWhenAbove, double preSeconds,
                                   double postSeconds, double eventSeconds, bool keepMonitoring,
                                   int watchedFrequency, const CsvColumnOptions* settings)
{
    startParameter = startId;
    startLevel = startThreshold;
    startAbove = startWhenAbove;
    stopParameter = stopId;
    stopLevel = stopThreshold;
    stopAbove = stopWhenAbove;
    preDuration = preSeconds;
    postDuration = postSeconds;
    eventDuration = eventSeconds;
    continueMonitoring = keepMonitoring;
    frequencyIndex = watchedFrequency;
    autosaveSettings = settings;
    triggerRecording = true;
    eventCount = 0;
}

double BaseScan::watchedValue(int parameterId) const
{
    return latestValue(parameterId, frequencyIndex, 0, 0);
}

void BaseScan::triggeredStep()
{
    if (waitingForTrigger) {
        const double v = watchedValue(startParameter);
        if (rearm && v < startLevel)
            rearm = false;
        const bool start = startAbove ? v > startLevel : v < startLevel;
        if (start || rearm)
            startEvent();
        else
            trimWindow(truncatedToInt(3.0 * preDuration), truncatedToInt(preDuration));
        return;
    }
    const bool ended = eventEnded();
    if (ended) {
        resetEnergy();
        endEvent();
    }
}

void BaseScan::startEvent()
{
    stopPending = false;
    stopMark = 0.0;
    ++eventCount;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const double t = dataSets.empty() ? 0.0 : dataSets.front()->lastTime();
        if (t - preDuration > 0.0)
            for (const auto& set : dataSets)
                set->removeBefore(t - preDuration);
        created = nowWithFixedOffset();
        for (const auto& set : dataSets)
            set->shiftTime(t);
    }
    waitingForTrigger = false;
    emit acquisitionStarted();
}

bool BaseScan::eventEnded()
{
    double t = 0.0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        t = dataSets.empty() ? 0.0 : dataSets.front()->lastTime();
    }
    if (stopPending && t > postDuration + stopMark)
        return true;
    if (eventDuration > 0.0 && std::round(t * 10.0) / 10.0 >= eventDuration)
        return true;
    const double v = watchedValue(stopParameter);
    const bool stop = stopAbove ? v >= stopLevel : (v < stopLevel && eventDuration == 0.0);
    if (!stop) {
        stopPending = false;
        return false;
    }
    if (postDuration > 0.0) {
        if (!stopPending)
            stopMark = t;
        stopPending = true;
        return false;
    }
    return true;
}

void BaseScan::endEvent()
{
    if (!continueMonitoring) {
        markFinished();
        emit acquisitionStopped();
        return;
    }
    QString failure;
    const QString saved = autosave(this, autosaveSettings, &failure);
    if (!failure.isEmpty()) {
        ScanHandler* registry = ScanHandler::getInstance();
        QMetaObject::invokeMethod(
            registry, [registry, name = name(), failure] { registry->reportAutosaveFailure(name, failure); },
            Qt::QueuedConnection);
    }
    // Read back (or copied) before the time shift below, as it was recorded.
    BaseScan* event = eventScan(saved);
    {
        std::lock_guard<std::mutex> lock(mutex);
        const double t0 = dataSets.empty() ? 0.0 : dataSets.front()->firstTime();
        for (const auto& set : dataSets)
            set->shiftTime(t0);
    }
    waitingForTrigger = true;
    if (event) {
        // The registry and its tree belong to the GUI thread, and so does the
        // event scan from now on (this thread may end before it is deleted).
        ScanHandler* registry = ScanHandler::getInstance();
        event->moveToThread(registry->thread());
        QMetaObject::invokeMethod(
            registry, [registry, event] { registry->scanComplete(event); }, Qt::QueuedConnection);
    }
    if (eventDuration > 0.0)
        rearm = true;
    emit acquisitionStopped();
}

BaseScan* BaseScan::eventScan(const QString& savedPath)
{
    if (!savedPath.isEmpty()) {
        try {
            return ScanFileReader::readFile(savedPath).release();
        } catch (int code) {
            scanLog(QStringLiteral("Event file %1 could not be read back (%2); the event is kept in memory")
                        .arg(savedPath)
                        .arg(code));
        }
    } else if (autosaveEnabled) {
        scanLog(QStringLiteral("Event %1 could not be saved; it is kept in memory, unsaved").arg(eventCount));
    }
    // An event without a file: the same text read back, unsaved and named apart.
    auto copy = std::make_unique<BaseScan>(nullptr, measurementName);
    copy->dataSets.clear();
    copy->trendCount = 0;
    try {
        QByteArray text;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const std::string dat = ScanFileWriter::datText(*this, applicationVersionString);
            text = QByteArray(dat.data(), static_cast<int>(dat.size()));
        }
        ScanFileReader::read(text, *copy);
    } catch (int) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        scanLog(
            QStringLiteral("Event %1 could not be copied into memory: not enough memory").arg(eventCount));
        return nullptr;
    }
    copy->unsavedData = true;
    copy->m_fileBaseName = QStringLiteral("Event %1 %2")
                               .arg(eventCount)
                               .arg(created.toString(QStringLiteral("yyyy_MM_dd-HH-mm-ss-zzz")));
    return copy.release();
}
