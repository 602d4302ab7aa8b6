#include "app/curvecolourcounter.h"

namespace {

const char* const colourNames[] = {"Black",         "SteelBlue",     "DarkGreen",  "Darkorchid",   "Darkred",
                                   "darkslateblue", "darkslategray", "darkviolet", "midnightblue", "red"};
constexpr int colourCount = 10;

int& counter()
{
    static int value = 1;
    return value;
}

} // namespace

QColor CurveColourCounter::next()
{
    ++counter();
    QColor colour;
    colour.setNamedColor(nameAt(counter()));
    return colour;
}

int CurveColourCounter::value()
{
    return counter();
}

QString CurveColourCounter::nameAt(int value)
{
    return QString::fromLatin1(colourNames[((value % colourCount) + colourCount) % colourCount]);
}
