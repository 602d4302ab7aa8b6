#include "scans/fileprogress.h"

#include <algorithm>

void FileProgress::setTotal(qint64 units)
{
    m_done.store(0, std::memory_order_relaxed);
    m_total.store(std::max<qint64>(units, 0), std::memory_order_relaxed);
}

bool FileProgress::advance(qint64 done)
{
    m_done.store(done, std::memory_order_relaxed);
    between();
    return !isCancelled();
}

double FileProgress::fraction() const
{
    const qint64 total = m_total.load(std::memory_order_relaxed);
    if (total <= 0)
        return 0.0;
    const qint64 done = m_done.load(std::memory_order_relaxed);
    return std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
}

void FileProgress::cancel()
{
    m_cancelled.store(true, std::memory_order_relaxed);
}

bool FileProgress::isCancelled() const
{
    return m_cancelled.load(std::memory_order_relaxed);
}
