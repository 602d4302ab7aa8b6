#include "views/smithtrail.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Device pixels beyond this distance are all one pixel: far outside any
// widget or image, and within the range of int.
constexpr double pixelBound = 1.0e6;

int pixelCoordinate(double device)
{
    if (std::isnan(device))
        return std::numeric_limits<int>::min();
    return static_cast<int>(std::floor(std::clamp(device, -pixelBound, pixelBound)));
}

// Compacting below this many dropped points would only add copying.
constexpr size_t minimumCompaction = 1024;

} // namespace

size_t SmithTrail::StepHash::operator()(const Step& s) const
{
    const auto pack = [](QPoint p) {
        return (static_cast<quint64>(static_cast<quint32>(p.x())) << 32) | static_cast<quint32>(p.y());
    };
    const size_t a = std::hash<quint64>()(pack(s.from));
    const size_t b = std::hash<quint64>()(pack(s.to));
    return a ^ (b + 0x9e3779b97f4a7c15ull + (a << 6) + (a >> 2));
}

SmithTrail::SmithTrail(PixelScale pixels)
    : m_pixels(pixels)
{
}

void SmithTrail::append(QPointF point)
{
    m_points.push_back(point);
    reduceFrom(m_points.size() - 1);
}

void SmithTrail::append(size_t count, const std::function<void(size_t, QPointF&)>& writePoint)
{
    const size_t start = m_points.size();
    m_points.reserve(start + count);
    // Each point is written where it is kept: handed back whole in two
    // registers, it would be put together again through memory, at a stall
    // each.
    for (size_t k = 0; k < count; ++k)
        writePoint(k, m_points.emplace_back());
    reduceFrom(start);
}

void SmithTrail::reserveMore(size_t count)
{
    m_points.reserve(m_points.size() + count);
}

void SmithTrail::reduceFrom(size_t index)
{
    // Most points of a long trail stay on the pixel of the one before,
    // which a look at its square in device coordinates tells at once.
    const double scale = m_pixels.scale;
    const double offsetX = m_pixels.offset.x();
    const double offsetY = m_pixels.offset.y();
    for (size_t i = index; i < m_points.size(); ++i) {
        const double x = m_points[i].x() * scale + offsetX;
        const double y = m_points[i].y() * scale + offsetY;
        if (m_hasVertex && x >= m_vertexPixel.x() && x < m_vertexPixel.x() + 1.0 && y >= m_vertexPixel.y() &&
            y < m_vertexPixel.y() + 1.0)
            continue;
        const QPoint pixel(pixelCoordinate(x), pixelCoordinate(y));
        if (!m_hasVertex || pixel != m_vertexPixel)
            takeStep(pixel, m_points[i], m_firstNumber + static_cast<qint64>(i));
    }
}

void SmithTrail::takeStep(QPoint pixel, QPointF point, qint64 number)
{
    if (m_hasVertex) {
        // A step and its reverse cover the same pixels.
        const Step step =
            m_vertexPixel.x() < pixel.x() || (m_vertexPixel.x() == pixel.x() && m_vertexPixel.y() < pixel.y())
                ? Step{m_vertexPixel, pixel}
                : Step{pixel, m_vertexPixel};
        StepUse& use = m_steps[step];
        if (use.count++ == 0) {
            use.slot = m_segments.size();
            m_segments.append(QLineF(m_vertexPoint, point));
            m_segmentSteps.push_back(step);
        }
        m_taken.push_back({step, number});
    }
    m_hasVertex = true;
    m_vertexPixel = pixel;
    m_vertexPoint = point;
}

void SmithTrail::trimTo(int limit)
{
    if (limit <= 0 || size() <= limit)
        return;
    m_first = m_points.size() - static_cast<size_t>(limit);
    dropStepsEndingBefore(numberOfKept(0));
    if (m_first >= std::max(minimumCompaction, m_points.size() - m_first))
        compact();
}

void SmithTrail::dropStepsEndingBefore(qint64 firstKeptNumber)
{
    // A step ending at the oldest kept point joins it to a dropped one.
    while (!m_taken.empty() && m_taken.front().endNumber <= firstKeptNumber) {
        releaseStep(m_taken.front().step);
        m_taken.pop_front();
    }
}

void SmithTrail::releaseStep(const Step& step)
{
    const auto found = m_steps.find(step);
    if (found == m_steps.end() || --found->second.count > 0)
        return;
    const int slot = found->second.slot;
    const int last = m_segments.size() - 1;
    if (slot != last) {
        m_segments[slot] = m_segments[last];
        m_segmentSteps[static_cast<size_t>(slot)] = m_segmentSteps[static_cast<size_t>(last)];
        m_steps[m_segmentSteps[static_cast<size_t>(slot)]].slot = slot;
    }
    m_segments.removeLast();
    m_segmentSteps.pop_back();
    m_steps.erase(found);
}

void SmithTrail::compact()
{
    m_firstNumber += static_cast<qint64>(m_first);
    m_points.erase(m_points.begin(), m_points.begin() + static_cast<std::ptrdiff_t>(m_first));
    m_first = 0;
}

void SmithTrail::clear()
{
    // The storage stays: a trail filled again with as many points takes them
    // without allocating, into memory already touched.
    m_points.clear();
    m_first = 0;
    m_firstNumber = 0;
    m_hasVertex = false;
    m_steps.clear();
    m_segments.clear();
    m_segmentSteps.clear();
    m_taken.clear();
}

QVector<QPointF> SmithTrail::points() const
{
    return QVector<QPointF>(m_points.begin() + static_cast<std::ptrdiff_t>(m_first), m_points.end());
}

QVector<QPointF> SmithTrail::newestPoints(int count) const
{
    const int n = size();
    const int from = std::max(0, n - count - 1);
    QVector<QPointF> newest;
    newest.reserve(n - from);
    for (int i = from; i < n; ++i)
        newest.append(at(i));
    return newest;
}

void SmithTrail::setPixelScale(PixelScale pixels)
{
    if (pixels == m_pixels)
        return;
    m_pixels = pixels;
    m_hasVertex = false;
    m_steps.clear();
    m_segments.clear();
    m_segmentSteps.clear();
    m_taken.clear();
    reduceFrom(m_first);
}
