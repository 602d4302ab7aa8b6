// The "Time Resolved" tab of the main window with the stand-in driver's
// default sensor beside this test (pulsed: 1000 µs period, 400 µs on): a
// pulse profile over one period runs to its end by itself. Building the
// window starts discovery, so this runs only inside the private network
// namespace. Its picture is kept as an artifact.

#include "app/mainwindow.h"
#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/sensorloops.h"
#include "app/tabs/timeresolvedscantab.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/messageboxanswer.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/curverecord.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include <qwt_plot_curve.h>

namespace {

const QString defaultSerial = QStringLiteral("QVXSIM0001");

TEST(TimeResolvedWithSensor, APulseProfileOverOnePeriodRunsToItsEnd)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    timeResolvedScanTab& tab = *window.timeResolved();
    const int index = window.form().tabWidget->indexOf(&tab);
    ASSERT_GE(index, 0);
    EXPECT_EQ(window.form().tabWidget->tabText(index), QStringLiteral("Time Resolved"));
    window.form().tabWidget->setCurrentIndex(index);

    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().sensorList->findText(defaultSerial) >= 0; }, 20000));
    tab.form().sensorList->setCurrentIndex(tab.form().sensorList->findText(defaultSerial));
    ASSERT_TRUE(tab.form().startScan->isEnabled());

    const timeResolvedScanTab::Controls& controls = tab.controls();
    controls.internalTrigger->click();
    controls.pulseFrequency->setText(QStringLiteral("1"));
    tab.pulseTimeChanged();
    controls.autoset->click();
    ASSERT_EQ(controls.endTime->text(), QStringLiteral("1000"));
    // Eleven delays across the period keep the sweep short.
    controls.stepTime->setText(QStringLiteral("100"));
    tab.form().startScan->click();
    ASSERT_NE(tab.currentScan(), nullptr);
    QPointer<BaseScan> scan = tab.currentScan();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.scanActivityState().isAnyActive(); }, 20000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan && scan->sampleCount(0) >= 4; }, 30000));
    tab.monitorUpdate(scan, 0);
    EXPECT_NE(controls.peak->text(), QStringLiteral("--.-%"));

    // The sweep ends by itself at the end time and the tab returns to idle.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().startScan->isEnabled(); }, 60000));
    EXPECT_FALSE(tab.form().stopScan->isEnabled());
    EXPECT_TRUE(controls.startTime->isEnabled());
    ASSERT_FALSE(scan.isNull());
    EXPECT_TRUE(scan->isFinished());
    EXPECT_GE(scan->sampleCount(0), 10);
    EXPECT_LE(scan->sampleCount(0), 12);
    // The last update drew the whole sweep: on for 400 µs, then off.
    ASSERT_FALSE(tab.curves().isEmpty());
    EXPECT_GE(tab.curves().front()->firstCurve->dataSize(), 10u);
    const QString picture = screenshot::keep(window, QStringLiteral("time-resolved-sensor"));
    EXPECT_FALSE(picture.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.scanActivityState().isAnyActive(); }, 20000));

    detachAndAwaitSensorLoops(control, {defaultSerial});
}

// Texts the window's fields do not take are refused at Start and reach the
// driver in no call; the nearest window they do take sweeps from a delay of
// 0, never from one before the trigger.
TEST(TimeResolvedWithSensor, AWindowItsFieldsDoNotTakeNeverReachesTheDriver)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    // A sensor of its own: the one before may have been pulled already.
    const QString rangeSerial = QStringLiteral("TR-RANGE");
    ASSERT_EQ(control.configure("[sensor]\nserial = TR-RANGE\nfrequency = 13560000 1 50 0\n"
                                "pulsePeriod = 1000\npulseOnTime = 400\n"),
              1);
    const QByteArray serial = rangeSerial.toLatin1();
    auto fpgaCalls = [&] { return control.callCount(serial.constData(), "quvixConfigureFPGA"); };

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    timeResolvedScanTab& tab = *window.timeResolved();
    window.form().tabWidget->setCurrentWidget(&tab);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().sensorList->findText(rangeSerial) >= 0; }, 20000));
    tab.form().sensorList->setCurrentIndex(tab.form().sensorList->findText(rangeSerial));

    const timeResolvedScanTab::Controls& controls = tab.controls();
    controls.internalTrigger->click();
    controls.pulseFrequency->setText(QStringLiteral("100"));
    tab.pulseTimeChanged();
    controls.externalTrigger->click();
    controls.endTime->setText(QStringLiteral("10"));
    controls.stepTime->setText(QStringLiteral("5"));
    const struct {
        QLineEdit* edit;
        const char* text;
    } refused[] = {{controls.startTime, "-123456"}, {controls.level, "99999999999999999999"}};
    for (const auto& entry : refused) {
        const int before = fpgaCalls();
        entry.edit->setText(QString::fromLatin1(entry.text));
        MessageBoxAnswers answers({QMessageBox::Ok});
        tab.form().startScan->click();
        EXPECT_EQ(answers.seen().size(), 1) << entry.text;
        EXPECT_EQ(tab.currentScan(), nullptr) << entry.text;
        EXPECT_EQ(fpgaCalls(), before) << entry.text;
        entry.edit->clear();
    }

    controls.startTime->setText(QStringLiteral("-10"));
    controls.level->setText(QStringLiteral("50"));
    const int before = fpgaCalls();
    tab.form().startScan->click();
    ASSERT_NE(tab.currentScan(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fpgaCalls() > before; }, 20000));
    EXPECT_EQ(control.deviceSetting(serial.constData(), "triggerDelay"), 0.0);
    tab.form().stopScan->click();

    detachAndAwaitSensorLoops(control, {rangeSerial});
}

} // namespace
