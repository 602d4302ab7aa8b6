// The scan tab's view controls: the floating windows its view buttons show,
// the legend corner and the return to automatic scaling after zooming out.

#include "app/tabs/scantab.h"

#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <qwt_plot.h>
#include <qwt_plot_legenditem.h>
#include <qwt_plot_zoomer.h>

#include <iterator>

namespace {

QwtPlotLegendItem* legendOf(const QwtPlot& plot)
{
    const QwtPlotItemList legends = plot.itemList(QwtPlotItem::Rtti_PlotLegend);
    return legends.isEmpty() ? nullptr : static_cast<QwtPlotLegendItem*>(legends.first());
}

} // namespace

void scanTab::setLegendPosition(int pos)
{
    static const Qt::Alignment corners[] = {
        Qt::AlignBottom | Qt::AlignRight, Qt::AlignBottom | Qt::AlignHCenter, Qt::AlignBottom | Qt::AlignLeft,
        Qt::AlignTop | Qt::AlignRight,    Qt::AlignTop | Qt::AlignHCenter,    Qt::AlignTop | Qt::AlignLeft};
    QwtPlotLegendItem* legend = legendOf(*m_plot);
    if (legend && pos >= 0 && pos < static_cast<int>(std::size(corners)))
        legend->setAlignment(corners[pos]);
    m_plot->replot();
}

void scanTab::CheckZoom(QRectF)
{
    // Back at the base rectangle the plot follows the data again. The base
    // itself is an old frame (an empty plot's, or the data's when it was
    // taken): replot now, as a stopped scan brings no replot of its own, and
    // take the data's frame as the base of the next zoom.
    if (m_zoomer->zoomRectIndex() != 0)
        return;
    m_plot->setAxisAutoScale(QwtPlot::xBottom, true);
    m_plot->setAxisAutoScale(QwtPlot::yLeft, true);
    m_zoomer->setZoomBase(true);
}

void scanTab::toggleSmith(bool on)
{
    m_smithDialog->setVisible(on);
}

void scanTab::toggleBar(bool on)
{
    m_barChart->setVisible(on);
}

void scanTab::toggleMonitor(bool on)
{
    m_meterWindow->setVisible(on);
}

void scanTab::toggleWaveform(bool on)
{
    m_waveWindow->setVisible(on);
}

void scanTab::smithClosed()
{
    m_form->smithView->setChecked(false);
}

void scanTab::barClosed()
{
    m_form->barView->setChecked(false);
}

void scanTab::meterClosed()
{
    m_form->meterView->setChecked(false);
}

void scanTab::waveformClosed()
{
    m_form->waveView->setChecked(false);
}
