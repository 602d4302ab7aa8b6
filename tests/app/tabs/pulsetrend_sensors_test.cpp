// The "Pulse Trend" tab of the main window with the stand-in driver's
// default sensor beside this test (a pulsed source of 1000 µs, 400 µs on):
// a scan of two trends draws both and stops again. Building the window
// starts discovery, so this runs only inside the private network namespace.
// Its picture is kept as an artifact.

#include "app/mainwindow.h"
#include "app/tabs/pulsetrendscantab.h"
#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/sensorloops.h"
#include "app/tabs/timeresolvedscantab.h"
#include "scans/pulsetrendscan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/curverecord.h"

#include <qwt_plot_curve.h>

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <QThread>

namespace {

const char* const defaultSerial = "QVXSIM0001";

TEST(PulseTrendWithSensor, ATwoTrendScanDrawsBothTrends)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    QSettings().clear();

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    pulseTrendScanTab& tab = *window.pulseTrend();
    ASSERT_EQ(window.form().tabWidget->indexOf(&tab), 2);
    EXPECT_EQ(window.form().tabWidget->tabText(2), QStringLiteral("Pulse Trend"));
    window.form().tabWidget->setCurrentIndex(2);

    const QString serial = QString::fromLatin1(defaultSerial);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().sensorList->findText(serial) >= 0; }, 20000));
    tab.form().sensorList->setCurrentIndex(tab.form().sensorList->findText(serial));
    ASSERT_TRUE(tab.form().startScan->isEnabled());
    ASSERT_TRUE(tab.trendModeBox(1)->isEnabled()) << "the stand-in's firmware places trends by share";

    // 100 µs into the pulse, and a fifth of its period. The sensor measures
    // no pulse outside its pulse monitor mode, so the period is the one the
    // pulse frequency gives.
    tab.pulseFrequency().setValue(1.0);
    tab.trendModeBox(0)->setCurrentIndex(0);
    tab.trendValueBox(0)->setValue(100.0);
    tab.trendModeBox(1)->setCurrentIndex(1);
    tab.trendValueBox(1)->setValue(20.0);
    tab.form().startScan->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.scanActivityState().isAnyActive(); }, 20000));
    ASSERT_EQ(tab.curves().size(), 1);
    const CurveRecord& pair = *tab.curves().first();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return pair.firstCurve->dataSize() > 3 && pair.secondCurve->dataSize() > 3; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return tab.trendButton(0)->text() == QStringLiteral("Trend 1: 100 \u00b5s") &&
                   tab.trendButton(1)->text() == QStringLiteral("Trend 2: 200 \u00b5s");
        },
        20000))
        << tab.trendButton(0)->text().toStdString() << " / " << tab.trendButton(1)->text().toStdString();
    EXPECT_TRUE(tab.trendButton(1)->isEnabled());
    const QString picture = screenshot::keep(window, QStringLiteral("pulse-trend-sensor"));
    EXPECT_FALSE(picture.isEmpty());

    tab.form().stopScan->click();
    EXPECT_TRUE(tab.form().startScan->isEnabled());
    EXPECT_TRUE(tab.trendsConfigBox().isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.scanActivityState().isAnyActive(); }, 20000));

    // A scan the window discards leaves the tab too.
    ASSERT_NE(tab.currentScan(), nullptr);
    emit window.scanDeleted(tab.currentScan());
    EXPECT_EQ(tab.currentScan(), nullptr);

    detachAndAwaitSensorLoops(control, {QString::fromLatin1(defaultSerial)});
    QSettings().clear();
}

// The user's entries: the trigger choice goes both ways between the pulse
// tabs; level and frequency go from the pulse-trend tab to the time-resolved
// tab only.
TEST(PulseTrendWithSensor, ThePulseTabsShareTheTriggerAndTheTrendTabsLevelAndFrequency)
{
    QUVIX_REQUIRE_NETLAB();
    QSettings().clear();
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    pulseTrendScanTab& pulse = *window.pulseTrend();
    const timeResolvedScanTab::Controls& resolved = window.timeResolved()->controls();

    pulse.externalTrigger().click();
    EXPECT_TRUE(resolved.externalTrigger->isChecked());
    resolved.internalTrigger->click();
    EXPECT_TRUE(pulse.internalTrigger().isChecked());
    EXPECT_TRUE(pulse.levelEdit().isEnabled());
    resolved.externalTrigger->click();
    EXPECT_TRUE(pulse.externalTrigger().isChecked());
    EXPECT_FALSE(pulse.pulseFrequency().isEnabled());
    pulse.internalTrigger().click();
    EXPECT_TRUE(resolved.internalTrigger->isChecked());

    pulse.levelEdit().setText(QStringLiteral("33"));
    emit pulse.levelEdit().editingFinished();
    pulse.pulseFrequency().setValue(2.5);
    EXPECT_EQ(resolved.level->text(), QStringLiteral("33"));
    EXPECT_EQ(resolved.pulseFrequency->text(), QStringLiteral("2.5"));

    resolved.level->setText(QStringLiteral("44"));
    emit resolved.level->editingFinished();
    resolved.pulseFrequency->setText(QStringLiteral("50"));
    emit resolved.pulseFrequency->editingFinished();
    EXPECT_EQ(pulse.levelEdit().text(), QStringLiteral("33"));
    EXPECT_EQ(pulse.pulseFrequency().value(), 2.5);
    QSettings().clear();
}

} // namespace
