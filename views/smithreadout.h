#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

// What the Smith chart's read-out box shows for a mouse position: the
// reflection coefficient and the 50-ohm impedance under the pixel, the four
// texts, whether the box shows and where it goes. The constants fit the
// chart's fixed 400 x 538 geometry. Pure value; any thread.
struct SmithReadOut {
    double gammaReal = 0.0;
    double gammaImaginary = 0.0;
    // False at Gamma = 1, where the impedance is infinite; the resistance and
    // reactance are then not given and the chart keeps its previous ones.
    bool finite = true;
    double resistance = 0.0;
    double reactance = 0.0;
    QString gammaText;
    QString impedanceText;
    QString magnitudeText;
    QString angleText;
    // Inside the 176-pixel circle about the widget's centre.
    bool inside = false;
    QPoint boxTopLeft;

    // pixel: the event position in whole pixels; widget and box: the sizes
    // of the chart and of the read-out box.
    static SmithReadOut at(QPoint pixel, QSize widget, QSize box);
    // Where a box of that size goes for the pixel: above the cursor in the
    // bottom fifth, left of it in the right 30 %, else at it.
    static QPoint boxPlace(QPoint pixel, QSize widget, QSize box);
};
