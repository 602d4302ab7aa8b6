#include "views/curvepalette.h"

const std::array<curvePalette::Rgb, curvePalette::colourCount> curvePalette::table = {{
    {164, 0, 26},
    {102, 75, 18},
    {89, 52, 90},
    {38, 128, 75},
    {66, 85, 99},
    {70, 13, 17},
    {178, 132, 30},
    {153, 46, 153},
    {30, 160, 60},
    {85, 145, 176},
    {0, 0, 0},
    {255, 105, 180},
    {204, 255, 0},
    {255, 165, 0},
    {0, 255, 255},
}};

QColor curvePalette::colour(int index)
{
    const Rgb& rgb = table[index >= 0 && index < colourCount ? static_cast<size_t>(index) : 0];
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QColor curvePalette::takeNext(int& position, int lastIndex)
{
    const QColor taken = colour(position);
    ++position;
    if (position > lastIndex || position >= colourCount)
        position = 0;
    return taken;
}
