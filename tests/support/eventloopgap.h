#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// The longest stretch the event loop of the thread that makes it went without
// turning, while it lives: a timer asks to run every few milliseconds and
// each run measures the time since the one before. That thread only.
class EventLoopGap
{
public:
    EventLoopGap()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer,
                         [this] { m_longest = std::max(m_longest, m_sinceTurn.restart()); });
        m_sinceTurn.start();
        m_timer.start();
    }

    // Milliseconds, the stretch still open included.
    qint64 longest() const { return std::max(m_longest, m_sinceTurn.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTurn;
    qint64 m_longest = 0;
};
