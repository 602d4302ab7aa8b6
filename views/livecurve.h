#pragma once

#include "scans/seriesfeed.h"
#include "views/reducedcurve.h"

class BaseScan;

// A curve that follows one series of a recording scan: each update takes
// what is new through its SeriesFeed (the scan's lock is held only while
// copying) and tells its reduced samples what changed.
// GUI thread only; owned by the plot it is attached to. It owns its feed,
// to whose vectors its samples refer.
class LiveCurve : public ReducedCurve
{
public:
    LiveCurve(const QString& title, SeriesFeed::Source source);

    // Follows another series of the scan (all samples are taken again).
    void setSource(SeriesFeed::Source source);
    const SeriesFeed& feed() const { return m_feed; }

    // True when the samples changed; the caller then asks for a replot.
    bool update(const BaseScan& scan);
    void clear();

private:
    SeriesFeed m_feed;
};
