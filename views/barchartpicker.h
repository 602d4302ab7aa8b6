#pragma once

#include <QPointer>

#include <qwt_plot_picker.h>

class BaseScan;

// The mouse tracker of one harmonics chart: beside the cursor, the value of
// the bar under it, its share of the fundamental and the fundamental. It
// selects nothing. The cursor's y is read as percent of the fundamental
// whatever the chart shows.
// GUI thread only; a child of the canvas it tracks. The scan is not owned:
// a guarded pointer, so a scan deleted elsewhere leaves the text empty. Each
// text reads the scan's values under the scan's lock.
class barchartPicker : public QwtPlotPicker
{
public:
    explicit barchartPicker(QWidget* canvas);
    ~barchartPicker() override;

    // quantity 0: the voltage chart's picker; otherwise the current chart's.
    void setScan(BaseScan* scan, int quantity);
    void setTime(double time) { m_time = time; }
    void setFrequencyIndex(int index) { m_frequencyIndex = index; }

    BaseScan* scan() const { return m_scan.data(); }
    int quantity() const { return m_quantity; }
    double time() const { return m_time; }
    int frequencyIndex() const { return m_frequencyIndex; }

    // Public so the chart's owner (and tests) can read what a position shows.
    QwtText trackerTextF(const QPointF& pos) const override;
    // The size of the longest tracker text for values of six significant
    // digits in the tracker's font: the room a chart keeps for it.
    QSize trackerSizeHint() const;

private:
    // The text beside the cursor over the bar of `harmonic` (0 the
    // fundamental).
    QwtText trackerTextFor(size_t harmonic, double value, double fundamental) const;

    QPointer<BaseScan> m_scan;
    int m_quantity = 0;
    double m_time = 0.0;
    int m_frequencyIndex = 0;
};
