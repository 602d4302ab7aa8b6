// Shows the harmonics bar chart (in percent and in dBc) and the waveform
// view with combined frequencies on a real (virtual) screen and keeps their
// pictures.

#include "views/barchart.h"
#include "views/waveform.h"

#include "chartscans.h"
#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

using charttest::chartScan;

namespace {

// A plasma-like spectrum: falling harmonics with a strong third.
charttest::ChannelSample spectrum(double voltage, double current, double phase)
{
    const double voltageShares[] = {1.0, 0.32, 0.55, 0.12, 0.2, 0.06, 0.09, 0.03};
    const double currentShares[] = {1.0, 0.45, 0.18, 0.25, 0.07, 0.11, 0.02, 0.04};
    charttest::ChannelSample harmonics;
    for (int h = 0; h < 8; ++h)
        harmonics.push_back(charttest::Harmonic{voltage * voltageShares[h], current * currentShares[h],
                                                phase + 5.0 * h, 15.0 * h});
    return harmonics;
}

} // namespace

TEST(ChartsScreenshot, BarChartInPercentAndInDbc)
{
    auto scan = chartScan(QStringLiteral("Chamber A"), {13.56, 2.0},
                          {{spectrum(120.0, 3.0, 20.0), spectrum(300.0, 8.0, -40.0)}});
    barchart chart;
    chart.addScan(scan.scan.get());
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart, 20000));
    chart.updateTimePosition(QPointF(0.0, 0.0));
    EXPECT_FALSE(screenshot::keep(chart, QStringLiteral("bar-chart-percent")).isEmpty());

    chart.findChild<QCheckBox*>(QStringLiteral("dbcScale"))->setChecked(true);
    chart.updateTimePosition(QPointF(0.0, 0.0));
    EXPECT_FALSE(screenshot::keep(chart, QStringLiteral("bar-chart-dbc")).isEmpty());
}

TEST(ChartsScreenshot, WaveformWithCombinedFrequencies)
{
    auto scan = chartScan(QStringLiteral("Chamber A"), {13.56, 2.0},
                          {{spectrum(120.0, 3.0, 20.0), spectrum(300.0, 8.0, -40.0)}});
    waveForm view;
    view.resize(900, 450);
    view.addScan(scan.scan.get());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, 20000));
    EXPECT_FALSE(screenshot::keep(view, QStringLiteral("waveform-single")).isEmpty());
    view.findChild<QCheckBox*>(QStringLiteral("combinedFrequencyCheckBox"))->click();
    EXPECT_FALSE(screenshot::keep(view, QStringLiteral("waveform-combined")).isEmpty());
}
