#pragma once

#include <qwt_plot.h>

// The live-curve plot of an acquisition tab.
// GUI thread only; owned by the tab that shows it.
class AcquisitionPlot : public QwtPlot
{
    Q_OBJECT

public:
    explicit AcquisitionPlot(QWidget* parent = nullptr);

    // What its axes need, whatever the data. The base plot asks for 40
    // pixels per major tick, and the main window is never lower than its
    // pages' size hints: the tab's plot made it taller than a laptop screen.
    QSize sizeHint() const override;
};
