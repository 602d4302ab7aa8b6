#pragma once

#include "scans/parameternames.h"

class QuvixSensor;
class QwtPlotCurve;

// One live curve of an acquisition tab: which quantity, component and
// harmonic of which sensor frequency it draws. The pulse-trend tab draws a
// quantity over two trends and fills the second curve; the other tabs leave
// it empty. The tab owns the records and their curves; the harmonic grid
// reads only the last four fields of the records it is handed.
// GUI thread only.
struct CurveRecord {
    QwtPlotCurve* firstCurve = nullptr;
    QwtPlotCurve* secondCurve = nullptr;
    valueType type = Voltage;
    QuvixSensor* sensor = nullptr;
    int frequency = 0;
    int harmonic = 0; // 0 = fundamental
};
