#include "views/barchart.h"

#include "scans/basescan.h"
#include "ui_barchart.h"
#include "views/barchartpicker.h"
#include "views/frequencyitems.h"
#include "views/scanselectorfit.h"

#include <QCloseEvent>
#include <QPointer>

#include <qwt_column_symbol.h>
#include <qwt_plot.h>
#include <qwt_plot_histogram.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <algorithm>
#include <cmath>

namespace {

QwtPlotHistogram* makeHistogram(const QString& title, QwtPlot* plot)
{
    auto* histogram = new QwtPlotHistogram(title);
    histogram->setStyle(QwtPlotHistogram::Columns);
    auto* symbol = new QwtColumnSymbol(QwtColumnSymbol::Box);
    symbol->setFrameStyle(QwtColumnSymbol::Raised);
    symbol->setLineWidth(2);
    symbol->setPalette(QPalette(QColor(QStringLiteral("SteelBlue"))));
    histogram->setSymbol(symbol);
    histogram->attach(plot);
    return histogram;
}

void hideHarmonicTicks(QwtPlot* plot)
{
    plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Harmonic"));
    QwtScaleDraw* scaleDraw = plot->axisScaleDraw(QwtPlot::xBottom);
    scaleDraw->enableComponent(QwtAbstractScaleDraw::Ticks, false);
    scaleDraw->enableComponent(QwtAbstractScaleDraw::Labels, false);
}

barchartPicker* makePicker(QwtPlot* plot)
{
    auto* picker = new barchartPicker(plot->canvas());
    picker->setAxis(QwtPlot::xBottom, QwtPlot::yLeft);
    picker->setEnabled(true);
    return picker;
}

// However narrow the window, the chart's canvas stays as wide as its x axis
// title and its tracker's longest text, which the picker keeps this far
// inside the canvas.
void keepRoomForTexts(QwtPlot* plot, const barchartPicker& picker)
{
    constexpr int trackerInset = 5;
    const QwtScaleWidget* axis = plot->axisWidget(QwtPlot::xBottom);
    const int title = static_cast<int>(std::ceil(axis->title().textSize(axis->font()).width()));
    const int tracker = picker.trackerSizeHint().width() + 2 * trackerInset;
    plot->canvas()->setMinimumWidth(std::max(title, tracker));
}

} // namespace

barchart::barchart(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::barchart)
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Monitoring Harmonics Widget"));
    fitScanSelector(*ui->scanSelector);

    m_voltageHistogram = makeHistogram(QStringLiteral("V HistoGram toto"), ui->vPlot);
    m_currentHistogram = makeHistogram(QStringLiteral("I thingie"), ui->iPlot);
    m_voltagePicker = makePicker(ui->vPlot);
    m_currentPicker = makePicker(ui->iPlot);
    hideHarmonicTicks(ui->vPlot);
    hideHarmonicTicks(ui->iPlot);
    keepRoomForTexts(ui->vPlot, *m_voltagePicker);
    keepRoomForTexts(ui->iPlot, *m_currentPicker);
    on_dbcScale_toggled(false);

    // No scan is chosen yet, so there is no frequency to choose either; an
    // empty box would offer nothing.
    ui->scanSelector->hide();
    ui->frequencySelector->hide();
    showPlaceholders(ui->vPlot, m_voltageHistogram);
    showPlaceholders(ui->iPlot, m_currentHistogram);

    connect(ui->scanSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &barchart::updateScan);
    // A scan the user chooses is drawn at once, at the time the trackers
    // read, rather than at the next pick: until then its bars would be the
    // previous scan's under the new scan's read-out.
    connect(ui->scanSelector, QOverload<int>::of(&QComboBox::activated), this,
            [this] { updateTimePosition(QPointF(m_voltagePicker->time(), 0.0)); });
    connect(ui->dbcScale, &QCheckBox::toggled, this, &barchart::toggleDb);
    connect(ui->frequencySelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &barchart::selectFrequency);
}

barchart::~barchart()
{
    delete ui;
}

QSize barchart::sizeHint() const
{
    return minimumSizeHint();
}

BaseScan* barchart::scanAt(int index) const
{
    return ui->scanSelector->itemData(index).value<QPointer<BaseScan>>().data();
}

QList<BaseScan*> barchart::scans() const
{
    QList<BaseScan*> listed;
    for (int i = 0; i < ui->scanSelector->count(); ++i)
        if (BaseScan* scan = scanAt(i))
            listed.append(scan);
    return listed;
}

void barchart::addScan(BaseScan* scan)
{
    if (!scan || ui->scanSelector->findText(scan->name()) >= 0)
        return;
    // Queued when the scan dies on another thread: the selector is only
    // touched here, and by then the guarded pointer reads null.
    connect(scan, &QObject::destroyed, this, &barchart::dropDeletedScans, Qt::UniqueConnection);
    // The first entry becomes the chosen one and reaches the trackers through
    // updateScan. A later one leaves the choice alone, and so the trackers:
    // they read the scan whose bars are shown.
    ui->scanSelector->addItem(scan->name(), QVariant::fromValue(QPointer<BaseScan>(scan)));
    if (ui->scanSelector->count() > 1)
        ui->scanSelector->show();
}

void barchart::removeScan(BaseScan* scan)
{
    bool removed = false;
    for (int i = ui->scanSelector->count() - 1; i >= 0; --i)
        if (scanAt(i) == scan) {
            ui->scanSelector->removeItem(i);
            removed = true;
        }
    if (ui->scanSelector->count() < 2)
        ui->scanSelector->hide();
    if (ui->scanSelector->count() == 0) {
        setPickersScan(nullptr);
        // The frequencies were those of a scan no longer listed.
        ui->frequencySelector->clear();
        ui->frequencySelector->hide();
        // Bars of a scan that has gone must not stay as if still measured.
        showPlaceholders(ui->vPlot, m_voltageHistogram);
        showPlaceholders(ui->iPlot, m_currentHistogram);
    } else if (removed) {
        // The selector may have moved on to another scan: draw that one.
        updateTimePosition(QPointF(m_voltagePicker->time(), 0.0));
    }
}

void barchart::dropDeletedScans()
{
    removeScan(nullptr);
}

void barchart::clear()
{
    ui->scanSelector->clear();
    ui->scanSelector->hide();
    ui->frequencySelector->clear();
    ui->frequencySelector->hide();
    m_voltageBars.reset();
    m_currentBars.reset();
    // The next scan starts from the top of the scale in use.
    m_voltageBars.setUpperBound(modeUpperBound());
    m_currentBars.setUpperBound(modeUpperBound());
    showPlaceholders(ui->vPlot, m_voltageHistogram);
    showPlaceholders(ui->iPlot, m_currentHistogram);
}

void barchart::showPlaceholders(QwtPlot* plot, QwtPlotHistogram* histogram)
{
    histogram->setBaseline(0.0);
    histogram->setSamples(HarmonicBars::placeholderBars());
    plot->replot();
}

void barchart::updateData(BaseScan* scan, double time)
{
    setPickersTime(time);
    const int frequency = ui->frequencySelector->currentIndex();
    if (!scan || frequency < 0)
        return;
    drawSpectra(BaseScan::series(scan, 0, frequency, 0), BaseScan::series(scan, 1, frequency, 0));
}

void barchart::updateTimePosition(QPointF point)
{
    if (ui->scanSelector->count() == 0)
        return;
    BaseScan* scan = scanAt(ui->scanSelector->currentIndex());
    if (!scan)
        return;
    setPickersTime(point.x());
    const int frequency = ui->frequencySelector->currentIndex();
    if (frequency < 0)
        return;
    drawSpectra(BaseScan::seriesFrom(scan, 0, frequency, point.x(), 0),
                BaseScan::seriesFrom(scan, 1, frequency, point.x(), 0));
}

void barchart::drawSpectra(const std::vector<double>& voltages, const std::vector<double>& currents)
{
    drawChart(ui->vPlot, m_voltageHistogram, m_voltageBars, voltages);
    drawChart(ui->iPlot, m_currentHistogram, m_currentBars, currents);
}

void barchart::drawChart(QwtPlot* plot, QwtPlotHistogram* histogram, HarmonicBars& bars,
                         const std::vector<double>& values)
{
    const HarmonicBars::Drawing drawing = bars.draw(values, m_dbc);
    plot->setAxisScale(QwtPlot::yLeft, drawing.axisMinimum, drawing.axisMaximum);
    histogram->setBaseline(drawing.baseline);
    histogram->setSamples(drawing.bars);
    plot->replot();
}

void barchart::updateScan(int index)
{
    if (index < 0)
        return;
    BaseScan* scan = scanAt(index);
    setPickersScan(scan);
    ui->frequencySelector->clear();
    if (scan)
        ui->frequencySelector->addItems(frequencyItemTexts(*scan));
    // clear() hides the selector; a scan with frequencies to choose from
    // brings it back, or its charts could never be chosen again.
    ui->frequencySelector->setVisible(ui->frequencySelector->count() > 0);
}

void barchart::selectFrequency(int index)
{
    m_voltagePicker->setFrequencyIndex(index);
    m_currentPicker->setFrequencyIndex(index);
}

void barchart::toggleDb(bool on)
{
    m_dbc = on;
    const double bottom = on ? -100.0 : 0.0;
    const double top = modeUpperBound();
    for (QwtPlot* plot : {ui->vPlot, ui->iPlot})
        plot->setAxisScale(QwtPlot::yLeft, bottom, top);
    m_voltageBars.setUpperBound(top);
    m_currentBars.setUpperBound(top);
    updateTimePosition(QPointF(0.0, 0.0));
}

double barchart::modeUpperBound() const
{
    return m_dbc ? 10.0 : 100.0;
}

void barchart::on_dbcScale_toggled(bool on)
{
    ui->vPlot->setAxisTitle(QwtPlot::yLeft, on ? QStringLiteral("Voltage (dBc)")
                                               : QStringLiteral("Voltage percentage of Fundamental (%)"));
    ui->iPlot->setAxisTitle(QwtPlot::yLeft, on ? QStringLiteral("Current (dBc)")
                                               : QStringLiteral("Current percentage of Fundamental (%)"));
}

void barchart::setPickersScan(BaseScan* scan)
{
    m_voltagePicker->setScan(scan, 0);
    m_currentPicker->setScan(scan, 1);
}

void barchart::setPickersTime(double time)
{
    m_voltagePicker->setTime(time);
    m_currentPicker->setTime(time);
}

void barchart::closeEvent(QCloseEvent* event)
{
    emit workDone();
    QDialog::closeEvent(event);
}
