#pragma once

#include <QColor>

#include <array>

// The one sequence of curve colours. Each tab keeps its own position in it
// and cycles through a prefix: the acquisition tabs through all 15, the
// pulse-trend tab through the first 10, the overview tab through the first
// 7. A removed curve gives nothing back: the position only moves on.
// Constant table; any thread may read it. The position belongs to its tab.
class curvePalette
{
public:
    static constexpr int colourCount = 15;
    // The last index each kind of tab uses before it starts again at 0.
    static constexpr int acquisitionLastIndex = 14;
    static constexpr int pulseTrendLastIndex = 9;
    static constexpr int overviewLastIndex = 6;

    // Colour `index` (0 .. 14) of the sequence; an index outside takes the
    // first colour.
    static QColor colour(int index);
    // The colour at `position`; the position then moves on by one and goes
    // back to 0 past `lastIndex`.
    static QColor takeNext(int& position, int lastIndex);

private:
    struct Rgb {
        int red;
        int green;
        int blue;
    };
    static const std::array<Rgb, colourCount> table;
};
