#pragma once

#include <QColor>
#include <QString>

// The colours of the data display's curves: ten names taken in turn by one
// process-wide counter that starts at 1, moves on before each use and is
// never rewound, whatever scan a curve comes from.
// GUI thread only; the counter lives for the process.
class CurveColourCounter
{
public:
    // Moves the counter on and gives the colour at its new position.
    static QColor next();
    // The counter as it stands.
    static int value();
    // The colour name at a counter value (its position mod 10).
    static QString nameAt(int counter);
};
