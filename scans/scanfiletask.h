#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class BaseScan;
class CsvColumnOptions;
class QIODevice;
class QObject;
class QThread;

// One read of a scan file, or the writes of one scan's files in a row (a
// saved ".dat" file and its companion CSV file go together), run on a thread
// of its own so that the thread that asks for it (the GUI thread) is never
// held up by a long file.
//
// Threads: the owner (the thread that makes the task) starts, watches,
// cancels and destroys it, and reads its results once it has finished. The
// work runs on the task's thread and touches only the files, the task's
// progress and the scan: a read builds its scan privately and hands it over
// whole, with the owner's thread affinity; a write reads the scan under its
// mutex and changes none of its fields (the owner marks it saved). While the
// scan written has finished recording, the write lets the mutex go every few
// tens of milliseconds, between chunks, so that views locking it are not
// held up for the whole file. The scan written is not owned and must
// outlive the task.
class ScanFileTask
{
public:
    enum Kind { ReadDat, WriteDat, WriteCsv, WriteInterval };
    // A read that failed gives Failed with the reader's code (readError); a
    // write gives CannotOpen when a file could not be created (another name
    // may do) and Failed when not all of it was written. A write that does
    // not succeed leaves any earlier file of its name as it was, and the
    // files after it are not tried.
    enum Outcome { Running, Done, CannotOpen, Failed, Cancelled };

    // A file a write task makes; an interval export holds the samples
    // strictly between minimum and maximum.
    struct File {
        Kind kind = WriteDat;
        QString name;
        double minimum = 0.0;
        double maximum = 0.0;
    };

    static std::unique_ptr<ScanFileTask> read(const QString& fileName);
    // The files are written in their order. The exports take their columns
    // from `columns` (every column of a quantity when null) as they are now,
    // and the delimiter and names from the program's applied CSV options
    // when they run.
    static std::unique_ptr<ScanFileTask> write(const BaseScan& scan, std::vector<File> files,
                                               const QString& software,
                                               const CsvColumnOptions* columns = nullptr);

    // Cancels a read that still runs, lets a write end, and waits for the
    // thread.
    ~ScanFileTask();
    ScanFileTask(const ScanFileTask&) = delete;
    ScanFileTask& operator=(const ScanFileTask&) = delete;

    // Starts the work on the task's thread; when it has ended, `finished`
    // runs on the thread of `context`, queued. The context must outlive the
    // task (its pending call goes with it).
    void start(QObject* context, std::function<void()> finished);
    // Does the work on the calling thread instead, which it holds until the
    // files are done.
    void run();
    // Asks the work to stop at its next chunk.
    void cancel();
    // Blocks until the work has ended.
    void wait();

    bool isRead() const { return m_files.front().kind == ReadDat; }
    // The scan written; null for a read.
    const BaseScan* scan() const { return m_scan; }
    const std::vector<File>& files() const { return m_files; }
    // The file being read or written; once finished, the one that failed
    // (the last one when all were done).
    const File& file() const;
    bool isFinished() const { return m_finished.load(std::memory_order_acquire); }
    bool isCancelled() const;
    // How far the work on file() has got, 0 to 1.
    double fraction() const;

    // Once finished. A read cancelled before its result is taken counts as
    // cancelled even when the file had been read: its scan is dropped.
    Outcome outcome() const;
    // How many of the files, from the first, were written whole.
    int filesDone() const { return m_filesDone; }
    // The reader's error code (ScanFileReader::Error, or 0 for anything
    // else) of a read that failed.
    int readError() const { return m_readError; }
    // The version number of the file read (ScanFileReader::versionNumber).
    int fileVersion() const { return m_fileVersion; }
    // The scan read whole; the caller owns it.
    std::unique_ptr<BaseScan> takeScan();

private:
    class Columns;
    class Progress;

    ScanFileTask(std::vector<File> files, const BaseScan* scan);

    void work();
    void readFile();
    Outcome writeFile(const File& file);
    bool fill(QIODevice& device, const File& file);

    const std::vector<File> m_files;
    const BaseScan* const m_scan;
    QString m_software;
    std::unique_ptr<Columns> m_columns;
    QThread* const m_ownerThread;
    const std::unique_ptr<Progress> m_progress;
    std::thread m_thread;
    std::atomic<int> m_current{0};
    std::atomic<bool> m_finished{false};
    // Written by the work before m_finished, read by the owner after it.
    Outcome m_outcome = Running;
    int m_filesDone = 0;
    int m_readError = 0;
    int m_fileVersion = -1;
    std::unique_ptr<BaseScan> m_readScan;
};
