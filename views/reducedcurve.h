#pragma once

#include <qwt_plot_curve.h>

class ReducedSeriesData;

// A plot curve drawn through ReducedSeriesData: before each drawing it
// hands the samples the visible time range and the canvas width in pixels,
// so Qwt draws at most four points per pixel column.
// GUI thread only; attached to a plot, which owns it once attached (Qwt's
// auto-delete). It owns its series data.
class ReducedCurve : public QwtPlotCurve
{
public:
    // Takes `data` (null: empty owned vectors).
    explicit ReducedCurve(const QString& title = QString(), ReducedSeriesData* data = nullptr);

    ReducedSeriesData* reducedData() const { return m_data; }
    // Replaces the samples; the curve takes `data`.
    void setReducedData(ReducedSeriesData* data);

protected:
    void drawSeries(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                    const QRectF& canvasRect, int from, int to) const override;

private:
    ReducedSeriesData* m_data; // owned by the curve's series store
};
