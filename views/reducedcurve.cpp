#include "views/reducedcurve.h"

#include "views/reducedseriesdata.h"

#include <qwt_scale_map.h>

ReducedCurve::ReducedCurve(const QString& title, ReducedSeriesData* data)
    : QwtPlotCurve(title)
    , m_data(nullptr)
{
    setReducedData(data ? data : new ReducedSeriesData);
}

void ReducedCurve::setReducedData(ReducedSeriesData* data)
{
    m_data = data;
    setData(data);
}

void ReducedCurve::drawSeries(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                              const QRectF& canvasRect, int /*from*/, int /*to*/) const
{
    // The range Qwt asked for was counted before the view was known; the
    // reduction for this view decides what is drawn.
    // The canvas may reach beyond the scale's ends (its frame and margins):
    // what it shows is the range under its whole width.
    m_data->setView(xMap.invTransform(canvasRect.left()), xMap.invTransform(canvasRect.right()),
                    canvasRect.left(), canvasRect.right());
    const int count = static_cast<int>(m_data->size());
    if (count > 0)
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, 0, count - 1);
}
