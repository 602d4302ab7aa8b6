// The main window's scan files: opening them from the dialog, the recent
// list or a drop, saving the selected scan with its companion CSV file and
// exporting it.

#include "app/dialogs/displaysettings.h"
#include "app/filetaskqueue.h"
#include "app/mainwindow.h"
#include "app/windowfilenameprompt.h"
#include "scans/basescan.h"
#include "scans/processvalues.h"
#include "scans/quantitytree.h"
#include "scans/scanfilenames.h"
#include "scans/scanfilereader.h"
#include "scans/scanfiletask.h"
#include "scans/scanhandler.h"
#include "scans/scaninuse.h"
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
    // A file already on its way in is not read twice.
    if (fileTasks_->isReading(path) || refusedBeforeReading(path))
        return;
    fileTasks_->add(ScanFileTask::read(path), [this](ScanFileTask& task) { finishLoading(task); });
}

void MainWindow::finishLoading(ScanFileTask& task)
{
    const QString path = task.file().name;
    // A cancelled read leaves nothing: no scan, no message, no recent entry.
    if (task.outcome() == ScanFileTask::Cancelled)
        return;
    if (task.outcome() != ScanFileTask::Done) {
        showError(readErrorText(task.readError()));
        addRecentFile(path);
        return;
    }
    ScanFileReader::noteVersion(task.fileVersion());
    std::unique_ptr<BaseScan> scan = task.takeScan();
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
    addRecentFile(path);
}

std::optional<QwtInterval> MainWindow::plotInterval() const
{
    if (!ui_->DisplayPlot->hasIntervalSelection())
        return std::nullopt;
    return ui_->DisplayPlot->selectedInterval();
}

namespace {

// The CSV export of a whole scan, or of the samples inside an interval.
ScanFileTask::File exportOf(const QString& fileName, const std::optional<QwtInterval>& interval)
{
    if (!interval)
        return {ScanFileTask::WriteCsv, fileName};
    return {ScanFileTask::WriteInterval, fileName, interval->minValue(), interval->maxValue()};
}

} // namespace

void MainWindow::saveSelectedScan()
{
    BaseScan* scan = selectedScan();
    if (!scan)
        return;
    // Scans that complete while the dialogs are open must not push it out.
    const ScanInUse inUse(*scanHandler_, scan);
    const QString chosen =
        UserQuestions::saveFileName(this, QStringLiteral("Save File As"), savePath_, dataFilter);
    if (chosen.isEmpty())
        return;
    const QString datPath = ScanFileNames::scanFile(chosen);
    savePath_ = datPath;
    saveScan(*scan, datPath, plotInterval());
}

void MainWindow::saveScan(BaseScan& scan, const QString& datPath, const std::optional<QwtInterval>& interval)
{
    std::vector<ScanFileTask::File> files{{ScanFileTask::WriteDat, datPath},
                                          exportOf(ScanFileNames::companionOf(datPath), interval)};
    fileTasks_->add(ScanFileTask::write(scan, std::move(files), applicationVersionString, displaySettings_),
                    [this, &scan, interval](ScanFileTask& task) { finishSaving(scan, task, interval); });
}

void MainWindow::finishSaving(BaseScan& scan, const ScanFileTask& task,
                              const std::optional<QwtInterval>& interval)
{
    if (task.filesDone() > 0) {
        const QString datPath = task.files().front().name;
        scan.markSavedAs(datPath);
        savePath_ = datPath;
        if (selectedScan() == &scan)
            showSavedState(scan);
    }
    if (task.outcome() != ScanFileTask::Done) {
        const bool scanFileFailed = task.filesDone() == 0;
        retryOrReport(task, [&](const QString& fileName) {
            if (scanFileFailed)
                saveScan(scan, fileName, interval);
            else
                saveCompanion(scan, fileName);
        });
    }
    saveSettings();
}

void MainWindow::saveCompanion(BaseScan& scan, const QString& fileName)
{
    auto task = ScanFileTask::write(scan, {{ScanFileTask::WriteCsv, fileName}}, applicationVersionString,
                                    displaySettings_);
    fileTasks_->add(std::move(task),
                    [this, &scan](ScanFileTask& written) { finishCompanion(scan, written); });
}

void MainWindow::finishCompanion(BaseScan& scan, const ScanFileTask& task)
{
    if (task.outcome() != ScanFileTask::Done)
        retryOrReport(task, [&](const QString& fileName) { saveCompanion(scan, fileName); });
}

void MainWindow::exportSelectedScanToCSV()
{
    BaseScan* scan = selectedScan();
    if (!scan)
        return;
    // Scans that complete while the dialogs are open must not push it out.
    const ScanInUse inUse(*scanHandler_, scan);
    const std::optional<QwtInterval> interval = plotInterval();
    const QString caption = interval ? QStringLiteral("Export  [%1s to %2s] to CSV")
                                           .arg(QString::number(interval->minValue(), 'g', 6),
                                                QString::number(interval->maxValue(), 'g', 6))
                                     : QStringLiteral("Export Data to CSV");
    const QString chosen = UserQuestions::saveFileName(this, caption, savePath_, csvFilter);
    if (chosen.isEmpty())
        return;
    const QString target = ScanFileNames::exportFile(chosen);
    savePath_ = target;
    exportScan(*scan, exportOf(target, interval));
}

void MainWindow::exportScan(BaseScan& scan, const ScanFileTask::File& file)
{
    fileTasks_->add(ScanFileTask::write(scan, {file}, applicationVersionString, displaySettings_),
                    [this, &scan](ScanFileTask& task) { finishExporting(scan, task); });
}

void MainWindow::finishExporting(BaseScan& scan, const ScanFileTask& task)
{
    if (task.outcome() == ScanFileTask::Done)
        savePath_ = task.file().name;
    else
        retryOrReport(task, [&](const QString& fileName) {
            exportScan(scan, {ScanFileTask::WriteCsv, fileName});
        });
    saveSettings();
}

void MainWindow::retryOrReport(const ScanFileTask& task, const std::function<void(const QString&)>& retry)
{
    if (task.outcome() == ScanFileTask::Cancelled)
        return;
    // Scans that complete while the prompt is open must not push out the
    // scan it asks about before its retry is queued.
    const ScanInUse inUse(*scanHandler_, task.scan());
    const ScanFileTask::File& failed = task.file();
    // A file that could not be created may go elsewhere; the interval
    // export has never asked for another name.
    if (task.outcome() == ScanFileTask::CannotOpen && failed.kind != ScanFileTask::WriteInterval) {
        const bool scanFile = failed.kind == ScanFileTask::WriteDat;
        const QString caption =
            scanFile ? QStringLiteral("Re-enter File name") : QStringLiteral("ReEnter File name");
        const QString filter =
            scanFile ? QStringLiteral("data file (*.dat)") : QStringLiteral("comma separated value (*.csv)");
        WindowFileNamePrompt prompt;
        const QString answer = prompt.askForNewFileName(failed.name, caption, filter);
        if (!answer.isEmpty()) {
            retry(scanFile ? ScanFileNames::scanFile(answer) : ScanFileNames::exportFile(answer));
            return;
        }
    }
    showNotWritten(failed.name);
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
