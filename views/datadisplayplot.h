#pragma once

#include <qwt_plot.h>

// The plot of the main window's "Data Display" page. For now a plain Qwt plot
// that the main window form places; its pickers, zoom, pan and curve feeds
// join it with the data display. GUI thread only; owned by its parent.
class DataDisplayPlot : public QwtPlot
{
    Q_OBJECT

public:
    explicit DataDisplayPlot(QWidget* parent = nullptr);
};
