#include "scans/scanfilereader.h"

#include "scans/basescan.h"
#include "scans/fileprogress.h"
#include "scans/numberconversion.h"
#include "scans/processvalues.h"

#include <QBuffer>
#include <QFile>
#include <QStringList>

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr qint64 chunkBytes = 256 * 1024;
// The longest line a sensor's file can have is a few hundred kilobytes.
constexpr size_t maximumLineBytes = 16u << 20;

[[noreturn]] void refuse()
{
    throw static_cast<int>(ScanFileReader::NotAScanFile);
}

// Finds the line that starts with "END TREND" in bytes fed piece by piece,
// counting the line ends before it.
class BlockEndScanner
{
public:
    // True once the end line's start is seen.
    bool feed(const char* p, const char* end)
    {
        static constexpr char marker[] = "END TREND";
        while (p < end) {
            if (m_matched >= 0) {
                if (*p == marker[m_matched]) {
                    ++p;
                    if (++m_matched == static_cast<int>(sizeof marker) - 1)
                        return true;
                    continue;
                }
                m_matched = -1;
            }
            const void* lineEnd = std::memchr(p, '\n', static_cast<size_t>(end - p));
            if (!lineEnd)
                return false;
            ++m_lineEnds;
            p = static_cast<const char*>(lineEnd) + 1;
            m_matched = 0;
        }
        return false;
    }
    size_t lineEnds() const { return m_lineEnds; }

private:
    size_t m_lineEnds = 0;
    int m_matched = 0; // characters of the marker matched at a line start; -1 none
};

// The lines of a file read a chunk at a time, "\n" or "\r\n" ended, so the
// reader's memory does not grow with the file. A line longer than any a
// scan file holds makes the file corrupt.
class LineSource
{
public:
    // Reports the bytes read to `progress` (when given) as a share of the
    // device's size, and ends the read with Cancelled once it is cancelled.
    LineSource(QIODevice& device, FileProgress* progress)
        : m_device(device)
        , m_progress(progress)
    {
        if (m_progress)
            m_progress->setTotal(m_device.size());
    }

    // May read on, which ends the life of the last line returned.
    bool atEnd()
    {
        if (m_position < m_buffer.size())
            return false;
        fill();
        return m_position >= m_buffer.size();
    }

    // The next line; valid until the next call. Empty at the end.
    std::string_view next()
    {
        size_t end = m_buffer.find('\n', m_position);
        while (end == std::string::npos && !m_deviceDone) {
            const size_t searched = m_buffer.size() - m_position;
            fill();
            end = m_buffer.find('\n', m_position + searched);
            if (m_buffer.size() - m_position > maximumLineBytes)
                refuse();
        }
        const size_t stop = end == std::string::npos ? m_buffer.size() : end;
        std::string_view line(m_buffer.data() + m_position, stop - m_position);
        m_position = end == std::string::npos ? m_buffer.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

    // Lines left before the next "END TREND" line (or the end): an upper
    // bound of the rows of the block being read. Reads ahead and comes back.
    size_t linesLeftInBlock()
    {
        BlockEndScanner scanner;
        if (scanner.feed(m_buffer.data() + m_position, m_buffer.data() + m_buffer.size()) || m_deviceDone)
            return scanner.lineEnds() + 1;
        const qint64 resume = m_device.pos();
        m_ahead.resize(static_cast<size_t>(chunkBytes));
        while (true) {
            stopIfCancelled();
            const qint64 n = m_device.read(m_ahead.data(), chunkBytes);
            if (n <= 0 || scanner.feed(m_ahead.data(), m_ahead.data() + n))
                break;
        }
        if (!m_device.seek(resume))
            refuse();
        return scanner.lineEnds() + 1;
    }

private:
    void stopIfCancelled() const
    {
        if (m_progress && m_progress->isCancelled())
            throw static_cast<int>(ScanFileReader::Cancelled);
    }

    void fill()
    {
        if (m_deviceDone)
            return;
        if (m_progress && !m_progress->advance(m_device.pos()))
            throw static_cast<int>(ScanFileReader::Cancelled);
        m_buffer.erase(0, m_position);
        m_position = 0;
        const size_t held = m_buffer.size();
        m_buffer.resize(held + static_cast<size_t>(chunkBytes));
        const qint64 n = m_device.read(m_buffer.data() + held, chunkBytes);
        m_buffer.resize(held + static_cast<size_t>(std::max<qint64>(n, 0)));
        if (n <= 0)
            m_deviceDone = true;
    }

    QIODevice& m_device;
    FileProgress* m_progress;
    std::string m_buffer;
    std::string m_ahead; // the bytes read ahead by linesLeftInBlock
    size_t m_position = 0;
    bool m_deviceDone = false;
};

// What a file of a given size can hold, in cells: every cell of a data row
// takes at least a digit and its ";". A record and each row of a trend cost
// the cells of its full layout, whatever the row holds, because that is what
// the data model stores; a file that claims more is refused before memory
// is taken for it. One cell per byte leaves room for old files, whose rows
// lack the harmonic phase columns the model still stores; small files get
// some slack.
class CellBudget
{
public:
    explicit CellBudget(qint64 fileBytes)
        : m_left(fileBytes + 32768)
    {
    }
    bool allows(qint64 cells) const { return cells <= m_left; }
    void spend(qint64 cells)
    {
        if (!allows(cells))
            refuse();
        m_left -= cells;
    }

private:
    qint64 m_left;
};

// The fields of a line split at ";", empty ones kept; views into the line.
void splitFields(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    size_t start = 0;
    while (true) {
        const size_t end = line.find(';', start);
        if (end == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
}

// The same split with each field read as a number as well (0 where it is
// not one), in one pass over the line: a field that is nothing but a number
// is read where it stands, and only the others are looked for and read
// again as parseNumber reads them (blanks, a "+").
void splitCells(std::string_view line, std::vector<std::string_view>& fields, std::vector<double>& values)
{
    fields.clear();
    values.clear();
    const char* start = line.data();
    const char* const end = start + line.size();
    while (true) {
        double value = 0.0;
        const std::from_chars_result read = std::from_chars(start, end, value);
        const char* stop = read.ptr;
        if (read.ec != std::errc() || (stop != end && *stop != ';')) {
            stop = static_cast<const char*>(std::memchr(start, ';', static_cast<size_t>(end - start)));
            if (!stop)
                stop = end;
            parseNumber(std::string_view(start, static_cast<size_t>(stop - start)), value);
        }
        fields.emplace_back(start, static_cast<size_t>(stop - start));
        values.push_back(value);
        if (stop == end)
            return;
        start = stop + 1;
    }
}

QString text(std::string_view field)
{
    return QString::fromUtf8(field.data(), static_cast<int>(field.size()));
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive for ASCII letters, which every key is; other bytes match exactly.
bool containsNoCase(std::string_view field, std::string_view key)
{
    if (key.size() > field.size())
        return false;
    for (size_t start = 0; start + key.size() <= field.size(); ++start) {
        size_t i = 0;
        while (i < key.size() && lowerAscii(field[start + i]) == lowerAscii(key[i]))
            ++i;
        if (i == key.size())
            return true;
    }
    return false;
}

double number(std::string_view field)
{
    double value = 0.0;
    parseNumber(field, value);
    return value;
}

int integer(std::string_view field)
{
    qint64 value = 0;
    if (!parseInteger(field, value))
        return 0;
    return truncatedToInt(static_cast<double>(value));
}

// "created": ISO 8601 when it holds a "T", else the autosave tag format.
QDateTime createdTime(const QString& value)
{
    if (value.contains(QLatin1Char('T')))
        return QDateTime::fromString(value, Qt::ISODate);
    return QDateTime::fromString(value, QStringLiteral("yyyy_MM_dd-HH-mm-ss"));
}

// The writer puts "(s)" after the duration and a blank before it; so that a
// saved scan reads back timed, both are dropped.
double durationSeconds(std::string_view field)
{
    QString value = text(field).trimmed();
    if (value.endsWith(QLatin1String("(s)")))
        value.chop(3);
    return number(value.trimmed().toUtf8().toStdString());
}

// The blank the writer puts before the wafer lot is not part of it.
QString waferLot(std::string_view field)
{
    QString value = text(field);
    if (value.startsWith(QLatin1Char(' ')))
        value.remove(0, 1);
    return value;
}

struct HeaderKey {
    const char* key;
    std::function<void(BaseScan&, std::string_view, bool& trendCountFound)> apply;
};

const std::vector<HeaderKey>& headerKeys()
{
    static const std::vector<HeaderKey> keys{
        {"Sensor Nickname", [](BaseScan& s, std::string_view v, bool&) { s.nickname = text(v); }},
        {"serial", [](BaseScan& s, std::string_view v, bool&) { s.serialNumber = text(v); }},
        {"created", [](BaseScan& s, std::string_view v, bool&) { s.created = createdTime(text(v)); }},
        {"scan type", [](BaseScan& s, std::string_view v, bool&) { s.typeText = text(v); }},
        {"Quvix type", [](BaseScan& s, std::string_view v, bool&) { s.sensorType = integer(v); }},
        {"Measurement Name", [](BaseScan& s, std::string_view v, bool&) { s.measurementName = text(v); }},
        {"scan duration",
         [](BaseScan& s, std::string_view v, bool&) {
             s.duration = durationSeconds(v);
             s.timed = s.duration > 0.0;
         }},
        {"trend count",
         [](BaseScan& s, std::string_view v, bool& found) {
             s.trendCount = integer(v);
             found = true;
         }},
        {"Wafer Lot", [](BaseScan& s, std::string_view v, bool&) { s.waferLot = waferLot(v); }},
        {"Wafer Number", [](BaseScan& s, std::string_view v, bool&) { s.waferNumber = text(v); }},
        {"trigger level", [](BaseScan& s, std::string_view v, bool&) { s.triggerLevel = number(v); }},
        {"trigger holdoff", [](BaseScan& s, std::string_view v, bool&) { s.triggerHoldoff = number(v); }},
        {"start", [](BaseScan& s, std::string_view v, bool&) { s.startTime = number(v); }},
        {"end", [](BaseScan& s, std::string_view v, bool&) { s.endTime = number(v); }},
        {"resolution", [](BaseScan& s, std::string_view v, bool&) { s.resolution = number(v); }},
        {"averages", [](BaseScan& s, std::string_view v, bool&) { s.averages = truncatedToInt(number(v)); }},
        {"time unit", [](BaseScan& s, std::string_view v, bool&) { s.timeAxisText = text(v); }},
        {"total time", [](BaseScan& s, std::string_view v, bool&) { s.elapsedAtStop = integer(v); }},
        {"ION FLUX series resistance",
         [](BaseScan& s, std::string_view v, bool&) { s.seriesResistance = number(v); }},
        {"ION FLUX electrode area",
         [](BaseScan& s, std::string_view v, bool&) { s.electrodeArea = number(v); }},
        {"ION FLUX voltage drop", [](BaseScan& s, std::string_view v, bool&) { s.voltageDrop = number(v); }},
    };
    return keys;
}

bool startsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

// Every reserved row is written while the file is read, so the pages of a
// large series can as well be huge ones: a long file then costs a fault per
// two megabytes of the loaded scan instead of one per four kilobytes, which
// is most of a load's time where faults are dear. Only whole huge pages
// inside the series are asked for; the kernel may decline.
void preferHugePages(Series& series)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t hugePage = 2u << 20;
    const auto first = reinterpret_cast<std::uintptr_t>(series.data());
    const std::uintptr_t start = (first + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (first + series.capacity() * sizeof(double)) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    Q_UNUSED(series);
#endif
}

// Reads one trend block into `set`, up to "END TREND" or the end of the file.
// A framed block (one with a trend header) that the file ends inside, and a
// last row cut short, make the file corrupt: they are what a save cut off
// midway leaves behind.
class TrendBlockReader
{
public:
    TrendBlockReader(TrendDataSet& set, const BaseScan& scan, CellBudget& budget)
        : m_set(set)
        , m_scan(scan)
        , m_budget(budget)
    {
    }

    void read(LineSource& lines)
    {
        while (!lines.atEnd()) {
            const std::string_view line = lines.next();
            if (startsWith(line, "END TREND")) {
                appendPendingRows();
                return;
            }
            splitCells(line, m_fields, m_values);
            double t = 0.0;
            const bool dataRow = parseNumber(m_fields.front(), t);
            if (dataRow && !m_reserved && !m_set.records.empty())
                reserve(lines.linesLeftInBlock() + 1);
            // Judged against the widths before this row, and before atEnd(),
            // which may move the line's bytes.
            const bool cut = dataRow && cutShort(line);
            readLine(t, dataRow);
            if (cut && lines.atEnd())
                refuse();
        }
        if (m_framed)
            refuse();
        appendPendingRows();
    }

private:
    // Every row the writer makes ends with ";" and has every column of its
    // heading.
    bool cutShort(std::string_view line) const
    {
        const size_t width = std::min(m_expectedWidth, m_harmonicPhase ? m_fullWidth : m_narrowWidth);
        return line.empty() || line.back() != ';' || m_fields.size() < width;
    }

    qint64 rowCells() const { return static_cast<qint64>(m_set.expectedSampleLength()); }

    // Room for every row at once: no regrowth while reading, no slack after.
    // Only for rows the file can hold; beyond that the rows are refused one
    // by one as they come.
    void reserve(size_t rows)
    {
        m_reserved = true;
        if (!m_budget.allows(static_cast<qint64>(rows) * rowCells()))
            return;
        for (Series* s : {&m_set.time, &m_set.pulsePeriod, &m_set.pulseOnTime, &m_set.pulseFrequency,
                          &m_set.pulseDutyCycle}) {
            s->reserve(s == &m_set.time || m_pulse ? rows : 0);
            preferHugePages(*s);
        }
        for (const auto& record : m_set.records)
            for (Series* s : record->allSeries())
                if (s != &record->ionFlux || record->sensorType == FrequencyRecord::ionFluxSensorType) {
                    s->reserve(rows);
                    preferHugePages(*s);
                }
    }

    void readLine(double t, bool dataRow)
    {
        const std::string_view first = m_fields.front();
        if (m_fields.size() > 3 && containsNoCase(first, "F1"))
            readFrequencyLine();
        if (containsNoCase(first, "Trend Measurement"))
            readTrendHeader();
        if (containsNoCase(first, "Time ("))
            readHeadingLine();
        if (dataRow)
            readDataRow(t);
    }

    // A trend holds no more than one sensor sample can carry.
    void readFrequencyLine()
    {
        for (size_t i = 0; i < m_fields.size() / 4; ++i) {
            double frequency = number(m_fields[4 * i + 1]);
            if (frequency > 1000.0)
                frequency /= 1000000.0;
            const int harmonics = integer(m_fields[4 * i + 3]);
            if (harmonics < 0 || harmonics > ScanFileReader::maximumHarmonicCount ||
                m_set.expectedSampleLength() + 2 + 4 * harmonics > TrendDataSet::maximumSampleLength)
                refuse();
            m_budget.spend(2 + 4 * harmonics);
            // The rows read so far belong to the records there were.
            appendPendingRows();
            m_set.addRecord(frequency, harmonics);
            m_set.records.back()->setIonFluxFactors(m_scan.seriesResistance, m_scan.voltageDrop,
                                                    m_scan.electrodeArea);
            m_pendingGroups.emplace_back();
            m_fullWidth += 1 + 4 * static_cast<size_t>(harmonics);
            m_narrowWidth += 1 + 3 * static_cast<size_t>(harmonics);
        }
    }

    void readTrendHeader()
    {
        m_framed = true;
        m_set.value = m_fields.size() > 3 ? number(m_fields[3]) : 0.0;
        m_set.mode = 0;
        if (m_fields.size() > 5 && text(m_fields[4]).contains(QLatin1String("Trend Mode")))
            m_set.mode = integer(m_fields[5]);
    }

    void readHeadingLine()
    {
        m_harmonicPhase = m_fields.size() > 3 && (containsNoCase(m_fields[3], "pv") ||
                                                  containsNoCase(m_fields[3], "harmonic phase"));
        m_expectedWidth = m_harmonicPhase ? m_fullWidth : m_narrowWidth;
        if (m_fields.size() > m_expectedWidth &&
            text(m_fields[m_expectedWidth]).compare(QLatin1String("Pulse Period"), Qt::CaseInsensitive) != 0)
            m_pulse = true;
    }

    double field(size_t index) const { return index < m_values.size() ? m_values[index] : 0.0; }

    // The record values of a row wait in sample groups with the rows before
    // them, to be appended a run at a time (appendPendingRows); the time and
    // pulse values go in at once.
    void readDataRow(double t)
    {
        m_budget.spend(rowCells());
        if (m_expectedWidth > m_fields.size())
            m_harmonicPhase = false;
        m_set.time.push_back(t);
        m_pendingSteps.push_back(t - m_previousTime);
        size_t c = 1;
        const size_t perHarmonic = m_harmonicPhase ? 4 : 3;
        bool missing = false;
        for (size_t r = 0; r < m_set.records.size(); ++r) {
            const int n = std::max(0, m_set.records[r]->harmonicCount);
            std::vector<double>& groups = m_pendingGroups[r];
            const size_t start = groups.size();
            groups.resize(start + static_cast<size_t>(2 + 4 * n), 0.0);
            double* group = groups.data() + start;
            if (c < m_values.size())
                group[0] = m_values[c];
            else
                missing = true;
            ++c;
            for (int m = 1; m <= n; ++m) {
                if (c + perHarmonic > m_values.size()) {
                    missing = true;
                    continue;
                }
                const size_t base = static_cast<size_t>(4 * m);
                group[base - 2] = m_values[c++];
                if (m_harmonicPhase)
                    group[base - 1] = m_values[c++];
                group[base] = m_values[c++];
                group[base + 1] = m_values[c++];
            }
        }
        if (missing)
            std::puts("K greater than size of Tab");
        m_previousTime = t;
        if (m_pulse) {
            const double period = field(c);
            const double onTime = field(c + 1);
            m_set.pulsePeriod.push_back(period);
            m_set.pulseOnTime.push_back(onTime);
            m_set.pulseFrequency.push_back(period == 0.0 ? 0.0 : 1000000.0 / period);
            m_set.pulseDutyCycle.push_back(period == 0.0 ? 0.0 : 100.0 * onTime / period);
        }
        if (m_pendingSteps.size() == pendingRowLimit)
            appendPendingRows();
    }

    void appendPendingRows()
    {
        for (size_t r = 0; r < m_set.records.size(); ++r) {
            FrequencyRecord& record = *m_set.records[r];
            const size_t stride = static_cast<size_t>(2 + 4 * std::max(0, record.harmonicCount));
            record.appendSamples(m_pendingGroups[r].data(), stride, m_pendingSteps.size(),
                                 m_pendingSteps.data());
            m_pendingGroups[r].clear();
        }
        m_pendingSteps.clear();
    }

    // Rows whose groups are held at most: enough for the records' runs, few
    // enough to stay in the cache.
    static constexpr size_t pendingRowLimit = 256;

    TrendDataSet& m_set;
    const BaseScan& m_scan;
    CellBudget& m_budget;
    std::vector<std::string_view> m_fields;
    std::vector<double> m_values; // m_fields read as numbers
    // Per record, the sample groups of the rows not yet appended; their dts.
    std::vector<std::vector<double>> m_pendingGroups;
    std::vector<double> m_pendingSteps;
    size_t m_fullWidth = 2;
    size_t m_narrowWidth = 2;
    size_t m_expectedWidth = 2;
    bool m_harmonicPhase = false;
    bool m_pulse = false;
    bool m_reserved = false;
    bool m_framed = false;
    double m_previousTime = 0.0;
};

bool blank(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

void readScan(QIODevice& device, BaseScan& scan, FileProgress* progress, int* version)
{
    LineSource lines(device, progress);
    if (lines.atEnd())
        refuse();
    std::string_view line = lines.next();
    const QString first = text(line);
    if (!first.contains(QLatin1String("renu"), Qt::CaseInsensitive) &&
        !first.contains(QLatin1String("kadro"), Qt::CaseInsensitive) &&
        !first.contains(QLatin1String("quvix"), Qt::CaseInsensitive))
        refuse();
    if (version)
        *version = ScanFileReader::versionNumber(QByteArray(line.data(), static_cast<int>(line.size())));

    bool trendCountFound = false;
    std::vector<std::string_view> fields;
    while (!startsWith(line, "Data")) {
        splitFields(line, fields);
        if (fields.size() > 1) {
            for (const HeaderKey& key : headerKeys())
                if (containsNoCase(fields[0], key.key))
                    key.apply(scan, fields[1], trendCountFound);
        }
        if (lines.atEnd())
            refuse(); // no "Data" line: the file ends inside its header
        line = lines.next();
    }
    if (!trendCountFound || scan.trendCount < 0 || scan.trendCount > ScanFileReader::maximumTrendCount)
        refuse();

    // Each counted trend has its block, and no block is left over.
    CellBudget budget(device.size());
    for (int i = 0; i < scan.trendCount; ++i) {
        if (lines.atEnd())
            refuse();
        auto set = std::make_unique<TrendDataSet>(scan.sensorType, 0.0, 0);
        TrendBlockReader(*set, scan, budget).read(lines);
        scan.dataSets.push_back(std::move(set));
    }
    while (!lines.atEnd())
        if (!blank(lines.next()))
            refuse();
    if (progress)
        progress->advance(device.size());
    scan.finished = true;
}

// Reads a scan, refusing with 35 what the allocator cannot hold. The partly
// built data sets go with the exception.
void readGuarded(QIODevice& device, BaseScan& scan, FileProgress* progress = nullptr, int* version = nullptr)
{
    try {
        readScan(device, scan, progress, version);
    } catch (const std::bad_alloc&) {
        scan.dataSets.clear();
        refuse();
    } catch (const std::length_error&) {
        scan.dataSets.clear();
        refuse();
    } catch (int) {
        scan.dataSets.clear();
        throw;
    }
}

} // namespace

int ScanFileReader::versionNumber(const QByteArray& firstLine)
{
    const int p = firstLine.indexOf('.');
    if (p < 1 || p + 3 >= firstLine.size())
        return -1;
    const char digits[] = {firstLine[p - 1], firstLine[p + 1], firstLine[p + 3]};
    qint64 value = 0;
    if (!parseInteger(std::string_view(digits, 3), value) || value < 0)
        return -1;
    return static_cast<int>(value);
}

void ScanFileReader::noteVersion(int version)
{
    if (version > softwareVersion && newerFileState == NewerFileArmed)
        newerFileState = NewerFileRead;
}

std::unique_ptr<BaseScan> ScanFileReader::readFile(const QString& fileName, FileProgress* progress,
                                                   int* version)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw static_cast<int>(CannotOpen);
    auto scan = std::make_unique<BaseScan>(nullptr, QString());
    scan->dataSets.clear();
    scan->trendCount = 0;
    scan->sensorType = 3;
    scan->averages = 200;
    scan->unsavedData = false;
    scan->filePath = fileName;
    scan->setBaseNameFrom(fileName);
    readGuarded(file, *scan, progress, version);
    return scan;
}

void ScanFileReader::read(const QByteArray& content, BaseScan& scan)
{
    QBuffer buffer;
    buffer.setData(content);
    buffer.open(QIODevice::ReadOnly);
    readGuarded(buffer, scan);
}
