#pragma once

#include "scans/seriesfeed.h"
#include "views/reducedcurve.h"

class BaseScan;

// A curve that follows one series of a recording scan and draws it from the
// scan's own vectors, keeping no copy of them: each look through its
// SeriesFeed holds the scan's lock only while the reduced samples take what
// is new and the points to draw (see ReducedSeriesData).
// GUI thread only; owned by the plot it is attached to. It owns its feed;
// the scan is not owned, and a scan deleted leaves the curve empty.
class LiveCurve : public ReducedCurve
{
public:
    LiveCurve(const QString& title, SeriesFeed::Source source);

    // Follows another series of the scan (all samples are taken again).
    void setSource(SeriesFeed::Source source);
    const SeriesFeed& feed() const { return m_feed; }

    // Follows `scan`; true when its samples changed since the last look,
    // and the caller then asks for a replot.
    bool update(const BaseScan& scan);
    // Follows no scan and draws nothing.
    void clear();

private:
    SeriesFeed m_feed;
};
