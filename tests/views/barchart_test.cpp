// The harmonics bar chart window and its trackers over scans of known
// harmonics: the scan and frequency selectors, what the charts draw live
// and at a picked time, the placeholders, the trackers' texts, workDone.

#include "views/barchart.h"

#include "chartscans.h"
#include "support/scanfactory.h"
#include "views/barchartpicker.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

#include <qwt_column_symbol.h>
#include <qwt_plot.h>
#include <qwt_plot_histogram.h>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

#include <cmath>
#include <functional>
#include <limits>
#include <optional>

using charttest::chartScan;

namespace {

// Two samples of one 13.56 MHz channel with three harmonics:
// voltages 20, 10, 5 V then 40, 10, 4 V; currents 2.5, 1, 0.25 A then 5, 0.5, 0.5 A.
charttest::ChartScan harmonicScan(const QString& name)
{
    return chartScan(name, {13.56},
                     {{{{20.0, 2.5}, {10.0, 1.0}, {5.0, 0.25}}}, {{{40.0, 5.0}, {10.0, 0.5}, {4.0, 0.5}}}});
}

QComboBox* selector(barchart& chart, const char* name)
{
    return chart.findChild<QComboBox*>(QString::fromLatin1(name));
}

std::vector<double> heights(const QwtPlotHistogram* histogram)
{
    std::vector<double> values;
    for (size_t i = 0; i < histogram->dataSize(); ++i)
        values.push_back(histogram->sample(static_cast<int>(i)).value);
    return values;
}

const std::vector<double> placeholders{100, 97, 94, 91, 88, 85, 82, 79, 76, 73};

QwtPlot* plotOf(barchart& chart, const char* name)
{
    return chart.findChild<QwtPlot*>(QString::fromLatin1(name));
}

} // namespace

TEST(BarChart, ScanSelectorKeepsOneEntryPerNameAndShowsFromTwo)
{
    barchart chart;
    FakeSensor sensor({13.56, 27.12}, {3, 2});
    FakeSensor other({13.56}, {3});
    other.setSerialNumber(QStringLiteral("B456"));
    auto first = scantest::cwScan(sensor, 2);
    auto sameName = scantest::cwScan(sensor, 2);
    auto second = scantest::cwScan(other, 2);
    ASSERT_EQ(first->name(), sameName->name());
    QComboBox* scans = selector(chart, "scanSelector");

    EXPECT_EQ(chart.windowTitle(), QStringLiteral("Monitoring Harmonics Widget"));
    EXPECT_FALSE(chart.isVisible());
    chart.addScan(nullptr);
    chart.addScan(first.get());
    chart.addScan(first.get());
    chart.addScan(sameName.get());
    EXPECT_EQ(scans->count(), 1);
    EXPECT_TRUE(scans->isHidden());
    EXPECT_EQ(chart.voltagePicker()->scan(), first.get());
    QComboBox* frequencies = selector(chart, "frequencySelector");
    ASSERT_EQ(frequencies->count(), 2);
    EXPECT_EQ(frequencies->itemText(0), QStringLiteral("F13.56 MHz"));
    EXPECT_EQ(frequencies->itemText(1), QStringLiteral("F27.12 MHz"));
    frequencies->setCurrentIndex(1);
    EXPECT_EQ(chart.voltagePicker()->frequencyIndex(), 1);
    EXPECT_EQ(chart.currentPicker()->frequencyIndex(), 1);

    chart.addScan(second.get());
    EXPECT_EQ(scans->count(), 2);
    EXPECT_FALSE(scans->isHidden());
    // The selector stays on the first scan, and so do the trackers.
    EXPECT_EQ(chart.voltagePicker()->scan(), first.get());
    EXPECT_EQ(chart.currentPicker()->scan(), first.get());
    EXPECT_EQ(chart.voltagePicker()->quantity(), 0);
    EXPECT_EQ(chart.currentPicker()->quantity(), 1);

    chart.removeScan(second.get());
    EXPECT_EQ(scans->count(), 1);
    EXPECT_TRUE(scans->isHidden());
    chart.removeScan(first.get());
    EXPECT_EQ(chart.voltagePicker()->scan(), nullptr);
    EXPECT_EQ(chart.currentPicker()->scan(), nullptr);
}

TEST(BarChart, DrawsLiveAndAtAPickedTimeAndClearsToPlaceholders)
{
    barchart chart;
    auto scan = harmonicScan(QStringLiteral("one"));
    EXPECT_EQ(heights(chart.voltageHistogram()), placeholders);
    EXPECT_EQ(heights(chart.currentHistogram()), placeholders);

    chart.addScan(scan.scan.get());
    chart.updateData(scan.scan.get(), 7.0);
    EXPECT_EQ(heights(chart.voltageHistogram()), (std::vector<double>{100.0, 25.0, 10.0}));
    EXPECT_EQ(heights(chart.currentHistogram()), (std::vector<double>{100.0, 10.0, 10.0}));
    EXPECT_EQ(chart.voltagePicker()->time(), 7.0);

    chart.updateTimePosition(QPointF(0.0, 0.0));
    EXPECT_EQ(heights(chart.voltageHistogram()), (std::vector<double>{100.0, 50.0, 25.0}));
    EXPECT_EQ(heights(chart.currentHistogram()), (std::vector<double>{100.0, 40.0, 10.0}));
    EXPECT_EQ(chart.currentPicker()->time(), 0.0);
    chart.updateTimePosition(QPointF(0.0005, 0.0));
    EXPECT_EQ(heights(chart.voltageHistogram()), (std::vector<double>{100.0, 25.0, 10.0}));

    chart.clear();
    EXPECT_EQ(heights(chart.voltageHistogram()), placeholders);
    EXPECT_EQ(heights(chart.currentHistogram()), placeholders);
    EXPECT_EQ(chart.voltageHistogram()->baseline(), 0.0);
    EXPECT_EQ(chart.voltageBars().lowerBound(), 0.0);
    EXPECT_EQ(chart.voltageBars().upperBound(), 100.0);
    EXPECT_TRUE(selector(chart, "frequencySelector")->isHidden());
    EXPECT_EQ(selector(chart, "scanSelector")->count(), 0);

    // No frequency chosen: nothing is drawn, and nothing is read.
    chart.updateData(scan.scan.get(), 0.0);
    chart.updateTimePosition(QPointF(0.0, 0.0));
    EXPECT_EQ(heights(chart.voltageHistogram()), placeholders);

    // A scan added after clearing brings its frequencies back.
    chart.addScan(scan.scan.get());
    EXPECT_FALSE(selector(chart, "frequencySelector")->isHidden());
    chart.updateData(scan.scan.get(), 0.0);
    EXPECT_EQ(heights(chart.voltageHistogram()).size(), 3u);
}

TEST(BarChart, DbcScaleSetsAxesTitlesAndRedrawsAtTimeZero)
{
    barchart chart;
    auto scan = harmonicScan(QStringLiteral("one"));
    chart.addScan(scan.scan.get());
    QwtPlot* voltage = plotOf(chart, "vPlot");
    QwtPlot* current = plotOf(chart, "iPlot");
    EXPECT_EQ(voltage->axisTitle(QwtPlot::yLeft).text(),
              QStringLiteral("Voltage percentage of Fundamental (%)"));
    EXPECT_EQ(voltage->axisTitle(QwtPlot::xBottom).text(), QStringLiteral("Harmonic"));

    chart.findChild<QCheckBox*>(QStringLiteral("dbcScale"))->setChecked(true);
    EXPECT_EQ(voltage->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Voltage (dBc)"));
    EXPECT_EQ(current->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Current (dBc)"));
    // The first sample: 20, 10, 5 V.
    const std::vector<double> bars = heights(chart.voltageHistogram());
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_NEAR(bars[1], -6.02, 0.01);
    EXPECT_NEAR(bars[2], -12.04, 0.01);
    EXPECT_EQ(voltage->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -20.0);
    EXPECT_EQ(voltage->axisScaleDiv(QwtPlot::yLeft).upperBound(), 10.0);
    EXPECT_EQ(chart.voltageHistogram()->baseline(), -20.0);

    chart.findChild<QCheckBox*>(QStringLiteral("dbcScale"))->setChecked(false);
    EXPECT_EQ(current->axisTitle(QwtPlot::yLeft).text(),
              QStringLiteral("Current percentage of Fundamental (%)"));
    EXPECT_EQ(voltage->axisScaleDiv(QwtPlot::yLeft).lowerBound(), 0.0);
    EXPECT_EQ(voltage->axisScaleDiv(QwtPlot::yLeft).upperBound(), 100.0);
    EXPECT_EQ(chart.voltageHistogram()->baseline(), 0.0);
}

// The bound a clear restores is the mode's: a new scan in dBc mode starts at
// the 10 dBc top, not at 100.
TEST(BarChart, ClearingKeepsTheUpperBoundOfTheCurrentMode)
{
    barchart chart;
    auto first = harmonicScan(QStringLiteral("first"));
    auto next = harmonicScan(QStringLiteral("next"));
    for (const bool dbc : {true, false}) {
        chart.findChild<QCheckBox*>(QStringLiteral("dbcScale"))->setChecked(dbc);
        chart.addScan(first.scan.get());
        chart.updateData(first.scan.get(), 0.001);

        chart.clear();
        const double top = dbc ? 10.0 : 100.0;
        EXPECT_EQ(chart.voltageBars().upperBound(), top) << dbc;
        EXPECT_EQ(chart.currentBars().upperBound(), top) << dbc;
        chart.addScan(next.scan.get());
        chart.updateData(next.scan.get(), 0.001);
        for (const char* name : {"vPlot", "iPlot"})
            EXPECT_EQ(plotOf(chart, name)->axisScaleDiv(QwtPlot::yLeft).upperBound(), top)
                << name << " " << dbc;
        chart.clear();
    }
}

TEST(BarChart, HistogramsDrawRaisedSteelBlueColumnsWithoutHarmonicTicks)
{
    barchart chart;
    EXPECT_EQ(chart.voltageHistogram()->title().text(), QStringLiteral("V HistoGram toto"));
    EXPECT_EQ(chart.currentHistogram()->title().text(), QStringLiteral("I thingie"));
    for (const QwtPlotHistogram* histogram : {chart.voltageHistogram(), chart.currentHistogram()}) {
        EXPECT_EQ(histogram->style(), QwtPlotHistogram::Columns);
        ASSERT_NE(histogram->symbol(), nullptr);
        EXPECT_EQ(histogram->symbol()->style(), QwtColumnSymbol::Box);
        EXPECT_EQ(histogram->symbol()->frameStyle(), QwtColumnSymbol::Raised);
        EXPECT_EQ(histogram->symbol()->lineWidth(), 2);
        EXPECT_EQ(histogram->symbol()->palette().color(QPalette::Window),
                  QColor(QStringLiteral("SteelBlue")));
    }
    for (const char* name : {"vPlot", "iPlot"}) {
        const QwtScaleDraw* x = plotOf(chart, name)->axisScaleDraw(QwtPlot::xBottom);
        EXPECT_FALSE(x->hasComponent(QwtAbstractScaleDraw::Ticks)) << name;
        EXPECT_FALSE(x->hasComponent(QwtAbstractScaleDraw::Labels)) << name;
        EXPECT_TRUE(x->hasComponent(QwtAbstractScaleDraw::Backbone)) << name;
    }
    EXPECT_TRUE(chart.voltagePicker()->isEnabled());
    EXPECT_EQ(chart.voltagePicker()->xAxis(), QwtPlot::xBottom);
    EXPECT_EQ(chart.voltagePicker()->yAxis(), QwtPlot::yLeft);
}

TEST(BarChart, ClosingEmitsWorkDoneOnce)
{
    barchart chart;
    QSignalSpy done(&chart, &barchart::workDone);
    chart.show();
    chart.close();
    EXPECT_EQ(done.count(), 1);
    EXPECT_FALSE(chart.isVisible());
}

TEST(BarChart, TheFrequencyBoxShowsOnlyWhileAScanIsChosen)
{
    barchart chart;
    QComboBox* frequencies = selector(chart, "frequencySelector");
    EXPECT_TRUE(frequencies->isHidden());

    auto first = harmonicScan(QStringLiteral("first"));
    auto second = harmonicScan(QStringLiteral("second"));
    chart.addScan(first.scan.get());
    chart.addScan(second.scan.get());
    EXPECT_FALSE(frequencies->isHidden());
    EXPECT_EQ(frequencies->count(), 1);

    chart.removeScan(first.scan.get());
    EXPECT_FALSE(frequencies->isHidden());
    EXPECT_EQ(frequencies->count(), 1);
    chart.removeScan(second.scan.get());
    EXPECT_TRUE(frequencies->isHidden());
    EXPECT_EQ(frequencies->count(), 0);
}

TEST(BarChart, BarsLeaveWithTheirScan)
{
    // Removed from the list or deleted where it lives: either way its bars go.
    const std::function<void(barchart&, charttest::ChartScan&)> leave[] = {
        [](barchart& chart, charttest::ChartScan& scan) { chart.removeScan(scan.scan.get()); },
        [](barchart&, charttest::ChartScan& scan) { scan.scan.reset(); },
    };
    for (const auto& scanLeaves : leave) {
        barchart chart;
        auto first = harmonicScan(QStringLiteral("first"));
        // Harmonics of 40 % and 10 %, told apart from the first scan's.
        auto second = chartScan(QStringLiteral("second"), {13.56}, {{{{10.0, 1.0}, {4.0, 0.4}, {1.0, 0.1}}}});
        chart.addScan(first.scan.get());
        chart.addScan(second.scan.get());
        chart.updateTimePosition(QPointF(0.0, 0.0));
        ASSERT_EQ(heights(chart.voltageHistogram()), (std::vector<double>{100.0, 50.0, 25.0}));

        // The chosen scan leaves; the one left is drawn in its place.
        scanLeaves(chart, first);
        EXPECT_EQ(heights(chart.voltageHistogram()), (std::vector<double>{100.0, 40.0, 10.0}));
        EXPECT_EQ(heights(chart.currentHistogram()), (std::vector<double>{100.0, 40.0, 10.0}));

        // The last scan leaves: the charts show their placeholders.
        scanLeaves(chart, second);
        EXPECT_EQ(heights(chart.voltageHistogram()), placeholders);
        EXPECT_EQ(heights(chart.currentHistogram()), placeholders);
        EXPECT_EQ(chart.voltageHistogram()->baseline(), 0.0);
    }
}

TEST(BarChart, AScanDeletedElsewhereDropsOut)
{
    barchart chart;
    auto first = harmonicScan(QStringLiteral("first"));
    auto second = harmonicScan(QStringLiteral("second"));
    chart.addScan(first.scan.get());
    chart.addScan(second.scan.get());
    second.scan.reset();
    EXPECT_EQ(chart.scans(), QList<BaseScan*>{first.scan.get()});
    EXPECT_TRUE(selector(chart, "scanSelector")->isHidden());
    // The pickers and the charts read nothing of the deleted scan: they stay
    // on the chosen one.
    EXPECT_EQ(chart.voltagePicker()->scan(), first.scan.get());
    EXPECT_EQ(chart.voltagePicker()->trackerTextF(QPointF(5.0, 50.0)).text(),
              QStringLiteral("Fund value : 20 V"));
    chart.updateTimePosition(QPointF(0.0, 0.0));
}

// Whatever is added, removed or chosen, the trackers read the scan whose
// bars the charts show: the selector's.
TEST(BarChart, TrackersReadTheScanTheBarsShow)
{
    // Told apart by their fundamentals and their second harmonics' shares.
    auto a = chartScan(QStringLiteral("a"), {13.56}, {{{{20.0, 2.0}, {10.0, 1.0}}}});
    auto b = chartScan(QStringLiteral("b"), {13.56}, {{{{40.0, 4.0}, {10.0, 1.0}}}});
    auto c = chartScan(QStringLiteral("c"), {13.56}, {{{{10.0, 1.0}, {8.0, 0.8}}}});
    struct Shown {
        double secondShare;
        const char* fundamentalVolts;
        const char* fundamentalAmps;
    };
    const Shown showsA{50.0, "Fund value : 20 V", "Fund value : 2 A"};
    const Shown showsB{25.0, "Fund value : 40 V", "Fund value : 4 A"};
    const Shown showsC{80.0, "Fund value : 10 V", "Fund value : 1 A"};

    // As the data display adds a scan: then draws the chart at the picked time.
    const auto add = [](barchart& chart, std::initializer_list<charttest::ChartScan*> scans) {
        for (charttest::ChartScan* scan : scans) {
            chart.addScan(scan->scan.get());
            chart.updateTimePosition(QPointF(chart.voltagePicker()->time(), 0.0));
        }
    };
    // As the user chooses from the closed box, with the arrow keys.
    const auto choose = [](barchart& chart, int index) {
        QComboBox* box = selector(chart, "scanSelector");
        while (box->currentIndex() < index)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > index)
            QTest::keyClick(box, Qt::Key_Up);
    };
    struct Case {
        const char* steps;
        std::function<void(barchart&)> run;
        std::optional<Shown> shown; // nothing: placeholders, and no read-out
    };
    const std::vector<Case> cases{
        {"add a, b",
         [&](barchart& chart) {
             add(chart, {&a, &b});
         },
         showsA},
        {"add a, b, choose b",
         [&](barchart& chart) {
             add(chart, {&a, &b});
             choose(chart, 1);
         },
         showsB},
        {"add a, b, choose b, add c",
         [&](barchart& chart) {
             add(chart, {&a, &b});
             choose(chart, 1);
             add(chart, {&c});
         },
         showsB},
        {"add a, b, c, choose c",
         [&](barchart& chart) {
             add(chart, {&a, &b, &c});
             choose(chart, 2);
         },
         showsC},
        {"add a, b, c, choose b, remove a",
         [&](barchart& chart) {
             add(chart, {&a, &b, &c});
             choose(chart, 1);
             chart.removeScan(a.scan.get());
         },
         showsB},
        {"add a, b, c, choose b, remove b",
         [&](barchart& chart) {
             add(chart, {&a, &b, &c});
             choose(chart, 1);
             chart.removeScan(b.scan.get());
         },
         showsC},
        {"add a, b, remove a, add c",
         [&](barchart& chart) {
             add(chart, {&a, &b});
             chart.removeScan(a.scan.get());
             add(chart, {&c});
         },
         showsB},
        {"add a, b, clear",
         [&](barchart& chart) {
             add(chart, {&a, &b});
             chart.clear();
         },
         std::nullopt},
    };
    for (const Case& sequence : cases) {
        barchart chart;
        sequence.run(chart);
        const QString voltageText = chart.voltagePicker()->trackerTextF(QPointF(5.0, 1.0)).text();
        const QString currentText = chart.currentPicker()->trackerTextF(QPointF(5.0, 1.0)).text();
        if (!sequence.shown) {
            EXPECT_EQ(heights(chart.voltageHistogram()), placeholders) << sequence.steps;
            EXPECT_TRUE(voltageText.isEmpty()) << sequence.steps << ": " << voltageText.toStdString();
            EXPECT_TRUE(currentText.isEmpty()) << sequence.steps << ": " << currentText.toStdString();
            continue;
        }
        EXPECT_EQ(heights(chart.voltageHistogram()),
                  (std::vector<double>{100.0, sequence.shown->secondShare}))
            << sequence.steps;
        EXPECT_EQ(voltageText.toStdString(), sequence.shown->fundamentalVolts) << sequence.steps;
        EXPECT_EQ(currentText.toStdString(), sequence.shown->fundamentalAmps) << sequence.steps;
    }
}

// ---- trackers ------------------------------------------------------------------

TEST(BarChartPicker, TextsOfTheBarUnderTheCursor)
{
    barchart chart;
    auto scan = harmonicScan(QStringLiteral("one"));
    chart.addScan(scan.scan.get());
    barchartPicker* current = chart.currentPicker();
    barchartPicker* voltage = chart.voltagePicker();
    EXPECT_EQ(current->rubberBand(), QwtPicker::CrossRubberBand);
    EXPECT_EQ(current->trackerMode(), QwtPicker::AlwaysOn);

    struct Case {
        barchartPicker* picker;
        QPointF position;
        QString text;
    };
    const double justAbove10 = std::nextafter(10.0, 20.0);
    const std::vector<Case> cases{
        {current, {10.0, 50.0}, QStringLiteral("Fund value : 2.5 A")},
        {voltage, {0.5, 0.0}, QStringLiteral("Fund value : 20 V")},
        {current, {justAbove10, 40.0}, QStringLiteral("40.00 % of Fund\nH2 Value :1 A\nFund Value :2.5 A")},
        {current, {25.0, 5.0}, QStringLiteral("10.00 % of Fund\nH3 Value :0.25 A\nFund Value :2.5 A")},
        {voltage, {25.0, 25.0}, QStringLiteral("25.00 % of Fund\nH3 Value :5 V\nFund Value :20 V")},
        {current, {0.0, 5.0}, QString()},
        {current, {-3.0, 5.0}, QString()},
        {current, {25.0, 10.5}, QString()},
        {current, {5.0, 100.5}, QString()},
        {current, {25.0, -0.5}, QString()},
        {current, {31.0, 1.0}, QString()},
        {current, {1e300, 1.0}, QString()},
        {current, {std::numeric_limits<double>::quiet_NaN(), 1.0}, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.picker->trackerTextF(c.position).text(), c.text)
            << c.position.x() << ", " << c.position.y();

    const QwtText text = current->trackerTextF(QPointF(25.0, 5.0));
    EXPECT_EQ(text.color(), QColor(Qt::white));
    EXPECT_EQ(text.borderRadius(), 6.0);
    EXPECT_EQ(text.borderPen().color(), current->rubberBandPen().color());
    QColor background = current->rubberBandPen().color();
    background.setAlpha(170);
    EXPECT_EQ(text.backgroundBrush().color(), background);

    // The picked time selects the sample: the second holds 5 A and 0.5 A.
    current->setTime(0.0005);
    EXPECT_EQ(current->trackerTextF(QPointF(25.0, 5.0)).text(),
              QStringLiteral("10.00 % of Fund\nH3 Value :0.5 A\nFund Value :5 A"));
    current->setFrequencyIndex(-1);
    EXPECT_TRUE(current->trackerTextF(QPointF(25.0, 5.0)).isEmpty());
    current->setScan(nullptr, 1);
    current->setFrequencyIndex(0);
    EXPECT_TRUE(current->trackerTextF(QPointF(25.0, 5.0)).isEmpty());
}

TEST(BarChartPicker, TextsOnAFactoryFilledScan)
{
    // Harmonic h of the factory's load carries 1 / h of the fundamental.
    FakeSensor sensor({13.56}, {3});
    scantest::Load load;
    load.voltage = 20.0;
    load.current = 2.5;
    auto scan = scantest::cwScan(sensor, 3, load);
    barchart chart;
    chart.addScan(scan.get());
    barchartPicker* current = chart.currentPicker();
    EXPECT_EQ(current->trackerTextF(QPointF(10.0, 50.0)).text(), QStringLiteral("Fund value : 2.5 A"));
    EXPECT_EQ(current->trackerTextF(QPointF(std::nextafter(10.0, 20.0), 40.0)).text(),
              QStringLiteral("50.00 % of Fund\nH2 Value :1.25 A\nFund Value :2.5 A"));
    EXPECT_EQ(current->trackerTextF(QPointF(21.0, 33.0)).text(),
              QStringLiteral("33.33 % of Fund\nH3 Value :0.833333 A\nFund Value :2.5 A"));
    EXPECT_EQ(chart.voltagePicker()->trackerTextF(QPointF(3.0, 99.0)).text(),
              QStringLiteral("Fund value : 20 V"));
    EXPECT_TRUE(current->trackerTextF(QPointF(21.0, 34.0)).isEmpty());
    EXPECT_TRUE(current->trackerTextF(QPointF(31.0, 1.0)).isEmpty());
}

TEST(BarChartPicker, FundamentalOfZeroShowsTheNonFinitePercentage)
{
    auto scan = chartScan(QStringLiteral("zero"), {2.0}, {{{{0.0, 0.0}, {1.0, 0.5}}}});
    barchart chart;
    chart.addScan(scan.scan.get());
    const QString text = chart.currentPicker()->trackerTextF(QPointF(15.0, 3.0)).text();
    EXPECT_EQ(text, QStringLiteral("inf % of Fund\nH2 Value :0.5 A\nFund Value :0 A"));
    EXPECT_EQ(chart.currentPicker()->trackerTextF(QPointF(5.0, 0.0)).text(),
              QStringLiteral("Fund value : 0 A"));
}
