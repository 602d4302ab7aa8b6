#include "scans/basescan.h"

#include "scans/defaultcsvcolumnoptions.h"
#include "scans/filenameprompt.h"
#include "scans/fileoutput.h"
#include "scans/quantitytree.h"
#include "scans/scanfilereader.h"
#include "scans/scanfilewriter.h"
#include "sensors/quvixsensor.h"

#include <QDebug>
#include <QTreeWidgetItem>

#include <unistd.h>

#include <algorithm>
#include <chrono>
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
    m_startMs = m_clock();
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
    if (passive)
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
    return seriesFrom(scan, quantity, record, -1.0, dataSet);
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
// be created; false when the user gives up or the write fails.
template <typename Text>
bool writeWithRetry(QString& fileName, const Text& text, FileNamePrompt* prompt, const QString& caption,
                    const QString& filter)
{
    while (true) {
        const FileOutput::Result result = FileOutput::write(fileName, text);
        if (result == FileOutput::Written)
            return true;
        if (result == FileOutput::WriteFailed || !prompt)
            return false;
        const QString answer = prompt->askForNewFileName(fileName, caption, filter);
        if (answer.isEmpty())
            return false;
        fileName = answer;
    }
}

} // namespace

void BaseScan::setBaseNameFrom(const QString& fileName)
{
    m_fileBaseName = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    m_fileBaseName.chop(4);
}

bool BaseScan::saveDat(QString& fileName, const QString& software, FileNamePrompt* prompt)
{
    std::string text;
    {
        std::lock_guard<std::mutex> lock(mutex);
        text = ScanFileWriter::datText(*this, software);
    }
    if (!writeWithRetry(fileName, text, prompt, QStringLiteral("Re-enter File name"),
                        QStringLiteral("data file (*.dat)")))
        return false;
    if (filePath.isEmpty())
        filePath = fileName;
    setBaseNameFrom(fileName);
    unsavedData = false;
    return true;
}

std::unique_ptr<BaseScan> BaseScan::loadDat(const QString& fileName)
{
    return ScanFileReader::readFile(fileName);
}

bool BaseScan::exportCsv(QString& fileName, const QString& software, const CsvColumnOptions* options,
                         FileNamePrompt* prompt)
{
    const AllColumns all;
    QByteArray text;
    {
        std::lock_guard<std::mutex> lock(mutex);
        text = ScanFileWriter::csvText(*this, software, options ? *options : all).toUtf8();
    }
    return writeWithRetry(fileName, text, prompt, QStringLiteral("ReEnter File name"),
                          QStringLiteral("comma separated value (*.csv)"));
}

bool BaseScan::exportText(const QString& fileName, const QString& software, double minimum, double maximum,
                          const CsvColumnOptions* options)
{
    const AllColumns all;
    QByteArray text;
    {
        std::lock_guard<std::mutex> lock(mutex);
        text = ScanFileWriter::intervalText(*this, software, minimum, maximum, options ? *options : all)
                   .toUtf8();
    }
    return FileOutput::write(fileName, text) == FileOutput::Written;
}
