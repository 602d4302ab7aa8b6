#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class BaseScan;
class QProgressDialog;
class QWidget;
class ScanFileTask;

// The main window's scan file work: reads and writes run one at a time, in
// the order they were asked for, each on a thread of its own (ScanFileTask),
// so that the window stays usable meanwhile; each task's result is taken on
// the GUI thread before the next task starts. While the work goes on longer
// than a moment, a progress dialog beside the window names the file and
// offers a Cancel that stops the task at hand.
// GUI thread only. Owns its tasks and the progress dialog (a child of the
// window while it shows); the scans written are not owned, except those
// handed over by deleteWhenWritten.
class FileTaskQueue : public QObject
{
    Q_OBJECT

public:
    using Finished = std::function<void(ScanFileTask&)>;

    // The progress dialog shows beside `window`, the queue's parent.
    explicit FileTaskQueue(QWidget* window);
    // As finish().
    ~FileTaskQueue() override;

    // Queues a task; `finished` gets it once it has ended, cancelled
    // included, before the next task starts. It may queue further tasks;
    // the scan of the task stays counted as written while it runs.
    void add(std::unique_ptr<ScanFileTask> task, Finished finished);
    bool isIdle() const;
    // Whether a queued or running task reads this file.
    bool isReading(const QString& fileName) const;
    // Whether a queued or running task writes this scan, or any scan.
    bool isWriting(const BaseScan* scan) const;
    bool isWriting() const;
    // Cancels the read under way and forgets those still queued.
    void dropReads();
    // Takes over a scan the window lets go of: deleted at once, or once the
    // tasks that write it have ended.
    void deleteWhenWritten(BaseScan* scan);
    // Ends the work for good, without taking results: reads are cancelled,
    // and writes are done to the end, those still queued on this thread, so
    // that no save is lost when the window goes.
    void finish();

signals:
    // The last queued task has been dealt with.
    void idle();

private:
    struct Entry {
        std::unique_ptr<ScanFileTask> task;
        Finished finished;
    };

    void startNext();
    void taskEnded();
    void cancelRunning();
    void showProgress();
    void endProgress();
    void deleteWrittenScans();
    bool anyTask(const std::function<bool(const ScanFileTask&)>& holds) const;

    QWidget* const m_window;
    std::deque<Entry> m_queued;
    Entry m_running; // no task while none runs
    // The task whose result is being taken, while it is.
    const ScanFileTask* m_ending = nullptr;
    bool m_finished = false;
    QTimer m_progressTimer;
    QElapsedTimer m_busySince; // invalid while idle
    QPointer<QProgressDialog> m_dialog;
    std::vector<BaseScan*> m_scansToDelete;
};
