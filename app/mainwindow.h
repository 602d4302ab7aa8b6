#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QPointF>
#include <QRectF>
#include <QString>

#include "platform/keepawake.h"
#include "scans/scanfiletask.h"

#include <qwt_interval.h>

#include <functional>
#include <memory>
#include <optional>

class BaseScan;
class DisplaySettings;
class FileTaskQueue;
class overviewTab;
class pulseTrendScanTab;
class timeResolvedScanTab;
class timeTrendScanTab;
class QAction;
class QDragEnterEvent;
class QDropEvent;
class QButtonGroup;
class QListWidgetItem;
class QTimer;
class QTreeWidgetItem;
class SmithChartDialog;
class barchart;
class waveForm;
class QuvixSensor;
class ScanActivity;
class ScanHandler;
class SensorHandler;
class Ui_MainWindow;

// The one top-level window of Quvix: builds the program's objects in a fixed
// order, shows whether sensors are connected, forwards live data to the
// visible acquisition tab, keeps the machine awake while any tab scans,
// persists its paths and asks before closing. GUI thread only. Owns its form,
// tabs, charts and dialogs; the handlers are process-wide and not owned.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr, std::unique_ptr<KeepAwake> keepAwake = defaultKeepAwake());
    ~MainWindow() override;

    // The window's form; for the window's own parts and for tests.
    Ui_MainWindow& form() const;
    const ScanActivity& scanActivityState() const;
    // The display options dialog; the acquisition tabs read their meter rows
    // from it.
    DisplaySettings* displaySettings() const;
    overviewTab* overview() const { return overview_; }
    timeTrendScanTab* timeTrend() const { return timeTrend_; }
    pulseTrendScanTab* pulseTrend() const { return pulseTrend_; }
    timeResolvedScanTab* timeResolved() const { return timeResolved_; }

    // The width the window opens at on a screen with the given free area: as
    // wide as that area, never narrower than the window's minimum.
    int openingWidth(const QRect& availableArea) const;
    // The height it opens at there: tall enough that the overview's page
    // shows whole without scrolling, but no taller than that area, and never
    // lower than the window's minimum. Exact once the window is shown: the
    // pages' minimum heights settle only then.
    int openingHeight(const QRect& availableArea) const;

    // Writes the save and load paths, the time-trend tab's autosave name
    // pattern and state, size and position. Called after every save and
    // export.
    void saveSettings();

    static std::unique_ptr<KeepAwake> defaultKeepAwake();

    // The data display's analysis views; the waveform view is null until
    // first needed. For the window's own parts and for tests.
    barchart* barChart() const { return barChart_; }
    SmithChartDialog* smithChart() const { return smithChart_; }
    waveForm* waveformView() const { return waveform_; }
    // The distinct scans of the displayed curves, in the order of their
    // first curve in the list.
    QList<BaseScan*> displayedScans() const;
    // The scan files being read and written; for the window's own parts and
    // for tests.
    FileTaskQueue* fileTasks() const { return fileTasks_; }

signals:
    // Just before the window deletes a scan it shows.
    void scanDeleted(BaseScan* scan);

public slots:
    void updateSensorList(QList<QuvixSensor*>& sensors);
    void updateSoftware();
    void displayHelp();
    void scanActivity(bool active);
    void tabChanged(int index);
    void monitorUpdate(BaseScan* scan);
    void scanUpdate(BaseScan* scan);
    void open_ip_tool();
    // The "Sensors Hub", modal.
    void addNewNetworkSensor();
    // The About dialog, modal.
    void aboutWidget();
    void preferencesDialog();

    // The data display's scan tree and curve list.
    void sendCurveToDisplay();
    void scanTreeDoubleclick(QTreeWidgetItem* item);
    void removeCurveFromDisplay();
    void clearDisplayPlot();
    void switchAxis(QListWidgetItem* item);
    void displayListContextMenu(QPoint pos);
    void displayTreeContextMenu(QPoint pos);
    void discardSelectedScan();
    void discardSelectedScan(BaseScan* scan);
    void scanSelectionChangeInDisplayList();
    void maximizeGraph(bool checked);
    void deleteShortcut();
    // Scan files: open, reopen, save and export.
    void open();
    void openRecent();
    void saveSelectedScan();
    void exportSelectedScanToCSV();

    // The data display's chart feeds and clipboard.
    void displaySmithChart(bool show);
    void updateSmithChart(QRectF rect);
    void updatePreviewMeterDisplaySlot(QPointF point);
    void closeSmithChart();
    void displayNewBarChart();
    void displayWaveForm(bool show);
    void copyToClipboard();
    void openDisplaySettingsMenu();

public:
    // Opens one scan file into the data display: it is read on a thread of
    // its own (fileTasks) and its scan joins the tree once it is whole. A
    // file that cannot be read, is already listed or holds no samples is
    // refused with a message and stays out of the recent list (one the
    // reader refused goes in), as does one whose reading was cancelled.
    void loadFile(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The close question, when the preferences ask for it.
    bool userAgreesToClose();
    void createRecentFileActions();
    void addRecentFile(const QString& path);
    void updateRecentFileActions();
    BaseScan* selectedScan() const;
    // loadFile's checks, each telling the user why it refuses: before the
    // file is read (missing, empty, already listed) and after (no samples).
    bool refusedBeforeReading(const QString& path);
    bool refusedAfterReading(const QString& path, const BaseScan& scan);
    // Asks once about an update when the file just read came from a newer
    // version of the program.
    void offerUpdateIfNewer();
    // The end of a file read, save or export: the scan joins the tree, or
    // the user hears why not. A file that could not be created is asked
    // for again under another name.
    void finishLoading(ScanFileTask& task);
    // The interval selected on the data display plot, if any.
    std::optional<QwtInterval> plotInterval() const;
    // The ".dat" file and its companion CSV file (of the interval, when
    // one is given), written together.
    void saveScan(BaseScan& scan, const QString& datPath, const std::optional<QwtInterval>& interval);
    void finishSaving(BaseScan& scan, const ScanFileTask& task, const std::optional<QwtInterval>& interval);
    // The companion CSV file again, under another name.
    void saveCompanion(BaseScan& scan, const QString& fileName);
    void finishCompanion(BaseScan& scan, const ScanFileTask& task);
    void exportScan(BaseScan& scan, const ScanFileTask::File& file);
    void finishExporting(BaseScan& scan, const ScanFileTask& task);
    // After a write that did not succeed: nothing when it was cancelled;
    // `retry` with another name where the file could not be created and the
    // user gives one; otherwise the message that the file was not written.
    void retryOrReport(const ScanFileTask& task, const std::function<void(const QString&)>& retry);
    void setUpDataDisplay();
    void connectForm();
    void loadSettings();
    void writeOwnPaths();
    void showConnectionState(int sensorCount);
    void connectDataDisplay();
    void createSmithChart();
    void updateAxisTitles();
    // Shows each y axis exactly while a curve is on it, and retitles both.
    void updateAxes();
    void setAxisTitleFromCurves(const QList<QListWidgetItem*>& entries, int axis);
    void applyAnalysisAvailability(int sensorType);
    // The Save button's text for the selected scan's saved state.
    void showSavedState(const BaseScan& scan);
    void ensureWaveform();
    void takeScanOutOfViews(BaseScan* scan);
    // Deletes an entry with its curve and lowers its axis count.
    void deleteCurveEntry(QListWidgetItem* entry);
    void fillSmithChart(bool restricted);

    Ui_MainWindow* ui_;
    QString savePath_;
    QString loadPath_;
    DisplaySettings* displaySettings_ = nullptr;  // never destroyed, not owned
    overviewTab* overview_ = nullptr;             // owned through the tab widget
    timeTrendScanTab* timeTrend_ = nullptr;       // owned through the tab widget
    pulseTrendScanTab* pulseTrend_ = nullptr;     // owned through the tab widget
    timeResolvedScanTab* timeResolved_ = nullptr; // owned through the tab widget
    barchart* barChart_ = nullptr;
    SmithChartDialog* smithChart_ = nullptr;
    waveForm* waveform_ = nullptr;
    // Refills of the Smith chart while a point is dragged wait for this.
    QTimer* smithRefillTimer_ = nullptr;
    QElapsedTimer lastSmithRefill_;
    QButtonGroup* plotTools_ = nullptr;
    ScanActivity* scanActivity_ = nullptr;
    SensorHandler* sensorHandler_ = nullptr; // process-wide, not owned
    ScanHandler* scanHandler_ = nullptr;     // process-wide, not owned
    // Owned through the window; finished first when the window goes.
    FileTaskQueue* fileTasks_ = nullptr;
    // Closing was asked for and agreed to while saves were under way.
    bool closingAfterWrites_ = false;
    QList<QAction*> recentFileActions_;
    int maxRecentFiles_ = 10;
    int leftAxisCurveCount_ = 0;
    int rightAxisCurveCount_ = 0;
    bool ownPathsWritten_ = false;
    // The size the window was built at; its height is chosen at the first
    // show unless someone sized the window before that.
    QSize builtSize_;
    bool openingHeightApplied_ = false;
    int connectedSensorCount_ = 0;
};
