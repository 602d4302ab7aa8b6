#include "views/acquisitionplot.h"

AcquisitionPlot::AcquisitionPlot(QWidget* parent)
    : QwtPlot(parent)
{
}

QSize AcquisitionPlot::sizeHint() const
{
    return minimumSizeHint();
}
