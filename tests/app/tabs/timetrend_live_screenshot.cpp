// The "Time Trend" tab following a scan of a simulated USB sensor from the
// stand-in driver beside this test: its curves, the Meter View and the Smith
// chart fill while the scan runs. Building the window starts discovery, so
// this runs only inside the private network namespace. The pictures are
// kept as artifacts.

#include "app/mainwindow.h"
#include "app/tabs/meterrows.h"
#include "app/recordingkeepawake.h"
#include "app/sensorloops.h"
#include "app/tabs/timetrendscantab.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/curverecord.h"
#include "views/livecurve.h"
#include "views/sampleratewidget.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QThread>

namespace {

size_t samplesOf(const CurveRecord& record)
{
    const auto* curve = dynamic_cast<const LiveCurve*>(record.firstCurve);
    return curve ? static_cast<size_t>(curve->feed().nextSampleNumber() - curve->feed().firstSampleNumber())
                 : 0;
}

TEST(TimeTrendLive, CurvesMetersAndSmithChartFollowARunningScan)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = LIVE-1\n"
                                "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n"
                                "frequency = 13560000 3 40 25\nfrequency = 2000000 2 60 -30\n"
                                "drift = 0.3\ndriftPeriod = 4\n"),
              1);

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    timeTrendScanTab& tab = *window.timeTrend();
    window.form().tabWidget->setCurrentWidget(&tab);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tab.form().sensorList->findText(QStringLiteral("LIVE-1")) >= 0; }, 20000));
    tab.form().sensorList->setCurrentIndex(tab.form().sensorList->findText(QStringLiteral("LIVE-1")));
    // Both frequencies with all their harmonics, chosen in the tab.
    ASSERT_EQ(tab.harmonicCombos().size(), 2);
    tab.harmonicCombos()[0]->setCurrentIndex(3);
    tab.harmonicCombos()[1]->setCurrentIndex(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.frequencyButtons().buttons().size() == 2; }, 20000));

    tab.rateSelector().setRate(50);
    tab.form().startScan->click();
    ASSERT_FALSE(tab.curves().isEmpty());
    // A second quantity at the second frequency, ticked as a user would.
    tab.frequencyButtons().button(1)->click();
    const int second = tab.meterIds().size() > 1 ? 1 : 0;
    if (!tab.meterCheckBox(second)->isChecked())
        tab.meterCheckBox(second)->click();
    tab.frequencyButtons().button(0)->click();
    tab.form().meterView->setChecked(true);
    tab.form().smithView->setChecked(true);

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (const CurveRecord* record : tab.curves())
                if (samplesOf(*record) < 60)
                    return false;
            return true;
        },
        30000));
    EXPECT_GE(tab.curves().size(), 2);
    EXPECT_FALSE(tab.smithDialog().chart()->points(0).isEmpty());
    EXPECT_FALSE(tab.smithDialog().chart()->points(1).isEmpty());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return tab.meterLabel(0)->text() != QStringLiteral("   ---"); }, 20000));
    EXPECT_NE(tab.meterRows().value(0)->text(), QStringLiteral("-----"));

    QWidget& meterWindow = *tab.meterRows().value(0)->window();
    EXPECT_TRUE(meterWindow.isVisible());
    EXPECT_FALSE(screenshot::keep(window, QStringLiteral("time-trend-live")).isEmpty());
    EXPECT_FALSE(screenshot::keep(meterWindow, QStringLiteral("time-trend-live-meters")).isEmpty());
    EXPECT_FALSE(screenshot::keep(tab.smithDialog(), QStringLiteral("time-trend-live-smith")).isEmpty());

    tab.form().stopScan->click();
    EXPECT_TRUE(tab.form().startScan->isEnabled());
    detachAndAwaitSensorLoops(control, {QStringLiteral("LIVE-1")});
}

} // namespace
