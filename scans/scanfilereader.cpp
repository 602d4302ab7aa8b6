#include "scans/scanfilereader.h"

#include "scans/basescan.h"
#include "scans/numberconversion.h"
#include "scans/processvalues.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>
#include <vector>

namespace {

// Lines of a file held in memory, "\n" or "\r\n" ended.
class LineCursor
{
public:
    explicit LineCursor(const QByteArray& content)
        : m_data(content.constData(), static_cast<size_t>(content.size()))
    {
    }

    bool atEnd() const { return m_position >= m_data.size(); }

    // Lines left before the next "END TREND" line (or the end): an upper
    // bound of the rows of the block being read.
    size_t linesLeftInBlock() const
    {
        const size_t end = m_data.find("\nEND TREND", m_position);
        const auto first = m_data.begin() + static_cast<std::ptrdiff_t>(m_position);
        const auto last =
            end == std::string_view::npos ? m_data.end() : m_data.begin() + static_cast<std::ptrdiff_t>(end);
        return static_cast<size_t>(std::count(first, last, '\n')) + 1;
    }

    std::string_view next()
    {
        const size_t end = m_data.find('\n', m_position);
        const size_t stop = end == std::string_view::npos ? m_data.size() : end;
        std::string_view line = m_data.substr(m_position, stop - m_position);
        m_position = end == std::string_view::npos ? m_data.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

private:
    std::string_view m_data;
    size_t m_position = 0;
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

// Reads one trend block into `set`, up to "END TREND" or the end of the file.
class TrendBlockReader
{
public:
    TrendBlockReader(TrendDataSet& set, const BaseScan& scan)
        : m_set(set)
        , m_scan(scan)
    {
    }

    void read(LineCursor& lines)
    {
        while (!lines.atEnd()) {
            const std::string_view line = lines.next();
            if (startsWith(line, "END TREND"))
                return;
            splitFields(line, m_fields);
            if (!m_reserved && !m_set.records.empty() && !m_fields.empty()) {
                double t = 0.0;
                if (parseNumber(m_fields.front(), t))
                    reserve(lines.linesLeftInBlock() + 1);
            }
            readLine();
        }
    }

private:
    // Room for every row at once: no regrowth while reading, no slack after.
    void reserve(size_t rows)
    {
        m_reserved = true;
        for (Series* s : {&m_set.time, &m_set.pulsePeriod, &m_set.pulseOnTime, &m_set.pulseFrequency,
                          &m_set.pulseDutyCycle})
            s->reserve(s == &m_set.time || m_pulse ? rows : 0);
        for (const auto& record : m_set.records)
            for (Series* s : record->allSeries())
                if (s != &record->ionFlux || record->sensorType == FrequencyRecord::ionFluxSensorType)
                    s->reserve(rows);
    }

    void readLine()
    {
        const std::string_view first = m_fields.front();
        if (m_fields.size() > 3 && containsNoCase(first, "F1"))
            readFrequencyLine();
        if (containsNoCase(first, "Trend Measurement"))
            readTrendHeader();
        if (containsNoCase(first, "Time ("))
            readHeadingLine();
        for (const auto& record : m_set.records)
            record->setIonFluxFactors(m_scan.seriesResistance, m_scan.voltageDrop, m_scan.electrodeArea);
        double t = 0.0;
        if (parseNumber(first, t))
            readDataRow(t);
    }

    void readFrequencyLine()
    {
        for (size_t i = 0; i < m_fields.size() / 4; ++i) {
            double frequency = number(m_fields[4 * i + 1]);
            if (frequency > 1000.0)
                frequency /= 1000000.0;
            const int harmonics = integer(m_fields[4 * i + 3]);
            if (harmonics < 0 || harmonics > ScanFileReader::maximumHarmonicCount)
                throw static_cast<int>(ScanFileReader::NotAScanFile);
            m_set.addRecord(frequency, harmonics);
            m_fullWidth += 1 + 4 * harmonics;
            m_narrowWidth += 1 + 3 * harmonics;
        }
    }

    void readTrendHeader()
    {
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

    double field(size_t index) const { return index < m_fields.size() ? number(m_fields[index]) : 0.0; }

    void readDataRow(double t)
    {
        if (m_expectedWidth > m_fields.size())
            m_harmonicPhase = false;
        m_set.time.push_back(t);
        const double dt = t - m_previousTime;
        size_t c = 1;
        const size_t perHarmonic = m_harmonicPhase ? 4 : 3;
        bool missing = false;
        for (const auto& record : m_set.records) {
            const int n = std::max(0, record->harmonicCount);
            m_group.assign(static_cast<size_t>(2 + 4 * n), 0.0);
            if (c < m_fields.size())
                m_group[0] = number(m_fields[c]);
            else
                missing = true;
            ++c;
            for (int m = 1; m <= n; ++m) {
                if (c + perHarmonic > m_fields.size()) {
                    missing = true;
                    continue;
                }
                const size_t base = static_cast<size_t>(4 * m);
                m_group[base - 2] = number(m_fields[c++]);
                if (m_harmonicPhase)
                    m_group[base - 1] = number(m_fields[c++]);
                m_group[base] = number(m_fields[c++]);
                m_group[base + 1] = number(m_fields[c++]);
            }
            record->appendSample(m_group.data(), dt);
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
    }

    TrendDataSet& m_set;
    const BaseScan& m_scan;
    std::vector<std::string_view> m_fields;
    std::vector<double> m_group;
    size_t m_fullWidth = 2;
    size_t m_narrowWidth = 2;
    size_t m_expectedWidth = 2;
    bool m_harmonicPhase = false;
    bool m_pulse = false;
    bool m_reserved = false;
    double m_previousTime = 0.0;
};

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

std::unique_ptr<BaseScan> ScanFileReader::readFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw static_cast<int>(CannotOpen);
    const QByteArray content = file.readAll();
    auto scan = std::make_unique<BaseScan>(nullptr, QString());
    scan->dataSets.clear();
    scan->trendCount = 0;
    scan->sensorType = 3;
    scan->averages = 200;
    scan->unsavedData = false;
    scan->filePath = fileName;
    scan->setBaseNameFrom(fileName);
    read(content, *scan);
    return scan;
}

void ScanFileReader::read(const QByteArray& content, BaseScan& scan)
{
    LineCursor lines(content);
    std::string_view line = lines.next();
    const QString first = text(line);
    if (!first.contains(QLatin1String("renu"), Qt::CaseInsensitive) &&
        !first.contains(QLatin1String("kadro"), Qt::CaseInsensitive) &&
        !first.contains(QLatin1String("quvix"), Qt::CaseInsensitive))
        throw static_cast<int>(NotAScanFile);
    if (versionNumber(QByteArray(line.data(), static_cast<int>(line.size()))) > softwareVersion &&
        newerFileState == NewerFileArmed)
        newerFileState = NewerFileRead;

    bool trendCountFound = false;
    std::vector<std::string_view> fields;
    while (true) {
        if (startsWith(line, "Data"))
            break;
        splitFields(line, fields);
        if (fields.size() > 1) {
            for (const HeaderKey& key : headerKeys())
                if (containsNoCase(fields[0], key.key))
                    key.apply(scan, fields[1], trendCountFound);
        }
        if (lines.atEnd())
            break;
        line = lines.next();
    }
    if (!trendCountFound || scan.trendCount > maximumTrendCount)
        throw static_cast<int>(NotAScanFile);

    for (int i = 0; i < scan.trendCount; ++i) {
        auto set = std::make_unique<TrendDataSet>(scan.sensorType, 0.0, 0);
        TrendBlockReader(*set, scan).read(lines);
        scan.dataSets.push_back(std::move(set));
    }
    scan.finished = true;
}
