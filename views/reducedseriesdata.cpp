#include "views/reducedseriesdata.h"

#include <algorithm>
#include <cmath>
#include <limits>

ReducedSeriesData::ReducedSeriesData()
    : m_time(&m_ownTime)
    , m_values(&m_ownValues)
    , m_owning(true)
{
}

ReducedSeriesData::ReducedSeriesData(const Series* time, const Series* values)
    : m_time(time)
    , m_values(values)
    , m_owning(false)
{
}

ReducedSeriesData::ReducedSeriesData(std::function<SeriesFeed::Look()> look)
    : m_time(&m_ownTime)
    , m_values(&m_ownValues)
    , m_owning(false)
    , m_look(std::move(look))
{
}

std::unique_lock<std::mutex> ReducedSeriesData::takeLook() const
{
    if (!m_look)
        return {};
    SeriesFeed::Look look = m_look();
    m_time = look.time ? look.time : &m_ownTime;
    m_values = look.values ? look.values : &m_ownValues;
    m_lookChanged = !look.change.isEmpty();
    noteChange(look.change.reset, look.change.dropped, look.change.appended);
    return std::move(look.lock);
}

bool ReducedSeriesData::lookAgain()
{
    const std::unique_lock<std::mutex> reading = takeLook();
    return m_lookChanged;
}

size_t ReducedSeriesData::fullSize() const
{
    const std::unique_lock<std::mutex> reading = takeLook();
    return heldSize();
}

size_t ReducedSeriesData::heldSize() const
{
    return std::min(m_time->size(), m_values->size());
}

void ReducedSeriesData::append(const double* times, const double* values, size_t count)
{
    if (!m_owning)
        return;
    m_ownTime.insert(m_ownTime.end(), times, times + count);
    m_ownValues.insert(m_ownValues.end(), values, values + count);
    samplesChanged(false, 0, count);
}

void ReducedSeriesData::dropFront(size_t count)
{
    if (!m_owning)
        return;
    count = std::min(count, m_ownTime.size());
    m_ownTime.erase(m_ownTime.begin(), m_ownTime.begin() + static_cast<std::ptrdiff_t>(count));
    m_ownValues.erase(m_ownValues.begin(),
                      m_ownValues.begin() + static_cast<std::ptrdiff_t>(std::min(count, m_ownValues.size())));
    samplesChanged(false, count, 0);
}

void ReducedSeriesData::clear()
{
    if (!m_owning)
        return;
    m_ownTime.clear();
    m_ownValues.clear();
    samplesChanged(true, 0, 0);
}

void ReducedSeriesData::samplesChanged(bool reset, size_t dropped, size_t appended)
{
    noteChange(reset, dropped, appended);
}

void ReducedSeriesData::noteChange(bool reset, size_t dropped, size_t appended) const
{
    if (reset) {
        m_samplesReset = true;
        m_boundsStale = true;
        m_ordered = true;
        m_orderCount = 0;
        return;
    }
    if (dropped > 0) {
        // Anything that went away may have held an extreme. What stays of
        // an ordered run is still ordered; an unordered one is looked at
        // again.
        m_boundsStale = true;
        m_droppedSince += dropped;
        if (m_ordered) {
            m_orderCount = m_orderCount > dropped ? m_orderCount - dropped : 0;
        } else {
            m_ordered = true;
            m_orderCount = 0;
        }
    }
    if (appended > 0)
        m_samplesAppended = true;
}

void ReducedSeriesData::setRectOfInterest(const QRectF& rect)
{
    // Once a curve hands the view under its canvas (which reaches past the
    // scale's ends), Qwt's scale rectangle would only undo it on every
    // replot and make the reduction again.
    if (rect.width() <= 0.0 || m_viewFromCurve)
        return;
    applyView(rect.left(), rect.right(), 0.0, m_pixels);
}

void ReducedSeriesData::setCanvasWidth(int pixels)
{
    if (!m_viewFromCurve)
        applyView(m_left, m_right, 0.0, pixels);
}

void ReducedSeriesData::setView(double left, double right, double pixelLeft, double pixelRight)
{
    m_viewFromCurve = true;
    applyView(left, right, pixelLeft, pixelRight);
}

void ReducedSeriesData::applyView(double left, double right, double pixelLeft, double pixelRight)
{
    if (left > right) {
        std::swap(left, right);
        std::swap(pixelLeft, pixelRight);
    }
    if (m_hasRange && left == m_left && right == m_right && pixelLeft == m_pixelLeft &&
        pixelRight == m_pixelRight)
        return;
    m_left = left;
    m_right = right;
    m_hasRange = right > left;
    m_pixelLeft = pixelLeft;
    m_pixelRight = pixelRight;
    m_pixels = static_cast<int>(std::ceil(std::abs(pixelRight - pixelLeft)));
    m_viewChanged = true;
}

size_t ReducedSeriesData::size() const
{
    const std::unique_lock<std::mutex> reading = takeLook();
    reduceIfStale();
    return m_drawn.size();
}

QPointF ReducedSeriesData::sample(size_t i) const
{
    // Shared vectors may grow meanwhile on another thread: Qwt draws the
    // points taken during the look of its size() call. Asked without one,
    // the points are brought up to date first.
    if (m_look) {
        if (reductionStale() || i >= m_points.size()) {
            const std::unique_lock<std::mutex> reading = takeLook();
            reduceIfStale();
        }
        return i < m_points.size() ? m_points[i] : QPointF();
    }
    reduceIfStale();
    const size_t index = m_drawn[i];
    return QPointF((*m_time)[index], (*m_values)[index]);
}

QRectF ReducedSeriesData::boundingRect() const
{
    const std::unique_lock<std::mutex> reading = takeLook();
    const size_t n = heldSize();
    if (m_boundsStale || m_boundsCount > n) {
        d_boundingRect = QRectF(1.0, 1.0, -2.0, -2.0); // Qwt's invalid rectangle
        m_boundsCount = 0;
        m_boundsStale = false;
    }
    if (m_boundsCount < n)
        extendBounds(m_boundsCount, n);
    return d_boundingRect;
}

void ReducedSeriesData::extendBounds(size_t from, size_t to) const
{
    double left = std::numeric_limits<double>::infinity();
    double right = -left;
    double bottom = left;
    double top = -left;
    if (d_boundingRect.isValid() || d_boundingRect.width() >= 0.0) {
        left = d_boundingRect.left();
        right = d_boundingRect.right();
        bottom = d_boundingRect.top();
        top = d_boundingRect.bottom();
    }
    const Series& t = *m_time;
    const Series& v = *m_values;
    for (size_t i = from; i < to; ++i) {
        left = std::min(left, t[i]);
        right = std::max(right, t[i]);
        bottom = std::min(bottom, v[i]);
        top = std::max(top, v[i]);
    }
    m_boundsCount = to;
    if (left <= right && bottom <= top)
        d_boundingRect = QRectF(left, bottom, right - left, top - bottom);
}

void ReducedSeriesData::noteOrder(size_t from) const
{
    const Series& t = *m_time;
    const size_t n = heldSize();
    for (size_t i = std::max<size_t>(from, 1); i < n && m_ordered; ++i)
        m_ordered = !(t[i] < t[i - 1]);
    m_orderCount = n;
}

bool ReducedSeriesData::reductionStale() const
{
    return m_viewChanged || m_samplesReset || m_samplesAppended || m_droppedSince > 0;
}

void ReducedSeriesData::visibleRange(size_t n, size_t& from, size_t& to) const
{
    from = 0;
    to = n;
    if (!m_hasRange || !m_ordered)
        return;
    // The visible samples and one neighbour on each side, so the lines into
    // and out of the view are drawn.
    const Series& t = *m_time;
    const auto end = t.begin() + static_cast<std::ptrdiff_t>(n);
    // Two pixels more on each side for the pen's width.
    const double margin = m_pixels > 0 ? 2.0 * (m_right - m_left) / m_pixels : 0.0;
    from = static_cast<size_t>(std::lower_bound(t.begin(), end, m_left - margin) - t.begin());
    to = static_cast<size_t>(std::upper_bound(t.begin(), end, m_right + margin) - t.begin());
    from = from > 0 ? from - 1 : 0;
    to = std::min(to + 1, n);
}

void ReducedSeriesData::dropFromColumns(size_t dropped) const
{
    // The columns of dropped samples go; the others keep their runs under
    // their new numbers, as do the points drawn for them.
    const auto gone = std::find_if(m_columns.begin(), m_columns.end(),
                                   [dropped](const Column& column) { return column.first >= dropped; });
    m_columns.erase(m_columns.begin(), gone);
    for (Column& column : m_columns) {
        column.first -= dropped;
        column.last -= dropped;
        column.earlierExtreme -= dropped;
        column.laterExtreme -= dropped;
    }
    if (m_from < dropped) {
        // What was drawn began among the dropped samples: it is made anew.
        m_drawn.clear();
        m_viewChanged = true;
        return;
    }
    for (size_t& index : m_drawn)
        index -= dropped;
    m_from -= dropped;
    m_to -= dropped;
}

void ReducedSeriesData::reduceIfStale() const
{
    if (!reductionStale())
        return;
    makeReduction();
    if (m_look)
        keepDrawnPoints();
}

void ReducedSeriesData::keepDrawnPoints() const
{
    const Series& t = *m_time;
    const Series& v = *m_values;
    m_points.resize(m_drawn.size());
    for (size_t k = 0; k < m_drawn.size(); ++k)
        m_points[k] = QPointF(t[m_drawn[k]], v[m_drawn[k]]);
}

void ReducedSeriesData::makeReduction() const
{
    const size_t n = heldSize();
    if (m_samplesReset || (m_droppedSince > 0 && m_droppedSince >= m_to)) {
        // Nothing drawn is left to build on.
        m_columns.clear();
        m_drawn.clear();
        m_viewChanged = true;
    } else if (m_droppedSince > 0) {
        dropFromColumns(m_droppedSince);
    }
    const bool sameView = !m_viewChanged;
    m_viewChanged = false;
    m_samplesReset = false;
    m_samplesAppended = false;
    m_droppedSince = 0;
    if (n == 0) {
        m_drawn.clear();
        m_columns.clear();
        m_from = m_to = 0;
        return;
    }
    if (m_orderCount > n) {
        m_ordered = true;
        m_orderCount = 0;
    }
    noteOrder(m_orderCount);

    size_t from = 0;
    size_t to = n;
    visibleRange(n, from, to);
    const bool everySample =
        m_pixels <= 0 || !m_hasRange || to - from <= 4 * static_cast<size_t>(m_pixels) + 2;
    const bool extending = sameView && !everySample && !m_columns.empty() && from == m_from && to >= m_to;
    m_from = from;
    m_to = to;
    if (everySample) {
        m_columns.clear();
        m_drawn.resize(to - from);
        for (size_t i = from; i < to; ++i)
            m_drawn[i - from] = i;
        return;
    }
    if (extending) {
        // Same view, samples only added at the end: every column but the
        // last still holds the same run. The last one may go on.
        const Column last = m_columns.back();
        m_columns.pop_back();
        m_drawn.resize(last.drawnBegin);
        reduce(last.first, to, {last});
        return;
    }
    const std::vector<Column> previous = std::move(m_columns);
    m_columns.clear();
    m_drawn.clear();
    reduce(from, to, previous);
}

namespace {

// Indices of the first lowest and the first highest value in [from, to).
// The values are found first with independent running extremes, which the
// processor overlaps, then their places in the (by then cached) column.
std::pair<size_t, size_t> extremesOf(const Series& v, size_t from, size_t to)
{
    constexpr size_t lanes = 4;
    double low[lanes];
    double high[lanes];
    for (size_t l = 0; l < lanes; ++l)
        low[l] = high[l] = v[from];
    size_t k = from;
    for (; k + lanes <= to; k += lanes) {
        for (size_t l = 0; l < lanes; ++l) {
            low[l] = std::min(low[l], v[k + l]);
            high[l] = std::max(high[l], v[k + l]);
        }
    }
    for (; k < to; ++k) {
        low[0] = std::min(low[0], v[k]);
        high[0] = std::max(high[0], v[k]);
    }
    const double lowest = std::min({low[0], low[1], low[2], low[3]});
    const double highest = std::max({high[0], high[1], high[2], high[3]});
    size_t lowIndex = from;
    size_t highIndex = from;
    bool lowFound = false;
    bool highFound = false;
    for (k = from; k < to && !(lowFound && highFound); ++k) {
        if (!lowFound && v[k] == lowest) {
            lowIndex = k;
            lowFound = true;
        }
        if (!highFound && v[k] == highest) {
            highIndex = k;
            highFound = true;
        }
    }
    return {lowIndex, highIndex};
}

} // namespace

void ReducedSeriesData::reduce(size_t from, size_t to, const std::vector<Column>& previous) const
{
    const Series& t = *m_time;
    const Series& v = *m_values;
    // The device column a sample lands on, rounded as Qwt aligns points on
    // raster devices; samples beyond either edge share one column each.
    const double pixelsPerTime = (m_pixelRight - m_pixelLeft) / (m_right - m_left);
    const double firstColumn = std::floor(m_pixelLeft + 0.5);
    const double columnLimit = m_pixels;
    auto columnOf = [&](double time) {
        const double c = std::floor(m_pixelLeft + (time - m_left) * pixelsPerTime + 0.5) - firstColumn;
        return static_cast<long>(std::clamp(c, -1.0, columnLimit));
    };

    m_drawn.reserve(4 * static_cast<size_t>(m_pixels + 2));
    m_columns.reserve(static_cast<size_t>(m_pixels + 2));
    // The previous columns are in sample order, as the runs found here.
    auto known = previous.begin();
    size_t i = from;
    while (i < to) {
        const long column = columnOf(t[i]);
        size_t end = i + 1;
        if (m_ordered) {
            // Ordered times: the column's end by bisection, then its
            // extremes in one tight pass.
            end = static_cast<size_t>(
                std::partition_point(t.begin() + static_cast<std::ptrdiff_t>(end),
                                     t.begin() + static_cast<std::ptrdiff_t>(to),
                                     [&](double time) { return columnOf(time) <= column; }) -
                t.begin());
        } else {
            while (end < to && columnOf(t[end]) == column)
                ++end;
        }
        while (known != previous.end() && known->first < i)
            ++known;
        Column made;
        if (known != previous.end() && known->first == i && known->last + 1 == end) {
            // The same run of samples has the same extremes.
            made = *known;
        } else {
            const auto [lowest, highest] = extremesOf(v, i, end);
            made.first = i;
            made.last = end - 1;
            made.earlierExtreme = std::min(lowest, highest);
            made.laterExtreme = std::max(lowest, highest);
        }
        made.drawnBegin = m_drawn.size();
        const size_t picked[4] = {made.first, made.earlierExtreme, made.laterExtreme, made.last};
        m_drawn.push_back(picked[0]);
        for (size_t k = 1; k < 4; ++k)
            if (picked[k] != m_drawn.back())
                m_drawn.push_back(picked[k]);
        m_columns.push_back(made);
        i = end;
    }
}
