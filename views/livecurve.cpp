#include "views/livecurve.h"

#include "views/reducedseriesdata.h"

LiveCurve::LiveCurve(const QString& title, SeriesFeed::Source source)
    : ReducedCurve(title, nullptr)
    , m_feed(source)
{
    setReducedData(new ReducedSeriesData(&m_feed.time(), &m_feed.values()));
}

void LiveCurve::setSource(SeriesFeed::Source source)
{
    m_feed.setSource(source);
    reducedData()->samplesChanged(true, 0, 0);
}

bool LiveCurve::update(const BaseScan& scan)
{
    const SeriesFeed::Change change = m_feed.update(scan);
    if (change.isEmpty())
        return false;
    reducedData()->samplesChanged(change.reset, change.dropped, change.appended);
    return true;
}

void LiveCurve::clear()
{
    m_feed.clear();
    reducedData()->samplesChanged(true, 0, 0);
}
