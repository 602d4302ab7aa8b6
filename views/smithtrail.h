#pragma once

#include <QLineF>
#include <QPoint>
#include <QPointF>
#include <QVector>

#include <cstddef>
#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

// One trail of the Smith chart: its points in chart (window) coordinates,
// oldest first, of which the newest `limit` are kept, and a reduced copy of
// the whole trail for drawing it at one pixel scale.
//
// The reduced copy holds one segment per distinct step between two device
// pixels: consecutive points on the same pixel collapse into one, and a step
// between two pixels that the trail has taken before is drawn once. A trail
// that wanders about one place for hours therefore draws about as many
// segments as one that has just begun there. It is kept up to date as points
// arrive and as the oldest are trimmed, and rebuilt only when the pixel
// scale changes.
//
// Trimming moves the start of the kept points and compacts the storage once
// the dropped part is as long as the kept one, so adding a point costs the
// same on average whatever the limit.
//
// Plain value; GUI thread only (the chart that owns it).
class SmithTrail
{
public:
    // Window-to-device mapping: device = window * scale + offset.
    struct PixelScale {
        double scale = 1.0;
        QPointF offset;
        bool operator==(const PixelScale& other) const
        {
            return scale == other.scale && offset == other.offset;
        }
    };

    SmithTrail() = default;
    explicit SmithTrail(PixelScale pixels);

    void append(QPointF point);
    // Appends `count` points, the k-th of them written by writePoint(k,
    // point), in one pass that grows the storage at most once.
    void append(size_t count, const std::function<void(size_t, QPointF&)>& writePoint);
    // Room for `count` more points, so a batch grows the storage once.
    void reserveMore(size_t count);
    // Keeps the newest `limit` points (0 keeps all).
    void trimTo(int limit);
    // Holds no point; keeps its storage and its pixel scale.
    void clear();

    int size() const { return static_cast<int>(m_points.size() - m_first); }
    bool isEmpty() const { return size() == 0; }
    // Point i of the kept ones, 0 being the oldest.
    QPointF at(int i) const { return m_points[m_first + static_cast<size_t>(i)]; }
    QPointF newest() const { return m_points.back(); }
    QVector<QPointF> points() const;

    // Rebuilds the reduced copy for another pixel scale.
    void setPixelScale(PixelScale pixels);
    PixelScale pixelScale() const { return m_pixels; }
    // The reduced trail: every segment of the kept points, each distinct
    // pixel step once, in no particular order.
    const QVector<QLineF>& reducedSegments() const { return m_segments; }

    // The points that the newest `count` segments join, oldest first.
    QVector<QPointF> newestPoints(int count) const;

private:
    struct Step {
        QPoint from;
        QPoint to;
        bool operator==(const Step& other) const { return from == other.from && to == other.to; }
    };
    struct StepHash {
        size_t operator()(const Step& s) const;
    };
    struct StepUse {
        int count = 0;
        int slot = -1; // index into m_segments
    };
    struct TakenStep {
        Step step;
        qint64 endNumber; // the point that ended the step
    };

    // Reduces the stored points from `index` on.
    void reduceFrom(size_t index);
    void takeStep(QPoint pixel, QPointF point, qint64 number);
    void dropStepsEndingBefore(qint64 firstKeptNumber);
    void releaseStep(const Step& step);
    void compact();
    qint64 numberOfKept(int i) const { return m_firstNumber + static_cast<qint64>(m_first) + i; }

    PixelScale m_pixels;
    std::vector<QPointF> m_points;
    size_t m_first = 0;       // index of the oldest kept point in m_points
    qint64 m_firstNumber = 0; // running number of m_points[0]

    // The reduction: the last vertex (first point on the current pixel), the
    // distinct steps with their use counts and their drawn segments, and the
    // steps in the order taken, for trimming.
    bool m_hasVertex = false;
    QPoint m_vertexPixel;
    QPointF m_vertexPoint;
    std::unordered_map<Step, StepUse, StepHash> m_steps;
    QVector<QLineF> m_segments;
    std::vector<Step> m_segmentSteps; // step of each segment slot
    std::deque<TakenStep> m_taken;
};
