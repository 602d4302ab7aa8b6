#include "app/tabs/overviewtab.h"

#include "app/dialogs/autosaveparsegenerator.h"
#include "app/tabs/pulseprofilesettings.h"
#include "app/tabs/quvixdisplaywidget.h"
#include "scans/basescan.h"
#include "scans/cwscan.h"
#include "scans/pulseprofilescan.h"
#include "sensors/quvixsensor.h"
#include "ui_overviewtab.h"
#include "views/curvepalette.h"
#include "views/livecurve.h"
#include "views/replotcoalescer.h"
#include "views/sampleratewidget.h"
#include "views/smithchartv2.h"
#include "views/userquestions.h"

#include <qwt_plot_grid.h>
#include <qwt_plot_legenditem.h>

#include <QActionGroup>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <mutex>
#include <utility>
#include <vector>

namespace {

const QString unavailableTip = QStringLiteral("Unavailable");
const QString stopText = QStringLiteral("Stop SCAN");
const QString startCwText = QStringLiteral("Start SCAN with selected sensors");
const QString startTrText = QStringLiteral("Start Time Resolve SCAN with selected sensors");
constexpr double pi = 3.141592653589793;
constexpr double referenceImpedance = 50.0;
// The Smith chart's side beside the plot, and its least when maximised.
constexpr int smithSide = 400;

// The newest impedance magnitude and phase (degrees) of every frequency of a
// scan's first data set, read together under the scan's lock so that both
// come from the same sample.
std::vector<std::pair<double, double>> latestImpedances(const BaseScan& scan)
{
    std::vector<std::pair<double, double>> impedances;
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (scan.dataSets.empty() || !scan.dataSets.front())
        return impedances;
    const TrendDataSet& set = *scan.dataSets.front();
    // Before its first sample a scan's latest impedance reads 0: a short
    // circuit the load never was.
    if (set.sampleCount() == 0)
        return impedances;
    for (size_t i = 0; i < set.records.size(); ++i) {
        const int record = static_cast<int>(i);
        impedances.emplace_back(set.latestValue(ImpedancePolar, record, 0),
                                set.latestValue(Phase, record, 0));
    }
    return impedances;
}

} // namespace

overviewTab::overviewTab(QWidget* parent)
    : QWidget(parent)
    , m_form(new Ui_overviewTab)
{
    m_form->setupUi(this);
    m_form->plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_form->plot->setMinimumHeight(50);
    m_form->smithChart->setSizeHint(400, 100);
    m_form->smithChart->setResizable(true);
    fitSmithChart(false);

    setUpPlot();

    m_sampleRate = new SampleRateWidget(this);
    m_sampleRate->setPartVisible(2, false);
    m_sampleRate->setPartVisible(3, false);
    m_sampleRate->setRateRowHidden(-1, true);
    m_form->sampleRateLayout->addWidget(m_sampleRate);

    m_legend = new QwtPlotLegendItem;
    m_legend->attach(m_form->plot);
    m_legend->setBorderPen(QPen(Qt::black));
    QColor legendBackground(Qt::gray);
    legendBackground.setAlpha(200);
    m_legend->setBackgroundBrush(legendBackground);
    m_legend->setAlignment(Qt::AlignBottom | Qt::AlignRight);
    m_legend->setBorderRadius(8);
    m_legend->setMargin(4);
    m_legend->setSpacing(2);
    m_legend->setItemMargin(0);
    m_legend->setMaxColumns(1);
    m_legend->setRenderHint(QwtPlotItem::RenderAntialiased);

    m_form->valueBox->addItem(QStringLiteral("Voltage"), Voltage);
    m_form->valueBox->addItem(QStringLiteral("Current"), Current);
    m_form->valueBox->addItem(QStringLiteral("Phase"), Phase);
    m_form->valueBox->addItem(QStringLiteral("Power"), Power);

    setUpActions();

    m_activityTimer = new QTimer(this);
    m_activityTimer->setSingleShot(true);
    m_activityTimer->setInterval(300);
    connect(m_activityTimer, &QTimer::timeout, this, &overviewTab::updateTimer);

    m_form->plot->enableAxis(QwtPlot::xBottom, true);
    m_form->plot->enableAxis(QwtPlot::yLeft, true);
    m_form->plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (s)"));
    m_form->plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Voltage"));

    connectForm();
    m_form->quvixViewArea->setContentsMargins(0, 0, 0, 0);

    auto* releaseTimer = new QTimer(this);
    connect(releaseTimer, &QTimer::timeout, this, &overviewTab::timeResolveTimer);
    releaseTimer->start(1000);

    m_replot = new ReplotCoalescer(m_form->plot, this);
    loadSettings();
}

overviewTab::~overviewTab()
{
    saveSettings();
    // The curves go before the plot that draws them.
    clearRecords();
    delete m_form;
}

QSize overviewTab::sizeHint() const
{
    return QSize(0, 0);
}

void overviewTab::setUpPlot()
{
    auto* grid = new QwtPlotGrid;
    grid->enableXMin(true);
    grid->enableYMin(true);
    grid->setMajorPen(QPen(QColor(150, 150, 150), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    grid->setMinorPen(QPen(QColor(230, 230, 230), 1, Qt::SolidLine));
    grid->attach(m_form->plot);
}

void overviewTab::setUpActions()
{
    m_maxPlotAction = new QAction(QStringLiteral("Maximise Plot"), this);
    m_maxPlotAction->setCheckable(true);
    connect(m_maxPlotAction, &QAction::triggered, this, &overviewTab::maxPlot);
    m_maxSmithAction = new QAction(QStringLiteral("Maximise Smithchart"), this);
    m_maxSmithAction->setCheckable(true);
    connect(m_maxSmithAction, &QAction::triggered, this, &overviewTab::minPlot);

    m_legendGroup = new QActionGroup(this);
    m_legendGroup->setExclusive(true);
    const std::pair<const char*, int> positions[] = {
        {"Legend to Top", 0x22}, {"Legend to Center", 0x82}, {"Legend to Bottom", 0x42}};
    for (const auto& position : positions) {
        auto* action = new QAction(QString::fromLatin1(position.first), m_legendGroup);
        action->setCheckable(true);
        action->setData(position.second);
        m_legendActions.append(action);
    }
    m_legendActions.last()->setChecked(true);
    connect(m_legendGroup, &QActionGroup::triggered, this, &overviewTab::moveLegend);
}

void overviewTab::connectForm()
{
    connect(m_form->valueBox, &QComboBox::currentTextChanged, this, &overviewTab::updateYaxisLabel);
    connect(m_form->valueBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &overviewTab::followQuantity);
    connect(m_form->startScanButton, &QPushButton::toggled, this, &overviewTab::scan);
    connect(m_form->startTRScanButton, &QPushButton::toggled, this, &overviewTab::timeResolveScan);
    connect(m_form->setAutosaveFolderButton, &QPushButton::clicked, this, &overviewTab::selectNewSaveFolder);
    connect(m_form->setAutosaveName, &QPushButton::clicked, this, &overviewTab::setAutosaveName);
    connect(this, &QWidget::customContextMenuRequested, this, &overviewTab::contextMenu);
}

// --- Settings ---

void overviewTab::loadSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Overview"));
    m_form->saveFolder->setText(settings.value(QStringLiteral("autosave"), QStringLiteral("./")).toString());
    m_form->saveName->setText(
        settings.value(QStringLiteral("autosavename"), QStringLiteral("<scantype>-<fulldate>")).toString());
    m_sampleRate->setPartValue(0, settings.value(QStringLiteral("samplerate"), 0).toInt());
    settings.endGroup();
}

void overviewTab::saveSettings() const
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Overview"));
    settings.setValue(QStringLiteral("autosave"), m_form->saveFolder->text());
    settings.setValue(QStringLiteral("autosavename"), m_form->saveName->text());
    settings.setValue(QStringLiteral("samplerate"), m_sampleRate->partValue(0));
    settings.endGroup();
}

// --- Tiles ---

QList<quvixDisplayWidget*> overviewTab::selectionSet() const
{
    QList<quvixDisplayWidget*> set;
    for (quvixDisplayWidget* tile : m_tiles)
        if (tile->isAvailable() && tile->isSelected())
            set.append(tile);
    return set;
}

void overviewTab::insertTile(quvixDisplayWidget* tile, int position)
{
    m_form->quvixLayout->insertWidget(position, tile, 0, Qt::AlignLeft);
}

void overviewTab::removeTile(quvixDisplayWidget* tile)
{
    m_form->quvixLayout->removeWidget(tile);
    m_tiles.removeOne(tile);
    delete tile;
}

void overviewTab::updateSensorList(QList<QuvixSensor*>& sensors)
{
    const QList<QuvixSensor*> listed = sensors; // the handler may change its list meanwhile
    for (QuvixSensor* sensor : listed) {
        bool found = false;
        const QList<quvixDisplayWidget*> tiles = m_tiles;
        for (quvixDisplayWidget* tile : tiles) {
            if (tile->serial() != sensor->serialNumber())
                continue;
            // A sensor object that replaced the tile's before the tile heard
            // of the old one's loss is taken over too.
            if (!tile->isAvailable() || tile->sensor() != sensor)
                tile->sensorReconnected(sensor);
            if (tile->statusTip() == unavailableTip) {
                removeTile(tile);
                found = false;
                break;
            }
            m_form->quvixLayout->removeWidget(tile);
            insertTile(tile, 0);
            found = true;
        }
        if (found)
            continue;
        auto* tile = new quvixDisplayWidget(sensor);
        m_tiles.prepend(tile);
        insertTile(tile, 0);
    }
}

void overviewTab::updateUnavailableWidgets(QList<QString> sensors)
{
    for (const QString& serial : sensors) {
        const bool hasTile =
            std::any_of(m_tiles.begin(), m_tiles.end(),
                        [&serial](const quvixDisplayWidget* tile) { return tile->serial() == serial; });
        if (hasTile)
            continue;
        auto* tile = new quvixDisplayWidget(serial);
        tile->setStatusTip(unavailableTip);
        insertTile(tile, m_tiles.size());
        m_tiles.append(tile);
    }
}

void overviewTab::removeUnavailableTile(const QString& serial)
{
    const QList<quvixDisplayWidget*> tiles = m_tiles;
    for (quvixDisplayWidget* tile : tiles)
        if (tile->serial() == serial && tile->statusTip() == unavailableTip)
            removeTile(tile);
}

void overviewTab::removeUnavailableTilesNotIn(const QList<QString>& serials)
{
    const QList<quvixDisplayWidget*> tiles = m_tiles;
    for (quvixDisplayWidget* tile : tiles)
        if (tile->statusTip() == unavailableTip && !serials.contains(tile->serial()))
            removeTile(tile);
}

// --- Scans ---

void overviewTab::clearRecords()
{
    for (OverviewScanRecord* record : m_records) {
        for (LiveCurve* curve : record->curves) {
            curve->detach();
            delete curve;
        }
        delete record;
    }
    m_records.clear();
    m_lineTotal = 0;
}

void overviewTab::stopRecordedScans()
{
    for (QuvixSensor* sensor : m_listenedSensors)
        disconnect(sensor, &QuvixSensor::MonitoringUpdate, this, &overviewTab::dataUpdate);
    m_listenedSensors.clear();
    // A scan may have ended and been discarded meanwhile; its guard is null.
    for (OverviewScanRecord* record : m_records)
        if (record->scan)
            record->scan->stop();
}

void overviewTab::startRecord(QuvixSensor* sensor, BaseScan* scan)
{
    scan->setAutosaveTarget(m_form->saveFolder->text(), m_form->saveName->text());
    sensor->queueScan(scan);
    if (!m_listenedSensors.contains(sensor)) {
        connect(sensor, &QuvixSensor::MonitoringUpdate, this, &overviewTab::dataUpdate);
        m_listenedSensors.append(sensor);
    }

    auto* record = new OverviewScanRecord;
    record->scan = scan;
    record->firstLine = m_lineTotal;
    m_lineTotal += sensor->enabledFrequencyCount();
    const int quantity = plottedQuantity();
    for (int i = 0; i < sensor->enabledFrequencyCount(); ++i) {
        const QString title = QStringLiteral("%1 - %2 MHz")
                                  .arg(sensor->displayName())
                                  .arg(sensor->enabledFrequency(i), 0, 'g', 6);
        auto* curve = new LiveCurve(title, SeriesFeed::Source{quantity, i, 0, 0});
        curve->setPen(curvePalette::takeNext(m_colourIndex, curvePalette::overviewLastIndex));
        curve->attach(m_form->plot);
        record->curves.append(curve);
    }
    m_records.append(record);
}

void overviewTab::setUpSmithChart()
{
    SmithChartV2& chart = *m_form->smithChart;
    chart.clear();
    chart.setLineCount(m_lineTotal);
    // Each trail in the colour of its curve, so the legend names it.
    for (const OverviewScanRecord* record : m_records)
        for (int i = 0; i < record->curves.size(); ++i)
            chart.setLineColour(record->curves[i]->pen().color(), record->firstLine + i);
    chart.setHoldPoints(true);
    chart.showLine(true);
    chart.setPointMarkers(true);
    chart.showAllData(true);
}

void overviewTab::reportActivity(bool active)
{
    m_activityFlag = active;
    m_activityTimer->start();
}

void overviewTab::scan(bool start)
{
    m_form->plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (s)"));
    if (!start) {
        stopRecordedScans();
        m_form->startScanButton->setText(startCwText);
        m_form->startTRScanButton->setEnabled(true);
        reportActivity(false);
        return;
    }

    emit clearSmithDialog();
    clearRecords();
    m_form->startScanButton->setText(stopText);
    // One kind at a time: both share the records, plot and Smith chart.
    m_form->startTRScanButton->setEnabled(false);

    const QList<quvixDisplayWidget*> selection = selectionSet();
    const int rate = m_sampleRate->rate();
    for (quvixDisplayWidget* tile : selection)
        tile->sensor()->setReportRate(rate);
    if (rate != 0 && !selection.isEmpty())
        QThread::msleep(30);

    for (quvixDisplayWidget* tile : selection) {
        QuvixSensor* sensor = tile->sensor();
        startRecord(sensor, new CWScan(sensor, sensor->serialNumber(), rate));
    }
    setUpSmithChart();
    m_replot->markChanged();
    reportActivity(true);
}

void overviewTab::timeResolveScan(bool start)
{
    const QList<quvixDisplayWidget*> selection = selectionSet();
    // Without a selected sensor a start does nothing; a stop still stops
    // what runs, as tiles may be clicked while a scan runs.
    if (selection.isEmpty() && (start || m_records.isEmpty()))
        return;
    m_form->plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (&micro;s)<b></b>"));
    if (!start) {
        stopRecordedScans();
        m_form->startTRScanButton->setText(startTrText);
        disableScanButtons(false);
        reportActivity(false);
        return;
    }

    // The window as the time-resolved tab keeps it; nothing goes out that
    // its fields would not take.
    const PulseProfileSettings window = PulseProfileSettings::load();
    const QString refusal = window.refusal();
    if (!refusal.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Time Resolved"),
                             refusal + QStringLiteral("\nCorrect it there; no scan was started."));
        return;
    }

    emit clearSmithDialog();
    clearRecords();
    m_form->startTRScanButton->setText(stopText);
    disableScanButtons(true);

    double startTime = window.startTime();
    double endTime = window.endTime();
    const double stepTime = window.stepTime();
    const int averages = window.averages();
    double level = window.level();
    const bool internalTrigger = window.internalTrigger();

    const double period = window.period();
    double holdoff = period > 0.0 ? 0.9 * period : 0.0;
    double offset = 0.0;
    if (startTime < 0.0) {
        startTime += period;
        endTime += period;
        holdoff += period;
        offset = -period;
    }

    for (quvixDisplayWidget* tile : selection) {
        QuvixSensor* sensor = tile->sensor();
        // An automatic level found for one sensor is used for the following.
        if (level < 0.01)
            level = 0.5 * sensor->lastPeak();
        auto* profile = new PulseProfileScan(sensor, sensor->serialNumber(), level, holdoff, startTime,
                                             endTime, stepTime, averages, offset);
        profile->externalTrigger = !internalTrigger;
        startRecord(sensor, profile);
    }
    setUpSmithChart();
    m_replot->markChanged();
    reportActivity(true);
}

int overviewTab::plottedQuantity() const
{
    return m_form->valueBox->currentData().toInt();
}

void overviewTab::followQuantity()
{
    const int quantity = plottedQuantity();
    for (OverviewScanRecord* record : m_records) {
        for (int i = 0; i < record->curves.size(); ++i) {
            LiveCurve* curve = record->curves[i];
            curve->setSource(SeriesFeed::Source{quantity, i, 0, 0});
            // A stopped scan sends no more updates: it is drawn again now.
            if (record->scan)
                curve->update(*record->scan);
            else
                curve->clear();
        }
    }
    m_replot->markChanged();
}

void overviewTab::dataUpdate(BaseScan* scan)
{
    if (!scan)
        return;
    SmithChartV2& chart = *m_form->smithChart;
    bool changed = false;
    for (OverviewScanRecord* record : m_records) {
        if (record->scan.isNull() || record->scan.data() != scan)
            continue;
        const auto impedances = latestImpedances(*scan);
        // The scan's frequencies and the record's curves both come from the
        // sensor's selection at the start; should they differ, only the
        // frequencies both know are drawn.
        const int count =
            std::min(static_cast<int>(impedances.size()), static_cast<int>(record->curves.size()));
        for (int i = 0; i < count; ++i) {
            changed = record->curves[i]->update(*scan) || changed;
            const int line = record->firstLine + i;
            if (line >= chart.lineCount())
                continue;
            const double magnitude = impedances[static_cast<size_t>(i)].first;
            const double angle = -impedances[static_cast<size_t>(i)].second * pi / 180.0;
            const double r = std::fabs((magnitude * std::cos(angle)) / referenceImpedance);
            const double x = (magnitude * std::sin(angle)) / referenceImpedance;
            chart.addPoint(r, x, line);
        }
    }
    if (changed)
        m_replot->markChanged();
}

// --- Automatic button release and activity ---

bool overviewTab::anyRecordedScanRunning() const
{
    // The tab's own scans, not what the selected sensors do: a tile clicked
    // during a scan, a scan another tab runs on the same sensor and a scan
    // not yet made current by its loop all leave the answer right.
    for (const OverviewScanRecord* record : m_records)
        if (record->scan && !record->scan->isFinished())
            return true;
    return false;
}

void overviewTab::sensorStopped(bool active)
{
    Q_UNUSED(active);
    if (m_form->startScanButton->isChecked() && !anyRecordedScanRunning())
        m_form->startScanButton->click();
}

void overviewTab::timeResolveTimer()
{
    if (m_form->startTRScanButton->isChecked() && !anyRecordedScanRunning())
        m_form->startTRScanButton->setChecked(false);
}

void overviewTab::updateTimer()
{
    emit activity(m_activityFlag);
}

void overviewTab::disableScanButtons(bool scanInProgress)
{
    m_form->startScanButton->setEnabled(!scanInProgress);
}

// --- Layout, legend and display options ---

void overviewTab::maxPlot()
{
    const bool maximise = m_maxPlotAction->isChecked();
    if (maximise && m_maxSmithAction->isChecked()) {
        m_maxSmithAction->setChecked(false);
        minPlot();
    }
    // The page fills its view: the plot grows into the room the hidden
    // widgets leave and gives it back when they show again.
    const bool restored = !maximise;
    m_form->quvixViewArea->setVisible(restored);
    m_form->smithChart->setVisible(restored);
    m_form->label->setVisible(restored);
    m_form->frame_2->setVisible(restored);
    m_form->plot->setVisible(true);
}

void overviewTab::minPlot()
{
    const bool maximise = m_maxSmithAction->isChecked();
    if (maximise && m_maxPlotAction->isChecked()) {
        m_maxPlotAction->setChecked(false);
        maxPlot();
    }
    const bool restored = !maximise;
    m_form->quvixViewArea->setVisible(restored);
    m_form->plot->setVisible(restored);
    m_form->frame->setVisible(restored);
    m_form->label_2->setVisible(restored);
    m_form->valueBox->setVisible(restored);
    fitSmithChart(maximise);
}

void overviewTab::fitSmithChart(bool maximised)
{
    // Beside the plot the chart is a square of its own size, which leaves
    // the start buttons on a laptop screen; maximised it takes the page and
    // draws itself on the page's largest square.
    SmithChartV2& chart = *m_form->smithChart;
    if (maximised) {
        chart.setMinimumSize(smithSide, smithSide);
        chart.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        chart.setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    } else {
        chart.setFixedSize(smithSide, smithSide);
        chart.setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    }
}

void overviewTab::contextMenu(const QPoint& pos)
{
    QMenu menu(this);
    menu.addAction(m_maxPlotAction);
    menu.addAction(m_maxSmithAction);
    menu.addSeparator();
    for (QAction* action : m_legendActions)
        menu.addAction(action);
    menu.exec(mapToGlobal(pos));
}

void overviewTab::moveLegend(QAction* action)
{
    m_legend->setAlignment(Qt::Alignment(action->data().toInt()));
    m_form->plot->replot();
}

void overviewTab::setLegendPosition(int pos)
{
    static const Qt::Alignment alignments[] = {
        Qt::AlignBottom | Qt::AlignRight, Qt::AlignBottom | Qt::AlignHCenter, Qt::AlignBottom | Qt::AlignLeft,
        Qt::AlignTop | Qt::AlignRight,    Qt::AlignTop | Qt::AlignHCenter,    Qt::AlignTop | Qt::AlignLeft};
    if (pos < 0 || pos >= static_cast<int>(std::size(alignments)))
        return;
    m_legend->setAlignment(alignments[pos]);
}

void overviewTab::simpleSmithChanged(bool simple)
{
    m_form->smithChart->setSimpleChart(simple);
}

void overviewTab::smithPointsChanged(int points)
{
    m_form->smithChart->setPointLimit(points);
}

void overviewTab::updateYaxisLabel(const QString& text)
{
    m_form->plot->setAxisTitle(QwtPlot::yLeft, text);
}

// --- Autosave target ---

void overviewTab::selectNewSaveFolder()
{
    const QString folder = UserQuestions::existingFolder(this, QStringLiteral("Select auto save folder"),
                                                         m_form->saveFolder->text());
    if (!folder.isEmpty())
        m_form->saveFolder->setText(folder);
}

void overviewTab::setAutosaveName()
{
    autosaveParseGenerator dialog(m_form->saveName->text(), QString());
    if (dialog.exec() == QDialog::Accepted)
        m_form->saveName->setText(dialog.text());
}
