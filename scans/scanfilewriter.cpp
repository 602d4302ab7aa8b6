#include "scans/scanfilewriter.h"

#include "scans/basescan.h"
#include "scans/csvcolumnoptions.h"
#include "scans/csvoptions.h"
#include "scans/fileprogress.h"
#include "scans/numberconversion.h"
#include "scans/processvalues.h"
#include "scans/recordcolumns.h"

#include <QBuffer>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

const char* const timeStampFormat = "yyyy/MM/dd - HH:mm:ss.zzz";
constexpr int pulseIds[] = {PulsePeriod, PulseOnTime, PulseFrequency, PulseDutyCycle};
constexpr size_t chunkBytes = 256 * 1024;
// Rows between two looks at a text stream's state, so that a failed write
// ends the export early without a look per row.
constexpr size_t rowsPerCheck = 1024;

bool writeAll(QIODevice& device, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const qint64 written = device.write(text.data() + done, static_cast<qint64>(text.size() - done));
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// The rows of a scan's trends, every one of which a file of the whole scan
// writes: the total its progress counts.
qint64 rowCount(const BaseScan& scan)
{
    qint64 rows = 0;
    for (const auto& set : scan.dataSets)
        rows += static_cast<qint64>(set->time.size());
    return rows;
}

// The ".dat" text built a chunk at a time: full chunks go to the device (when
// there is one), so the text held never grows with the scan. Each chunk
// written reports the rows done so far to the progress, when there is one.
class DatSink
{
public:
    DatSink(std::string& text, QIODevice* device, FileProgress* progress = nullptr)
        : m_text(text)
        , m_device(device)
        , m_progress(progress)
    {
        if (m_device)
            m_text.reserve(chunkBytes + 64 * 1024);
    }

    std::string& text() { return m_text; }

    void rowDone() { ++m_rows; }

    // Hands the text to the device once a chunk is full (or always when
    // `all`); false once a write failed or the progress was cancelled.
    bool drain(bool all = false)
    {
        if (!m_device || !m_ok || (!all && m_text.size() < chunkBytes))
            return m_ok;
        m_ok = writeAll(*m_device, m_text);
        m_text.clear();
        if (m_ok && m_progress)
            m_ok = m_progress->advance(m_rows);
        return m_ok;
    }

private:
    std::string& m_text;
    QIODevice* m_device;
    FileProgress* m_progress;
    qint64 m_rows = 0;
    bool m_ok = true;
};

// A UTF-8 text stream onto a device, numbers as the scan files write them.
void prepareTextStream(QTextStream& out)
{
    out.setCodec("UTF-8");
    out.setRealNumberPrecision(12);
    out.setRealNumberNotation(QTextStream::SmartNotation);
}

bool streamOk(QTextStream& out)
{
    return out.status() == QTextStream::Ok;
}

void appendText(std::string& out, const QString& text)
{
    out += text.toUtf8().toStdString();
}

// Text fields come from the user and from the sensors (a network sensor
// sends its serial number verbatim). A line end in one would end its line
// early and a separator would split it, and the file would not read back;
// both become blanks.
QString fieldText(QString value, const QString& separator)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!separator.isEmpty())
        value.replace(separator, QStringLiteral(" "));
    return value;
}

void appendKey(std::string& out, const char* key, const QString& value)
{
    out += key;
    appendText(out, fieldText(value, QStringLiteral(";")));
    out += '\n';
}

void appendKey(std::string& out, const char* key, double value)
{
    out += key;
    appendNumber(out, value);
    out += '\n';
}

void appendCell(std::string& out, const Series& series, size_t index)
{
    if (index < series.size())
        appendNumber(out, series[index]);
    out += ';';
}

void appendDatRow(std::string& out, const FrequencyRecord& record, size_t index)
{
    appendCell(out, record.frequencies, index);
    for (int h = 0; h < record.harmonicCount; ++h) {
        const size_t harmonic = static_cast<size_t>(h);
        for (const HarmonicSeries* series :
             {&record.voltage, &record.voltagePhase, &record.current, &record.currentPhase}) {
            if (harmonic < series->size())
                appendCell(out, (*series)[harmonic], index);
            else
                out += ';';
        }
    }
}

// The frequency line of the CSV and interval blocks.
void writeFrequencyLine(QTextStream& out, const TrendDataSet& set)
{
    int k = 1;
    for (const auto& record : set.records)
        out << "F" << k++ << csvDelimiter << record->frequencyMHz << csvDelimiter << "Harmonics"
            << csvDelimiter << record->harmonicCount << csvDelimiter;
    out << "\n";
}

bool pulseColumnOn(const CsvColumnOptions& options, int id)
{
    return options.isCsvOptionEnabled(parameterToOptionIndex(static_cast<unsigned>(id)));
}

// Counts the rows of a CSV or interval export for its progress, when it has
// one, and tells the export whether to go on: not after a failed write or a
// cancel. Looks at the stream's state only every so many rows.
class RowCounter
{
public:
    RowCounter(QTextStream& out, FileProgress* progress)
        : m_out(out)
        , m_progress(progress)
    {
    }

    // Called before each row.
    bool goOn()
    {
        if (m_rows++ % rowsPerCheck != 0)
            return true;
        if (!streamOk(m_out))
            return false;
        return !m_progress || m_progress->advance(m_rows - 1);
    }

private:
    QTextStream& m_out;
    FileProgress* m_progress;
    qint64 m_rows = 0;
};

void writeCsvBlock(QTextStream& out, const TrendDataSet& set, const CsvColumnOptions& options,
                   const QDateTime& created, RowCounter& rows)
{
    writeFrequencyLine(out, set);
    out << "Time " << csvDelimiter;
    int k = 1;
    for (const auto& record : set.records)
        RecordColumns::writeColumnHeadings(out, *record, k++, options);
    // A trend without records still names its pulse columns, from the program's table.
    const ParameterNames& names = set.records.empty() ? parameterNames : set.records.front()->parameterNames;
    for (int id : pulseIds)
        if (pulseColumnOn(options, id))
            out << names.name(id) << " " << names.unit(id) << csvDelimiter;
    out << "\n";
    if (set.records.empty())
        return;

    const Series* pulse[] = {&set.pulsePeriod, &set.pulseOnTime, &set.pulseFrequency, &set.pulseDutyCycle};
    for (size_t j = 0; j < set.time.size(); ++j) {
        if (!rows.goOn())
            return;
        const double t = set.time[j];
        if (csvUseFullTimestamp) {
            const qint64 ms =
                static_cast<qint64>(std::max(-9.0e15, std::min(9.0e15, std::trunc(1000.0 * t))));
            out << created.addMSecs(ms).toLocalTime().toString(QLatin1String(timeStampFormat));
        } else {
            out << QString::number(t, 'f', 10);
        }
        out << csvDelimiter;
        for (const auto& record : set.records)
            RecordColumns::writeColumnRow(out, *record, static_cast<int>(j), options);
        for (int p = 0; p < 4; ++p) {
            if (!pulseColumnOn(options, pulseIds[p]))
                continue;
            if (j < pulse[p]->size())
                out << QString::number((*pulse[p])[j], 'f', 10);
            out << csvDelimiter;
        }
        out << "\n";
    }
}

void writeIntervalBlock(QTextStream& out, const BaseScan& scan, const TrendDataSet& set, double minimum,
                        double maximum, const CsvColumnOptions& options, RowCounter& rows)
{
    Q_UNUSED(scan);
    writeFrequencyLine(out, set);
    out << "Time (time unit)" << csvDelimiter;
    int k = 1;
    for (const auto& record : set.records)
        RecordColumns::writeColumnHeadings(out, *record, k++, options);
    out << "\n";
    for (size_t j = 0; j < set.time.size(); ++j) {
        if (!rows.goOn())
            return;
        const double t = set.time[j];
        if (!(minimum < t && t < maximum))
            continue;
        out << t << csvDelimiter;
        for (const auto& record : set.records)
            RecordColumns::writeColumnRow(out, *record, static_cast<int>(j), options);
        out << "\n";
    }
}

} // namespace

bool ScanFileWriter::framesTrends(const BaseScan& scan)
{
    return scan.typeText == QLatin1String("Pulse Trend") || scan.dataSets.size() > 1;
}

QString ScanFileWriter::trendHeader(const TrendDataSet& set, int index, const QString& separator)
{
    std::string value;
    appendNumber(value, set.value);
    return QStringLiteral("%1 number%2%3%2%4%2%5%2%6%2%7")
        .arg(QLatin1String(trendMeasurementText), separator, QString::number(index + 1),
             TrendDataSet::modeLabel(set.mode), QString::fromStdString(value), QLatin1String(trendModeText),
             QString::number(set.mode));
}

namespace {

bool writeDatBlock(DatSink& sink, const TrendDataSet& set)
{
    std::string& out = sink.text();
    int k = 1;
    for (const auto& record : set.records) {
        out += 'F';
        appendInteger(out, k++);
        out += "; ";
        appendNumber(out, record->frequencyMHz);
        out += "; Harmonics ;";
        appendInteger(out, record->harmonicCount);
        out += ';';
    }
    out += '\n';

    QString headings;
    {
        QTextStream headingStream(&headings);
        headingStream << "Time (time unit);";
        k = 1;
        for (const auto& record : set.records)
            RecordColumns::writeDatHeadings(headingStream, *record, k++);
        if (!set.pulsePeriod.empty())
            headingStream << "Pulse Period (us);Pulse On Time (us);";
    }
    appendText(out, headings);
    out += '\n';

    const bool pulse = !set.pulsePeriod.empty();
    for (size_t j = 0; j < set.time.size(); ++j) {
        appendNumber(out, set.time[j]);
        out += ';';
        for (const auto& record : set.records)
            appendDatRow(out, *record, j);
        if (pulse) {
            appendCell(out, set.pulsePeriod, j);
            appendCell(out, set.pulseOnTime, j);
        }
        out += '\n';
        sink.rowDone();
        if (!sink.drain())
            return false;
    }
    return true;
}

bool writeDatTo(DatSink& sink, const BaseScan& scan, const QString& software)
{
    std::string& out = sink.text();
    appendKey(out, "Software ;", software);
    if (!scan.measurementName.isEmpty())
        appendKey(out, "Measurement Name;", scan.measurementName);
    appendKey(out, "Created;", scan.created.toString(Qt::ISODate));
    appendKey(out, "Scan Type;", scan.typeText);
    if (scan.timed) {
        out += "Scan Duration; ";
        appendNumber(out, scan.duration);
        out += "(s)\n";
    }
    appendKey(out, "Serial Number;", scan.serialNumber);
    appendKey(out, "Sensor Nickname;", scan.nickname);
    appendKey(out, "Trend Count;", QString::number(scan.dataSets.size()));
    appendKey(out, "Wafer Lot; ", scan.waferLot);
    appendKey(out, "Wafer Number;", scan.waferNumber);
    appendKey(out, "Trigger Level;", scan.triggerLevel);
    appendKey(out, "Trigger Holdoff;", scan.triggerHoldoff);
    appendKey(out, "start;", scan.startTime);
    appendKey(out, "end ;", scan.endTime);
    appendKey(out, "resolution;", scan.resolution);
    appendKey(out, "averages;", QString::number(scan.averages));
    appendKey(out, "ExtTrigger;", QString::number(scan.externalTrigger ? 1 : 0));
    appendKey(out, "Time Unit;", scan.timeAxisText);
    appendKey(out, "Total time;", QString::number(scan.elapsedAtStop));
    appendKey(out, "Quvix Type;", QString::number(scan.sensorType));
    appendKey(out, "ION FLUX series resistance;", scan.seriesResistance);
    appendKey(out, "ION FLUX electrode area;", scan.electrodeArea);
    appendKey(out, "ION FLUX voltage drop;", scan.voltageDrop);
    out += "Data\n";

    const bool framed = ScanFileWriter::framesTrends(scan);
    for (size_t i = 0; i < scan.dataSets.size(); ++i) {
        const TrendDataSet& set = *scan.dataSets[i];
        if (framed) {
            appendText(out, ScanFileWriter::trendHeader(set, static_cast<int>(i), QStringLiteral(";")));
            out += '\n';
        }
        if (!writeDatBlock(sink, set))
            return false;
        if (framed) {
            out += endTrendText;
            out += '\n';
        }
    }
    return sink.drain(true);
}

void writeCsvTo(QTextStream& out, const BaseScan& scan, const QString& software,
                const CsvColumnOptions& options, FileProgress* progress)
{
    pinAppliedCsvOptions();
    RowCounter rows(out, progress);
    out << "Software :" << fieldText(software, csvDelimiter) << "\n";
    out << "Date" << csvDelimiter << scan.created.toString(Qt::ISODate) << "\n";
    out << "Serial Number" << csvDelimiter << fieldText(scan.serialNumber, csvDelimiter) << "\n";
    if (!scan.waferLot.isEmpty())
        out << "Wafer Lot" << csvDelimiter << fieldText(scan.waferLot, csvDelimiter) << "\n";
    if (!scan.waferNumber.isEmpty())
        out << "Wafer Number" << csvDelimiter << fieldText(scan.waferNumber, csvDelimiter) << "\n";
    if (scan.trendCount > 0) {
        const size_t sets = scan.dataSets.size();
        for (size_t i = 0; i < sets; ++i) {
            if (sets == 1)
                out << "Energy" << csvDelimiter;
            else
                out << "Trend " << i << " Energy" << csvDelimiter;
            for (double total : scan.dataSets[i]->energyTotals())
                out << total << csvDelimiter;
            out << "\n";
        }
    }
    const bool framed = ScanFileWriter::framesTrends(scan);
    for (size_t i = 0; i < scan.dataSets.size(); ++i) {
        if (framed)
            out << ScanFileWriter::trendHeader(*scan.dataSets[i], static_cast<int>(i), csvDelimiter) << "\n";
        writeCsvBlock(out, *scan.dataSets[i], options, scan.created, rows);
    }
}

void writeIntervalTo(QTextStream& out, const BaseScan& scan, const QString& software, double minimum,
                     double maximum, const CsvColumnOptions& options, FileProgress* progress)
{
    pinAppliedCsvOptions();
    RowCounter rows(out, progress);
    out << "Software :" << fieldText(software, csvDelimiter) << "\n";
    const bool framed = ScanFileWriter::framesTrends(scan);
    for (size_t i = 0; i < scan.dataSets.size(); ++i) {
        if (framed)
            out << ScanFileWriter::trendHeader(*scan.dataSets[i], static_cast<int>(i), csvDelimiter) << "\n";
        writeIntervalBlock(out, scan, *scan.dataSets[i], minimum, maximum, options, rows);
        if (framed)
            out << endTrendText << "\n";
    }
}

// Runs a text-stream writer over the device, counting the scan's rows in the
// progress when there is one; false when a write failed or it was cancelled.
template <typename Write>
bool streamTo(QIODevice& device, const BaseScan& scan, FileProgress* progress, Write write)
{
    if (progress)
        progress->setTotal(rowCount(scan));
    QTextStream out(&device);
    prepareTextStream(out);
    write(out);
    out.flush();
    // A cancelled export went only so far.
    if (progress && (progress->isCancelled() || !progress->advance(rowCount(scan))))
        return false;
    return streamOk(out);
}

// The whole text of a text-stream writer, for small scans and tests.
template <typename Write> QString wholeText(const BaseScan& scan, Write write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    streamTo(buffer, scan, nullptr, write);
    return QString::fromUtf8(bytes);
}

} // namespace

void ScanFileWriter::appendDatBlock(std::string& out, const TrendDataSet& set)
{
    DatSink sink(out, nullptr);
    writeDatBlock(sink, set);
}

std::string ScanFileWriter::datText(const BaseScan& scan, const QString& software)
{
    std::string out;
    DatSink sink(out, nullptr);
    writeDatTo(sink, scan, software);
    return out;
}

bool ScanFileWriter::writeDat(QIODevice& device, const BaseScan& scan, const QString& software,
                              FileProgress* progress)
{
    if (progress)
        progress->setTotal(rowCount(scan));
    std::string chunk;
    DatSink sink(chunk, &device, progress);
    return writeDatTo(sink, scan, software);
}

bool ScanFileWriter::writeCsv(QIODevice& device, const BaseScan& scan, const QString& software,
                              const CsvColumnOptions& options, FileProgress* progress)
{
    return streamTo(device, scan, progress,
                    [&](QTextStream& out) { writeCsvTo(out, scan, software, options, progress); });
}

bool ScanFileWriter::writeInterval(QIODevice& device, const BaseScan& scan, const QString& software,
                                   double minimum, double maximum, const CsvColumnOptions& options,
                                   FileProgress* progress)
{
    return streamTo(device, scan, progress, [&](QTextStream& out) {
        writeIntervalTo(out, scan, software, minimum, maximum, options, progress);
    });
}

QString ScanFileWriter::csvText(const BaseScan& scan, const QString& software,
                                const CsvColumnOptions& options)
{
    return wholeText(scan, [&](QTextStream& out) { writeCsvTo(out, scan, software, options, nullptr); });
}

QString ScanFileWriter::intervalText(const BaseScan& scan, const QString& software, double minimum,
                                     double maximum, const CsvColumnOptions& options)
{
    return wholeText(scan, [&](QTextStream& out) {
        writeIntervalTo(out, scan, software, minimum, maximum, options, nullptr);
    });
}
