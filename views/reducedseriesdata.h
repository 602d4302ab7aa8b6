#pragma once

#include "scans/frequencyrecord.h"
#include "scans/seriesfeed.h"

#include <qwt_series_data.h>

#include <QPointF>
#include <QRectF>

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// Curve samples over a time vector and a value vector that hand Qwt, for
// the visible time range, at most four points per pixel column: the first,
// the lowest, the highest and the last sample of the column, in their
// order. The drawing of a million samples then costs about what a few
// thousand cost, and lights the same pixels. The visible range comes from
// Qwt through setRectOfInterest (or setView); the pixel width from the
// curve that draws it (ReducedCurve). Without a width every point is
// handed on. The bounding rectangle covers all samples, so autoscaling and
// zoom bases see the whole curve.
//
// The reduction is kept per column. Samples appended while the view stays
// put make again only the last column and those the new samples open; a
// new view (zoom, pan, resize, rescale) makes the columns again, taking
// over unchanged those that still hold the same run of samples. Either
// way the result is what a reduction from scratch would give.
//
// The vectors are referred to (a finished scan drawn in place; whoever
// changes them tells samplesChanged), owned and appended to, or shared with
// a scan that another thread still appends to. Shared vectors are read only
// during a look (SeriesFeed::Look), under the scan's lock: size(),
// boundingRect() and fullSize() each take one, and the points of the
// reduction are kept, so that Qwt draws them without the lock. Values may
// be fewer than times; the extra times are not drawn.
// GUI thread only; owned by its curve.
class ReducedSeriesData : public QwtSeriesData<QPointF>
{
public:
    // Owns its (empty) vectors.
    ReducedSeriesData();
    // Refers to vectors that outlive it.
    ReducedSeriesData(const Series* time, const Series* values);
    // Shares the vectors that `look` hands, each time it is called.
    explicit ReducedSeriesData(std::function<SeriesFeed::Look()> look);

    // Owned vectors only: appends count samples / drops the oldest.
    void append(const double* times, const double* values, size_t count);
    void dropFront(size_t count);
    void clear();

    // The referred vectors changed: all of them (reset), or `dropped` samples
    // went from the front and `appended` were added at the end.
    void samplesChanged(bool reset, size_t dropped, size_t appended);
    // Shared vectors: looks at them now and takes what changed; true when
    // anything did.
    bool lookAgain();

    // Without a curve that hands the view: the scale range from Qwt and the
    // canvas width from whoever shows the plot.
    void setRectOfInterest(const QRectF& rect) override;
    void setCanvasWidth(int pixels);
    // The visible time range and where its ends fall in device pixels, as
    // the drawing curve knows them; from then on the two above are ignored.
    void setView(double left, double right, double pixelLeft, double pixelRight);

    size_t size() const override;
    // Shared vectors: the points of the reduction the last size() made.
    QPointF sample(size_t i) const override;
    QRectF boundingRect() const override;

    // Samples held, drawn or not.
    size_t fullSize() const;

private:
    // One pixel column of the reduction: its run of samples, the first
    // lowest and the first highest value in the order they come, and where
    // its points begin in m_drawn.
    struct Column {
        size_t first = 0;
        size_t last = 0;
        size_t earlierExtreme = 0;
        size_t laterExtreme = 0;
        size_t drawnBegin = 0;
    };

    // Shared vectors: the look's lock, held while they are read; none for
    // vectors of our own or referred to.
    std::unique_lock<std::mutex> takeLook() const;
    void noteChange(bool reset, size_t dropped, size_t appended) const;
    // Samples held, as far as both vectors go; shared ones under a look.
    size_t heldSize() const;
    bool reductionStale() const;
    void reduceIfStale() const;
    void makeReduction() const;
    void keepDrawnPoints() const;
    void visibleRange(size_t n, size_t& from, size_t& to) const;
    void dropFromColumns(size_t dropped) const;
    void reduce(size_t from, size_t to, const std::vector<Column>& previous) const;
    void extendBounds(size_t from, size_t to) const;
    void noteOrder(size_t from) const;
    void applyView(double left, double right, double pixelLeft, double pixelRight);

    Series m_ownTime;
    Series m_ownValues;
    // Shared vectors move to wherever the newest look found them.
    mutable const Series* m_time;
    mutable const Series* m_values;
    bool m_owning;
    std::function<SeriesFeed::Look()> m_look;
    mutable bool m_lookChanged = false;

    // The view: time range and pixel columns.
    double m_left = 0.0;
    double m_right = 0.0;
    bool m_hasRange = false;
    bool m_viewFromCurve = false;
    double m_pixelLeft = 0.0;
    double m_pixelRight = 0.0;
    int m_pixels = 0;

    // The reduction: the indices drawn, of samples [m_from, m_to); its
    // columns, none when every sample of that range is drawn.
    mutable std::vector<size_t> m_drawn;
    // Shared vectors: the points at m_drawn, taken during the look.
    mutable std::vector<QPointF> m_points;
    mutable std::vector<Column> m_columns;
    mutable size_t m_from = 0;
    mutable size_t m_to = 0;
    // What changed since the reduction was made.
    mutable bool m_viewChanged = true;
    mutable bool m_samplesReset = true;
    mutable bool m_samplesAppended = false;
    mutable size_t m_droppedSince = 0;
    // The bounding rectangle of all samples, extended as samples arrive.
    mutable bool m_boundsStale = true;
    mutable size_t m_boundsCount = 0;
    // Whether the times are nondecreasing, checked as far as m_orderCount.
    mutable bool m_ordered = true;
    mutable size_t m_orderCount = 0;
};
