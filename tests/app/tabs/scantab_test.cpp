// The time-trend tab with fake sensors: binding a sensor to the controls,
// the sensor configuration, starting and stopping scans, scan errors and
// saving the current scan.

#include "app/dialogs/displaysettings.h"
#include "app/filetaskqueue.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/cwscan.h"
#include "scans/processvalues.h"
#include "scans/scanhandler.h"
#include "support/eventloopgap.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "support/sanitizedbuild.h"
#include "support/scanfactory.h"
#include "support/scriptedquestions.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

class ScanTab : public ::testing::Test
{
protected:
    void TearDown() override
    {
        tab.reset();
        for (FakeSensor* sensor : {&usb, &other}) {
            delete sensor->pendingScan();
            sensor->setCurrentScan(nullptr);
        }
        // A scan replaced in the queue is deleted by a call posted to the
        // application; nothing else runs the event loop after the test.
        QCoreApplication::sendPostedEvents();
    }

    void bind(FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
    }

    int rateEntries() const { return static_cast<QComboBox*>(tab->rateSelector().part(0))->count(); }

    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {1, 0}};
    FakeSensor other{{13.56}, {1}};
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTab, AnEmptyListLeavesNoSensorAndTheScanButtonsOff)
{
    bind(usb);
    QList<QuvixSensor*> none;
    tab->updateSensorList(none);
    Ui_scanTab& form = tab->form();
    EXPECT_EQ(tab->activeSensor(), nullptr);
    for (QWidget* button :
         {static_cast<QWidget*>(form.startScan), static_cast<QWidget*>(form.stopScan),
          static_cast<QWidget*>(form.autostartAdvanced), static_cast<QWidget*>(form.resetEnergyBtn)})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_FALSE(tab->isControlPanelExpanded());
}

TEST_F(ScanTab, FirmwareAndConnectionChooseThePulseSwitchAndTheRateList)
{
    struct Case {
        int kind;
        int major;
        int minor;
        bool pulse;
        int entries;
    };
    const Case cases[] = {{0, 5, 11, false, 6},
                          {0, 5, 12, true, 10},
                          {0, 6, 0, true, 10},
                          {1, 5, 0, false, 5},
                          {1, 5, 12, true, 5}};
    tab->show();
    for (const Case& c : cases) {
        usb.setConnectionKind(c.kind);
        usb.setFirmware(QStringLiteral("v%1.%2").arg(c.major).arg(c.minor), c.major, c.minor);
        bind(usb);
        const QString label = QStringLiteral("kind %1 firmware %2.%3").arg(c.kind).arg(c.major).arg(c.minor);
        EXPECT_EQ(tab->activeSensor(), &usb) << label.toStdString();
        EXPECT_EQ(tab->form().enablePulse->isVisible(), c.pulse) << label.toStdString();
        EXPECT_EQ(rateEntries(), c.entries) << label.toStdString();
    }
}

TEST_F(ScanTab, BindingShowsTheLockFrequenciesAndScanState)
{
    usb.setLockMode(2);
    usb.setMultiFrequency(true);
    usb.setFrequencies({0.5, 13.56, 100.123});
    usb.setAvailableHarmonics({3, 3, 3});
    usb.setSelectionDirectly({1, 2, 0});
    bind(usb);
    EXPECT_TRUE(tab->form().VIAutoLock->isChecked());
    ASSERT_EQ(tab->harmonicLabels().size(), 3);
    EXPECT_EQ(tab->harmonicLabels()[0]->text(), QStringLiteral("500 kHz"));
    EXPECT_EQ(tab->harmonicLabels()[1]->text(), QStringLiteral("13.56 MHz"));
    EXPECT_EQ(tab->harmonicLabels()[2]->text(), QStringLiteral("100.1 MHz"));
    EXPECT_EQ(tab->harmonicCombos()[1]->currentIndex(), 2);
    EXPECT_EQ(tab->form().sensorConfigIdentifierLabel->text(), QStringLiteral("Number Of Harmonics"));
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().stopScan->isEnabled());

    usb.setFrequencies({});
    usb.setSelectionDirectly({});
    bind(usb);
    ASSERT_EQ(tab->harmonicLabels().size(), 1);
    EXPECT_EQ(tab->harmonicLabels()[0]->text(), QStringLiteral("N/A"));
}

TEST_F(ScanTab, ASingleFrequencySensorWithNothingEnabledSendsNoConfiguration)
{
    usb.setSelectionDirectly({0, 0});
    bind(usb);
    ASSERT_NE(tab->frequencyCombo(), nullptr);
    EXPECT_EQ(tab->frequencyCombo()->currentIndex(), -1);
    EXPECT_EQ(tab->form().sensorConfigIdentifierLabel->text(), QStringLiteral("Frequency"));
    EXPECT_FALSE(usb.calls.contains(QStringLiteral("disable parameters")))
        << usb.calls.join(", ").toStdString();
}

TEST_F(ScanTab, AMeasuringSensorIsBoundWithStartAndTheRateSelectorOff)
{
    CWScan running(&usb, QString(), 100);
    usb.setCurrentScan(&running);
    bind(usb);
    EXPECT_FALSE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->rateSelector().isEnabled());
    EXPECT_TRUE(tab->form().stopScan->isEnabled());
    usb.setCurrentScan(nullptr);
}

TEST_F(ScanTab, AnInvalidHarmonicTotalIsRefusedAndTheComboRestored)
{
    usb.setMultiFrequency(true);
    usb.setAvailableHarmonics({3, 3});
    usb.setSelectionDirectly({1, 0});
    bind(usb);
    usb.calls.clear();
    MessageBoxAnswers answers({QMessageBox::Ok});
    tab->harmonicCombos()[0]->setCurrentIndex(0);
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Invalid Configuration"));
    EXPECT_EQ(tab->harmonicCombos()[0]->currentIndex(), 1);
    EXPECT_TRUE(usb.calls.isEmpty()) << usb.calls.join(", ").toStdString();
}

TEST_F(ScanTab, StartSendsTheRateThenAFullyConfiguredScan)
{
    struct Case {
        QString duration;
        bool timed;
        double seconds;
        bool autosave;
    };
    const Case cases[] = {{QStringLiteral("0"), false, 0, false},
                          {QString(), false, 0, true},
                          {QStringLiteral("3600"), true, 3600, false},
                          {QStringLiteral("12.5"), true, 12.5, true}};
    usb.setFirmware(QStringLiteral("v6.0"), 6, 0);
    bind(usb);
    tab->setAutosaveConfig(false, QStringLiteral("/data/runs"), QStringLiteral("<serial>"));
    for (const Case& c : cases) {
        usb.calls.clear();
        usb.queued.clear();
        tab->form().autosave->setChecked(c.autosave);
        tab->form().scanDuration->setText(c.duration);
        tab->form().waferLot->setText(QStringLiteral("L7"));
        tab->form().waferNumber->setText(QStringLiteral("W3"));
        tab->form().ifResistance->setText(QStringLiteral("2"));
        tab->rateSelector().setRate(100);
        tab->form().startScan->click();
        const std::string label = c.duration.toStdString();
        ASSERT_EQ(usb.queued.size(), 1) << label;
        EXPECT_EQ(usb.calls.value(0), QStringLiteral("rate 100")) << label;
        const FakeSensor::QueuedScan& queued = usb.queued.front();
        EXPECT_EQ(queued.typeText, QStringLiteral("Continuous Wave"));
        EXPECT_EQ(queued.timed, c.timed) << label;
        EXPECT_DOUBLE_EQ(queued.duration, c.seconds) << label;
        EXPECT_EQ(queued.autosaveEnabled, c.autosave) << label;
        if (c.autosave)
            EXPECT_EQ(queued.autosavePattern, QStringLiteral("<serial>"));
        EXPECT_EQ(queued.autosaveSettings, &settings);
        EXPECT_EQ(queued.scan->waferLot, QStringLiteral("L7"));
        EXPECT_EQ(queued.scan->waferNumber, QStringLiteral("W3"));
        EXPECT_EQ(tab->currentScan(), queued.scan);
        EXPECT_FALSE(tab->form().startScan->isEnabled());
        EXPECT_TRUE(tab->form().stopScan->isEnabled());
        // Not even the previous scan's Save while this one records.
        EXPECT_FALSE(tab->form().saveScan->isEnabled()) << label;
        tab->form().stopScan->click();
        EXPECT_TRUE(tab->form().startScan->isEnabled());
        EXPECT_TRUE(tab->form().saveScan->isEnabled());
    }
}

TEST_F(ScanTab, StartThenStopAtOnceReportsOnlyTheStop)
{
    bind(usb);
    QSignalSpy activity(tab.get(), &scanTab::activity);
    tab->form().startScan->click();
    tab->form().stopScan->click();
    ASSERT_TRUE(activity.wait(20000));
    QTest::qWait(400);
    ASSERT_EQ(activity.size(), 1);
    EXPECT_FALSE(activity[0][0].toBool());
}

TEST_F(ScanTab, StartWithoutASensorDoesNothing)
{
    tab->startScan();
    EXPECT_EQ(tab->currentScan(), nullptr);
    EXPECT_TRUE(usb.calls.isEmpty());
}

TEST_F(ScanTab, ScanErrorsShowTheirTextInABoxThatGoesAway)
{
    struct Case {
        int code;
        bool autosave;
        QString start;
        bool autosaveSentence;
    };
    const Case cases[] = {{5, false, QStringLiteral("Unknown scan error ocurred."), false},
                          {0, false, QStringLiteral("WARNING - scan data size limit reached"), true},
                          {0, true, QStringLiteral("WARNING - scan data size limit reached"), false}};
    for (const Case& c : cases) {
        tab->form().autosave->setChecked(c.autosave);
        tab->showScanError(c.code);
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* candidate = qobject_cast<QMessageBox*>(widget); candidate && candidate->isVisible())
                box = candidate;
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->isModal());
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Scan error"));
        EXPECT_TRUE(box->text().startsWith(c.start)) << box->text().toStdString();
        EXPECT_EQ(box->text().contains(QStringLiteral("Autosave is disabled")), c.autosaveSentence) << c.code;
        if (c.code != 0)
            EXPECT_EQ(box->text(), c.start);
        QPointer<QMessageBox> guard(box);
        box->button(QMessageBox::Close)->click();
        QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 20000);
    }
}

TEST_F(ScanTab, SaveWritesTheScanAndItsCsvBesideIt)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // The window sets it at start; the files carry it.
    applicationVersionString = QStringLiteral("Quvix 2.8.0");
    bind(usb);
    tab->form().startScan->click();
    BaseScan* scan = tab->currentScan();
    ASSERT_NE(scan, nullptr);
    scantest::fill(*scan, usb, 5);
    tab->form().stopScan->click();

    struct Case {
        QString answer;
        QString dat;
        QString csv;
    };
    const Case cases[] = {
        {QStringLiteral("run1"), QStringLiteral("run1.dat"), QStringLiteral("run1.csv")},
        {QStringLiteral("run2.csv"), QStringLiteral("run2.csv.dat"), QStringLiteral("run2.csv")}};
    for (const Case& c : cases) {
        ScriptedQuestions questions;
        questions.choose(folder.filePath(c.answer));
        tab->form().saveScan->click();
        ASSERT_EQ(questions.asked.size(), 1);
        EXPECT_EQ(questions.asked[0].caption, QStringLiteral("Save File As"));
        const QString dat = folder.filePath(c.dat);
        ASSERT_TRUE(QFile::exists(dat)) << c.dat.toStdString();
        ASSERT_TRUE(QFile::exists(folder.filePath(c.csv))) << c.csv.toStdString();
        auto loaded = BaseScan::loadDat(dat);
        ASSERT_TRUE(loaded) << c.dat.toStdString();
        EXPECT_EQ(loaded->sampleCount(0), 5);
        QFile csv(folder.filePath(c.csv));
        QFile datFile(dat);
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        ASSERT_TRUE(datFile.open(QIODevice::ReadOnly));
        EXPECT_NE(csv.readAll(), datFile.readAll()) << "one file written over the other";
    }

    CWScan stranger(&usb, QString(), 100);
    tab->clearScanInfo(&stranger);
    EXPECT_EQ(tab->currentScan(), scan);
    tab->clearScanInfo(scan);
    EXPECT_EQ(tab->currentScan(), nullptr);
    ScriptedQuestions questions;
    questions.choose(folder.filePath(QStringLiteral("run3")));
    tab->saveScan();
    EXPECT_TRUE(questions.asked.isEmpty());
    EXPECT_FALSE(tab->form().saveScan->isEnabled());
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("run3.dat"))));
}

// A name typed at the retry prompt, after the first could not be written,
// is saved as a scan file too, beside a companion of its own; alike whether
// the files are written at once or by the window's file work.
TEST_F(ScanTab, ARetriedNameIsSavedAsAScanFileBesideItsCompanion)
{
    applicationVersionString = QStringLiteral("Quvix 2.8.0");
    bind(usb);
    tab->form().startScan->click();
    BaseScan* scan = tab->currentScan();
    ASSERT_NE(scan, nullptr);
    scantest::fill(*scan, usb, 5);
    tab->form().stopScan->click();

    QWidget window;
    FileTaskQueue queue(&window);
    for (FileTaskQueue* tasks : {static_cast<FileTaskQueue*>(nullptr), &queue}) {
        SCOPED_TRACE(tasks ? "queued" : "at once");
        tab->setFileTasks(tasks);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        for (const QString& typed : {QStringLiteral("y.csv"), QStringLiteral("z")}) {
            SCOPED_TRACE(typed.toStdString());
            ScriptedQuestions questions;
            questions.choose(folder.filePath(QStringLiteral("gone/run")));
            questions.choose(folder.filePath(typed));
            MessageBoxAnswers boxes({QMessageBox::Ok}); // "Unable to create file"
            tab->form().saveScan->click();
            QTRY_VERIFY_WITH_TIMEOUT(queue.isIdle(), 20000);
            ASSERT_EQ(questions.asked.size(), 2);
            const QString dat = folder.filePath(typed + QStringLiteral(".dat"));
            std::unique_ptr<BaseScan> loaded;
            ASSERT_NO_THROW(loaded = BaseScan::loadDat(dat));
            EXPECT_EQ(loaded->sampleCount(0), 5);
        }
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files),
                  QStringList({QStringLiteral("y.csv"), QStringLiteral("y.csv.dat"), QStringLiteral("z.csv"),
                               QStringLiteral("z.dat")}));
    }
}

// Through the window's file work: a scan file that cannot be created, with
// no other name given, or a companion that cannot be, is said in a warning;
// the scan stays unsaved and Save File is offered again.
TEST_F(ScanTab, AFileThatCannotBeWrittenIsSaidAndTheScanStaysUnsaved)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    applicationVersionString = QStringLiteral("Quvix 2.8.0");
    QWidget window;
    FileTaskQueue queue(&window);
    tab->setFileTasks(&queue);
    bind(usb);
    tab->form().startScan->click();
    BaseScan* scan = tab->currentScan();
    ASSERT_NE(scan, nullptr);
    scantest::fill(*scan, usb, 5);
    tab->form().stopScan->click();
    // A folder where the companion would go.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("run.csv")));

    struct Case {
        QString answer;
        QList<QMessageBox::StandardButton> boxes;
        QString warning;
        bool datWritten;
    };
    const Case cases[] = {
        {QStringLiteral("gone/run"),
         {QMessageBox::Ok, QMessageBox::Ok},
         QStringLiteral("The scan could not be written to %1.")
             .arg(folder.filePath(QStringLiteral("gone/run.dat"))),
         false},
        {QStringLiteral("run"),
         {QMessageBox::Ok},
         QStringLiteral("The CSV export could not be written to %1.")
             .arg(folder.filePath(QStringLiteral("run.csv"))),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        ScriptedQuestions questions; // the retry's name is not given
        questions.choose(folder.filePath(c.answer));
        MessageBoxAnswers boxes(c.boxes);
        tab->form().saveScan->click();
        QTRY_VERIFY_WITH_TIMEOUT(queue.isIdle(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), c.boxes.size(), 20000);
        EXPECT_EQ(boxes.seen().last().title, QStringLiteral("Save File As"));
        EXPECT_EQ(boxes.seen().last().text, c.warning);
        EXPECT_EQ(QFile::exists(folder.filePath(QStringLiteral("run.dat"))), c.datWritten);
        EXPECT_TRUE(scan->unsavedData);
        EXPECT_TRUE(tab->form().saveScan->isEnabled());
    }
}

// A long scan saved through the window's file work: the event loop keeps
// turning while both files are written whole, and Save File is not offered
// again meanwhile. A scan the handler does not keep, which the tab lets go
// of while it is written, stays until then and goes afterwards.
TEST_F(ScanTab, ALongScanIsSavedWhileTheEventLoopKeepsTurning)
{
#ifdef QUVIX_SANITIZED
    // The sanitizers write several times slower: a quarter of the scan keeps
    // the file work going as long.
    constexpr int samples = 250000;
#else
    constexpr int samples = 1000000;
#endif
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    applicationVersionString = QStringLiteral("Quvix 2.8.0");
    QWidget window;
    FileTaskQueue queue(&window);
    tab->setFileTasks(&queue);
    bind(usb);
    QPointer<BaseScan> scan = scantest::recordedScan(QStringLiteral("long"), samples, 1).release();
    tab->scanComplete(scan);
    ASSERT_EQ(tab->currentScan(), scan);
    scan->dataLimitReached = true;
    ScanHandler::getInstance()->scanComplete(scan);
    ASSERT_FALSE(ScanHandler::getInstance()->keptScans().contains(scan));

    ScriptedQuestions questions;
    questions.choose(folder.filePath(QStringLiteral("long")));
    QElapsedTimer took;
    took.start();
    EventLoopGap gap;
    tab->form().saveScan->click();
    EXPECT_FALSE(tab->form().saveScan->isEnabled());
    tab->saveScan();
    EXPECT_EQ(questions.asked.size(), 1) << "asked again while written";
    tab->clearScanInfo(scan);
    QTRY_VERIFY_WITH_TIMEOUT(queue.isIdle(), 120000);
    const qint64 elapsed = took.elapsed();
    // Well under half the time it took: a tab that waits for the files
    // stands still all along, a busy machine's pauses do not come near.
    EXPECT_LT(gap.longest(), elapsed / 2)
        << "the event loop stood still " << gap.longest() << " ms of " << elapsed << " ms";
    QTRY_VERIFY_WITH_TIMEOUT(scan.isNull(), 20000);

    std::unique_ptr<BaseScan> loaded;
    ASSERT_NO_THROW(loaded = BaseScan::loadDat(folder.filePath(QStringLiteral("long.dat"))));
    EXPECT_EQ(loaded->sampleCount(0), samples);
    QFile csv(folder.filePath(QStringLiteral("long.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    // Six lines of header and headings, then a line per sample.
    EXPECT_EQ(csv.readAll().count('\n'), 6 + samples);
}

} // namespace

namespace {

// A scan started from the tab that reaches its storage limit, as the loop
// would fill it, and completes through the scan handler (connected first,
// as in the program) and then the tab.
class DataLimit : public ScanTab
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        applicationVersionString = QStringLiteral("Quvix 2.8.0");
        connect = QObject::connect(&usb, &QuvixSensor::ScanComplete, ScanHandler::getInstance(),
                                   &ScanHandler::scanComplete);
        bind(usb);
    }
    void TearDown() override
    {
        QObject::disconnect(connect);
        QDir::setCurrent(previousFolder);
        // The scan's own non-modal report of its limit.
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(widget))
                delete widget;
        ScanTab::TearDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Starts, fills to the limit and completes; the answers close the
    // warnings on the way.
    BaseScan* runToTheLimit(MessageBoxAnswers& answers)
    {
        Q_UNUSED(answers);
        tab->form().startScan->click();
        BaseScan* scan = usb.takePendingScan();
        EXPECT_EQ(scan, tab->currentScan());
        if (!scan)
            return nullptr;
        scan->setStorageLimit(2000);
        scan->start();
        scantest::fill(*scan, usb, 1000);
        EXPECT_TRUE(scan->dataLimitReached);
        scan->stop();
        emit usb.ScanComplete(scan);
        return scan;
    }

    QStringList limitFiles() const
    {
        return QDir(folder.path()).entryList({QStringLiteral("data_limit_file*")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir folder;
    QString previousFolder;
    QMetaObject::Connection connect;
};

TEST_F(DataLimit, WithoutAutosaveTheScanIsWrittenAtOnceThenFreed)
{
    MessageBoxAnswers answers({QMessageBox::Ok});
    QPointer<BaseScan> scan = runToTheLimit(answers);
    ASSERT_FALSE(scan.isNull());
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Data Size Limit Reached"));
    const QStringList files = limitFiles();
    EXPECT_EQ(files.filter(QStringLiteral(".dat")).size(), 1) << files.join(", ").toStdString();
    EXPECT_EQ(files.filter(QStringLiteral(".csv")).size(), 1) << files.join(", ").toStdString();
    EXPECT_TRUE(tab->curves().isEmpty());
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(scan.isNull(), 20000);
}

// Through the window's file work the scan keeps its data until its files
// are written; then they are freed and the scan goes.
TEST_F(DataLimit, ThroughTheFileWorkTheDataAreFreedOnlyOnceWritten)
{
    QWidget window;
    FileTaskQueue queue(&window);
    tab->setFileTasks(&queue);
    MessageBoxAnswers answers({QMessageBox::Ok});
    QPointer<BaseScan> scan = runToTheLimit(answers);
    ASSERT_FALSE(scan.isNull());
    EXPECT_GT(scan->sampleCount(0), 0) << "freed before it was written";
    EXPECT_FALSE(tab->form().saveScan->isEnabled()) << "offered while written";
    QTRY_VERIFY_WITH_TIMEOUT(queue.isIdle(), 20000);
    const QStringList files = limitFiles();
    EXPECT_EQ(files.filter(QStringLiteral(".dat")).size(), 1) << files.join(", ").toStdString();
    EXPECT_EQ(files.filter(QStringLiteral(".csv")).size(), 1) << files.join(", ").toStdString();
    EXPECT_TRUE(tab->curves().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(scan.isNull(), 20000);
}

TEST_F(DataLimit, AFailedWriteKeepsTheDataAndSaveCanStillWriteIt)
{
    // A working folder that is gone refuses every new file, even to root.
    const QString gone = folder.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkdir(gone));
    ASSERT_TRUE(QDir::setCurrent(gone));
    ASSERT_TRUE(QDir().rmdir(gone));
    MessageBoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
    QPointer<BaseScan> scan = runToTheLimit(answers);
    QDir::setCurrent(folder.path());
    ASSERT_FALSE(scan.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(scan.isNull()) << "the only copy was deleted";
    EXPECT_GT(scan->sampleCount(0), 0);
    ASSERT_GE(answers.seen().size(), 2);
    EXPECT_TRUE(answers.seen().last().text.contains(QStringLiteral("kept")))
        << answers.seen().last().text.toStdString();

    QTemporaryDir elsewhere;
    ScriptedQuestions questions;
    questions.choose(elsewhere.filePath(QStringLiteral("rescued")));
    tab->form().saveScan->click();
    EXPECT_TRUE(QFile::exists(elsewhere.filePath(QStringLiteral("rescued.dat"))));
    EXPECT_TRUE(QFile::exists(elsewhere.filePath(QStringLiteral("rescued.csv"))));
    QTRY_VERIFY_WITH_TIMEOUT(scan.isNull(), 20000);
}

TEST_F(DataLimit, AnAutosavingScanWritesNoDataLimitFile)
{
    tab->setAutosaveConfig(true, folder.path(), QStringLiteral("auto"));
    MessageBoxAnswers answers({QMessageBox::Ok});
    QPointer<BaseScan> scan = runToTheLimit(answers);
    ASSERT_FALSE(scan.isNull());
    EXPECT_TRUE(limitFiles().isEmpty()) << limitFiles().join(", ").toStdString();
}

TEST_F(ScanTab, AScanThatEndsWithoutTheTabReturnsItToIdle)
{
    bind(usb);
    QSignalSpy activity(tab.get(), &scanTab::activity);
    tab->form().startScan->click();
    BaseScan* scan = usb.takePendingScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_FALSE(tab->form().startScan->isEnabled());
    emit usb.ScanComplete(scan);
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
    EXPECT_FALSE(tab->getCurScan());
    QTRY_COMPARE_WITH_TIMEOUT(activity.size(), 1, 20000);
    EXPECT_FALSE(activity[0][0].toBool());
    tab.reset();
    delete scan;
}

// Where the style draws a section's title, as the box itself asks for it.
QRect titleArea(const QGroupBox& section)
{
    QStyleOptionGroupBox option;
    option.initFrom(&section);
    // Unbounded: the style keeps a title inside the box it is given.
    option.rect.setWidth(10000);
    option.text = section.title();
    option.lineWidth = 1;
    option.textAlignment = section.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxCheckBox;
    return section.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &section);
}

TEST_F(ScanTab, ACollapsedSectionShowsItsWholeTitle)
{
    bind(usb);
    tab->resize(1600, 600);
    tab->show();
    // Around the text, inside the title's frame: the form's style sheet.
    constexpr int titlePaddingAndBorder = 5 + 1;
    const Ui_scanTab& form = tab->form();
    for (QGroupBox* section :
         {form.sensorConfigBox, form.scanConfigurationBox, form.scanControlBox, form.paramViewBox}) {
        section->setChecked(false);
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        const QRect title = titleArea(*section);
        EXPECT_GE(title.width(), section->fontMetrics().horizontalAdvance(section->title()))
            << section->objectName().toStdString();
        EXPECT_LE(title.right() + titlePaddingAndBorder, section->rect().right())
            << section->objectName().toStdString() << " is " << section->width() << " px wide";
    }
}

} // namespace

namespace {

// A sensor whose library refuses every new selection.
class RefusingSensor : public FakeSensor
{
public:
    using FakeSensor::FakeSensor;
    bool parameterReload() override
    {
        calls << QStringLiteral("reload refused");
        return false;
    }
};

TEST_F(ScanTab, AHarmonicChangeIsSentOrItsRefusalShownAndTheComboRestored)
{
    usb.setMultiFrequency(true);
    usb.setAvailableHarmonics({3, 3});
    usb.setSelectionDirectly({1, 0});
    bind(usb);
    usb.calls.clear();
    tab->harmonicCombos()[1]->setCurrentIndex(2);
    EXPECT_EQ(usb.selectedHarmonics(), QVector<int>({1, 2}));
    EXPECT_TRUE(usb.calls.contains(QStringLiteral("enable 1 2"))) << usb.calls.join(", ").toStdString();

    RefusingSensor refusing({13.56, 2.0}, {1, 0});
    refusing.setMultiFrequency(true);
    refusing.setAvailableHarmonics({3, 3});
    QList<QuvixSensor*> sensors{&refusing};
    tab->updateSensorList(sensors);
    MessageBoxAnswers answers({QMessageBox::Ok});
    tab->harmonicCombos()[1]->setCurrentIndex(1);
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Configuration failed"));
    EXPECT_EQ(answers.seen()[0].text,
              QStringLiteral("Configuration was not successful, please check and or try again."));
    EXPECT_EQ(tab->harmonicCombos()[1]->currentIndex(), 0);
    EXPECT_EQ(refusing.selectedHarmonics(), QVector<int>({1, 0}));
    QList<QuvixSensor*> none;
    tab->updateSensorList(none);
}

} // namespace
