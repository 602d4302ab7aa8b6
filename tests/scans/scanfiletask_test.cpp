// Scan files read and written a chunk at a time with their progress: the
// readers and writers report how far they got and stop when cancelled,
// leaving nothing half-read and no file half-written; a task does the same
// work on a thread of its own and hands a read scan to the thread that asked.

#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "scans/defaultcsvcolumnoptions.h"
#include "scans/fileoutput.h"
#include "scans/fileprogress.h"
#include "scans/processvalues.h"
#include "scans/scanfilereader.h"
#include "scans/scanfiletask.h"
#include "scans/scanfilewriter.h"
#include "support/scanfactory.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each step's fraction; cancels itself at step `cancelAt` (never when 0).
class RecordedProgress : public FileProgress
{
public:
    explicit RecordedProgress(int cancelAt = 0)
        : m_cancelAt(cancelAt)
    {
    }
    std::vector<double> steps;

protected:
    void between() override
    {
        steps.push_back(fraction());
        if (static_cast<int>(steps.size()) == m_cancelAt)
            cancel();
    }

private:
    int m_cancelAt;
};

// One file of each kind a scan is written to, through the writers with a
// progress, into FileOutput as every save does.
struct WriterCase {
    const char* name;
    std::function<bool(QIODevice&, const BaseScan&, FileProgress*)> write;
    ScanFileTask::Kind kind;
    std::function<bool(BaseScan&, QString, const CsvColumnOptions*)> direct;
};

constexpr double intervalStart = 1.0;
constexpr double intervalEnd = 150.0;

const QString software = QStringLiteral("Quvix 2.8.0");

std::vector<WriterCase> writerCases()
{
    return {
        {"dat",
         [](QIODevice& d, const BaseScan& s, FileProgress* p) {
             return ScanFileWriter::writeDat(d, s, software, p);
         },
         ScanFileTask::WriteDat,
         [](BaseScan& s, QString f, const CsvColumnOptions*) { return s.saveDat(f, software); }},
        {"csv",
         [](QIODevice& d, const BaseScan& s, FileProgress* p) {
             return ScanFileWriter::writeCsv(d, s, software, DefaultCsvColumnOptions(), p);
         },
         ScanFileTask::WriteCsv,
         [](BaseScan& s, QString f, const CsvColumnOptions* c) { return s.exportCsv(f, software, c); }},
        {"interval",
         [](QIODevice& d, const BaseScan& s, FileProgress* p) {
             return ScanFileWriter::writeInterval(d, s, software, intervalStart, intervalEnd,
                                                  DefaultCsvColumnOptions(), p);
         },
         ScanFileTask::WriteInterval,
         [](BaseScan& s, QString f, const CsvColumnOptions* c) {
             return s.exportText(f, software, intervalStart, intervalEnd, c);
         }},
    };
}

ScanFileTask::File fileOf(const WriterCase& c, const QString& name)
{
    return {c.kind, name, intervalStart, intervalEnd};
}

class ScanFileProgress : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedOptions = csvOptionsInView();
        newerFileState = NewerFileIdle;
    }
    void TearDown() override
    {
        applyCsvOptions(savedOptions);
        newerFileState = NewerFileIdle;
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // A finished recording of `samples` rows 10 ms apart: a megabyte of
    // ".dat" file per 20,000 rows, several chunks of the readers and writers.
    static std::unique_ptr<BaseScan> finishedScan(int samples = 20000)
    {
        std::unique_ptr<BaseScan> scan = scantest::recordedScan(QStringLiteral("long"), samples, 1);
        scan->stop();
        return scan;
    }

    QString savedFile(const BaseScan& scan, const QString& name)
    {
        const QString file = path(name);
        EXPECT_EQ(FileOutput::write(
                      file, [&](QIODevice& d) { return ScanFileWriter::writeDat(d, scan, software); }),
                  FileOutput::Written);
        return file;
    }

    // Runs the task and waits on this thread's events for its end.
    static void finish(ScanFileTask& task)
    {
        QObject context;
        bool called = false;
        task.start(&context, [&called] { called = true; });
        const QDeadlineTimer deadline(120000);
        while (!called && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_TRUE(called) << "the task did not end";
        ASSERT_TRUE(task.isFinished());
    }

    QTemporaryDir dir;
    CsvOptionSet savedOptions;
};

TEST_F(ScanFileProgress, ReadingAndWritingReportRisingProgressToTheEnd)
{
    const std::unique_ptr<BaseScan> scan = finishedScan();
    const QString file = savedFile(*scan, "long.dat");
    {
        SCOPED_TRACE("read");
        RecordedProgress progress;
        ASSERT_NE(ScanFileReader::readFile(file, &progress), nullptr);
        ASSERT_GE(progress.steps.size(), 3u);
        EXPECT_TRUE(std::is_sorted(progress.steps.begin(), progress.steps.end()));
        EXPECT_EQ(progress.steps.back(), 1.0);
    }
    for (const WriterCase& c : writerCases()) {
        SCOPED_TRACE(c.name);
        RecordedProgress progress;
        EXPECT_EQ(FileOutput::write(path("out"), [&](QIODevice& d) { return c.write(d, *scan, &progress); }),
                  FileOutput::Written);
        ASSERT_GE(progress.steps.size(), 3u);
        EXPECT_TRUE(std::is_sorted(progress.steps.begin(), progress.steps.end()));
        EXPECT_EQ(progress.steps.back(), 1.0);
    }
}

TEST_F(ScanFileProgress, ACancelledReadEndsWithNoScan)
{
    const std::unique_ptr<BaseScan> scan = finishedScan();
    const QString file = savedFile(*scan, "long.dat");
    RecordedProgress progress(2);
    try {
        ScanFileReader::readFile(file, &progress);
        FAIL() << "the read went on after its cancel";
    } catch (int code) {
        EXPECT_EQ(code, ScanFileReader::Cancelled);
    }
    EXPECT_EQ(progress.steps.size(), 2u);
    EXPECT_LT(progress.fraction(), 0.5);
}

TEST_F(ScanFileProgress, ACancelledWriteLeavesTheEarlierFileAsItWas)
{
    const std::unique_ptr<BaseScan> scan = finishedScan();
    for (const WriterCase& c : writerCases()) {
        SCOPED_TRACE(c.name);
        const QString file = path(QStringLiteral("earlier.%1").arg(c.name));
        ASSERT_EQ(FileOutput::write(file, QByteArray("the earlier file\n")), FileOutput::Written);
        RecordedProgress progress(2);
        EXPECT_EQ(FileOutput::write(file, [&](QIODevice& d) { return c.write(d, *scan, &progress); }),
                  FileOutput::WriteFailed);
        EXPECT_EQ(progress.steps.size(), 2u);
        EXPECT_LT(progress.fraction(), 1.0);
        EXPECT_EQ(readAll(file), "the earlier file\n");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3) << "a temporary file was left behind";
}

TEST_F(ScanFileProgress, ATaskReadsOnItsOwnThreadAndHandsTheWholeScanOver)
{
    const std::unique_ptr<BaseScan> written = finishedScan(2000);
    const QString file = savedFile(*written, "scan.dat");
    const std::unique_ptr<ScanFileTask> task = ScanFileTask::read(file);
    ASSERT_NO_FATAL_FAILURE(finish(*task));
    EXPECT_EQ(task->outcome(), ScanFileTask::Done);
    EXPECT_EQ(task->fileVersion(), 280);
    EXPECT_EQ(task->fraction(), 1.0);
    const std::unique_ptr<BaseScan> scan = task->takeScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->thread(), QThread::currentThread());
    EXPECT_EQ(scan->filePath, file);
    const std::unique_ptr<BaseScan> direct = BaseScan::loadDat(file);
    ASSERT_EQ(scan->sampleCount(0), 2000);
    EXPECT_EQ(scan->dataSets.front()->time, direct->dataSets.front()->time);
    EXPECT_EQ(scan->dataSets.front()->records.front()->impedanceMagnitude,
              direct->dataSets.front()->records.front()->impedanceMagnitude);
    // Whether the file is newer is the asking thread's to note.
    newerFileState = NewerFileArmed;
    ASSERT_EQ(FileOutput::write(file, QByteArray("Software ;Quvix 2.9.1\nTrend Count;0\nData\n")),
              FileOutput::Written);
    const std::unique_ptr<ScanFileTask> newer = ScanFileTask::read(file);
    ASSERT_NO_FATAL_FAILURE(finish(*newer));
    EXPECT_EQ(newer->fileVersion(), 291);
    EXPECT_EQ(newerFileState, NewerFileArmed);
}

TEST_F(ScanFileProgress, ATaskReportsWhatTheReaderRefusesAndACancelledRead)
{
    const QString notAScan = path("notascan.dat");
    ASSERT_EQ(FileOutput::write(notAScan, QByteArray("this is no scan file\n1;2;3\n")), FileOutput::Written);
    const QString scanFile = savedFile(*finishedScan(2000), "scan.dat");
    struct Case {
        QString file;
        bool cancelled;
        ScanFileTask::Outcome outcome;
        int code;
    };
    for (const Case& c : {Case{path("missing.dat"), false, ScanFileTask::Failed, ScanFileReader::CannotOpen},
                          Case{notAScan, false, ScanFileTask::Failed, ScanFileReader::NotAScanFile},
                          Case{scanFile, true, ScanFileTask::Cancelled, ScanFileReader::Cancelled}}) {
        SCOPED_TRACE(c.file.toStdString());
        const std::unique_ptr<ScanFileTask> task = ScanFileTask::read(c.file);
        if (c.cancelled)
            task->cancel();
        ASSERT_NO_FATAL_FAILURE(finish(*task));
        EXPECT_EQ(task->outcome(), c.outcome);
        EXPECT_EQ(task->readError(), c.code);
        EXPECT_EQ(task->takeScan(), nullptr);
    }
    // Cancelled once read, but before its owner took the scan: it is dropped.
    const std::unique_ptr<ScanFileTask> late = ScanFileTask::read(scanFile);
    ASSERT_NO_FATAL_FAILURE(finish(*late));
    late->cancel();
    EXPECT_EQ(late->outcome(), ScanFileTask::Cancelled);
    EXPECT_EQ(late->takeScan(), nullptr);
}

TEST_F(ScanFileProgress, ATaskWritesAScansFilesInARowAsTheScansOwnWritersDo)
{
    DefaultCsvColumnOptions columns;
    columns.setCsvOptionEnabled(1, false);
    columns.setCsvOptionEnabled(5, false);
    // Options other than the defaults, applied as the display options do.
    CsvOptionSet options = csvOptionsInView();
    options.delimiter = QStringLiteral(",");
    options.useShortNames = true;
    applyCsvOptions(options);

    const std::unique_ptr<BaseScan> scan = finishedScan(3000);
    std::vector<ScanFileTask::File> files;
    for (const WriterCase& c : writerCases())
        files.push_back(fileOf(c, path(QStringLiteral("task.%1").arg(c.name))));
    const std::unique_ptr<ScanFileTask> task = ScanFileTask::write(*scan, files, software, &columns);
    ASSERT_NO_FATAL_FAILURE(finish(*task));
    EXPECT_EQ(task->outcome(), ScanFileTask::Done);
    EXPECT_EQ(task->filesDone(), 3);
    // The task leaves the scan's fields to its owner.
    EXPECT_TRUE(scan->unsavedData);
    for (const WriterCase& c : writerCases()) {
        SCOPED_TRACE(c.name);
        const QString expected = path(QStringLiteral("direct.%1").arg(c.name));
        ASSERT_TRUE(c.direct(*scan, expected, &columns));
        EXPECT_EQ(readAll(path(QStringLiteral("task.%1").arg(c.name))), readAll(expected));
    }

    // A file that cannot be created ends the row there.
    const std::unique_ptr<ScanFileTask> nowhere =
        ScanFileTask::write(*scan,
                            {{ScanFileTask::WriteDat, path("missing-folder/scan.dat")},
                             {ScanFileTask::WriteCsv, path("after.csv")}},
                            software);
    ASSERT_NO_FATAL_FAILURE(finish(*nowhere));
    EXPECT_EQ(nowhere->outcome(), ScanFileTask::CannotOpen);
    EXPECT_EQ(nowhere->filesDone(), 0);
    EXPECT_EQ(nowhere->file().name, path("missing-folder/scan.dat"));
    EXPECT_FALSE(QFile::exists(path("after.csv")));
}

TEST_F(ScanFileProgress, ACancelledTaskWritesNothing)
{
    const std::unique_ptr<BaseScan> scan = finishedScan(2000);
    for (const WriterCase& c : writerCases()) {
        SCOPED_TRACE(c.name);
        const QString file = path(QStringLiteral("earlier.%1").arg(c.name));
        ASSERT_EQ(FileOutput::write(file, QByteArray("the earlier file\n")), FileOutput::Written);
        const std::unique_ptr<ScanFileTask> task = ScanFileTask::write(*scan, {fileOf(c, file)}, software);
        task->cancel();
        ASSERT_NO_FATAL_FAILURE(finish(*task));
        EXPECT_EQ(task->outcome(), ScanFileTask::Cancelled);
        EXPECT_EQ(readAll(file), "the earlier file\n");
    }
}

// Views lock a scan's mutex to read it; while a long export of a finished
// scan runs, one that waits for the mutex gets it long before the export
// ends.
TEST_F(ScanFileProgress, AWriteLetsOthersLockTheFinishedScanMeanwhile)
{
    const std::unique_ptr<BaseScan> scan = finishedScan(60000);
    const std::unique_ptr<ScanFileTask> task =
        ScanFileTask::write(*scan, {{ScanFileTask::WriteCsv, path("long.csv")}}, software);
    QObject context;
    task->start(&context, [] {});
    const QDeadlineTimer started(120000);
    while (task->fraction() == 0.0 && !task->isFinished() && !started.hasExpired())
        QThread::yieldCurrentThread();
    double whenLocked = 1.0;
    {
        std::lock_guard<std::mutex> lock(scan->mutex);
        whenLocked = task->fraction();
    }
    task->wait();
    EXPECT_EQ(task->outcome(), ScanFileTask::Done);
    EXPECT_LT(whenLocked, 0.9) << "the export held the scan's mutex to its end";
}

} // namespace
