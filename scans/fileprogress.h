#pragma once

#include <QtGlobal>

#include <atomic>

// How far a long read or write of a scan file has got, and the request to
// stop it. The thread doing the work sets the total and reports through
// advance(); any other thread reads fraction() and calls cancel(). Lock-free;
// the work's owner keeps the object alive until the work has ended.
class FileProgress
{
public:
    virtual ~FileProgress() = default;

    // Starts counting towards the units a whole file takes (bytes of a file
    // read, rows written), from none done.
    void setTotal(qint64 units);
    // Units done so far; false once cancelled, and the work then stops there.
    // The readers and writers call it between chunks of a few hundred
    // kilobytes, where they hold no reference into a series' storage.
    bool advance(qint64 done);

    // 0 to 1; 0 while no total is known.
    double fraction() const;
    void cancel();
    bool isCancelled() const;

protected:
    // Called by advance() on the working thread before it answers: where a
    // writer may let the scan's mutex go for a moment.
    virtual void between() {}

private:
    std::atomic<qint64> m_total{0};
    std::atomic<qint64> m_done{0};
    std::atomic<bool> m_cancelled{false};
};
