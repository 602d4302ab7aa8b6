#include "app/mainwindow.h"

#include "app/dialogs/aboutdialog.h"
#include "app/dialogs/addnetworksensordialog.h"
#include "app/autosavefailurenotice.h"
#include "app/dialogs/displaysettings.h"
#include "app/filetaskqueue.h"
#include "app/tabs/overviewtab.h"
#include "app/dialogs/preferencedialog.h"
#include "app/tabs/pulsetrendscantab.h"
#include "app/scanactivity.h"
#include "app/shellvalues.h"
#include "app/tabs/timeresolvedscantab.h"
#include "app/tabs/timetrendscantab.h"
#include "app/treenamewidth.h"
#include "app/tabs/visibletab.h"
#include "platform/keepawake.h"
#include "scans/basescan.h"
#include "scans/processvalues.h"
#include "scans/scanhandler.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "ui_mainwindow.h"
#include "ui_overviewtab.h"
#include "views/barchart.h"
#include "views/datadisplayplot.h"
#include "views/smithchartdialog.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QUrl>

#include <algorithm>

namespace {

const QString softwareDownloadPage = QStringLiteral("https://www.quorvane.com/support/software-downloads");
const QString configToolQuestion = QStringLiteral(
    "To connect in the sensor config tool, you will need to be connected over USB and we must close the "
    "Quvix "
    "software so that it doesn't override the USB connection. If you select yes, we will close the Quvix "
    "software so it's important to make sure you're not running any scans and that all your data is saved. "
    "Once you have changed your Quvix's configuration, make sure to power cycle your Quvix and to close the "
    "sensor config tool!");

// Long enough to be read, short enough not to outlive what it says.
constexpr int statusMessageMilliseconds = 15000;

// Keeps an object that is never destroyed reachable until the process ends
// (a leak checker would otherwise count it as lost).
template <typename T> T* keepForTheWholeRun(T* object)
{
    static auto* const kept = new QList<QObject*>;
    kept->append(object);
    return object;
}

} // namespace

std::unique_ptr<KeepAwake> MainWindow::defaultKeepAwake()
{
    return KeepAwake::createForPlatform();
}

MainWindow::MainWindow(QWidget* parent, std::unique_ptr<KeepAwake> keepAwake)
    : QMainWindow(parent)
    , ui_(new Ui_MainWindow)
{
    scanActivity_ = new ScanActivity(std::move(keepAwake), this);
    fileTasks_ = new FileTaskQueue(this);
    connect(fileTasks_, &FileTaskQueue::idle, this, [this] {
        if (closingAfterWrites_)
            close();
    });

    // Hidden until the user asks for it; then it moves into the data
    // display's plot row.
    barChart_ = new barchart(this);
    barChart_->hide();
    // No parent: the tab widget takes it when it is inserted.
    overview_ = new overviewTab;
    // The display options dialog's constructor brings the process-wide
    // ScanHandler into being. The dialog has no parent and is never
    // destroyed: scans keep its pointer to read their CSV columns.
    displaySettings_ = keepForTheWholeRun(new DisplaySettings());
    scanHandler_ = ScanHandler::getInstance();
    // No parent: the tab widget takes it when it is inserted.
    timeTrend_ = new timeTrendScanTab(displaySettings_);
    timeResolved_ = new timeResolvedScanTab(displaySettings_);
    pulseTrend_ = new pulseTrendScanTab(displaySettings_);

    ui_->setupUi(this);
    createRecentFileActions();

    applicationVersionString = softwareIdentification(QStringLiteral("Quvix"), 2, 8, 0);
    // The first file of this run written by a newer version asks about an
    // update; later ones do not.
    newerFileState = NewerFileArmed;

    setAcceptDrops(true);

    // From here on USB polling and network discovery run.
    sensorHandler_ = SensorHandler::getInstance();

    for (scanTab* tab : {static_cast<scanTab*>(timeTrend_), static_cast<scanTab*>(timeResolved_),
                         static_cast<scanTab*>(pulseTrend_)}) {
        // Their saves take their turn with the data display's file work.
        tab->setFileTasks(fileTasks_);
        connect(displaySettings_, &DisplaySettings::simpleSmithChanged, &tab->smithDialog(),
                &SmithChartDialog::simpleSmithChanged);
        connect(displaySettings_, &DisplaySettings::smithPointsChanged, &tab->smithDialog(),
                &SmithChartDialog::smithPointsChanged);
    }
    connect(displaySettings_, &DisplaySettings::simpleSmithChanged, overview_,
            &overviewTab::simpleSmithChanged);
    connect(displaySettings_, &DisplaySettings::smithPointsChanged, overview_,
            &overviewTab::smithPointsChanged);
    scanHandler_->setScanTree(ui_->DisplayListTree);
    connect(scanHandler_, &ScanHandler::autosaveFailed, new AutosaveFailureNotice(this),
            &AutosaveFailureNotice::report);
    scanHandler_->setDisplayOptions(displaySettings_);
    // Each goes in front of the ones before it: Overview, Time Trend, Pulse
    // Trend, Time Resolved, then the form's Data Display.
    ui_->tabWidget->insertTab(0, timeResolved_, QStringLiteral("Time Resolved"));
    ui_->tabWidget->insertTab(0, pulseTrend_, QStringLiteral("Pulse Trend"));
    ui_->tabWidget->insertTab(0, timeTrend_, QStringLiteral("Time Trend"));
    ui_->tabWidget->insertTab(0, overview_, QStringLiteral("Overview"));
    connect(sensorHandler_, &SensorHandler::SpecialMonitoringData, this, &MainWindow::monitorUpdate);
    connect(sensorHandler_, &SensorHandler::NewMonitoringData, this, &MainWindow::scanUpdate);
    connect(ui_->tabWidget, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);
    ui_->tabWidget->setCurrentIndex(0);

    // The two pulse tabs share the trigger choice; the pulse-trend tab's
    // level and frequency reach the time-resolved tab.
    connect(timeResolved_, &timeResolvedScanTab::setTrigger, pulseTrend_, &pulseTrendScanTab::toggleTrigger);
    connect(pulseTrend_, &pulseTrendScanTab::setTrigger, timeResolved_, &timeResolvedScanTab::toggleTrigger);
    connect(pulseTrend_, &pulseTrendScanTab::levelSet, timeResolved_, &timeResolvedScanTab::setLevel);
    connect(pulseTrend_, &pulseTrendScanTab::freqSet, timeResolved_, &timeResolvedScanTab::setFreq);
    connect(overview_, &overviewTab::activity, timeTrend_, &scanTab::checkActivity);
    // A private slot of the overview: reached through its meta-object.
    connect(timeTrend_, SIGNAL(activity(bool)), overview_, SLOT(sensorStopped(bool)));
    connect(timeTrend_, &scanTab::activity, this, &MainWindow::scanActivity);
    connect(this, &MainWindow::scanDeleted, timeTrend_, &scanTab::clearScanInfo);
    connect(overview_, &overviewTab::clearSmithDialog, timeTrend_, &scanTab::clearSmithDialog);
    connect(displaySettings_, &DisplaySettings::legendChanged, timeTrend_, &scanTab::setLegendPosition);
    connect(pulseTrend_, &scanTab::activity, this, &MainWindow::scanActivity);
    connect(this, &MainWindow::scanDeleted, pulseTrend_, &scanTab::clearScanInfo);
    connect(displaySettings_, &DisplaySettings::legendChanged, pulseTrend_, &scanTab::setLegendPosition);
    connect(timeResolved_, &scanTab::activity, this, &MainWindow::scanActivity);
    connect(this, &MainWindow::scanDeleted, timeResolved_, &scanTab::clearScanInfo);
    connect(displaySettings_, &DisplaySettings::legendChanged, timeResolved_, &scanTab::setLegendPosition);
    // Scans beyond the handler's limit leave the tree and memory here.
    connect(scanHandler_, &ScanHandler::getRidOfScan, this,
            qOverload<BaseScan*>(&MainWindow::discardSelectedScan));
    // Straight to the window: it tells the sources of activity apart by sender.
    connect(overview_, &overviewTab::activity, this, &MainWindow::scanActivity);
    connect(displaySettings_, &DisplaySettings::legendChanged, overview_, &overviewTab::setLegendPosition);
    displaySettings_->emitLegendPosition();

    // What an acquisition tab could not do, where it asks nobody, is said
    // in the status line; the line is there from the start, so that the
    // pages keep their height when it speaks.
    statusBar()->setSizeGripEnabled(false);
    for (scanTab* tab : {static_cast<scanTab*>(timeTrend_), static_cast<scanTab*>(timeResolved_),
                         static_cast<scanTab*>(pulseTrend_)})
        connect(tab, &scanTab::statusMessage, this,
                [this](const QString& text) { statusBar()->showMessage(text, statusMessageMilliseconds); });

    setMinimumWidth(1200);
    setUpDataDisplay();

    connect(sensorHandler_, &SensorHandler::updateSensorList, this, &MainWindow::updateSensorList);
    connect(sensorHandler_, &SensorHandler::updateSensorList, timeTrend_, &scanTab::updateSensorList);
    connect(sensorHandler_, &SensorHandler::updateSensorList, pulseTrend_, &scanTab::updateSensorList);
    connect(sensorHandler_, &SensorHandler::updateSensorList, timeResolved_, &scanTab::updateSensorList);
    timeTrend_->connectAutoScan();
    connect(sensorHandler_, &SensorHandler::updateSensorList, overview_, &overviewTab::updateSensorList);
    connect(sensorHandler_, &SensorHandler::updateUnavailableSensors, overview_,
            &overviewTab::updateUnavailableWidgets);
    // Sensors found before these connections are shown too.
    updateSensorList(sensorHandler_->sensors());
    overview_->updateSensorList(sensorHandler_->sensors());
    timeTrend_->updateSensorList(sensorHandler_->sensors());
    pulseTrend_->updateSensorList(sensorHandler_->sensors());
    timeResolved_->updateSensorList(sensorHandler_->sensors());
    overview_->updateUnavailableWidgets(sensorHandler_->unavailableSensors());
    connectForm();
    connectDataDisplay();
    auto* deleteKey = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    deleteKey->setContext(Qt::WindowShortcut);
    connect(deleteKey, &QShortcut::activated, this, &MainWindow::deleteShortcut);
    ui_->actionExport_To_CSV->setVisible(false);

    loadSettings();

    createSmithChart();
    // The stored Smith chart options are announced once.
    emit displaySettings_->simpleSmithChanged(displaySettings_->isSimpleSmith());
    emit displaySettings_->smithPointsChanged(displaySettings_->smithPoints());
}

MainWindow::~MainWindow()
{
    // Saves still under way are written to their end, reads are dropped;
    // nothing of the window is reached from the file work after this.
    fileTasks_->finish();
    // The scan handler outlives the window: it must not reach its tree or
    // options afterwards.
    scanHandler_->setScanTree(nullptr);
    scanHandler_->setDisplayOptions(nullptr);
    // The dialog announces its end as it is destroyed, after this window
    // has stopped being one.
    disconnect(smithChart_, &SmithChartDialog::workDone, this, &MainWindow::closeSmithChart);
    delete ui_;
    ui_ = nullptr;
    // The tabs write their own copy of the paths as they are destroyed, with
    // the values they read at start. They go first, together with the central
    // widget that holds them; then the paths this window saved during the run
    // are written last, so that the tabs' stale copies do not replace them.
    // Only the window's own paths: the autosave folder is the tabs'.
    delete takeCentralWidget();
    if (ownPathsWritten_)
        writeOwnPaths();
}

Ui_MainWindow& MainWindow::form() const
{
    return *ui_;
}

const ScanActivity& MainWindow::scanActivityState() const
{
    return *scanActivity_;
}

void MainWindow::createRecentFileActions()
{
    for (int i = 0; i < maxRecentFiles_; ++i) {
        auto* action = new QAction(this);
        action->setVisible(false);
        recentFileActions_.append(action);
        ui_->menuOpen_Recent->addAction(action);
        connect(action, &QAction::triggered, this, &MainWindow::openRecent);
    }
    updateRecentFileActions();
}

void MainWindow::setUpDataDisplay()
{
    ui_->viewer->load(QStringLiteral(":/images/Images/quvix kadro.svg"));
    ui_->viewer->setFixedSize(160, 35);
    ui_->viewer->hide();
    ui_->DisplayListTree->header()->hide();
    // The list keeps the room its names need, up to a third of the window.
    new TreeNameWidth(ui_->DisplayListTree, 1.0 / 3.0);

    plotTools_ = new QButtonGroup(this);
    plotTools_->setExclusive(true);
    plotTools_->addButton(ui_->DisplayZoomButton, DataDisplayPlot::ZoomTool);
    plotTools_->addButton(ui_->DisplayPanButton, DataDisplayPlot::PanTool);
    plotTools_->addButton(ui_->DisplaySelectAreaButton, DataDisplayPlot::ZoneSelectTool);
    plotTools_->addButton(ui_->DisplaySelectPointButton, DataDisplayPlot::PointSelectTool);
    // The plot also changes its own mode (a view that follows the picked
    // time switches it to point selection): the buttons show what is in force.
    const auto showTool = [this](DataDisplayPlot::Tool tool) { plotTools_->button(tool)->setChecked(true); };
    showTool(ui_->DisplayPlot->tool());
    connect(ui_->DisplayPlot, &DataDisplayPlot::toolChanged, this, showTool);
    ui_->DisplayPlot->setMinimumSize(10, 10);
    connect(ui_->DisplayZoomButton, &QPushButton::clicked, ui_->DisplayPlot, &DataDisplayPlot::ActivateZoom);
    connect(ui_->DisplayPanButton, &QPushButton::clicked, ui_->DisplayPlot, &DataDisplayPlot::ActivatePan);
    connect(ui_->DisplaySelectAreaButton, &QPushButton::clicked, ui_->DisplayPlot,
            &DataDisplayPlot::ActivateZoneSelect);
    connect(ui_->DisplaySelectPointButton, &QPushButton::clicked, ui_->DisplayPlot,
            &DataDisplayPlot::ActivatePointSelect);
}

void MainWindow::connectForm()
{
    connect(ui_->actionHelp, &QAction::triggered, this, &MainWindow::displayHelp);
    connect(ui_->actionExit, &QAction::triggered, this, &QWidget::close);
    connect(ui_->actionConfigure_Sensor_IP, &QAction::triggered, this, &MainWindow::open_ip_tool);
    connect(ui_->actionUpdate_Software, &QAction::triggered, this, &MainWindow::updateSoftware);
    connect(ui_->displayOptionsMenuButton, &QAction::triggered, this, &MainWindow::openDisplaySettingsMenu);
    connect(ui_->actionSensors, &QAction::triggered, this, &MainWindow::addNewNetworkSensor);
    connect(ui_->actionAbout, &QAction::triggered, this, &MainWindow::aboutWidget);
    connect(ui_->actionPreferences, &QAction::triggered, this, &MainWindow::preferencesDialog);
    connect(ui_->actionOpen_Scan, &QAction::triggered, this, &MainWindow::open);
    connect(ui_->actionSave_Active_Scan, &QAction::triggered, this, &MainWindow::saveSelectedScan);
    connect(ui_->actionExport_To_CSV, &QAction::triggered, this, &MainWindow::exportSelectedScanToCSV);
}

void MainWindow::preferencesDialog()
{
    PreferenceDialog dialog;
    dialog.exec();
}

void MainWindow::aboutWidget()
{
    AboutDialog dialog;
    dialog.exec();
}

void MainWindow::addNewNetworkSensor()
{
    addNetworkSensorDialog dialog;
    // A sensor removed there leaves no grey tile behind.
    connect(&dialog, &addNetworkSensorDialog::removeFromUnavailable, overview_,
            &overviewTab::removeUnavailableTile);
    dialog.exec();
}

void MainWindow::loadSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    savePath_ = settings.value(QStringLiteral("savefilename"), QStringLiteral("./")).toString();
    loadPath_ = settings.value(QStringLiteral("loadfilename"), QStringLiteral("./")).toString();
    // The tabs own the autosave folder from here on (the user changes it in
    // them) and store it themselves; the window keeps no copy to go stale.
    const QString autosaveFolder =
        settings.value(QStringLiteral("autosavedir"), QStringLiteral(".")).toString();
    const bool autosaveOn = settings.value(QStringLiteral("autosaveState"), false).toBool();
    const QString autosaveTitle = settings.value(QStringLiteral("autosaveTitle"), QString()).toString();
    settings.endGroup();

    timeTrend_->setAutosaveConfig(autosaveOn, autosaveFolder, autosaveTitle);
    timeResolved_->setAutosaveConfig(autosaveOn, autosaveFolder, autosaveTitle);
    pulseTrend_->setAutosaveConfig(autosaveOn, autosaveFolder, autosaveTitle);

    // The stored size and position are written but deliberately not applied:
    // the window opens at the size of its contents.
    settings.beginGroup(QStringLiteral("MainWindow"));
    settings.endGroup();
    adjustSize();
    // adjustSize keeps a window within two thirds of its screen, which on
    // common screens is below the minimum width: there the acquisition tabs'
    // sections left their parameter view too little room and its meter names
    // overlapped.
    if (const QScreen* shownOn = screen())
        resize(openingWidth(shownOn->availableGeometry()), height());
    builtSize_ = size();
}

int MainWindow::openingWidth(const QRect& availableArea) const
{
    return std::max(minimumWidth(), availableArea.width());
}

int MainWindow::openingHeight(const QRect& availableArea) const
{
    // The tab widget is as low as its tallest page allows; the overview's
    // page scrolls by the amount its contents need beyond that.
    int tallestPage = 0;
    for (int page = 0; page < ui_->tabWidget->count(); ++page) {
        const QWidget* shown = ui_->tabWidget->widget(page);
        tallestPage = std::max({tallestPage, shown->minimumSizeHint().height(), shown->minimumHeight()});
    }
    const int overviewContents = overview_->form().pageContents->minimumSizeHint().height();
    const int unscrolled = minimumSizeHint().height() + std::max(0, overviewContents - tallestPage);
    const int lowest = std::max(minimumHeight(), minimumSizeHint().height());
    return std::max(lowest, std::min(std::max(height(), unscrolled), availableArea.height()));
}

void MainWindow::saveSettings()
{
    writeOwnPaths();
    // The tab keeps track of what is stored, so that a choice it reverts
    // later in the run is stored at shut-down too.
    timeTrend_->storeAutosaveChoice();
    QSettings settings;
    settings.beginGroup(QStringLiteral("MainWindow"));
    settings.setValue(QStringLiteral("size"), size());
    settings.setValue(QStringLiteral("pos"), pos());
    settings.endGroup();
    ownPathsWritten_ = true;
}

void MainWindow::writeOwnPaths()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(QStringLiteral("savefilename"), savePath_);
    settings.setValue(QStringLiteral("loadfilename"), loadPath_);
    settings.endGroup();
}

void MainWindow::updateSensorList(QList<QuvixSensor*>& sensors)
{
    showConnectionState(sensors.size());
}

void MainWindow::showConnectionState(int sensorCount)
{
    connectedSensorCount_ = sensorCount;
    if (sensorCount > 0) {
        ui_->lbStatus->setPixmap(QPixmap(QStringLiteral(":/images/Images/on-state.png")));
        ui_->lbComms->setText(QStringLiteral("Connected (%1)").arg(sensorCount));
    } else {
        ui_->lbStatus->setPixmap(QPixmap(QStringLiteral(":/images/Images/off-state.png")));
        ui_->lbComms->setText(QStringLiteral("Disconnected"));
    }
}

void MainWindow::updateSoftware()
{
    QDesktopServices::openUrl(QUrl(softwareDownloadPage));
}

void MainWindow::displayHelp()
{
    const QString guide = QCoreApplication::applicationDirPath() + QStringLiteral("/") + userGuideFileName;
    if (QFile::exists(guide)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(guide));
        return;
    }
    QMessageBox::warning(this, QStringLiteral("Opening Manual"),
                         QStringLiteral("Unable to find help file\nPlease check install folder."),
                         QMessageBox::Ok);
}

void MainWindow::scanActivity(bool active)
{
    scanActivity_->report(sender(), active);
}

void MainWindow::openDisplaySettingsMenu()
{
    if (displaySettings_->exec() != QDialog::Accepted)
        return;
    timeTrend_->updateMeterView();
    timeResolved_->updateMeterView();
    pulseTrend_->updateMeterView();
}

DisplaySettings* MainWindow::displaySettings() const
{
    return displaySettings_;
}

void MainWindow::tabChanged(int index)
{
    if (index == 1)
        timeTrend_->updateSensorCheckState();
}

void MainWindow::monitorUpdate(BaseScan* scan)
{
    if (auto* tab = visibleTabOf<scanTab>(*ui_->tabWidget))
        tab->monitorUpdate(scan, 0);
}

void MainWindow::scanUpdate(BaseScan* scan)
{
    if (auto* tab = visibleTabOf<scanTab>(*ui_->tabWidget))
        tab->scanUpdate(scan);
}

void MainWindow::open_ip_tool()
{
    const auto answer = QMessageBox::question(this, QStringLiteral("Open Sensor Config Tool."),
                                              configToolQuestion, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/QuvixIPConfig");
    if (!QProcess::startDetached(tool, {})) {
        // Closing anyway would leave the user with neither program.
        QMessageBox::warning(
            this, QStringLiteral("Open Sensor Config Tool."),
            QStringLiteral("Unable to start the sensor config tool:\n%1\nPlease check install "
                           "folder.")
                .arg(tool),
            QMessageBox::Ok);
        return;
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closingAfterWrites_ && !userAgreesToClose()) {
        event->ignore();
        return;
    }
    // Saves under way are written before the window goes: it stays, showing
    // their progress, and closes once they are done. Files still to be read
    // are not waited for.
    fileTasks_->dropReads();
    if (fileTasks_->isWriting()) {
        closingAfterWrites_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool MainWindow::userAgreesToClose()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    const bool ask = settings.value(QStringLiteral("askBeforeYouClose"), false).toBool();
    const QString question =
        settings.value(QStringLiteral("warningQueryAsked"), closeQuestionText).toString();
    settings.endGroup();
    if (!ask)
        return true;
    const auto answer = QMessageBox::question(this, QStringLiteral("Quvix"), question,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The overview's page scrolls rather than make the window taller than a
    // laptop screen; where the screen has room, the window opens without
    // that scrolling. Its children are shown by now, so their minimum
    // heights are final, and the window is not yet on screen.
    if (openingHeightApplied_)
        return;
    openingHeightApplied_ = true;
    if (size() != builtSize_)
        return;
    if (const QScreen* shownOn = screen())
        resize(width(), openingHeight(shownOn->availableGeometry()));
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && ui_ != nullptr) {
        ui_->retranslateUi(this);
        // The form's texts include the status label; keep what it shows.
        showConnectionState(connectedSensorCount_);
    }
}
