#pragma once

#include <qwt_interval.h>
#include <qwt_plot.h>

#include <QPointF>
#include <QRectF>

class QwtPlotGrid;
class QwtPlotItem;
class QwtPlotPanner;
class QwtPlotPicker;
class QwtPlotZoneItem;
class QwtPlotZoomer;
class barchart;
class rangePicker;
class waveForm;

// The plot of the main window's "Data Display" page: the curves of stored
// scans that the main window attaches, with zoom, pan, a time interval
// selection (shown as a shaded band) and a picked time point that drives the
// bar chart and the waveform view.
// GUI thread only; owned by its parent. The zoomers, the panner and the
// pickers are children of the canvas; the grid goes with the plot; the zone
// item is the plot's while attached and this object's otherwise. The bar
// chart and the waveform view are not owned.
class DataDisplayPlot : public QwtPlot
{
    Q_OBJECT

public:
    // What a left drag on the canvas does.
    enum Tool { ZoomTool, PanTool, ZoneSelectTool, PointSelectTool };
    Q_ENUM(Tool)

    explicit DataDisplayPlot(QWidget* parent = nullptr);
    ~DataDisplayPlot() override;

    // What its axes need, whatever the data. The base plot asks for 40
    // pixels per major tick, and the main window is never lower than its
    // pages' size hints: steep curves made it taller than a laptop screen.
    QSize sizeHint() const override;

    // Zoom after construction; set by the four mode slots and the two
    // connect calls.
    Tool tool() const { return m_tool; }

    // A y axis's whole title. While the axis is too short for it, the axis
    // shows it elided, with the whole title in its tool tip: a long list of
    // units has no place to wrap. Until the plot is on screen there is no
    // length to fit, and the title is shown whole.
    void setWholeAxisTitle(int axisId, const QString& title);
    QString wholeAxisTitle(int axisId) const;

    void clearSelection();
    QwtInterval selectedInterval() const;
    bool hasIntervalSelection() const;
    // The picked time drives these from now on; both switch to point mode.
    void connectPointPicker(barchart* chart);
    void connectPointPickerToWaveform(waveForm* view);

    // The plot's tools, for its owner and tests.
    QwtPlotZoomer* zoomer() const { return m_zoomer; }
    QwtPlotZoomer* secondaryZoomer() const { return m_secondaryZoomer; }
    QwtPlotPanner* panner() const { return m_panner; }
    QwtPlotPicker* pointPicker() const { return m_pointPicker; }
    rangePicker* intervalPicker() const { return m_intervalPicker; }
    QwtPlotGrid* grid() const { return m_grid; }
    QwtPlotZoneItem* zoneItem() const { return m_zone; }

signals:
    // Only the left edge and the width count; all zero means no selection.
    void IntervalSelection(QRectF rect);
    // Declared for the main window's preview slot; nothing emits it.
    void currentPoint(QPointF point);
    // Emitted whenever tool() changes, whoever changed it, so that tool
    // buttons can show the mode in force.
    void toolChanged(DataDisplayPlot::Tool tool);

public slots:
    void ActivateZoom();
    void ActivatePan();
    void ActivateZoneSelect();
    void CheckZoom(QRectF rect);
    void ActivatePointSelect();
    void SelectZone(QRectF rect);
    void PickPoint(QPointF point);
    void attachedItem(QwtPlotItem* item, bool on);
    void resetZoom();

protected:
    // Refits the y axes' titles as their axes are shown or resized.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setTools(Tool tool, Qt::MouseButton panButton, Qt::CursorShape cursor);
    void autoScaleAll();
    void fitAxisTitle(int axisId);
    // Moves of a point drag are handled once per turn of the event loop,
    // for the newest position; the release delivers any move still pending
    // first, so the receivers see the final position before the release.
    void deliverPendingMove();

    QwtPlotZoomer* m_zoomer = nullptr;
    QwtPlotZoomer* m_secondaryZoomer = nullptr;
    QwtPlotPanner* m_panner = nullptr;
    QwtPlotPicker* m_pointPicker = nullptr;
    rangePicker* m_intervalPicker = nullptr;
    QwtPlotGrid* m_grid = nullptr;
    QwtPlotZoneItem* m_zone = nullptr;
    barchart* m_barChart = nullptr;
    waveForm* m_waveform = nullptr;
    Tool m_tool = ZoomTool;
    bool m_intervalSelected = false;
    bool m_movePending = false;
    double m_pendingTime = 0.0;
    QString m_wholeTitles[QwtPlot::axisCnt];
};
