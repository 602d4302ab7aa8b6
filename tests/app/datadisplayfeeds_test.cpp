// What the data display hands the Smith chart and the clipboard: sample
// ranges of an interval, Smith points and colours, the chart filled and
// filled again with every sample of its lines, and the clipboard text.

#include "app/datadisplayfeeds.h"
#include "scans/parameternames.h"
#include "support/scanfactory.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

namespace {

using Interval = DataDisplayFeeds::Interval;

TEST(DataDisplayFeeds, IntervalCoversTimesFromItsStartUpToBeforeItsEnd)
{
    const Series times = {0.5, 1.0, 1.5, 2.0};
    struct Case {
        std::optional<Interval> interval;
        size_t first;
        size_t end;
    };
    const Case cases[] = {
        {std::nullopt, 0, 4},       {Interval{1.0, 2.0}, 1, 3},  {Interval{0.0, 10.0}, 0, 4},
        {Interval{2.5, 3.0}, 4, 4}, {Interval{-1.0, 0.1}, 0, 0}, {Interval{1.2, 1.3}, 2, 2},
        {Interval{2.0, 1.0}, 3, 3}, {Interval{0.0, 0.0}, 0, 0},
    };
    for (const Case& c : cases) {
        const DataDisplayFeeds::IndexRange range = DataDisplayFeeds::rangeOf(times, c.interval);
        EXPECT_EQ(range.first, c.first) << (c.interval ? c.interval->minimum : -99.0);
        EXPECT_EQ(range.end, c.end) << (c.interval ? c.interval->maximum : -99.0);
    }
    const DataDisplayFeeds::IndexRange none = DataDisplayFeeds::rangeOf(Series{}, Interval{0.0, 1.0});
    EXPECT_EQ(none.first, none.end);
}

TEST(DataDisplayFeeds, SmithPointsAreImpedancesOverFiftyOhms)
{
    const QPointF matched = DataDisplayFeeds::normalisedImpedance(50.0, 0.0);
    EXPECT_DOUBLE_EQ(matched.x(), 1.0);
    EXPECT_DOUBLE_EQ(matched.y(), 0.0);
    const QPointF inductive = DataDisplayFeeds::normalisedImpedance(100.0, -90.0);
    EXPECT_NEAR(inductive.x(), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(inductive.y(), 2.0);
    // The resistance is taken as its magnitude, the reactance keeps its sign.
    const QPointF behind = DataDisplayFeeds::normalisedImpedance(50.0, 180.0);
    EXPECT_DOUBLE_EQ(behind.x(), 1.0);
    EXPECT_NEAR(behind.y(), 0.0, 1e-12);

    const char* names[] = {"Black",         "red",           "yellow",     "Darkorchid",   "Darkred",
                           "darkslateblue", "darkslategray", "darkviolet", "midnightblue", "red"};
    for (int line = 0; line < 20; ++line)
        EXPECT_EQ(DataDisplayFeeds::smithLineColour(line), QColor(QString::fromLatin1(names[line % 10])))
            << line;
}

// The chart points of a scan's first record in an interval, mapped one by
// one.
QVector<QPointF> chartPointsOf(BaseScan& scan, const std::optional<Interval>& interval)
{
    std::lock_guard<std::mutex> lock(scan.mutex);
    const TrendDataSet& set = *scan.dataSets.front();
    const Series& magnitude = set.parameterSeries(ImpedancePolar, 0, 0);
    const Series& phase = set.parameterSeries(Phase, 0, 0);
    const DataDisplayFeeds::IndexRange range = DataDisplayFeeds::rangeOf(set.time, interval);
    QVector<QPointF> points;
    for (size_t i = range.first; i < range.end; ++i) {
        const QPointF z = DataDisplayFeeds::normalisedImpedance(magnitude[i], phase[i]);
        points.append(SmithChartV2::chartPoint(z.x(), z.y()));
    }
    return points;
}

TEST(DataDisplayFeeds, SmithChartShowsEverySampleOfItsLinesFillAfterFill)
{
    // Samples 10 ms apart.
    std::unique_ptr<BaseScan> longer = scantest::recordedScan(QStringLiteral("longer"), 600, 1);
    std::unique_ptr<BaseScan> shorter = scantest::recordedScan(QStringLiteral("shorter"), 250, 2);
    struct Fill {
        QList<BaseScan*> scans;
        std::optional<Interval> interval;
    };
    const Fill fills[] = {
        {{longer.get(), shorter.get()}, std::nullopt},
        {{shorter.get()}, Interval{1.0, 2.0}},
        {{longer.get()}, Interval{40.0, 50.0}},
        {{longer.get(), shorter.get()}, Interval{2.0, 100.0}},
    };
    SmithChartDialog dialog;
    for (const Fill& fill : fills) {
        const QString name =
            fill.interval ? QString::number(fill.interval->minimum) : QStringLiteral("whole");
        DataDisplayFeeds::showSmithLines(dialog, DataDisplayFeeds::smithLines(fill.scans, fill.interval));
        const SmithChartV2& chart = *dialog.chart();
        ASSERT_EQ(chart.lineCount(), fill.scans.size()) << name.toStdString();
        bool anyPoint = false;
        for (int line = 0; line < fill.scans.size(); ++line) {
            const QVector<QPointF> expected = chartPointsOf(*fill.scans[line], fill.interval);
            EXPECT_EQ(chart.points(line), expected) << name.toStdString() << ", line " << line;
            anyPoint = anyPoint || !expected.isEmpty();
        }
        EXPECT_EQ(chart.hasData(), anyPoint) << name.toStdString();
    }
}

TEST(DataDisplayFeeds, ClipboardLeavesCellsEmptyPastTheEndOfAShorterSeries)
{
    const Series time = {0.0, 0.1, 0.2};
    const Series full = {1.5, 1.25, 1.125};
    const Series shorter = {2.0};
    const Series otherTime = {1e-7, 123456789.0};
    const Series otherValues = {-0.5, 3.0};
    const QList<DataDisplayFeeds::ClipboardBlock> blocks = {
        {QStringLiteral("scan A"),
         {{QStringLiteral("short"), &time, &shorter}, {QStringLiteral("full"), &time, &full}}},
        {QStringLiteral("scan B"), {{QStringLiteral("other"), &otherTime, &otherValues}}},
    };
    EXPECT_EQ(DataDisplayFeeds::clipboardText(blocks, std::nullopt).toStdString(), "scan A\n"
                                                                                   "Time\tshort\tfull\t\n"
                                                                                   "0\t2\t1.5\t\n"
                                                                                   "0.1\t\t1.25\t\n"
                                                                                   "0.2\t\t1.125\t\n"
                                                                                   "scan B\n"
                                                                                   "Time\tother\t\n"
                                                                                   "1e-07\t-0.5\t\n"
                                                                                   "1.23457e+08\t3\t\n");
    EXPECT_EQ(DataDisplayFeeds::clipboardText(blocks, Interval{0.05, 0.2}).toStdString(),
              "scan A\n"
              "Time\tshort\tfull\t\n"
              "0.1\t\t1.25\t\n"
              "scan B\n"
              "Time\tother\t\n");
    EXPECT_TRUE(DataDisplayFeeds::clipboardText({}, std::nullopt).isEmpty());
}

} // namespace
