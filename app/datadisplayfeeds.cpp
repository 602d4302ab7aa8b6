#include "app/datadisplayfeeds.h"

#include "scans/basescan.h"
#include "scans/parameternames.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

const char* const smithColourNames[] = {
    "Black",         "red",           "yellow",     "Darkorchid",   "Darkred",
    "darkslateblue", "darkslategray", "darkviolet", "midnightblue", "red"};
constexpr int smithColourCount = 10;
constexpr double referenceOhms = 50.0;
constexpr double pi = 3.14159265358979323846;

size_t firstNotBelow(const Series& time, double t)
{
    // Scan times only grow; a binary search finds the boundary.
    return static_cast<size_t>(std::lower_bound(time.begin(), time.end(), t) - time.begin());
}

QString number(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

DataDisplayFeeds::IndexRange DataDisplayFeeds::rangeOf(const Series& time,
                                                       const std::optional<Interval>& interval)
{
    if (!interval)
        return {0, time.size()};
    const size_t first = firstNotBelow(time, interval->minimum);
    const size_t end = firstNotBelow(time, interval->maximum);
    return {first, std::max(first, end)};
}

QColor DataDisplayFeeds::smithLineColour(int line)
{
    QColor colour;
    colour.setNamedColor(QString::fromLatin1(smithColourNames[line % smithColourCount]));
    return colour;
}

QPointF DataDisplayFeeds::normalisedImpedance(double magnitude, double phaseDegrees)
{
    const double angle = phaseDegrees * pi / 180.0;
    return {std::abs(magnitude * std::cos(angle) / referenceOhms),
            magnitude * std::sin(-angle) / referenceOhms};
}

namespace {

// The series of a line's points: impedance magnitude and phase of the
// fundamental. Under the scan's mutex.
struct ImpedanceSeries {
    const Series& magnitude;
    const Series& phase;
    size_t end(const DataDisplayFeeds::IndexRange& range) const
    {
        // A record without harmonics holds no values at all.
        return std::min({range.end, magnitude.size(), phase.size()});
    }
};

ImpedanceSeries impedanceSeries(const TrendDataSet& set, int record)
{
    return {set.parameterSeries(ImpedancePolar, record, 0), set.parameterSeries(Phase, record, 0)};
}

} // namespace

std::vector<DataDisplayFeeds::SmithLine> DataDisplayFeeds::smithLines(const QList<BaseScan*>& scans,
                                                                      const std::optional<Interval>& interval)
{
    std::vector<SmithLine> lines;
    for (BaseScan* scan : scans) {
        std::lock_guard<std::mutex> lock(scan->mutex);
        if (scan->dataSets.empty())
            continue;
        const TrendDataSet& set = *scan->dataSets.front();
        const IndexRange range = rangeOf(set.time, interval);
        for (size_t f = 0; f < set.records.size(); ++f) {
            SmithLine line;
            line.colour = smithLineColour(static_cast<int>(lines.size()));
            line.label = QStringLiteral("%1MHz").arg(number(set.records[f]->frequencyMHz));
            line.scan = scan;
            line.record = static_cast<int>(f);
            line.samples = {range.first, std::max(range.first, impedanceSeries(set, line.record).end(range))};
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

void DataDisplayFeeds::showSmithLines(SmithChartDialog& dialog, const std::vector<SmithLine>& lines)
{
    dialog.clear();
    dialog.setLineCount(static_cast<int>(lines.size()));
    for (size_t l = 0; l < lines.size(); ++l) {
        const SmithLine& line = lines[l];
        const int index = static_cast<int>(l);
        dialog.addListRow(line.label, line.colour);
        dialog.setLineColour(line.colour, index);
        if (!line.scan)
            continue;
        std::lock_guard<std::mutex> lock(line.scan->mutex);
        if (line.scan->dataSets.empty())
            continue;
        const ImpedanceSeries series = impedanceSeries(*line.scan->dataSets.front(), line.record);
        const size_t first = line.samples.first;
        const size_t end = series.end(line.samples);
        if (first >= end)
            continue;
        const auto impedanceAt = [&series](size_t i) {
            return normalisedImpedance(series.magnitude[i], series.phase[i]);
        };
        // The oldest point goes on its own, which marks the chart as holding
        // data (the newest point's cross), as points added live do; the
        // others follow in one batch.
        const QPointF oldest = impedanceAt(first);
        dialog.addPoint(oldest.x(), oldest.y(), index, false);
        dialog.chart()->addPoints(
            end - first - 1, [&](size_t k) { return impedanceAt(first + 1 + k); }, index);
    }
}

QString DataDisplayFeeds::clipboardText(const QList<ClipboardBlock>& blocks,
                                        const std::optional<Interval>& interval)
{
    QString text;
    const QChar tab = QLatin1Char('\t');
    const QChar lineBreak = QLatin1Char('\n');
    for (const ClipboardBlock& block : blocks) {
        if (block.curves.isEmpty())
            continue;
        text += block.scanName + lineBreak;
        text += QStringLiteral("Time") + tab;
        for (const ClipboardCurve& curve : block.curves)
            text += curve.text + tab;
        text += lineBreak;
        const Series& time = *block.curves.last().time;
        const IndexRange rows = rangeOf(time, interval);
        for (size_t i = rows.first; i < rows.end; ++i) {
            text += number(time[i]) + tab;
            for (const ClipboardCurve& curve : block.curves) {
                if (i < curve.values->size())
                    text += number((*curve.values)[i]);
                text += tab;
            }
            text += lineBreak;
        }
    }
    return text;
}
