#include "views/harmonicbars.h"

#include <cmath>

namespace {

// A percentage above this is still drawn but never raises the axis: one
// wild harmonic must not squash every other bar.
constexpr double tallestAxisPercent = 120.0;
constexpr double zeroDbc = -100.0;

} // namespace

QwtInterval HarmonicBars::barSpan(int k)
{
    return QwtInterval(10.0 * k - 9.0, 10.0 * k);
}

double HarmonicBars::dbcOf(double value, double fundamental)
{
    if (fundamental == 0.0 || value == 0.0)
        return zeroDbc;
    return 20.0 * std::log10(value / fundamental);
}

HarmonicBars::Drawing HarmonicBars::draw(const std::vector<double>& values, bool dbc)
{
    Drawing drawing;
    const double fundamental = values.empty() ? 0.0 : values.front();
    bool harmonicDbcSeen = false;
    for (size_t i = 0; i < values.size(); ++i) {
        const double d = dbcOf(values[i], fundamental);
        if (d != 0.0)
            harmonicDbcSeen = true;
        if (d < m_lower)
            m_lower = d;
        double height = d;
        if (!dbc) {
            height = fundamental == 0.0 ? 0.0 : 100.0 * values[i] / fundamental;
            if (height > m_upper && height <= tallestAxisPercent)
                m_upper = height;
        }
        drawing.bars.append(QwtIntervalSample(height, barSpan(static_cast<int>(i) + 1)));
    }
    m_lower = std::floor(m_lower / 10.0) * 10.0;
    m_upper = std::ceil(m_upper / 10.0) * 10.0;

    drawing.axisMaximum = m_upper;
    if (dbc) {
        drawing.axisMinimum = m_lower;
        // Only 0 dBc values (a lone fundamental): the zero line stays the base.
        drawing.baseline = harmonicDbcSeen ? m_lower : 0.0;
    }
    return drawing;
}

QVector<QwtIntervalSample> HarmonicBars::placeholderBars()
{
    QVector<QwtIntervalSample> bars;
    for (int k = 1; k <= 10; ++k)
        bars.append(QwtIntervalSample(100.0 - 3.0 * (k - 1), barSpan(k)));
    return bars;
}

void HarmonicBars::reset()
{
    m_lower = 0.0;
    m_upper = 100.0;
}
