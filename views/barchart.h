#pragma once

#include "views/harmonicbars.h"

#include <QDialog>
#include <QPointF>

class BaseScan;
class QwtPlot;
class QwtPlotHistogram;
class barchartPicker;

namespace Ui {
class barchart;
}

// The window with the harmonic content of one frequency of a scan: voltage
// and current harmonics as bars relative to the fundamental, in percent or
// in dBc, each chart with a tracker that reads out the bar under the cursor.
// Owners feed it live (updateData) or at a picked time (updateTimePosition).
// The trackers read the scan chosen in the scan selector, whose bars the
// charts draw at a picked time. Closing it emits workDone.
// GUI thread only. It owns its form, histograms and pickers. Scans are not
// owned: the scan selector holds guarded pointers and drops a scan that is
// deleted elsewhere; every read takes the scan's lock (BaseScan::series...).
class barchart : public QDialog
{
    Q_OBJECT

public:
    explicit barchart(QWidget* parent = nullptr);
    ~barchart() override;

    // What its selectors, axes and tracker texts need, whatever the bars:
    // beside the data display plot, a hint that grew with its plots' ticks
    // took the plot's share of the row.
    QSize sizeHint() const override;

    void addScan(BaseScan* scan);
    void removeScan(BaseScan* scan);
    void clear();

    // The scans listed in the selector (deleted ones are gone), in order.
    QList<BaseScan*> scans() const;
    const HarmonicBars& voltageBars() const { return m_voltageBars; }
    const HarmonicBars& currentBars() const { return m_currentBars; }
    barchartPicker* voltagePicker() const { return m_voltagePicker; }
    barchartPicker* currentPicker() const { return m_currentPicker; }
    QwtPlotHistogram* voltageHistogram() const { return m_voltageHistogram; }
    QwtPlotHistogram* currentHistogram() const { return m_currentHistogram; }

signals:
    void workDone();

public slots:
    void updateData(BaseScan* scan, double time);
    void updateTimePosition(QPointF point);
    void updateScan(int index);
    void selectFrequency(int index);
    void toggleDb(bool on);
    void on_dbcScale_toggled(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    BaseScan* scanAt(int index) const;
    void dropDeletedScans();
    void drawSpectra(const std::vector<double>& voltages, const std::vector<double>& currents);
    void drawChart(QwtPlot* plot, QwtPlotHistogram* histogram, HarmonicBars& bars,
                   const std::vector<double>& values);
    void showPlaceholders(QwtPlot* plot, QwtPlotHistogram* histogram);
    void setPickersScan(BaseScan* scan);
    void setPickersTime(double time);
    // The y axis top a drawing starts from: 10 dBc or 100 %.
    double modeUpperBound() const;

    Ui::barchart* ui;
    QwtPlotHistogram* m_voltageHistogram = nullptr;
    QwtPlotHistogram* m_currentHistogram = nullptr;
    barchartPicker* m_voltagePicker = nullptr;
    barchartPicker* m_currentPicker = nullptr;
    HarmonicBars m_voltageBars;
    HarmonicBars m_currentBars;
    bool m_dbc = false;
};
