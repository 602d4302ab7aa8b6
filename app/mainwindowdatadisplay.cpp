// The main window's "Data Display" page: the scan tree, the curve list, the
// plot's curves and the analysis views and clipboard they feed.

#include "app/curvecolourcounter.h"
#include "app/datadisplayfeeds.h"
#include "app/dialogs/displaysettings.h"
#include "app/filetaskqueue.h"
#include "app/mainwindow.h"
#include "scans/basescan.h"
#include "scans/quantitytree.h"
#include "scans/scanhandler.h"
#include "scans/scaninuse.h"
#include "ui_mainwindow.h"
#include "views/barchart.h"
#include "views/barchartpicker.h"
#include "views/datadisplayplot.h"
#include "views/reducedcurve.h"
#include "views/reducedseriesdata.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <qwt_plot_picker.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QTimer>

namespace {

// A refill of the Smith chart while a point is dragged comes at most this
// often (about 25 times a second).
constexpr int smithRefillMilliseconds = 40;

template <typename T> T* pointerIn(const QVariant& value)
{
    return static_cast<T*>(value.value<void*>());
}

BaseScan* scanOf(const QTreeWidgetItem* item)
{
    return item ? pointerIn<BaseScan>(item->data(0, ScanRole)) : nullptr;
}

BaseScan* scanOf(const QListWidgetItem* entry)
{
    return pointerIn<BaseScan>(entry->data(ScanRole));
}

QwtPlotCurve* curveOf(const QListWidgetItem* entry)
{
    return pointerIn<QwtPlotCurve>(entry->data(PlotCurveRole));
}

QTreeWidgetItem* channelOf(const QListWidgetItem* entry)
{
    return pointerIn<QTreeWidgetItem>(entry->data(ChannelItemRole));
}

QListWidgetItem* entryOf(const QTreeWidgetItem* channel)
{
    return pointerIn<QListWidgetItem>(channel->data(0, CurveEntryRole));
}

// The link to the curve-list entry tells, not the colour: the colour
// sequence and the colour dialog both hand out black.
bool isDisplayed(const QTreeWidgetItem* channel)
{
    return entryOf(channel) != nullptr;
}

// A displayed channel's row is bold as well as coloured, so a black curve's
// row still stands out from the rows not on display.
void markChannel(QTreeWidgetItem* channel, QListWidgetItem* entry, const QColor& colour)
{
    channel->setForeground(0, QBrush(colour, Qt::SolidPattern));
    if (entry)
        channel->setData(0, CurveEntryRole, QVariant::fromValue(static_cast<void*>(entry)));
    else
        channel->setData(0, CurveEntryRole, 0);
    QFont font = channel->font(0);
    font.setBold(entry != nullptr);
    channel->setFont(0, font);
}

bool isChannel(const QTreeWidgetItem* item)
{
    return item->data(0, SeriesRole).value<void*>() != nullptr;
}

QTreeWidgetItem* topLevelOf(QTreeWidgetItem* item)
{
    while (item->parent())
        item = item->parent();
    return item;
}

// Puts an analysis view at the end of the plot row, once; the plot keeps
// the larger share of the row.
void placeInPlotRow(Ui_MainWindow& form, QWidget* view)
{
    if (form.DisplayLayout->indexOf(view) >= 0)
        return;
    form.DisplayLayout->setStretchFactor(form.DisplayPlot, 3);
    form.DisplayLayout->addWidget(view, 2);
}

} // namespace

void MainWindow::connectDataDisplay()
{
    connect(ui_->saveData, &QPushButton::clicked, this, &MainWindow::saveSelectedScan);
    connect(ui_->exportData, &QPushButton::clicked, this, &MainWindow::exportSelectedScanToCSV);
    connect(ui_->DisplayImportScanButton, &QPushButton::clicked, this, &MainWindow::open);
    connect(ui_->DisplayDiscardScanButton, &QPushButton::clicked, this,
            qOverload<>(&MainWindow::discardSelectedScan));
    connect(ui_->DisplayCurveList, &QListWidget::customContextMenuRequested, this,
            &MainWindow::displayListContextMenu);
    connect(ui_->DisplayListTree, &QTreeWidget::customContextMenuRequested, this,
            &MainWindow::displayTreeContextMenu);
    connect(ui_->DisplayListTree, &QTreeWidget::itemSelectionChanged, this,
            &MainWindow::scanSelectionChangeInDisplayList);
    connect(ui_->DisplayListTree, &QTreeWidget::itemDoubleClicked, this, &MainWindow::scanTreeDoubleclick);
    connect(ui_->DisplaySmithChartButton, &QPushButton::toggled, this, &MainWindow::displaySmithChart);
    connect(ui_->DisplayBarChartButton, &QPushButton::clicked, this, &MainWindow::displayNewBarChart);
    connect(ui_->displayWaveForm, &QPushButton::toggled, this, &MainWindow::displayWaveForm);
    connect(ui_->actionCopy, &QAction::triggered, this, &MainWindow::copyToClipboard);
    connect(ui_->copyButton, &QPushButton::clicked, this, &MainWindow::copyToClipboard);
    connect(ui_->maximizeLayout, &QPushButton::toggled, this, &MainWindow::maximizeGraph);
    connect(ui_->DisplayCurveList, &QListWidget::itemClicked, this, &MainWindow::switchAxis);
    connect(ui_->DisplayPlot, &DataDisplayPlot::IntervalSelection, this, &MainWindow::updateSmithChart);
    connect(ui_->DisplayPlot, &DataDisplayPlot::IntervalSelection, this,
            &MainWindow::scanSelectionChangeInDisplayList);
    connect(ui_->clearButton, &QPushButton::clicked, this, &MainWindow::clearDisplayPlot);
    connect(ui_->DisplayPlot, &DataDisplayPlot::currentPoint, this,
            &MainWindow::updatePreviewMeterDisplaySlot);

    smithRefillTimer_ = new QTimer(this);
    smithRefillTimer_->setSingleShot(true);
    connect(smithRefillTimer_, &QTimer::timeout, this, [this] {
        if (smithChart_ && smithChart_->isVisible())
            fillSmithChart(true);
    });
}

void MainWindow::createSmithChart()
{
    smithChart_ = new SmithChartDialog(this);
    connect(smithChart_, &SmithChartDialog::workDone, this, &MainWindow::closeSmithChart);
    // Only the simple-chart option: this chart shows every point it is given.
    connect(displaySettings_, &DisplaySettings::simpleSmithChanged, smithChart_,
            &SmithChartDialog::simpleSmithChanged);
}

QList<BaseScan*> MainWindow::displayedScans() const
{
    QList<BaseScan*> scans;
    for (int row = 0; row < ui_->DisplayCurveList->count(); ++row) {
        BaseScan* scan = scanOf(ui_->DisplayCurveList->item(row));
        if (!scans.contains(scan))
            scans.append(scan);
    }
    return scans;
}

void MainWindow::sendCurveToDisplay()
{
    QTreeWidgetItem* channel = ui_->DisplayListTree->currentItem();
    if (!channel || isDisplayed(channel))
        return;
    const auto* values = pointerIn<const Series>(channel->data(0, SeriesRole));
    BaseScan* scan = scanOf(channel);
    if (!values || !scan)
        return;
    const int dataSet = channel->data(0, TrendIndexRole).toInt();
    if (dataSet < 0 || static_cast<size_t>(dataSet) >= scan->dataSets.size())
        return;
    const QString curveName = channel->data(0, CurveTitleRole).toString();
    const QString unit = channel->data(0, UnitRole).toString();
    const Series* time = &scan->dataSets[static_cast<size_t>(dataSet)]->time;

    const QColor colour = CurveColourCounter::next();
    // The scan's own series, drawn in place: a scan in the tree no longer
    // grows, and a discard deletes its curves before the scan.
    auto* curve = new ReducedCurve(QString(), new ReducedSeriesData(time, values));
    curve->attach(ui_->DisplayPlot);
    curve->setAxes(QwtPlot::xBottom, QwtPlot::yLeft);
    if (!ui_->DisplayPlot->axisEnabled(QwtPlot::yLeft))
        ui_->DisplayPlot->enableAxis(QwtPlot::yLeft, true);
    curve->setPen(colour, 1, Qt::SolidLine);
    ui_->DisplayPlot->replot();

    auto* entry = new QListWidgetItem(QStringLiteral("%2 %1").arg(scan->name(), curveName));
    entry->setToolTip(QStringLiteral("Sample Size :: %1 \n Time Unit (%2)")
                          .arg(scan->sampleCount(0))
                          .arg(scan->timeAxisText));
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
    entry->setForeground(QBrush(colour, Qt::SolidPattern));
    entry->setData(PlotCurveRole, QVariant::fromValue(static_cast<void*>(curve)));
    entry->setData(ScanRole, QVariant::fromValue(static_cast<void*>(scan)));
    entry->setData(CurveAxisRole, 0);
    entry->setData(ChannelItemRole, QVariant::fromValue(static_cast<void*>(channel)));
    entry->setData(CurveValuesRole, QVariant::fromValue(const_cast<void*>(static_cast<const void*>(values))));
    entry->setData(CurveTimeRole, QVariant::fromValue(const_cast<void*>(static_cast<const void*>(time))));
    entry->setData(CurveOnLeftAxisRole, true);
    entry->setData(TrendIndexRole, dataSet);
    entry->setData(UnitRole, unit);
    ui_->DisplayCurveList->addItem(entry);

    markChannel(channel, entry, colour);
    ++leftAxisCurveCount_;

    ensureWaveform();
    if (scan->sensorType == 3) {
        waveform_->addScan(scan);
        waveform_->updateTimePosition(QPointF(0.0, 0.0));
    }
    barChart_->addScan(scan);
    barChart_->updateTimePosition(QPointF(barChart_->voltagePicker()->time(), 0.0));
    if (smithChart_)
        displaySmithChart(smithChart_->isVisible());
    updateAxisTitles();
}

void MainWindow::scanTreeDoubleclick(QTreeWidgetItem* item)
{
    if (item && item->childCount() == 0)
        sendCurveToDisplay();
}

void MainWindow::deleteCurveEntry(QListWidgetItem* entry)
{
    if (entry->data(CurveOnLeftAxisRole).toBool())
        --leftAxisCurveCount_;
    else
        --rightAxisCurveCount_;
    delete curveOf(entry); // detaches it from the plot
    delete entry;
}

void MainWindow::removeCurveFromDisplay()
{
    QListWidgetItem* entry = ui_->DisplayCurveList->currentItem();
    if (!entry)
        return;
    BaseScan* scan = scanOf(entry);
    if (QTreeWidgetItem* channel = channelOf(entry))
        markChannel(channel, nullptr, Qt::black);
    deleteCurveEntry(entry);
    if (!displayedScans().contains(scan))
        barChart_->removeScan(scan);
    if (!ui_->DisplayCurveList->currentItem())
        ui_->DisplayPlot->resetZoom();
    updateAxes();
    ui_->DisplayPlot->replot();
    barChart_->updateTimePosition(QPointF(barChart_->voltagePicker()->time(), 0.0));
}

void MainWindow::clearDisplayPlot()
{
    QListWidget* list = ui_->DisplayCurveList;
    while (list->count() > 0) {
        if (!list->currentItem())
            list->setCurrentRow(0);
        removeCurveFromDisplay();
    }
    ui_->DisplayPlot->clearSelection();
}

void MainWindow::switchAxis(QListWidgetItem* entry)
{
    if (!entry)
        return;
    const int target = entry->checkState() == Qt::Checked ? QwtPlot::yRight : QwtPlot::yLeft;
    if (entry->data(CurveAxisRole).toInt() == target)
        return;
    const bool toRight = target == QwtPlot::yRight;
    entry->setData(CurveOnLeftAxisRole, !toRight);
    leftAxisCurveCount_ += toRight ? -1 : 1;
    rightAxisCurveCount_ += toRight ? 1 : -1;
    curveOf(entry)->setYAxis(target);
    entry->setData(CurveAxisRole, target);
    updateAxes();
    ui_->DisplayPlot->replot();
}

void MainWindow::updateAxes()
{
    ui_->DisplayPlot->enableAxis(QwtPlot::yLeft, leftAxisCurveCount_ != 0);
    ui_->DisplayPlot->enableAxis(QwtPlot::yRight, rightAxisCurveCount_ != 0);
    updateAxisTitles();
}

void MainWindow::updateAxisTitles()
{
    QList<QListWidgetItem*> left;
    QList<QListWidgetItem*> right;
    for (int row = 0; row < ui_->DisplayCurveList->count(); ++row) {
        QListWidgetItem* entry = ui_->DisplayCurveList->item(row);
        (entry->data(CurveOnLeftAxisRole).toBool() ? left : right).append(entry);
    }
    setAxisTitleFromCurves(right, QwtPlot::yRight);
    setAxisTitleFromCurves(left, QwtPlot::yLeft);
}

void MainWindow::setAxisTitleFromCurves(const QList<QListWidgetItem*>& entries, int axis)
{
    QStringList units;
    for (const QListWidgetItem* entry : entries)
        units.append(entry->data(UnitRole).toString());
    ui_->DisplayPlot->setWholeAxisTitle(axis, units.join(QLatin1Char(',')));
}

void MainWindow::displayListContextMenu(QPoint pos)
{
    QListWidgetItem* entry = ui_->DisplayCurveList->currentItem();
    if (!entry)
        return;
    QMenu menu;
    menu.addAction(QStringLiteral("Remove Curve"));
    menu.addAction(QStringLiteral("Rename Curve"));
    menu.addAction(QStringLiteral("Change Color"));
    const QAction* chosen = menu.exec(ui_->DisplayCurveList->mapToGlobal(pos));
    if (!chosen)
        return;
    const QString text = chosen->text();
    if (text.contains(QStringLiteral("color"), Qt::CaseInsensitive)) {
        const QColor colour = QColorDialog::getColor(Qt::black, this, QString());
        if (colour.isValid()) {
            curveOf(entry)->setPen(colour, 0, Qt::SolidLine);
            entry->setForeground(QBrush(colour, Qt::SolidPattern));
            if (QTreeWidgetItem* channel = channelOf(entry))
                channel->setForeground(0, QBrush(colour, Qt::SolidPattern));
            ui_->DisplayPlot->replot();
        }
    } else if (text.contains(QStringLiteral("name"), Qt::CaseInsensitive)) {
        entry->setFlags(entry->flags() | Qt::ItemIsEditable);
        ui_->DisplayCurveList->editItem(entry);
    } else if (text.contains(QStringLiteral("remove"), Qt::CaseInsensitive)) {
        removeCurveFromDisplay();
    }
    updateAxisTitles();
}

void MainWindow::displayTreeContextMenu(QPoint pos)
{
    QTreeWidgetItem* item = ui_->DisplayListTree->currentItem();
    if (!item)
        return;
    QMenu menu;
    if (isChannel(item))
        menu.addAction(isDisplayed(item) ? QStringLiteral("Remove curve from plot")
                                         : QStringLiteral("Send curve to plot"));
    menu.addSeparator();
    menu.addAction(QStringLiteral("Export Scan..."));
    menu.addAction(QStringLiteral("Remove Scan "));
    // The item belongs to the scan: both stay while the menu and what it
    // opens are shown, whatever scans complete meanwhile.
    const ScanInUse inUse(*scanHandler_, scanOf(item));
    const QAction* chosen = menu.exec(ui_->DisplayListTree->mapToGlobal(pos));
    if (!chosen)
        return;
    const QString text = chosen->text();
    if (text.contains(QStringLiteral("send"), Qt::CaseInsensitive)) {
        sendCurveToDisplay();
    } else if (text.contains(QStringLiteral("Remove curve from plot"), Qt::CaseInsensitive)) {
        if (QListWidgetItem* entry = entryOf(item)) {
            ui_->DisplayCurveList->setCurrentItem(entry);
            removeCurveFromDisplay();
        }
    } else if (text.contains(QStringLiteral("Remove Scan"), Qt::CaseInsensitive)) {
        discardSelectedScan();
    } else if (text.contains(QStringLiteral("export"), Qt::CaseInsensitive)) {
        saveSelectedScan();
    }
}

void MainWindow::takeScanOutOfViews(BaseScan* scan)
{
    barChart_->removeScan(scan);
    if (waveform_)
        waveform_->removeScan(scan);
}

void MainWindow::discardSelectedScan()
{
    QTreeWidgetItem* item = ui_->DisplayListTree->currentItem();
    BaseScan* scan = scanOf(item);
    if (!scan)
        return;
    // Scans that complete while the question is open must not push it out.
    const ScanInUse inUse(*scanHandler_, scan);
    if (scan->unsavedData) {
        const auto answer = QMessageBox::question(
            this, QStringLiteral("are you sure ?"),
            QStringLiteral("Scan %1 has unsaved data, are you sure you want to discard it ?")
                .arg(scan->name()),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok)
            return;
    }
    delete topLevelOf(item);
    // Curves show the scan's own series: they go before the scan does.
    QListWidget* list = ui_->DisplayCurveList;
    for (int row = 0; row < list->count();) {
        QListWidgetItem* entry = list->item(row);
        if (scanOf(entry) == scan)
            deleteCurveEntry(entry);
        else
            ++row;
    }
    updateAxes();
    ui_->DisplayPlot->replot();
    takeScanOutOfViews(scan);
    emit scanDeleted(scan);
    // A save of it may still be under way.
    fileTasks_->deleteWhenWritten(scan);
}

void MainWindow::discardSelectedScan(BaseScan* scan)
{
    if (!scan)
        return;
    QTreeWidgetItem* scanItem = nullptr;
    for (int i = 0; i < ui_->DisplayListTree->topLevelItemCount() && !scanItem; ++i) {
        QTreeWidgetItem* item = ui_->DisplayListTree->topLevelItem(i);
        if (scanOf(item) == scan)
            scanItem = item;
    }
    // A scan with curves on display is kept.
    if (!scanItem || displayedScans().contains(scan))
        return;
    takeScanOutOfViews(scan);
    if (smithChart_)
        smithChart_->clear();
    delete scanItem;
    emit scanDeleted(scan);
    fileTasks_->deleteWhenWritten(scan);
}

void MainWindow::scanSelectionChangeInDisplayList()
{
    QTreeWidgetItem* item = ui_->DisplayListTree->currentItem();
    const bool selected = item != nullptr;
    ui_->saveData->setEnabled(selected);
    ui_->exportData->setEnabled(selected);
    ui_->DisplayDiscardScanButton->setEnabled(selected);
    BaseScan* scan = scanOf(item);
    if (!scan)
        return;
    showSavedState(*scan);
    ui_->exportData->setText(ui_->DisplayPlot->hasIntervalSelection() ? QStringLiteral("Export Interval...")
                                                                      : QStringLiteral("Export..."));
    applyAnalysisAvailability(scan->sensorType);
}

void MainWindow::showSavedState(const BaseScan& scan)
{
    ui_->saveData->setText(scan.unsavedData ? QStringLiteral("Save...") : QStringLiteral("Save As..."));
}

void MainWindow::applyAnalysisAvailability(int sensorType)
{
    switch (sensorType) {
    case 3:
        ui_->DisplayBarChartButton->setEnabled(true);
        ui_->DisplaySmithChartButton->setEnabled(true);
        ui_->displayWaveForm->setEnabled(true);
        break;
    case 1:
        ui_->DisplayBarChartButton->setEnabled(true);
        ui_->DisplaySmithChartButton->setEnabled(true);
        ui_->displayWaveForm->setEnabled(false);
        displayWaveForm(false);
        break;
    case 0:
        ui_->DisplayBarChartButton->setEnabled(false);
        ui_->DisplaySmithChartButton->setEnabled(true);
        ui_->displayWaveForm->setEnabled(false);
        displayWaveForm(false);
        break;
    default:
        break;
    }
}

void MainWindow::maximizeGraph(bool checked)
{
    if (checked) {
        ui_->maxLayout->addWidget(ui_->groupBox);
        ui_->DisplayListTree->setMaximumHeight(800);
        ui_->maximizeLayout->setText(QStringLiteral("Maximize Graph"));
    } else {
        ui_->horizontalLayout_3->insertWidget(0, ui_->groupBox);
        ui_->DisplayListTree->setMaximumHeight(230);
        ui_->maximizeLayout->setText(QStringLiteral("Maximize List"));
    }
}

void MainWindow::deleteShortcut()
{
    if (ui_->DisplayListTree->hasFocus())
        discardSelectedScan();
    if (ui_->DisplayCurveList->hasFocus())
        removeCurveFromDisplay();
}

void MainWindow::fillSmithChart(bool restricted)
{
    std::optional<DataDisplayFeeds::Interval> interval;
    if (restricted && ui_->DisplayPlot->hasIntervalSelection()) {
        const QwtInterval selected = ui_->DisplayPlot->selectedInterval();
        interval = DataDisplayFeeds::Interval{selected.minValue(), selected.maxValue()};
    }
    DataDisplayFeeds::showSmithLines(*smithChart_, DataDisplayFeeds::smithLines(displayedScans(), interval));
    lastSmithRefill_.start();
}

void MainWindow::displaySmithChart(bool show)
{
    if (!smithChart_)
        return;
    if (!show) {
        smithChart_->hide();
        return;
    }
    smithChart_->show();
    fillSmithChart(true);
}

void MainWindow::updateSmithChart(QRectF)
{
    if (!smithChart_ || !smithChart_->isVisible())
        return;
    // A point drag moves the selection on every mouse move: refill with the
    // newest selection at most every 40 ms; anything else refills at once.
    const bool dragging = ui_->DisplayPlot->pointPicker()->isActive();
    if (dragging && lastSmithRefill_.isValid() && lastSmithRefill_.elapsed() < smithRefillMilliseconds) {
        if (!smithRefillTimer_->isActive())
            smithRefillTimer_->start(smithRefillMilliseconds - static_cast<int>(lastSmithRefill_.elapsed()));
        return;
    }
    smithRefillTimer_->stop();
    fillSmithChart(true);
}

void MainWindow::updatePreviewMeterDisplaySlot(QPointF)
{
    if (smithChart_ && smithChart_->isVisible())
        fillSmithChart(false);
}

void MainWindow::closeSmithChart()
{
    if (ui_->DisplaySmithChartButton->isChecked())
        ui_->DisplaySmithChartButton->setChecked(false);
}

void MainWindow::displayNewBarChart()
{
    if (BaseScan* scan = scanOf(ui_->DisplayListTree->currentItem()))
        barChart_->addScan(scan);
    placeInPlotRow(*ui_, barChart_);
    ui_->DisplayPlot->connectPointPicker(barChart_);
    barChart_->setVisible(barChart_->isHidden());
    barChart_->updateTimePosition(QPointF(barChart_->voltagePicker()->time(), 0.0));
}

void MainWindow::ensureWaveform()
{
    if (waveform_)
        return;
    waveform_ = new waveForm(this);
    waveform_->hide();
    placeInPlotRow(*ui_, waveform_);
    ui_->DisplayPlot->connectPointPickerToWaveform(waveform_);
}

void MainWindow::displayWaveForm(bool show)
{
    if (!show) {
        if (waveform_)
            waveform_->hide();
        return;
    }
    ensureWaveform();
    waveform_->show();
    waveform_->clear();
    for (BaseScan* scan : displayedScans())
        if (scan->sensorType == 3)
            waveform_->addScan(scan);
    waveform_->updateTimePosition(QPointF(0.0, 0.0));
}

void MainWindow::copyToClipboard()
{
    QList<DataDisplayFeeds::ClipboardBlock> blocks;
    const QList<BaseScan*> scans = displayedScans();
    for (BaseScan* scan : scans) {
        DataDisplayFeeds::ClipboardBlock block;
        block.scanName = scan->name();
        for (int row = 0; row < ui_->DisplayCurveList->count(); ++row) {
            const QListWidgetItem* entry = ui_->DisplayCurveList->item(row);
            if (scanOf(entry) != scan)
                continue;
            block.curves.append({entry->text(), pointerIn<const Series>(entry->data(CurveTimeRole)),
                                 pointerIn<const Series>(entry->data(CurveValuesRole))});
        }
        blocks.append(block);
    }
    std::optional<DataDisplayFeeds::Interval> interval;
    if (ui_->DisplayPlot->hasIntervalSelection()) {
        const QwtInterval selected = ui_->DisplayPlot->selectedInterval();
        interval = DataDisplayFeeds::Interval{selected.minValue(), selected.maxValue()};
    }
    QApplication::clipboard()->setText(DataDisplayFeeds::clipboardText(blocks, interval));
}
