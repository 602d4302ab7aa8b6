// The main window's scan files: opening them from the dialog, the recent
// list or a drop, saving the selected scan with its companion CSV file and
// exporting it.

#include "app/displaysettings.h"
#include "app/mainwindow.h"
#include "app/windowfilenameprompt.h"
#include "scans/basescan.h"
#include "scans/processvalues.h"
#include "scans/quantitytree.h"
#include "scans/scanfilenames.h"
#include "scans/scanfilereader.h"
#include "scans/scanhandler.h"
#include "ui_mainwindow.h"
#include "views/datadisplayplot.h"
#include "views/userquestions.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

namespace {

const QString dataFilter = QStringLiteral("Data (*.dat)");
const QString csvFilter = QStringLiteral("Comma Seperated Values (*.csv)");
const QString recentFilesKey = QStringLiteral("recentFiles");
const QString datSuffix = QStringLiteral(".dat");

QString readErrorText(int code)
{
    switch (code) {
    case ScanFileReader::CannotOpen:
        return QStringLiteral("File could not be opened.");
    case ScanFileReader::NotAScanFile:
        return QStringLiteral("Unsupported or corrupted file.");
    default:
        return QStringLiteral("An error has occurred.");
    }
}

void showError(const QString& text)
{
    QMessageBox::critical(nullptr, QStringLiteral("error"), text, QMessageBox::Ok);
}

void showNotWritten(const QString& path)
{
    showError(QStringLiteral("The file %1 could not be written.").arg(path));
}

bool isDatPath(const QString& path)
{
    return path.endsWith(datSuffix, Qt::CaseSensitive);
}

} // namespace

BaseScan* MainWindow::selectedScan() const
{
    const QTreeWidgetItem* item = ui_->DisplayListTree->currentItem();
    return item ? static_cast<BaseScan*>(item->data(0, ScanRole).value<void*>()) : nullptr;
}

void MainWindow::open()
{
    const QStringList files =
        UserQuestions::openFileNames(this, QStringLiteral("Open File"), loadPath_, dataFilter);
    if (files.isEmpty())
        return;
    loadPath_ = files.first();
    for (const QString& file : files)
        loadFile(file);
}

void MainWindow::openRecent()
{
    if (const auto* action = qobject_cast<const QAction*>(sender()))
        loadFile(action->data().toString());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data->hasUrls() || data->urls().isEmpty())
        return;
    const QUrl first = data->urls().first();
    if (first.scheme() == QStringLiteral("file") && isDatPath(first.toLocalFile()))
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data->hasUrls())
        return;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (isDatPath(path))
            loadFile(path);
    }
}

bool MainWindow::refusedBeforeReading(const QString& path)
{
    if (QFileInfo(path).size() <= 0) {
        showError(QStringLiteral("invalid data file :%1").arg(path));
        return true;
    }
    if (scanHandler_->isFileShown(path)) {
        QMessageBox::information(nullptr, QStringLiteral("Open File"),
                                 QStringLiteral("%1 is already open.").arg(QDir::toNativeSeparators(path)),
                                 QMessageBox::Ok);
        return true;
    }
    return false;
}

bool MainWindow::refusedAfterReading(const QString& path, const BaseScan& scan)
{
    if (ScanHandler::hasData(&scan))
        return false;
    QMessageBox::warning(nullptr, QStringLiteral("Open File"),
                         QStringLiteral("%1 holds no samples.").arg(QDir::toNativeSeparators(path)),
                         QMessageBox::Ok);
    return true;
}

void MainWindow::offerUpdateIfNewer()
{
    if (newerFileState != NewerFileRead)
        return;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("New Update"),
        QStringLiteral("The file you are trying to open was created with a newer version of the "
                       "software, would you like to update?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    newerFileState = NewerFileIdle;
    if (answer == QMessageBox::Yes)
        updateSoftware();
}

void MainWindow::loadFile(const QString& path)
{
    if (refusedBeforeReading(path))
        return;
    try {
        std::unique_ptr<BaseScan> scan = BaseScan::loadDat(path);
        if (refusedAfterReading(path, *scan)) {
            // Perhaps what the newer version wrote is what this one misses.
            offerUpdateIfNewer();
            return;
        }
        const int sensorType = scan->sensorType;
        // The handler shows the scan (and then the tree owns it) or ignores
        // it; an ignored scan goes when this function returns.
        bool shown = false;
        const QMetaObject::Connection watch =
            connect(scanHandler_, &ScanHandler::scanCompleted, this, [&shown] { shown = true; });
        scanHandler_->scanLoaded(scan.get());
        disconnect(watch);
        if (shown)
            scan.release();
        ui_->tabWidget->setCurrentIndex(ui_->tabWidget->count() - 1);
        offerUpdateIfNewer();
        applyAnalysisAvailability(sensorType);
    } catch (int code) {
        showError(readErrorText(code));
    } catch (...) {
        showError(readErrorText(0));
    }
    addRecentFile(path);
}

void MainWindow::saveSelectedScan()
{
    BaseScan* scan = selectedScan();
    if (!scan)
        return;
    const QString chosen =
        UserQuestions::saveFileName(this, QStringLiteral("Save File As"), savePath_, dataFilter);
    if (chosen.isEmpty())
        return;
    QString datPath = ScanFileNames::scanFile(chosen);
    savePath_ = datPath;
    WindowFileNamePrompt prompt;
    const bool saved = scan->saveDat(datPath, applicationVersionString, &prompt);
    showSavedState(*scan);
    if (!saved) {
        showNotWritten(datPath);
        saveSettings();
        return;
    }
    savePath_ = datPath;
    // Named after the file the scan went to, which a retry may have changed.
    QString companion = ScanFileNames::companionOf(datPath);
    bool written = false;
    if (ui_->DisplayPlot->hasIntervalSelection()) {
        const QwtInterval interval = ui_->DisplayPlot->selectedInterval();
        written = scan->exportText(companion, applicationVersionString, interval.minValue(),
                                   interval.maxValue(), displaySettings_);
    } else {
        written = scan->exportCsv(companion, applicationVersionString, displaySettings_, &prompt);
    }
    if (!written)
        showNotWritten(companion);
    saveSettings();
}

void MainWindow::exportSelectedScanToCSV()
{
    BaseScan* scan = selectedScan();
    if (!scan)
        return;
    const bool restricted = ui_->DisplayPlot->hasIntervalSelection();
    const QwtInterval interval = ui_->DisplayPlot->selectedInterval();
    const QString caption = restricted ? QStringLiteral("Export  [%1s to %2s] to CSV")
                                             .arg(QString::number(interval.minValue(), 'g', 6),
                                                  QString::number(interval.maxValue(), 'g', 6))
                                       : QStringLiteral("Export Data to CSV");
    const QString chosen = UserQuestions::saveFileName(this, caption, savePath_, csvFilter);
    if (chosen.isEmpty())
        return;
    QString target = ScanFileNames::exportFile(chosen);
    savePath_ = target;
    WindowFileNamePrompt prompt;
    const bool written = restricted
                             ? scan->exportText(target, applicationVersionString, interval.minValue(),
                                                interval.maxValue(), displaySettings_)
                             : scan->exportCsv(target, applicationVersionString, displaySettings_, &prompt);
    if (written)
        savePath_ = target;
    else
        showNotWritten(target);
    saveSettings();
}

void MainWindow::addRecentFile(const QString& path)
{
    QSettings settings;
    QStringList files = settings.value(recentFilesKey).toStringList();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > maxRecentFiles_)
        files.removeLast();
    settings.setValue(recentFilesKey, files);
    updateRecentFileActions();
}

void MainWindow::updateRecentFileActions()
{
    const QStringList files = QSettings().value(recentFilesKey).toStringList();
    const int shown = std::min<int>(files.size(), maxRecentFiles_);
    for (int i = 0; i < recentFileActions_.size(); ++i) {
        QAction* action = recentFileActions_[i];
        if (i < shown) {
            action->setText(QFileInfo(files[i]).fileName());
            action->setData(files[i]);
        }
        action->setVisible(i < shown);
    }
}
