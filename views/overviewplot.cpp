#include "views/overviewplot.h"

#include <qwt_scale_widget.h>

overviewPlot::overviewPlot(QWidget* parent)
    : QwtPlot(parent)
{
    axisWidget(QwtPlot::yLeft)->setMinimumSize(10, 10);
}

bool overviewPlot::eventFilter(QObject* watched, QEvent* event)
{
    return QwtPlot::eventFilter(watched, event);
}
