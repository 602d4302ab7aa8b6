// The main window's scan files: opening from the dialog, the recent list and
// drops, saving the selected scan with its companion CSV file and exporting
// it, all through the window's question seam.

#include "app/mainwindow.h"

#include "app/dialogs/displaysettings.h"
#include "app/filetaskqueue.h"
#include "app/recordingkeepawake.h"
#include "scans/processvalues.h"
#include "scans/quantitytree.h"
#include "scans/scanhandler.h"
#include "support/eventloopgap.h"
#include "support/messageboxanswer.h"
#include "support/sanitizedbuild.h"
#include "support/scanfactory.h"
#include "support/scriptedquestions.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "views/datadisplayplot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <functional>

extern quintptr Q_CORE_EXPORT qtHookData[];

namespace {

constexpr int halfSecondTicks = 12000000;
// Generous, for sanitizer builds on a busy machine.
constexpr int fileWaitMs = 120000;

// Every QObject made and destroyed while it lives (the toolkit's object
// hooks): what is left in `alive` outlived the watched code.
class ObjectWatch
{
public:
    ObjectWatch()
    {
        current = this;
        m_previousAdd = qtHookData[addHook];
        m_previousRemove = qtHookData[removeHook];
        qtHookData[addHook] = reinterpret_cast<quintptr>(&added);
        qtHookData[removeHook] = reinterpret_cast<quintptr>(&removed);
    }
    ~ObjectWatch()
    {
        qtHookData[addHook] = m_previousAdd;
        qtHookData[removeHook] = m_previousRemove;
        current = nullptr;
    }
    ObjectWatch(const ObjectWatch&) = delete;
    ObjectWatch& operator=(const ObjectWatch&) = delete;

    QSet<QObject*> alive;

private:
    static constexpr int addHook = 3;
    static constexpr int removeHook = 4;
    static void added(QObject* object) { current->alive.insert(object); }
    static void removed(QObject* object) { current->alive.remove(object); }
    static inline ObjectWatch* current = nullptr;
    quintptr m_previousAdd = 0;
    quintptr m_previousRemove = 0;
};

QStringList lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

class ScanFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        QSettings().clear();
        ScanHandler::getInstance()->setScanLimit(30);
        window = std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override
    {
        // The tree's scans go with their items; the window only deletes
        // them on request.
        QList<BaseScan*> shown;
        if (window)
            for (int i = 0; i < tree().topLevelItemCount(); ++i)
                shown.append(scanOf(tree().topLevelItem(i)));
        window.reset();
        qDeleteAll(shown);
        newerFileState = NewerFileIdle;
        QSettings().clear();
    }

    Ui_MainWindow& form() { return window->form(); }
    QTreeWidget& tree() { return *form().DisplayListTree; }
    static BaseScan* scanOf(const QTreeWidgetItem* item)
    {
        return static_cast<BaseScan*>(item->data(0, ScanRole).value<void*>());
    }
    QString path(const QString& name) const { return folder.filePath(name); }
    static QString corpus(const QString& name) { return QStringLiteral(SCAN_CORPUS "/") + name; }
    static QStringList recentFiles() { return QSettings().value("recentFiles").toStringList(); }
    QStringList recentMenu()
    {
        QStringList texts;
        for (QAction* action : form().menuOpen_Recent->actions())
            if (action->isVisible())
                texts.append(action->text());
        return texts;
    }

    // A CW scan of `samples` samples half a second apart, written as a scan
    // file by the core's writer under `software`.
    QString writeScan(const QString& name, int samples = 4, const QString& software = "Quvix 2.8.0")
    {
        FakeSensor sensor({13.56}, {1}, 1);
        CWScan scan(&sensor, QStringLiteral("cw"), 100);
        scan.serialNumber = sensor.serialNumber();
        scan.start();
        scantest::fill(scan, sensor, samples, {}, {}, 1.0, halfSecondTicks);
        QString file = path(name);
        EXPECT_TRUE(scan.saveDat(file, software));
        return file;
    }
    // Waits until the window has read and written all its files.
    void settle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->fileTasks()->isIdle(); }, fileWaitMs))
            << "the window's file work did not end";
    }
    void load(const QString& file)
    {
        window->loadFile(file);
        settle();
    }
    // The scan of a written file, shown in the tree and selected.
    BaseScan* loadAndSelect(const QString& file)
    {
        load(file);
        EXPECT_GT(tree().topLevelItemCount(), 0);
        QTreeWidgetItem* item = tree().topLevelItem(tree().topLevelItemCount() - 1);
        tree().setCurrentItem(item);
        return scanOf(item);
    }

    // The sensor of scans recorded in a test; it outlives them.
    FakeSensor recordingSensor{{13.56}, {1}, 1};
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ScanFilesTest, ReadFilesAppearInTheDataDisplayWithTheirAnalysisViews)
{
    struct Case {
        QString file;
        bool barChart;
        bool waveform;
    };
    const QList<Case> cases = {
        {writeScan("written.dat"), true, false},
        {corpus("cw.dat"), true, true},
        {corpus("pulsetrend.dat"), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        form().tabWidget->setCurrentIndex(0);
        const int before = tree().topLevelItemCount();
        MessageBoxAnswers boxes({});
        load(c.file);
        EXPECT_TRUE(boxes.seen().isEmpty());
        EXPECT_EQ(tree().topLevelItemCount(), before + 1);
        EXPECT_EQ(form().tabWidget->tabText(form().tabWidget->currentIndex()), "Data Display");
        EXPECT_EQ(form().DisplayBarChartButton->isEnabled(), c.barChart);
        EXPECT_EQ(form().displayWaveForm->isEnabled(), c.waveform);
        EXPECT_EQ(recentFiles().value(0), c.file);
    }
}

TEST_F(ScanFilesTest, FilesThatCannotBeReadAreReported)
{
    QFile(path("empty.dat")).open(QIODevice::WriteOnly);
    QFile corrupt(path("corrupt.dat"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("this is no scan file\n1;2;3\n");
    corrupt.close();
    struct Case {
        QString file;
        QString message;
        bool becomesRecent;
    };
    const QList<Case> cases = {
        {path("missing.dat"), "invalid data file :" + path("missing.dat"), false},
        {path("empty.dat"), "invalid data file :" + path("empty.dat"), false},
        {path("corrupt.dat"), "Unsupported or corrupted file.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        form().tabWidget->setCurrentIndex(0);
        MessageBoxAnswers boxes({QMessageBox::Ok});
        load(c.file);
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(boxes.seen()[0].title, "error");
        EXPECT_EQ(boxes.seen()[0].text, c.message);
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(tree().topLevelItemCount(), 0);
        EXPECT_EQ(form().tabWidget->currentIndex(), 0);
        EXPECT_EQ(recentFiles().value(0) == c.file, c.becomesRecent);
    }
}

// A file the tree does not take is refused aloud: the user is told why, the
// data display is not brought up as if it showed the file, the recent list
// does not take it, and nothing read for it is left behind.
TEST_F(ScanFilesTest, ScansTheTreeDoesNotShowAreDestroyed)
{
    const QString noSamples = writeScan("nosamples.dat", 0);
    const QString duplicate = writeScan("twice.dat");
    load(duplicate);
    ASSERT_EQ(tree().topLevelItemCount(), 1);
    QSettings().remove("recentFiles");
    {
        // The toolkit makes its process-wide helpers at the first box shown.
        MessageBoxAnswers first({QMessageBox::Ok});
        QMessageBox::information(nullptr, "first", "first box");
    }
    const QList<QPair<QString, QString>> cases = {
        {noSamples, noSamples + " holds no samples."},
        {duplicate, duplicate + " is already open."},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file.toStdString());
        form().tabWidget->setCurrentIndex(0);
        MessageBoxAnswers boxes({QMessageBox::Ok});
        ObjectWatch watch;
        load(file);
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(boxes.seen()[0].text, message);
        EXPECT_EQ(tree().topLevelItemCount(), 1);
        EXPECT_EQ(form().tabWidget->currentIndex(), 0);
        EXPECT_TRUE(recentFiles().isEmpty());
        EXPECT_TRUE(watch.alive.isEmpty()) << watch.alive.size() << " objects outlived the load";
    }
}

// Only the same file counts as open: not another file whose name is that of
// a listed scan or of one of its quantities, in whatever folder.
TEST_F(ScanFilesTest, AFileIsAlreadyOpenOnlyUnderItsOwnPath)
{
    ASSERT_TRUE(QDir(folder.path()).mkpath("first") && QDir(folder.path()).mkpath("second"));
    const QStringList files = {writeScan("first/cw.dat"), writeScan("Voltage.dat"),
                               writeScan("second/cw.dat")};
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        MessageBoxAnswers boxes({});
        load(file);
        EXPECT_TRUE(boxes.seen().isEmpty());
        EXPECT_EQ(recentFiles().value(0), file);
    }
    ASSERT_EQ(tree().topLevelItemCount(), 3);
    QStringList listed;
    for (int i = 0; i < tree().topLevelItemCount(); ++i)
        listed.append(scanOf(tree().topLevelItem(i))->filePath);
    EXPECT_EQ(listed, files);

    // The first again, however its path is spelled.
    const QString again = path("second/../first/cw.dat");
    MessageBoxAnswers boxes({QMessageBox::Ok});
    load(again);
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].text, again + " is already open.");
    EXPECT_EQ(tree().topLevelItemCount(), 3);
    EXPECT_EQ(recentFiles().value(0), files.last());

    // Once its scan is removed, the file opens again.
    tree().setCurrentItem(tree().topLevelItem(0));
    form().DisplayDiscardScanButton->click();
    ASSERT_EQ(tree().topLevelItemCount(), 2);
    load(files.first());
    EXPECT_EQ(tree().topLevelItemCount(), 3);
}

TEST_F(ScanFilesTest, RecentFilesKeepTheNewestTenByName)
{
    QStringList files;
    for (int i = 0; i < 11; ++i)
        files.append(writeScan(QString("scan%1.dat").arg(i)));
    for (const QString& file : files)
        load(file);
    QStringList newestFirst = files.mid(1);
    std::reverse(newestFirst.begin(), newestFirst.end());
    EXPECT_EQ(recentFiles(), newestFirst);
    QStringList names;
    for (const QString& file : newestFirst)
        names.append(QFileInfo(file).fileName());
    EXPECT_EQ(recentMenu(), names);

    {
        MessageBoxAnswers boxes({QMessageBox::Ok}); // it is already open
        load(files.last());
        EXPECT_EQ(boxes.seen().size(), 1);
    }
    EXPECT_EQ(recentFiles(), newestFirst);

    // A file gone since: the menu reports it and keeps it.
    QFile::remove(files[5]);
    QAction* entry = form().menuOpen_Recent->actions().at(5);
    ASSERT_EQ(entry->data().toString(), files[5]);
    MessageBoxAnswers boxes({QMessageBox::Ok});
    entry->trigger();
    settle();
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].text, "invalid data file :" + files[5]);
    EXPECT_EQ(recentFiles(), newestFirst);
}

TEST_F(ScanFilesTest, OpenAsksForScanFilesAndLoadsEachChosen)
{
    const QStringList files = {writeScan("one.dat"), writeScan("two.dat")};
    ScriptedQuestions questions;
    questions.chooseFiles(files);
    form().actionOpen_Scan->trigger();
    settle();
    ASSERT_EQ(questions.asked.size(), 1);
    EXPECT_EQ(questions.asked[0].kind, UserQuestions::Kind::OpenFiles);
    EXPECT_EQ(questions.asked[0].caption, "Open File");
    EXPECT_EQ(questions.asked[0].filters, "Data (*.dat)");
    EXPECT_EQ(tree().topLevelItemCount(), 2);
    EXPECT_EQ(recentFiles(), QStringList({files[1], files[0]}));

    questions.cancelNext();
    form().DisplayImportScanButton->click();
    ASSERT_EQ(questions.asked.size(), 2);
    EXPECT_EQ(questions.asked[1].start, files[0]);
}

TEST_F(ScanFilesTest, DropsLoadOnlyDatFiles)
{
    const QString a = writeScan("a.dat");
    const QString b = writeScan("b.DAT");
    const QString c = writeScan("c.txt");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    settle();
    ASSERT_EQ(tree().topLevelItemCount(), 1);
    EXPECT_TRUE(tree().topLevelItem(0)->text(0).startsWith("a"));
    EXPECT_EQ(recentFiles(), QStringList{a});

    QMimeData upper;
    upper.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
    QDragEnterEvent refused(QPoint(1, 1), Qt::CopyAction, &upper, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(ScanFilesTest, SaveWritesTheScanFileAndItsCompanion)
{
    BaseScan* scan = loadAndSelect(writeScan("source.dat"));
    ASSERT_NE(scan, nullptr);
    struct Case {
        QString typed;
        QString scanFile;
        QString companion;
    };
    const QList<Case> cases = {
        {"run1", "run1.dat", "run1.csv"},
        {"run2.dat", "run2.dat", "run2.csv"},
        {"run3.csv", "run3.csv.dat", "run3.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        ScriptedQuestions questions;
        questions.choose(path(c.typed));
        form().saveData->click();
        settle();
        ASSERT_EQ(questions.asked.size(), 1);
        EXPECT_EQ(questions.asked[0].caption, "Save File As");
        EXPECT_EQ(questions.asked[0].filters, "Data (*.dat)");
        const QString scanFile = path(c.scanFile);
        const QString companion = path(c.companion);
        std::unique_ptr<BaseScan> reread;
        ASSERT_NO_THROW(reread = BaseScan::loadDat(scanFile));
        EXPECT_EQ(reread->sampleCount(0), scan->sampleCount(0));
        EXPECT_TRUE(lines(companion).value(0).startsWith("Software :"));
        EXPECT_FALSE(scan->unsavedData);
        // The next dialog opens on the file just written.
        questions.cancelNext();
        form().actionSave_Active_Scan->trigger();
        settle();
        ASSERT_EQ(questions.asked.size(), 2);
        EXPECT_EQ(questions.asked[1].start, scanFile);
    }
}

// A save whose first name cannot be written asks again; whatever the user
// types there, the scan file gets its ending and its own name, the CSV
// companion is named after it, and only then does the scan count as saved.
TEST_F(ScanFilesTest, ARetriedSaveNameStillWritesTheScanFileBesideItsCompanion)
{
    BaseScan* scan = loadAndSelect(writeScan("source.dat"));
    ASSERT_NE(scan, nullptr);
    struct Case {
        QString typed;
        QString scanFile;
        QString companion;
    };
    const QList<Case> cases = {
        {"x.csv", "x.csv.dat", "x.csv"},
        {"x", "x.dat", "x.csv"},
        {"x.dat", "x.dat", "x.csv"},
        {"x.DAT", "x.DAT", "x.csv"},
    };
    for (int i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.typed.toStdString());
        const QString retryFolder = path(QString("retry%1").arg(i));
        ASSERT_TRUE(QDir().mkpath(retryFolder));
        scan->unsavedData = true;
        ScriptedQuestions questions;
        questions.choose(path("missing-folder/run.dat"));
        questions.choose(retryFolder + "/" + c.typed);
        MessageBoxAnswers boxes({QMessageBox::Ok}); // the writer's "Unable to create file"
        form().saveData->click();
        settle();
        ASSERT_EQ(questions.asked.size(), 2);
        EXPECT_EQ(questions.asked[1].caption, "Re-enter File name");
        ASSERT_EQ(boxes.seen().size(), 1);
        EXPECT_EQ(boxes.seen()[0].title, "Unable to create file");
        QStringList expected = {c.scanFile, c.companion};
        expected.sort();
        EXPECT_EQ(QDir(retryFolder).entryList(QDir::Files, QDir::Name), expected);
        std::unique_ptr<BaseScan> reread;
        ASSERT_NO_THROW(reread = BaseScan::loadDat(retryFolder + "/" + c.scanFile));
        EXPECT_EQ(reread->sampleCount(0), scan->sampleCount(0));
        EXPECT_TRUE(lines(retryFolder + "/" + c.companion).value(0).startsWith("Software :"));
        EXPECT_FALSE(scan->unsavedData);
        questions.cancelNext();
        form().actionSave_Active_Scan->trigger();
        settle();
        ASSERT_EQ(questions.asked.size(), 3);
        EXPECT_EQ(questions.asked[2].start, retryFolder + "/" + c.scanFile);
    }
}

// The Save button shows a scan's saved state as soon as it changes, not
// only once another scan was chosen and this one again.
TEST_F(ScanFilesTest, TheSaveButtonFollowsTheSavedStateAtOnce)
{
    auto* recorded = new CWScan(&recordingSensor, QStringLiteral("cw"), 100);
    recorded->serialNumber = recordingSensor.serialNumber();
    recorded->start();
    scantest::fill(*recorded, recordingSensor, 4, {}, {}, 1.0, halfSecondTicks);
    ScanHandler::getInstance()->scanComplete(recorded);
    ASSERT_EQ(tree().topLevelItemCount(), 1);
    tree().setCurrentItem(tree().topLevelItem(0));
    ASSERT_TRUE(recorded->unsavedData);
    EXPECT_EQ(form().saveData->text(), "Save...");

    {
        ScriptedQuestions questions;
        questions.choose(path("missing-folder/run.dat"));
        MessageBoxAnswers boxes({QMessageBox::Ok, QMessageBox::Ok});
        form().saveData->click();
        settle();
        ASSERT_EQ(boxes.seen().size(), 2);
    }
    EXPECT_EQ(form().saveData->text(), "Save...") << "not written, still unsaved";

    ScriptedQuestions questions;
    questions.choose(path("run.dat"));
    form().saveData->click();
    settle();
    ASSERT_FALSE(recorded->unsavedData);
    EXPECT_EQ(form().saveData->text(), "Save As...");
}

// An export name typed without any ending is given ".csv"; one the user
// gave an ending keeps it.
TEST_F(ScanFilesTest, AnExportNameWithoutEndingGetsCsv)
{
    ASSERT_NE(loadAndSelect(writeScan("source.dat")), nullptr);
    const QList<QPair<QString, QString>> cases = {{"report", "report.csv"}, {"report.txt", "report.txt"}};
    for (const auto& [typed, written] : cases) {
        SCOPED_TRACE(typed.toStdString());
        ScriptedQuestions questions;
        questions.choose(path(typed));
        form().exportData->click();
        settle();
        EXPECT_TRUE(lines(path(written)).value(0).startsWith("Software :"));
        questions.cancelNext();
        form().exportData->click();
        settle();
        ASSERT_EQ(questions.asked.size(), 2);
        EXPECT_EQ(questions.asked[1].start, path(written));
    }
    EXPECT_FALSE(QFileInfo::exists(path("report")));
}

TEST_F(ScanFilesTest, SaveWithAnIntervalWritesOnlyItsSamples)
{
    BaseScan* scan = loadAndSelect(writeScan("source.dat", 8));
    ASSERT_NE(scan, nullptr);
    QString full = path("full.csv");
    ASSERT_TRUE(scan->exportCsv(full, "Quvix 2.8.0", nullptr));
    form().DisplayPlot->SelectZone(QRectF(0.5, 0, 2.0, 0));
    ScriptedQuestions questions;
    questions.choose(path("part.dat"));
    form().saveData->click();
    settle();
    const QStringList part = lines(path("part.csv"));
    ASSERT_FALSE(part.isEmpty());
    // The samples strictly inside 0.5 .. 2.5 s, with the window's columns.
    const QString expected = path("expected.csv");
    ASSERT_TRUE(scan->exportText(expected, applicationVersionString, 0.5, 2.5, window->displaySettings()));
    EXPECT_EQ(part, lines(expected));
    EXPECT_LT(part.size(), lines(full).size());
    std::unique_ptr<BaseScan> reread;
    ASSERT_NO_THROW(reread = BaseScan::loadDat(path("part.dat")));
    EXPECT_EQ(reread->sampleCount(0), 8);
}

TEST_F(ScanFilesTest, AFailedSaveIsReportedAndTheScanStaysUnsaved)
{
    BaseScan* scan = loadAndSelect(writeScan("source.dat"));
    ASSERT_NE(scan, nullptr);
    scan->unsavedData = true;
    const QString target = path("missing-folder/run.dat");
    ScriptedQuestions questions;
    questions.choose(target);
    // The writer's own warning, its retry question (cancelled), then ours.
    MessageBoxAnswers boxes({QMessageBox::Ok, QMessageBox::Ok});
    form().saveData->click();
    settle();
    ASSERT_EQ(boxes.seen().size(), 2);
    EXPECT_EQ(boxes.seen()[1].icon, QMessageBox::Critical);
    EXPECT_TRUE(boxes.seen()[1].text.contains(target));
    EXPECT_TRUE(scan->unsavedData);
    EXPECT_FALSE(QFileInfo::exists(path("missing-folder/run.csv")));
}

TEST_F(ScanFilesTest, ExportAsksWithTheIntervalInItsCaption)
{
    BaseScan* scan = loadAndSelect(writeScan("source.dat", 8));
    ASSERT_NE(scan, nullptr);
    scan->unsavedData = true;
    ScriptedQuestions questions;
    questions.choose(path("all.csv"));
    form().exportData->click();
    settle();
    form().DisplayPlot->SelectZone(QRectF(0.5, 0, 1.25, 0));
    questions.choose(path("some.csv"));
    form().actionExport_To_CSV->trigger();
    settle();
    ASSERT_EQ(questions.asked.size(), 2);
    EXPECT_EQ(questions.asked[0].caption, "Export Data to CSV");
    EXPECT_EQ(questions.asked[1].caption, "Export  [0.5s to 1.75s] to CSV");
    EXPECT_EQ(questions.asked[1].filters, "Comma Seperated Values (*.csv)");
    EXPECT_EQ(questions.asked[1].start, path("all.csv"));
    EXPECT_GT(lines(path("all.csv")).size(), lines(path("some.csv")).size());
    EXPECT_FALSE(QFileInfo::exists(path("all.dat")));
    EXPECT_TRUE(scan->unsavedData);
}

TEST_F(ScanFilesTest, ANewerFileAsksAboutAnUpdateOncePerRun)
{
    const QString first = writeScan("newer1.dat", 4, "Quvix 2.9.0");
    const QString second = writeScan("newer2.dat", 4, "Quvix 2.9.0");
    MessageBoxAnswers boxes({QMessageBox::No, QMessageBox::No});
    load(first);
    load(second);
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].title, "New Update");
    EXPECT_EQ(boxes.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(tree().topLevelItemCount(), 2);
}

// The scan tree lets go of a scan (the registry's limit) while its save asks
// for another name: the scan stays until the retried save has written it.
TEST_F(ScanFilesTest, AScanLetGoWhileItsSaveAsksForAnotherNameIsStillWritten)
{
    QPointer<BaseScan> scan = loadAndSelect(writeScan("source.dat", 8));
    ASSERT_FALSE(scan.isNull());
    struct LettingGo : UserQuestions::Answerer {
        std::function<void()> meanwhile;
        QStringList answers;
        UserQuestions::Answer answer(const UserQuestions::Question& question) override
        {
            if (question.caption == "Re-enter File name")
                meanwhile();
            return {true, {answers.takeFirst()}, QString()};
        }
    } user;
    user.meanwhile = [&] { window->discardSelectedScan(scan.data()); };
    user.answers = QStringList{path("missing-folder/run.dat"), path("retried.dat")};
    UserQuestions::Answerer* replaced = UserQuestions::setAnswerer(&user);
    MessageBoxAnswers boxes({QMessageBox::Ok}); // the writer's warning
    form().saveData->click();
    settle();
    UserQuestions::setAnswerer(replaced);
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    EXPECT_TRUE(scan.isNull());
    std::unique_ptr<BaseScan> reread;
    ASSERT_NO_THROW(reread = BaseScan::loadDat(path("retried.dat")));
    EXPECT_EQ(reread->sampleCount(0), 8);
    EXPECT_TRUE(lines(path("retried.csv")).value(0).startsWith("Software :"));
}

// Files of a three-hour recording at 10 ms: the window reads and writes them
// on threads of their own while its event loop keeps turning, names the
// file at hand with its progress, and takes a cancel, a removal or its own
// end without losing or half-doing anything.
class LongScanFilesTest : public ScanFilesTest
{
protected:
#ifdef QUVIX_SANITIZED
    // The sanitizers read and write several times slower: a quarter of the
    // recording keeps the file work going as long, far past the progress
    // dialog's delay, so every check below still holds.
    static constexpr int longSamples = 250000;
#else
    static constexpr int longSamples = 1000000;
#endif

    // A ".dat" file of `samples` samples 10 ms apart, one 13.56 MHz record
    // (56 MB for a million).
    QString longFile(const QString& name, int samples = longSamples)
    {
        QString file = path(name);
        EXPECT_TRUE(scantest::recordedScan("long", samples, 1)->saveDat(file, "Quvix 2.8.0"));
        return file;
    }

    QProgressDialog* shownProgress() const
    {
        auto* dialog = window->findChild<QProgressDialog*>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    // The longest the event loop may stand still during work that took
    // `elapsed` ms: well under half of it (it turns every few milliseconds
    // when all is well). Sanitizer builds and a busy machine stretch both
    // alike; a window that waits for the file stands still all along.
    static qint64 allowedGap(qint64 elapsed) { return elapsed / 2; }

    // Runs `start` and waits until the window's file work has ended; the
    // longest stretch the event loop stood still meanwhile must be allowed.
    void expectTurning(const std::function<void()>& start)
    {
        QElapsedTimer took;
        took.start();
        EventLoopGap gap;
        start();
        ASSERT_NO_FATAL_FAILURE(settle());
        const qint64 elapsed = took.elapsed();
        EXPECT_LT(gap.longest(), allowedGap(elapsed))
            << "the event loop stood still " << gap.longest() << " ms of " << elapsed << " ms";
    }
};

TEST_F(LongScanFilesTest, ALongFileLoadsWhileTheWindowKeepsTurning)
{
    const QString file = longFile("long.dat");
    ASSERT_NO_FATAL_FAILURE(expectTurning([&] { window->loadFile(file); }));
    ASSERT_EQ(tree().topLevelItemCount(), 1);
    EXPECT_EQ(scanOf(tree().topLevelItem(0))->sampleCount(0), longSamples);
    EXPECT_EQ(form().tabWidget->tabText(form().tabWidget->currentIndex()), "Data Display");
    EXPECT_EQ(recentFiles(), QStringList{file});
}

// The files wait their turn; Cancel stops the one the progress names, which
// leaves no scan, no message and no recent entry, and the rest go on.
TEST_F(LongScanFilesTest, CancelStopsTheFileAtHandAndLeavesNothingOfIt)
{
    const QString first = longFile("first.dat");
    const QString second = path("second.dat");
    ASSERT_TRUE(QFile::copy(first, second));
    const QString small = writeScan("small.dat");
    MessageBoxAnswers boxes({});
    for (const QString& file : {first, second, small})
        window->loadFile(file);
    QString named;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProgressDialog* dialog = shownProgress();
            if (dialog && dialog->labelText().startsWith("Loading "))
                named = dialog->labelText().mid(int(strlen("Loading ")));
            return !named.isEmpty();
        },
        fileWaitMs))
        << "no progress named a file";
    QPushButton* cancel = nullptr;
    for (QPushButton* button : shownProgress()->findChildren<QPushButton*>())
        if (button->text() == "Cancel")
            cancel = button;
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    ASSERT_NO_FATAL_FAILURE(settle());
    const QString cancelled = path(named);
    ASSERT_TRUE(cancelled == first || cancelled == second) << named.toStdString();
    EXPECT_TRUE(boxes.seen().isEmpty());
    QStringList listed;
    for (int i = 0; i < tree().topLevelItemCount(); ++i)
        listed.append(scanOf(tree().topLevelItem(i))->filePath);
    QStringList expected = {first, second, small};
    expected.removeAll(cancelled);
    EXPECT_EQ(listed, expected);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(recentFiles(), expected);
    EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);
}

// Saved with an interval selected: the whole scan file, whose text is the
// file it was read from, and the interval's companion; then the interval
// exported on its own.
TEST_F(LongScanFilesTest, ALongScanSavesAndExportsWhileTheWindowKeepsTurning)
{
    const QString file = longFile("long.dat");
    BaseScan* scan = loadAndSelect(file);
    ASSERT_NE(scan, nullptr);
    form().DisplayPlot->SelectZone(QRectF(100.0, 0, 1500.0, 0));
    ScriptedQuestions questions;
    questions.choose(path("saved.dat"));
    ASSERT_NO_FATAL_FAILURE(expectTurning([&] { form().saveData->click(); }));
    EXPECT_EQ(QFileInfo(path("saved.dat")).size(), QFileInfo(file).size());
    EXPECT_EQ(lines(path("saved.dat")), lines(file));
    EXPECT_EQ(scan->filePath, file);
    EXPECT_EQ(form().saveData->text(), "Save As...");
    // Header, frequency and heading lines, and the samples strictly inside
    // 100 s to 1600 s.
    const Series& times = scan->dataSets.front()->time;
    const auto inside =
        std::count_if(times.begin(), times.end(), [](double t) { return 100.0 < t && t < 1600.0; });
    EXPECT_EQ(lines(path("saved.csv")).size(), 3 + inside);

    questions.choose(path("exported.csv"));
    ASSERT_NO_FATAL_FAILURE(expectTurning([&] { form().exportData->click(); }));
    EXPECT_EQ(lines(path("exported.csv")), lines(path("saved.csv")));
}

// A scan removed from the list while it is saved stays whole until its
// files are written, then goes.
TEST_F(LongScanFilesTest, AScanRemovedWhileItIsSavedIsWrittenWholeFirst)
{
    const QString file = longFile("long.dat", 100000);
    QPointer<BaseScan> scan = loadAndSelect(file);
    ASSERT_FALSE(scan.isNull());
    ScriptedQuestions questions;
    questions.choose(path("saved.dat"));
    form().saveData->click();
    ASSERT_FALSE(window->fileTasks()->isIdle());
    form().DisplayDiscardScanButton->click();
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    ASSERT_NO_FATAL_FAILURE(settle());
    EXPECT_TRUE(scan.isNull());
    EXPECT_EQ(lines(path("saved.dat")), lines(file));
    EXPECT_TRUE(lines(path("saved.csv")).value(0).startsWith("Software :"));
}

// Closing the window while a save is under way keeps it, with the save's
// progress, until the files are written, and then it goes; a window
// destroyed meanwhile writes them whole first.
TEST_F(LongScanFilesTest, ASaveUnderWayWhenTheWindowGoesIsWrittenWhole)
{
    const QString file = longFile("long.dat", 100000);
    std::unique_ptr<BaseScan> scan(loadAndSelect(file));
    ASSERT_NE(scan, nullptr);
    window->show();
    ScriptedQuestions questions;
    questions.choose(path("closed.dat"));
    form().saveData->click();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, fileWaitMs));
    EXPECT_TRUE(window->fileTasks()->isIdle());
    EXPECT_EQ(lines(path("closed.dat")), lines(file));

    questions.choose(path("destroyed.dat"));
    form().saveData->click();
    ASSERT_FALSE(window->fileTasks()->isIdle());
    window.reset();
    EXPECT_EQ(lines(path("destroyed.dat")), lines(file));
    // Header, frequency and heading lines, and every sample.
    for (const QString& companion : {path("closed.csv"), path("destroyed.csv")})
        EXPECT_EQ(lines(companion).size(), 6 + 100000);
}

} // namespace
