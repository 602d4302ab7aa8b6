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

size_t ReducedSeriesData::fullSize() const
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

void ReducedSeriesData::samplesChanged(bool reset, size_t dropped, size_t /*appended*/)
{
    // Appended samples only extend the bounds; anything that went away
    // may have held an extreme.
    if (reset || dropped > 0) {
        m_boundsStale = true;
        m_ordered = true;
        m_orderCount = 0;
    }
    m_reductionStale = true;
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
    m_reductionStale = true;
}

size_t ReducedSeriesData::size() const
{
    reduceIfStale();
    return m_drawn.size();
}

QPointF ReducedSeriesData::sample(size_t i) const
{
    reduceIfStale();
    const size_t index = m_drawn[i];
    return QPointF((*m_time)[index], (*m_values)[index]);
}

QRectF ReducedSeriesData::boundingRect() const
{
    const size_t n = fullSize();
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
    const size_t n = fullSize();
    for (size_t i = std::max<size_t>(from, 1); i < n && m_ordered; ++i)
        m_ordered = !(t[i] < t[i - 1]);
    m_orderCount = n;
}

void ReducedSeriesData::reduceIfStale() const
{
    if (!m_reductionStale)
        return;
    m_reductionStale = false;
    m_drawn.clear();
    const size_t n = fullSize();
    if (n == 0)
        return;
    if (m_orderCount > n) {
        m_ordered = true;
        m_orderCount = 0;
    }
    noteOrder(m_orderCount);

    size_t from = 0;
    size_t to = n;
    if (m_hasRange && m_ordered) {
        // The visible samples and one neighbour on each side, so the lines
        // into and out of the view are drawn.
        const Series& t = *m_time;
        const auto end = t.begin() + static_cast<std::ptrdiff_t>(n);
        // Two pixels more on each side for the pen's width.
        const double margin = m_pixels > 0 ? 2.0 * (m_right - m_left) / m_pixels : 0.0;
        from = static_cast<size_t>(std::lower_bound(t.begin(), end, m_left - margin) - t.begin());
        to = static_cast<size_t>(std::upper_bound(t.begin(), end, m_right + margin) - t.begin());
        from = from > 0 ? from - 1 : 0;
        to = std::min(to + 1, n);
    }
    if (m_pixels <= 0 || !m_hasRange || to - from <= 4 * static_cast<size_t>(m_pixels) + 2) {
        m_drawn.resize(to - from);
        for (size_t i = from; i < to; ++i)
            m_drawn[i - from] = i;
        return;
    }
    reduce(from, to);
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

void ReducedSeriesData::reduce(size_t from, size_t to) const
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
        const auto [lowest, highest] = extremesOf(v, i, end);
        const size_t picked[4] = {i, std::min(lowest, highest), std::max(lowest, highest), end - 1};
        m_drawn.push_back(picked[0]);
        for (size_t k = 1; k < 4; ++k)
            if (picked[k] != m_drawn.back())
                m_drawn.push_back(picked[k]);
        i = end;
    }
}
