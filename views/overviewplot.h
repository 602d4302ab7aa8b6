#pragma once

#include <qwt_plot.h>

// The overview tab's plot of every scanned frequency over time. The left
// axis widget keeps a minimum size so the plot never lays itself out without
// it. GUI thread only; owned by its Qt parent.
class overviewPlot : public QwtPlot
{
    Q_OBJECT

public:
    explicit overviewPlot(QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;
};
