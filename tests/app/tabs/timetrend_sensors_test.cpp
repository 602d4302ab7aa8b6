// The "Time Trend" tab of the main window with a simulated USB sensor from
// the stand-in driver beside this test: a timed scan with autosave runs to
// its end and its file loads back. Building the window starts discovery, so
// this runs only inside the private network namespace. Its picture is kept
// as an artifact.

#include "app/mainwindow.h"
#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/sensorloops.h"
#include "app/tabs/timetrendscantab.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <limits>
#include <memory>
#include <vector>

namespace {

TEST(TimeTrendWithSensor, ATimedScanAutosavesAFileThatLoadsBack)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = TT-1\nfrequency = 13560000 1 50 0\n"), 1);
    QTemporaryDir autosaveFolder;
    ASSERT_TRUE(autosaveFolder.isValid());

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    timeTrendScanTab& tab = *window.timeTrend();
    ASSERT_EQ(window.form().tabWidget->indexOf(&tab), 1);
    EXPECT_EQ(window.form().tabWidget->tabText(1), QStringLiteral("Time Trend"));
    window.form().tabWidget->setCurrentIndex(1);

    ASSERT_TRUE(
        QTest::qWaitFor([&] { return tab.form().sensorList->findText(QStringLiteral("TT-1")) >= 0; }, 20000));
    tab.form().sensorList->setCurrentIndex(tab.form().sensorList->findText(QStringLiteral("TT-1")));
    ASSERT_TRUE(tab.form().startScan->isEnabled());

    tab.setAutosaveConfig(true, autosaveFolder.path(), QStringLiteral("trend"));
    tab.form().scanDuration->setText(QStringLiteral("3"));
    tab.rateSelector().setRate(100);
    tab.form().startScan->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.scanActivityState().isAnyActive(); }, 20000));
    const QString picture = screenshot::keep(window, QStringLiteral("time-trend-sensor"));
    EXPECT_FALSE(picture.isEmpty());

    // The scan ends by itself after its duration and the tab returns to idle.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().startScan->isEnabled(); }, 30000));
    EXPECT_FALSE(tab.form().stopScan->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.scanActivityState().isAnyActive(); }, 20000));
    QStringList files;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            files = QDir(autosaveFolder.path()).entryList({QStringLiteral("*.dat")});
            return files.size() == 1;
        },
        30000));
    const auto loaded = BaseScan::loadDat(QDir(autosaveFolder.path()).filePath(files.front()));
    ASSERT_TRUE(loaded);
    EXPECT_GT(loaded->sampleCount(0), 5);

    // The window stores the tab's autosave choice, and a scan it discards
    // leaves the tab too.
    window.saveSettings();
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    EXPECT_EQ(settings.value(QStringLiteral("autosaveTitle")).toString(), QStringLiteral("trend"));
    EXPECT_TRUE(settings.value(QStringLiteral("autosaveState")).toBool());
    settings.endGroup();
    ASSERT_NE(tab.currentScan(), nullptr);
    emit window.scanDeleted(tab.currentScan());
    EXPECT_EQ(tab.currentScan(), nullptr);
    EXPECT_FALSE(tab.form().saveScan->isEnabled());

    detachAndAwaitSensorLoops(control, {QStringLiteral("TT-1")});
}

// Two stand-in sensors; a scan of the tab runs on TT-2 until the test pulls
// it. The sensor handler's watchdog then finishes that scan, which reaches
// the tab only through the sensor's ScanComplete.
class TimeTrendPulledSensor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        ASSERT_TRUE(control.isComplete());
        ASSERT_EQ(control.configure("[sensor]\nserial = TT-2\nfrequency = 13560000 1 50 0\n"
                                    "[sensor]\nserial = TT-3\nfrequency = 2000000 1 50 0\n"),
                  2);
        // Held back until a test lets the watchdog act, so that a busy
        // machine cannot let the scan end before the test is ready for it.
        SensorHandler::getInstance()->setWatchdogDelay(std::numeric_limits<int>::max());
        window = std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
        window->show();
        window->form().tabWidget->setCurrentWidget(&tab());
        ASSERT_TRUE(QTest::qWaitFor([&] { return listed("TT-2") && listed("TT-3"); }, 20000));

        startOn("TT-2");
        pulled = tab().activeSensor();
        pulledScan = tab().currentScan();
        ASSERT_FALSE(pulledScan.isNull());
        ASSERT_TRUE(QTest::qWaitFor([&] { return control.samplesDelivered("TT-2") > 5; }, 20000));
        control.setAttached("TT-2", 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !listed("TT-2"); }, 20000));
    }

    // The watchdog's own delay, shortened: the scan ends the same way.
    static void letTheWatchdogAct() { SensorHandler::getInstance()->setWatchdogDelay(2000); }

    void TearDown() override
    {
        if (!window)
            return;
        detachAndAwaitSensorLoops(control, {QStringLiteral("TT-3")});
    }

    timeTrendScanTab& tab() const { return *window->timeTrend(); }
    bool listed(const char* serial) const
    {
        return tab().form().sensorList->findText(QLatin1String(serial)) >= 0;
    }
    bool keptAwake() const { return window->scanActivityState().keepAwake().isHeld(); }

    // An untimed scan, started with the tab's button.
    void startOn(const char* serial)
    {
        QComboBox& sensorList = *tab().form().sensorList;
        sensorList.setCurrentIndex(sensorList.findText(QLatin1String(serial)));
        ASSERT_EQ(tab().activeSensor()->serialNumber(), QLatin1String(serial));
        tab().form().scanDuration->clear();
        tab().rateSelector().setRate(100);
        tab().form().startScan->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return keptAwake(); }, 20000));
    }

    void expectStopped() const
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->scanActivityState().isAnyActive(); }, 30000));
        EXPECT_FALSE(keptAwake());
        EXPECT_TRUE(tab().form().startScan->isEnabled());
        EXPECT_FALSE(tab().form().stopScan->isEnabled());
        EXPECT_FALSE(tab().getCurScan());
        EXPECT_TRUE(tab().form().saveScan->isEnabled());
    }

    UsbSimControl control;
    std::unique_ptr<MainWindow> window;
    QuvixSensor* pulled = nullptr;
    QPointer<BaseScan> pulledScan;
};

TEST_F(TimeTrendPulledSensor, ItsScanEndedByTheWatchdogStopsTheTab)
{
    letTheWatchdogAct();
    expectStopped();
    ASSERT_FALSE(pulledScan.isNull());
    EXPECT_EQ(tab().currentScan(), pulledScan.data());
    // What it recorded before the sensor went stays with it.
    EXPECT_GT(pulledScan->sampleCount(0), 0);
}

TEST_F(TimeTrendPulledSensor, ItsLateEndLeavesTheScanStartedSinceOnTheOtherSensor)
{
    QSignalSpy pulledScanEnds(pulled, &QuvixSensor::ScanComplete);
    startOn("TT-3");
    QuvixSensor* staying = tab().activeSensor();
    QPointer<BaseScan> stayingScan = tab().currentScan();
    ASSERT_NE(stayingScan.data(), pulledScan.data());
    EXPECT_EQ(pulledScanEnds.count(), 0);

    letTheWatchdogAct();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pulledScanEnds.count() == 1; }, 30000));
    // Longer than the tab takes to report the end of its activity.
    EXPECT_FALSE(QTest::qWaitFor([&] { return !keptAwake(); }, 1000));
    EXPECT_TRUE(staying->isMeasuring());
    EXPECT_EQ(tab().currentScan(), stayingScan.data());
    EXPECT_TRUE(tab().getCurScan());
    EXPECT_TRUE(tab().form().stopScan->isEnabled());
    EXPECT_FALSE(tab().form().startScan->isEnabled());
    EXPECT_TRUE(keptAwake());

    tab().form().stopScan->click();
    expectStopped();
    EXPECT_EQ(tab().currentScan(), stayingScan.data());
}

} // namespace
