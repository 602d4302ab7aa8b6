#include "views/replotcoalescer.h"

#include <qwt_plot.h>

#include <algorithm>

ReplotCoalescer::ReplotCoalescer(QwtPlot* plot, QObject* parent)
    : QObject(parent)
    , m_plot(plot)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReplotCoalescer::replotNow);
}

void ReplotCoalescer::markChanged()
{
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceReplot.isValid() ? m_sinceReplot.elapsed() : minimumIntervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, minimumIntervalMs - since)));
}

void ReplotCoalescer::replotNow()
{
    m_sinceReplot.start();
    if (m_plot)
        m_plot->replot();
}
