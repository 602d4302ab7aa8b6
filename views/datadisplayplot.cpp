#include "views/datadisplayplot.h"

DataDisplayPlot::DataDisplayPlot(QWidget* parent)
    : QwtPlot(parent)
{
}
