// Automatic starts of the Time Trend tab: the sensor handler's auto-start
// news reaches the tab, and in the main window a simulated USB sensor marked
// for auto-start records one triggered event that is saved. The handler
// starts discovery when it is built, so this runs only inside the private
// network namespace.

#include "app/dialogs/displaysettings.h"
#include "app/mainwindow.h"
#include "app/qstringprinter.h"
#include "app/recordingkeepawake.h"
#include "app/sensorloops.h"
#include "app/tabs/timetrendscantab.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/fakesensor.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <vector>

namespace {

constexpr int waitLimitMs = 30000;

TEST(TimeTrendAutoStart, TheHandlersNewsSwitchesTheTabToTheMarkedSensor)
{
    QUVIX_REQUIRE_NETLAB();
    QSettings().clear();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = AWAY-1\nfrequency = 13560000 1\nattached = no\n"), 1);

    DisplaySettings settings;
    FakeSensor shown{{13.56}, {1}};
    shown.setSerialNumber(QStringLiteral("SHOWN-1"));
    FakeSensor marked{{2.0, 27.12}, {1, 1}};
    marked.setSerialNumber(QStringLiteral("MARKED-2"));
    QSettings stored;
    stored.beginGroup(QStringLiteral("MARKED-2"));
    stored.setValue(QStringLiteral("startparameterindex"), 2);
    stored.setValue(QStringLiteral("startthresholdvalue"), QStringLiteral("150.000"));
    stored.setValue(QStringLiteral("stopcondition"), 0);
    stored.setValue(QStringLiteral("scanduration"), 60.0);
    stored.endGroup();

    auto tab = std::make_unique<timeTrendScanTab>(&settings);
    tab->setAutosaveConfig(true, QStringLiteral("/data/events/"), QStringLiteral("event"));
    QList<QuvixSensor*> sensors{&shown, &marked};
    tab->updateSensorList(sensors);
    ASSERT_EQ(tab->activeSensor(), &shown);
    tab->connectAutoScan();
    tab->connectAutoScan(); // connected once however often asked

    emit SensorHandler::getInstance()->autoScanStart(&marked);

    EXPECT_EQ(tab->activeSensor(), &marked);
    EXPECT_EQ(tab->form().sensorList->currentText(), QStringLiteral("MARKED-2"));
    EXPECT_TRUE(shown.queued.isEmpty());
    ASSERT_EQ(marked.queued.size(), 1);
    const BaseScan& scan = *marked.queued.front().scan;
    EXPECT_TRUE(scan.triggerRecording);
    EXPECT_EQ(scan.startParameter, 5);
    EXPECT_EQ(scan.startLevel, 150.0);
    EXPECT_EQ(scan.eventDuration, 60.0);
    EXPECT_EQ(scan.frequencyIndex, 0);
    EXPECT_TRUE(scan.autosaveEnabled);
    EXPECT_FALSE(tab->form().startScan->isEnabled());
    EXPECT_TRUE(tab->form().stopScan->isEnabled());

    tab.reset();
    delete marked.pendingScan();
}

TEST(TimeTrendAutoStart, AMarkedSensorRecordsAndSavesAnEventInTheWindow)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = AS-1\nfrequency = 13560000 1 50 0\n"), 1);
    QTemporaryDir autosaveFolder;
    ASSERT_TRUE(autosaveFolder.isValid());
    {
        QSettings settings;
        settings.clear();
        settings.setValue(QStringLiteral("AS-1/AutoStart"), true);
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("autosaveState"), true);
        settings.setValue(QStringLiteral("autosavedir"), autosaveFolder.path() + QLatin1Char('/'));
        settings.setValue(QStringLiteral("autosaveTitle"), QStringLiteral("event"));
        settings.endGroup();
        // Any voltage starts the event; it ends after a second and the scan
        // with it.
        settings.beginGroup(QStringLiteral("AS-1"));
        settings.setValue(QStringLiteral("startparameterindex"), 0);
        settings.setValue(QStringLiteral("startthresholdvalue"), QStringLiteral("0.000"));
        settings.setValue(QStringLiteral("stopcondition"), 0);
        settings.setValue(QStringLiteral("scanduration"), 1.0);
        settings.setValue(QStringLiteral("continuemonitoring"), false);
        settings.endGroup();
    }

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.show();
    timeTrendScanTab& tab = *window.timeTrend();
    window.form().tabWidget->setCurrentWidget(&tab);

    QPointer<BaseScan> triggered;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            triggered = tab.currentScan();
            return triggered && triggered->triggerRecording;
        },
        waitLimitMs));
    EXPECT_EQ(tab.activeSensor()->serialNumber(), QStringLiteral("AS-1"));
    EXPECT_FALSE(tab.curves().isEmpty());

    // The event ends the scan, which the tab follows back to idle, and the
    // registry saves it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab.form().startScan->isEnabled(); }, waitLimitMs));
    EXPECT_FALSE(tab.form().stopScan->isEnabled());
    QStringList files;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            files = QDir(autosaveFolder.path()).entryList({QStringLiteral("*.dat")});
            return files.size() == 1;
        },
        waitLimitMs));
    const auto loaded = BaseScan::loadDat(QDir(autosaveFolder.path()).filePath(files.front()));
    ASSERT_TRUE(loaded);
    EXPECT_GT(loaded->sampleCount(0), 2);

    detachAndAwaitSensorLoops(control, {QStringLiteral("AS-1")}, waitLimitMs);
}

} // namespace
