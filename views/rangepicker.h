#pragma once

#include <qwt_plot_picker.h>

// The picker with which the user marks a time interval on a plot: with the
// user-defined rubber band it draws two vertical lines, at the first and at
// the last picked point, and its tracker shows the time under the cursor.
// Any other rubber band draws as the plain plot picker does.
// GUI thread only; owned by its canvas (Qt parent).
class rangePicker : public QwtPlotPicker
{
    Q_OBJECT

public:
    rangePicker(int xAxis, int yAxis, RubberBand rubberBand, DisplayMode trackerMode, QWidget* canvas);

protected:
    // "%.4f" of x alone.
    QwtText trackerTextF(const QPointF& pos) const override;
    void drawRubberBand(QPainter* painter) const override;
};
