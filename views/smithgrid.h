#pragma once

#include <QPen>

class QPainter;
class QPainterPath;

// The fixed drawing of the Smith chart's background in chart (window)
// coordinates: the circle |Gamma| = 1 has radius 448 about (0, 0), y points
// down, and the rings and scales fill the band out to radius 512.
// Pure drawing code without state; GUI thread only (it paints with QPainter).
namespace SmithGrid {

// One grid arc and its mirror image below the axis: the value of constant
// resistance or reactance, and the start angle and sweep in degrees as
// QPainterPath::arcTo takes them.
struct Arc {
    double value;
    double start;
    double sweep;
    bool major;
};

// The number of resistance and reactance arcs of the full grid.
int fullResistanceArcCount();
int fullReactanceArcCount();

// Empties both paths and adds the simple or the full grid, major arcs to
// `major`, the others to `minor`.
void build(QPainterPath& major, QPainterPath& minor, bool simple);

// Adds one constant-resistance arc pair, or one constant-reactance arc pair
// (the arc for +x and its mirror for -x).
void addResistanceArc(QPainterPath& path, const Arc& arc);
void addReactanceArc(QPainterPath& path, const Arc& arc);

// The outer band: rings, the wavelength and reflection-angle ticks, the
// wavelength labels, the transmission-angle ticks and the axis with its
// label. The painter's window must already be the chart's.
void drawFrameAndScales(QPainter& painter, const QPen& majorPen, const QPen& minorPen, const QPen& textPen);

// The text of wavelength label i (0 .. 49) on the outer and the inner ring.
QString outerWavelengthLabel(int i);
QString innerWavelengthLabel(int i);

} // namespace SmithGrid
