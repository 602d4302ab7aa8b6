// The acquisition tab's autosave box and the folder and name it asks for.

#include "app/dialogs/autosaveinputdialog.h"
#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/basescan.h"
#include "support/fakesensor.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <memory>

namespace {

// Edits the next autosave dialog that opens and ends it with `result`.
void answerAutosaveDialog(const QString& folder, const QString& name, QDialog::DialogCode result, bool* seen)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        auto* dialog = qobject_cast<autosaveInputDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *seen = true;
        dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(folder);
        dialog->findChild<QLineEdit*>(QStringLiteral("name"))->setText(name);
        dialog->done(result);
        poll->deleteLater();
    });
    poll->start(10);
}

TEST(ScanTabAutosave, TickingAsksForTheTargetAndOnlyAcceptanceTurnsAutosaveOn)
{
    DisplaySettings settings;
    timeTrendScanTab tab(&settings);
    tab.setAutosaveConfig(false, QStringLiteral("/data/old/"), QStringLiteral("old_<date>"));
    QCheckBox* box = tab.form().autosave;

    bool seen = false;
    answerAutosaveDialog(QStringLiteral("/data/new/"), QStringLiteral("new_<serial>"), QDialog::Rejected,
                         &seen);
    box->click();
    EXPECT_TRUE(seen);
    // Cancelled: autosave stays as it was, off with the old target.
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/old/"));
    EXPECT_EQ(tab.autosaveTitle(), QStringLiteral("old_<date>"));

    seen = false;
    answerAutosaveDialog(QStringLiteral("/data/new/"), QStringLiteral("new_<serial>"), QDialog::Accepted,
                         &seen);
    box->click();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/new/"));
    EXPECT_EQ(tab.autosaveTitle(), QStringLiteral("new_<serial>"));

    box->click(); // unticking asks nothing and keeps the target
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/new/"));
}

TEST(ScanTabAutosave, ARecordingShowsItsScanInTheChartsAndAFinishedOneStopsTheTab)
{
    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {1, 0}};
    auto tab = std::make_unique<timeTrendScanTab>(&settings);
    QList<QuvixSensor*> sensors{&usb};
    tab->updateSensorList(sensors);
    tab->form().startScan->click();
    BaseScan* scan = tab->currentScan();
    ASSERT_NE(scan, nullptr);
    QObject::connect(scan, &BaseScan::acquisitionStarted, tab.get(), &scanTab::thAcquisitionStarted);
    QObject::connect(scan, &BaseScan::acquisitionStopped, tab.get(), &scanTab::thAcquisitionStopped);
    QSignalSpy updates(&usb, &QuvixSensor::configUpdated);

    emit scan->acquisitionStarted();
    const QList<BaseScan*> only{scan};
    EXPECT_EQ(tab->barChart().scans(), only);
    EXPECT_EQ(tab->smithDialog().scans(), only);
    EXPECT_EQ(tab->waveWindow().scans(), only);
    EXPECT_EQ(updates.size(), 1);

    emit scan->acquisitionStopped(); // monitoring goes on
    EXPECT_EQ(updates.size(), 2);
    EXPECT_TRUE(tab->form().stopScan->isEnabled());

    scan->stop();
    ASSERT_TRUE(scan->isFinished());
    emit scan->acquisitionStopped();
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
    EXPECT_TRUE(tab->form().startScan->isEnabled());

    tab.reset();
    delete usb.pendingScan();
    usb.setCurrentScan(nullptr);
}

} // namespace
