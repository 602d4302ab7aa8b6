#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QwtPlot;

// Replots a plot marked as changed at most about 25 times a second and
// always from the event loop, never inside the update that marked it: any
// number of marks before the timer runs give one replot, which draws the
// newest data.
// GUI thread only; owned by its Qt parent. The plot is not owned.
class ReplotCoalescer : public QObject
{
    Q_OBJECT

public:
    static constexpr int minimumIntervalMs = 40;

    explicit ReplotCoalescer(QwtPlot* plot, QObject* parent = nullptr);

    void markChanged();
    bool isPending() const { return m_timer.isActive(); }

private:
    void replotNow();

    QPointer<QwtPlot> m_plot;
    QTimer m_timer;
    QElapsedTimer m_sinceReplot;
};
