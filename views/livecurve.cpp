#include "views/livecurve.h"

#include "views/reducedseriesdata.h"

LiveCurve::LiveCurve(const QString& title, SeriesFeed::Source source)
    : ReducedCurve(title, nullptr)
    , m_feed(source)
{
    setReducedData(new ReducedSeriesData([this] { return m_feed.look(); }));
}

void LiveCurve::setSource(SeriesFeed::Source source)
{
    m_feed.setSource(source);
}

bool LiveCurve::update(const BaseScan& scan)
{
    m_feed.follow(scan);
    return reducedData()->lookAgain();
}

void LiveCurve::clear()
{
    m_feed.clear();
    reducedData()->lookAgain();
}
