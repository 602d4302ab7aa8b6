#include "views/datadisplayplot.h"

#include "views/barchart.h"
#include "views/rangepicker.h"
#include "views/waveform.h"

#include <qwt_picker_machine.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_picker.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_map.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

DataDisplayPlot::DataDisplayPlot(QWidget* parent)
    : QwtPlot(parent)
    , m_grid(new QwtPlotGrid)
    , m_zone(new QwtPlotZoneItem)
{
    m_zoomer = new QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, canvas(), true);
    m_zoomer->setRubberBandPen(QPen(Qt::darkGreen, 1, Qt::SolidLine));
    m_zoomer->setTrackerMode(QwtPicker::ActiveOnly);
    m_zoomer->setEnabled(true);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton, Qt::ControlModifier);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton);

    m_secondaryZoomer = new QwtPlotZoomer(QwtPlot::xTop, QwtPlot::yRight, canvas(), true);
    m_secondaryZoomer->setTrackerMode(QwtPicker::AlwaysOff);
    m_secondaryZoomer->setRubberBand(QwtPicker::NoRubberBand);
    m_secondaryZoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton, Qt::ControlModifier);
    m_secondaryZoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton);

    m_grid->enableXMin(true);
    m_grid->enableYMin(true);
    m_grid->setMajorPen(QColor(150, 150, 150), 0, Qt::DotLine);
    m_grid->setMinorPen(QColor(230, 230, 230), 1, Qt::SolidLine);
    m_grid->attach(this);

    m_panner = new QwtPlotPanner(canvas());
    m_panner->setMouseButton(Qt::MiddleButton, Qt::NoModifier);

    m_pointPicker = new QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::VLineRubberBand,
                                      QwtPicker::AlwaysOn, canvas());
    m_pointPicker->setStateMachine(new QwtPickerDragPointMachine);
    m_pointPicker->setRubberBandPen(QColor(Qt::red));
    m_pointPicker->setEnabled(false);

    m_intervalPicker = new rangePicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::UserRubberBand,
                                       QwtPicker::AlwaysOn, canvas());
    m_intervalPicker->setStateMachine(new QwtPickerDragRectMachine);
    m_intervalPicker->setRubberBandPen(QColor(Qt::darkBlue));
    m_intervalPicker->setEnabled(false);

    setAxisAutoScale(QwtPlot::xBottom, true);
    setAxisAutoScale(QwtPlot::yLeft, true);
    setAxisAutoScale(QwtPlot::yRight, true);
    enableAxis(QwtPlot::yRight, false);
    enableAxis(QwtPlot::yLeft, false);

    m_zone->setOrientation(Qt::Vertical);
    m_zone->setZ(11);
    m_zone->setPen(Qt::darkBlue, 0, Qt::SolidLine);

    connect(m_zoomer, &QwtPlotZoomer::zoomed, this, &DataDisplayPlot::CheckZoom);
    connect(this, &QwtPlot::itemAttached, this, &DataDisplayPlot::attachedItem);
    connect(m_intervalPicker, qOverload<const QRectF&>(&QwtPlotPicker::selected), this,
            &DataDisplayPlot::SelectZone);
    // Made before the receivers' connections, so it runs before them.
    connect(m_pointPicker, qOverload<const QPointF&>(&QwtPlotPicker::selected), this,
            [this] { deliverPendingMove(); });

    for (int axisId : {QwtPlot::yLeft, QwtPlot::yRight})
        axisWidget(axisId)->installEventFilter(this);

    setMinimumHeight(100);
}

DataDisplayPlot::~DataDisplayPlot()
{
    // The base destructor detaches every item and announces each one; this
    // object is no longer there to hear it.
    disconnect(this, &QwtPlot::itemAttached, this, &DataDisplayPlot::attachedItem);
    // Attached, the plot deletes the zone with its other items.
    if (m_zone->plot() == nullptr)
        delete m_zone;
}

QSize DataDisplayPlot::sizeHint() const
{
    return minimumSizeHint();
}

void DataDisplayPlot::setWholeAxisTitle(int axisId, const QString& title)
{
    if (axisId < 0 || axisId >= QwtPlot::axisCnt)
        return;
    m_wholeTitles[axisId] = title;
    fitAxisTitle(axisId);
}

QString DataDisplayPlot::wholeAxisTitle(int axisId) const
{
    if (axisId < 0 || axisId >= QwtPlot::axisCnt)
        return QString();
    return m_wholeTitles[axisId];
}

void DataDisplayPlot::fitAxisTitle(int axisId)
{
    QwtScaleWidget* axis = axisWidget(axisId);
    const QString& whole = m_wholeTitles[axisId];
    QString shown = whole;
    if (axis->isVisible()) {
        // The scale widget draws its title along the axis between its
        // border distances.
        const int length = axis->scaleDraw()->orientation() == Qt::Vertical ? axis->height() : axis->width();
        const int room = length - axis->startBorderDist() - axis->endBorderDist();
        const QFontMetricsF metrics(axis->title().usedFont(axis->font()));
        shown = metrics.elidedText(whole, Qt::ElideRight, std::max(0, room));
    }
    axis->setToolTip(shown == whole ? QString() : whole);
    setAxisTitle(axisId, shown);
}

bool DataDisplayPlot::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        for (int axisId : {QwtPlot::yLeft, QwtPlot::yRight})
            if (watched == axisWidget(axisId))
                fitAxisTitle(axisId);
    return QwtPlot::eventFilter(watched, event);
}

void DataDisplayPlot::setTools(Tool tool, Qt::MouseButton panButton, Qt::CursorShape cursor)
{
    m_zoomer->setEnabled(tool == ZoomTool);
    m_secondaryZoomer->setEnabled(tool == ZoomTool);
    m_intervalPicker->setEnabled(tool == ZoneSelectTool);
    m_pointPicker->setEnabled(tool == PointSelectTool);
    m_panner->setMouseButton(panButton, Qt::NoModifier);
    canvas()->setCursor(cursor);
    if (tool == m_tool)
        return;
    m_tool = tool;
    emit toolChanged(tool);
}

void DataDisplayPlot::ActivateZoom()
{
    setTools(ZoomTool, Qt::MiddleButton, Qt::CrossCursor);
}

void DataDisplayPlot::ActivatePan()
{
    setTools(PanTool, Qt::LeftButton, Qt::OpenHandCursor);
}

void DataDisplayPlot::ActivateZoneSelect()
{
    setTools(ZoneSelectTool, Qt::MiddleButton, Qt::SplitHCursor);
}

void DataDisplayPlot::ActivatePointSelect()
{
    setTools(PointSelectTool, Qt::MiddleButton, Qt::PointingHandCursor);
}

void DataDisplayPlot::autoScaleAll()
{
    setAxisAutoScale(QwtPlot::xBottom, true);
    setAxisAutoScale(QwtPlot::yLeft, true);
    setAxisAutoScale(QwtPlot::yRight, true);
    setAxisAutoScale(QwtPlot::xTop, true);
}

void DataDisplayPlot::CheckZoom(QRectF)
{
    if (m_zoomer->zoomRectIndex() != 0)
        return;
    // Back at the base: follow the data again.
    m_zoomer->setZoomBase(true);
    m_secondaryZoomer->setZoomBase(true);
    autoScaleAll();
}

void DataDisplayPlot::attachedItem(QwtPlotItem*, bool)
{
    if (m_zoomer->zoomRectIndex() == 0)
        m_zoomer->setZoomBase(true);
    if (m_secondaryZoomer->zoomRectIndex() == 0)
        m_secondaryZoomer->setZoomBase(true);
}

void DataDisplayPlot::resetZoom()
{
    m_zoomer->setZoomBase(true);
    m_secondaryZoomer->setZoomBase(true);
    autoScaleAll();
}

void DataDisplayPlot::SelectZone(QRectF rect)
{
    const double left = rect.x();
    const double right = rect.x() + rect.width();
    if (right == left) {
        m_zone->detach();
        m_intervalSelected = false;
        replot();
    } else {
        m_zone->setInterval(QwtInterval(left, right));
        m_zone->attach(this);
        replot();
        m_intervalSelected = true;
    }
    emit IntervalSelection(rect);
}

void DataDisplayPlot::PickPoint(QPointF point)
{
    m_zone->setInterval(QwtInterval(0.0, point.x()));
    replot();
    m_intervalSelected = true;
    emit IntervalSelection(QRectF(0.0, 0.0, point.x(), 0.0));
}

void DataDisplayPlot::clearSelection()
{
    m_zone->setInterval(QwtInterval(-10.0, -10.0));
    m_intervalSelected = false;
    emit IntervalSelection(QRectF(0.0, 0.0, 0.0, 0.0));
}

QwtInterval DataDisplayPlot::selectedInterval() const
{
    return m_zone->interval();
}

bool DataDisplayPlot::hasIntervalSelection() const
{
    return m_intervalSelected;
}

void DataDisplayPlot::connectPointPicker(barchart* chart)
{
    connect(m_pointPicker, qOverload<const QPointF&>(&QwtPlotPicker::selected), chart,
            &barchart::updateTimePosition, Qt::UniqueConnection);
    m_barChart = chart;
    ActivatePointSelect();
}

void DataDisplayPlot::connectPointPickerToWaveform(waveForm* view)
{
    connect(m_pointPicker, qOverload<const QPointF&>(&QwtPlotPicker::selected), view,
            &waveForm::updateTimePosition, Qt::UniqueConnection);
    m_waveform = view;
    ActivatePointSelect();
}

void DataDisplayPlot::mouseMoveEvent(QMouseEvent*)
{
    if (!m_pointPicker->isActive())
        return;
    m_pendingTime = invTransform(QwtPlot::xBottom, m_pointPicker->trackerPosition().x());
    if (m_movePending)
        return;
    m_movePending = true;
    QMetaObject::invokeMethod(
        this, [this] { deliverPendingMove(); }, Qt::QueuedConnection);
}

void DataDisplayPlot::deliverPendingMove()
{
    if (!m_movePending)
        return;
    m_movePending = false;
    const QPointF at(m_pendingTime, 0.0);
    if (m_waveform)
        m_waveform->updateTimePosition(at);
    if (m_barChart)
        m_barChart->updateTimePosition(at);
    PickPoint(at);
}

void DataDisplayPlot::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_intervalSelected) {
        m_zone->detach();
        m_intervalSelected = false;
        emit IntervalSelection(QRectF(0.0, 0.0, 0.0, 0.0));
        replot();
    }
    QwtPlot::keyPressEvent(event);
}
