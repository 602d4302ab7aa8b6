#include "views/rangepicker.h"

#include <qwt_painter.h>
#include <qwt_text.h>

#include <QWidget>

#include <algorithm>

rangePicker::rangePicker(int xAxis, int yAxis, RubberBand rubberBand, DisplayMode trackerMode,
                         QWidget* canvas)
    : QwtPlotPicker(xAxis, yAxis, rubberBand, trackerMode, canvas)
{
}

QwtText rangePicker::trackerTextF(const QPointF& pos) const
{
    return QwtText(QString::asprintf("%.4f", pos.x()), QwtText::AutoText);
}

void rangePicker::drawRubberBand(QPainter* painter) const
{
    if (rubberBand() != QwtPicker::UserRubberBand) {
        QwtPlotPicker::drawRubberBand(painter);
        return;
    }
    const QPolygon points = pickedPoints();
    if (points.isEmpty())
        return;
    // At least the canvas height, so the lines cross a tall canvas whole.
    const int top = 0;
    const int bottom = std::max(1000, parentWidget() ? parentWidget()->height() : 0);
    const int first = points.first().x();
    const int last = points.last().x();
    QwtPainter::drawLine(painter, first, bottom, first, top);
    QwtPainter::drawLine(painter, last, bottom, last, top);
}
