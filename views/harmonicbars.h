#pragma once

#include <QVector>

#include <qwt_samples.h>

#include <vector>

// The bars of one harmonics chart and the bounds of its y axis. The bounds
// only widen from one drawing to the next, so a chart does not jump while a
// scan is watched; the owner resets them.
// GUI thread only (a plain value held by the bar chart window).
class HarmonicBars
{
public:
    // What one drawing puts on the chart.
    struct Drawing {
        QVector<QwtIntervalSample> bars;
        double axisMinimum = 0.0;
        double axisMaximum = 100.0;
        double baseline = 0.0;
    };

    // values[0] is the fundamental, values[h] harmonic h + 1; each bar is
    // relative to the fundamental, in percent or in dBc.
    Drawing draw(const std::vector<double>& values, bool dbc);

    // Bar k of ten at 100 - 3(k - 1): what an empty chart shows.
    static QVector<QwtIntervalSample> placeholderBars();

    // dBc of value over fundamental; -100 when either is 0.
    static double dbcOf(double value, double fundamental);

    void reset();
    void setUpperBound(double upper) { m_upper = upper; }
    double lowerBound() const { return m_lower; }
    double upperBound() const { return m_upper; }

    // Bar k (from 1) covers x from 10k - 9 to 10k.
    static QwtInterval barSpan(int k);

private:
    double m_lower = 0.0;
    double m_upper = 100.0;
};
