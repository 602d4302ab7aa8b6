#include "views/smithgrid.h"

#include <QFont>
#include <QFontDatabase>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <cmath>
#include <iterator>

namespace SmithGrid {

namespace {

constexpr double radius = 448.0;
constexpr double pi = 3.14159265358979323846;

// Constant-resistance arcs of the full grid: value, start, sweep, major.
// Several arcs of one value are drawn one after the other in this order.
const Arc fullResistance[] = {
    {0.01, 157.5, 22.5, false},   {0.02, 128, 52, false},
    {0.03, 158, 22, false},       {0.04, 128.5, 51.5, false},
    {0.05, 158.5, 21.5, true},    {0.05, 93, 36, false},
    {0.06, 129.5, 50.5, false},   {0.07, 159, 21, false},
    {0.08, 130.5, 49.5, false},   {0.09, 159.5, 20.5, false},
    {0.1, 95.5, 84.5, true},      {0.1, 57.5, 38, false},
    {0.11, 159.5, 20.5, false},   {0.12, 132, 48, false},
    {0.13, 160, 20, false},       {0.14, 132.5, 47.5, false},
    {0.15, 160.25, 19.75, true},  {0.15, 98, 35, false},
    {0.16, 133.5, 46.5, false},   {0.17, 160.5, 19.5, false},
    {0.18, 134, 46, false},       {0.19, 161, 19, false},
    {0.2, 62, 118, true},         {0.2, 27, 35, false},
    {0.22, 135.5, 44.5, false},   {0.24, 136, 44, false},
    {0.25, 103, 33.5, false},     {0.26, 136.75, 43.25, false},
    {0.28, 137.5, 42.5, false},   {0.3, 105, 75, true},
    {0.3, 66, 39, false},         {0.32, 138.75, 41.25, false},
    {0.34, 139.25, 40.75, false}, {0.35, 107, 32.5, false},
    {0.36, 140, 40, false},       {0.38, 140.5, 39.5, false},
    {0.4, 70, 110, true},         {0.4, 31, 39, false},
    {0.42, 141.5, 38.5, false},   {0.44, 142, 38, false},
    {0.45, 111, 31.5, false},     {0.46, 142.5, 37.5, false},
    {0.48, 143, 37, false},       {0.5, 113, 67, true},
    {0.5, 74, 39, false},         {0.55, 115, 65, false},
    {0.6, 77.5, 102.5, true},     {0.6, 35.5, 42, false},
    {0.65, 118, 62, false},       {0.7, 119.5, 60.5, true},
    {0.7, 81, 38.5, false},       {0.75, 121, 59, false},
    {0.8, 84, 96, true},          {0.8, 39.5, 44.5, false},
    {0.85, 123.5, 56.5, false},   {0.9, 125, 55, true},
    {0.9, 87, 38, false},         {0.95, 126, 54, false},
    {1, 44, 136, true},           {1, 22.5, 22, false},
    {1.1, 93, 87, false},         {1.2, 95.5, 84.5, true},
    {1.2, 47.5, 50, false},       {1.3, 98, 82, false},
    {1.4, 100, 80, true},         {1.4, 51, 50, false},
    {1.5, 103, 77, false},        {1.6, 105, 75, true},
    {1.6, 55, 50, false},         {1.7, 107, 73, false},
    {1.8, 109, 71, true},         {1.8, 58.5, 50, false},
    {1.9, 110.5, 69.5, false},    {2, 62, 118, true},
    {2, 17, 46, false},           {2.2, 65, 115, false},
    {2.4, 68, 112, false},        {2.6, 72, 108, false},
    {2.8, 75, 105, false},        {3, 78, 102, true},
    {3, 44, 34, false},           {3.2, 79.5, 100.5, false},
    {3.4, 82, 98, false},         {3.6, 85, 95, false},
    {3.8, 88, 92, false},         {4, 90, 90, true},
    {4, 54, 36, false},           {4.2, 93, 87, false},
    {4.4, 96, 84, false},         {4.6, 98, 82, false},
    {4.8, 99, 81, false},         {5, 62, 118, true},
    {6, 70, 110, false},          {7, 79, 101, false},
    {8, 84, 96, false},           {9, 89, 91, false},
    {10, 20, 160, true},          {12, 20, 160, false},
    {14, 20, 160, false},         {16, 20, 160, false},
    {18, 20, 160, false},         {20, 20, 160, true},
    {30, 20, 160, false},         {40, 20, 160, false},
    {50, 0, 180, true},
};

// Constant-reactance arcs of the full grid.
const Arc fullReactance[] = {
    {0.01, 268.855, 0.19, false}, {0.02, 267.71, 0.76, false},  {0.03, 266.57, 0.57, false},
    {0.04, 265.41, 1.526, false}, {0.05, 264.28, 0.95, true},   {0.05, 266.15, 0.98, false},
    {0.06, 263.14, 2.28, false},  {0.07, 262, 1.3, false},      {0.08, 260.85, 3.05, false},
    {0.09, 259.7, 1.7, false},    {0.1, 258.6, 5.65, true},     {0.1, 264.25, 1.95, false},
    {0.11, 257.45, 2.05, false},  {0.12, 256.3, 4.55, false},   {0.13, 255.18, 2.4, false},
    {0.14, 254.05, 5.3, false},   {0.15, 252.95, 2.8, true},    {0.15, 258.6, 2.8, false},
    {0.16, 251.8, 6, false},      {0.17, 250.75, 3.1, false},   {0.18, 249.6, 6.7, false},
    {0.19, 248.45, 3.5, false},   {0.2, 247.4, 14.95, true},    {0.2, 262.35, 3.8, false},
    {0.22, 245.2, 8.1, false},    {0.24, 243, 8.8, false},      {0.25, 251.1, 4.7, false},
    {0.26, 240.85, 9.5, false},   {0.28, 238.75, 10.15, false}, {0.3, 236.6, 16.3, true},
    {0.3, 252.9, 5.75, false},    {0.32, 234.5, 11.4, false},   {0.34, 232.5, 12, false},
    {0.35, 243.75, 6.4, false},   {0.36, 230.4, 12.6, false},   {0.38, 228.35, 13.2, false},
    {0.4, 226.4, 28.4, true},     {0.4, 254.8, 7.5, false},     {0.42, 224.4, 14.4, false},
    {0.44, 222.5, 14.8, false},   {0.45, 236.6, 8.1, false},    {0.46, 220.6, 15.35, false},
    {0.48, 218.75, 15.75, false}, {0.5, 216.9, 25, true},       {0.5, 241.9, 9, false},
    {0.55, 212.35, 27, false},    {0.6, 208.1, 39.25, true},    {0.6, 247.35, 11.25, false},
    {0.65, 204, 30, false},       {0.7, 200, 31.4, true},       {0.7, 231.4, 12.4, false},
    {0.75, 196.25, 32.75, false}, {0.8, 192.75, 47.4, true},    {0.8, 240, 14.75, false},
    {0.85, 189, 35, false},       {0.9, 186, 35.5, true},       {0.9, 221.5, 15, false},
    {0.95, 183, 36, false},       {1, 180, 71, true},           {1, 251, 8.75, false},
    {1.1, 174.5, 55.25, false},   {1.2, 169.5, 57, true},       {1.2, 226.5, 21, false},
    {1.3, 165, 58, false},        {1.4, 161, 59, true},         {1.4, 220, 24, false},
    {1.5, 157, 60, false},        {1.6, 154, 60, true},         {1.6, 214, 26, false},
    {1.7, 151, 60, false},        {1.8, 148, 60, true},         {1.8, 208, 28.5, false},
    {1.9, 145.5, 59.5, false},    {2, 143, 90, true},           {2, 233, 26, false},
    {2.2, 139, 91, false},        {2.4, 135, 91, false},        {2.6, 132, 91, false},
    {2.8, 129, 91, false},        {3, 127, 90, true},           {3, 217, 23, false},
    {3.2, 125, 89, false},        {3.4, 122.5, 88, false},      {3.6, 120.5, 88, false},
    {3.8, 119, 87, false},        {4, 118, 85, true},           {4, 203, 46, false},
    {4.2, 116.5, 83.5, false},    {4.4, 115, 83, false},        {4.6, 113.5, 82.5, false},
    {4.8, 113, 81, false},        {5, 112.5, 109, true},        {6, 110.5, 129, false},
    {7, 109, 97.5, false},        {8, 108, 120.5, false},       {9, 106, 89, false},
    {10, 104, 114, true},         {12, 102, 111, false},        {14, 100, 106, false},
    {16, 98, 100, false},         {18, 96, 94, false},          {20, 94, 88, true},
    {50, 92, 178, true},
};

const Arc simpleResistance[] = {
    {0.3, 180, 180, true},
    {1, 180, 180, true},
    {3, 180, 180, true},
};

const Arc simpleReactance[] = {
    {0.53, 214.3, 50, true},
    {1, 180, 85, true},
    {1.45, 160, 110, true},
};

// Distance from the short-circuit point (-448, 0) to the transmission-angle
// scale at angles 0 .. 90 degrees.
const double transmissionReach[] = {
    912,   911.5, 911,   910.5, 910,   909,   907.5, 905.5, 903.5, 901.5, 899, 896,   892.5,
    889.5, 885.5, 882.5, 878,   874,   869,   863.5, 858.5, 853.5, 848,   842, 835.5, 829.5,
    823,   816,   809,   802,   794,   786.5, 779,   770.5, 762,   754,   745, 735.5, 726,
    716.5, 707.5, 697,   687,   677.5, 666.5, 655,   645.5, 634,   623,   612, 600,   589,
    578,   566,   554,   542,   529.5, 517,   504.5, 492,   479,   466,   454, 440.5, 427.5,
    414.5, 402,   389,   375,   362,   349,   335,   322,   310,   297,   284, 271,   258,
    245,   232,   223,   210,   197,   188,   177,   166,   155,   146.5, 137, 130,   122,
};

void addArc(QPainterPath& path, const QRectF& rect, double start, double sweep)
{
    path.arcMoveTo(rect, start);
    path.arcTo(rect, start, sweep);
}

template <size_t resistanceCount, size_t reactanceCount>
void addArcs(QPainterPath& major, QPainterPath& minor, const Arc (&resistance)[resistanceCount],
             const Arc (&reactance)[reactanceCount])
{
    for (const Arc& arc : resistance)
        addResistanceArc(arc.major ? major : minor, arc);
    for (const Arc& arc : reactance)
        addReactanceArc(arc.major ? major : minor, arc);
}

void drawRings(QPainter& painter, const QPen& majorPen, const QPen& minorPen)
{
    const struct {
        double radius;
        bool major;
    } rings[] = {{512, true}, {496, false}, {480, true}, {464, false}, {448, true}};
    painter.setBrush(Qt::NoBrush);
    for (const auto& ring : rings) {
        painter.setPen(ring.major ? majorPen : minorPen);
        painter.drawEllipse(QPointF(0, 0), ring.radius, ring.radius);
    }
}

// Radial ticks from `inner` to `outer`, one per index from `first` to `last`
// (stepping by `direction`), turned by -degreesPerIndex times the index;
// isMajor(index) picks the major pen.
template <typename IsMajor>
void drawTicks(QPainter& painter, const QPen& majorPen, const QPen& minorPen, int first, int last,
               int direction, double degreesPerIndex, double inner, double outer, IsMajor isMajor)
{
    for (int i = first; direction > 0 ? i <= last : i >= last; i += direction) {
        painter.save();
        painter.rotate(-degreesPerIndex * i);
        painter.setPen(isMajor(i) ? majorPen : minorPen);
        painter.drawLine(QPointF(inner, 0), QPointF(outer, 0));
        painter.restore();
    }
}

void drawWavelengthLabels(QPainter& painter, const QPen& textPen)
{
    QFont font(QFontDatabase::systemFont(QFontDatabase::FixedFont).family(), 8, 25, false);
    painter.setFont(font);
    painter.setPen(textPen);
    const int flags = Qt::AlignLeft | Qt::AlignBottom;
    for (int i = 0; i < 50; ++i) {
        painter.save();
        painter.rotate(-90.0);
        painter.rotate(-7.2 * i);
        painter.drawText(QRectF(-14, -595, 100, 100), flags, outerWavelengthLabel(i));
        painter.drawText(QRectF(-14, -578, 100, 100), flags, innerWavelengthLabel(i));
        painter.restore();
    }
}

void drawTransmissionTicks(QPainter& painter, const QPen& minorPen)
{
    painter.setPen(minorPen);
    for (int a = 0; a <= 90; ++a) {
        const double reach = transmissionReach[a];
        const double angle = a * pi / 180.0;
        const QPointF outer(reach * std::cos(angle) - radius, -reach * std::sin(angle));
        const double length = std::hypot(outer.x(), outer.y());
        const QPointF inner = outer * (1.0 - 7.0 / length);
        painter.drawLine(outer, inner);
        painter.drawLine(QPointF(outer.x(), -outer.y()), QPointF(inner.x(), -inner.y()));
    }
}

void drawAxis(QPainter& painter, const QPen& majorPen, const QPen& textPen)
{
    painter.setPen(majorPen);
    painter.drawLine(QPointF(radius, 0), QPointF(-radius, 0));
    painter.save();
    painter.setPen(textPen);
    painter.rotate(-90.0);
    painter.drawText(QPointF(0, -438), QString::number(0.0, 'f', 1));
    painter.restore();
}

} // namespace

int fullResistanceArcCount()
{
    return static_cast<int>(std::size(fullResistance));
}

int fullReactanceArcCount()
{
    return static_cast<int>(std::size(fullReactance));
}

void addResistanceArc(QPainterPath& path, const Arc& arc)
{
    const double r = arc.value;
    const QRectF rect =
        QRectF(radius * (r - 1) / (r + 1), -radius / (r + 1), 2 * radius / (r + 1), 2 * radius / (r + 1))
            .normalized();
    addArc(path, rect, arc.start, arc.sweep);
    addArc(path, rect, -arc.start, -arc.sweep);
}

void addReactanceArc(QPainterPath& path, const Arc& arc)
{
    const double x = arc.value;
    const double side = 2 * radius / x;
    const double left = radius * (1 - 1 / x);
    addArc(path, QRectF(left, -side, side, side).normalized(), arc.start, arc.sweep);
    addArc(path, QRectF(left, 0, side, side).normalized(), -arc.start, -arc.sweep);
}

void build(QPainterPath& major, QPainterPath& minor, bool simple)
{
    major = QPainterPath();
    minor = QPainterPath();
    if (simple)
        addArcs(major, minor, simpleResistance, simpleReactance);
    else
        addArcs(major, minor, fullResistance, fullReactance);
}

QString outerWavelengthLabel(int i)
{
    // The outer ring counts down from 0.50, but its zero is written 0.00.
    return QString::number(i == 0 ? 0.0 : 0.5 - 0.01 * i, 'f', 2);
}

QString innerWavelengthLabel(int i)
{
    return QString::number(0.01 * i, 'f', 2);
}

void drawFrameAndScales(QPainter& painter, const QPen& majorPen, const QPen& minorPen, const QPen& textPen)
{
    drawRings(painter, majorPen, minorPen);
    // 250 ticks of 0.002 wavelength each round the chart.
    drawTicks(painter, majorPen, minorPen, 0, 249, 1, 1.44, 493, 499, [](int i) { return i % 5 == 0; });
    // Reflection angle every 2 degrees, major every 10.
    drawTicks(painter, majorPen, minorPen, 90, -89, -1, 2.0, 464, 468, [](int i) { return i % 5 == 0; });
    drawWavelengthLabels(painter, textPen);
    drawTransmissionTicks(painter, minorPen);
    drawAxis(painter, majorPen, textPen);
}

} // namespace SmithGrid
