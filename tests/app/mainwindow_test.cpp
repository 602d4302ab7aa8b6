#include "app/mainwindow.h"

#include "app/dialogs/aboutdialog.h"
#include "app/autosavefailurenotice.h"

#include "app/dialogs/displaysettings.h"
#include "app/tabs/overviewtab.h"
#include "app/tabs/pulsetrendscantab.h"
#include "app/tabs/quvixdisplaywidget.h"

#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/shellvalues.h"
#include "app/tabs/timeresolvedscantab.h"
#include "app/tabs/timetrendscantab.h"
#include "app/tabs/visibletab.h"
#include "scans/basescan.h"
#include "scans/csvoptions.h"
#include "scans/processvalues.h"
#include "scans/scanhandler.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "support/scanfactory.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_overviewtab.h"
#include "ui_scantab.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

// The window's own behaviour; the sensor handler it starts finds no sensors
// here (no stand-in driver beside this test).

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <qwt_plot.h>
#include <qwt_plot_legenditem.h>

#include <algorithm>

namespace {

// Receives what the window asks the desktop to open.
class DesktopRequests : public QObject
{
    Q_OBJECT
public:
    explicit DesktopRequests(const QString& scheme)
        : scheme_(scheme)
    {
        QDesktopServices::setUrlHandler(scheme_, this, "open");
    }
    ~DesktopRequests() override { QDesktopServices::unsetUrlHandler(scheme_); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }

private:
    QString scheme_;
};

// Reports scan activity the way an acquisition tab does.
class ActivitySource : public QWidget
{
    Q_OBJECT
signals:
    void activity(bool active);
};

class MainWindowTest : public ::testing::Test
{
protected:
    // Building the window starts the sensor handler, which broadcasts.
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        QSettings().clear();
    }
    void TearDown() override { QSettings().clear(); }

    std::unique_ptr<MainWindow> makeWindow()
    {
        return std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
    }

    // Autosave on, into "/data/auto", titled by serial number.
    static void storeSerialAutosave()
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("autosavedir"), QStringLiteral("/data/auto"));
        settings.setValue(QStringLiteral("autosaveTitle"), QStringLiteral("<serial>"));
        settings.setValue(QStringLiteral("autosaveState"), true);
    }
    static void expectSerialAutosave(const scanTab& tab)
    {
        EXPECT_TRUE(tab.isAutosaveOn());
        EXPECT_EQ(tab.autosaveFolder(), QStringLiteral("/data/auto"));
        EXPECT_EQ(tab.autosaveTitle(), QStringLiteral("<serial>"));
    }
    static void expectActivityReachesWindow(const MainWindow& window, scanTab& tab)
    {
        emit tab.activity(true);
        EXPECT_TRUE(window.scanActivityState().isAnyActive());
        emit tab.activity(false);
        EXPECT_FALSE(window.scanActivityState().isAnyActive());
    }

    static QImage imageOf(const QLabel* label) { return label->pixmap(Qt::ReturnByValue).toImage(); }
    static QImage resourceImage(const char* name)
    {
        return QPixmap(QStringLiteral(":/images/Images/") + QString::fromLatin1(name)).toImage();
    }
};

TEST_F(MainWindowTest, StatusFollowsTheSensorList)
{
    auto window = makeWindow();
    Ui_MainWindow& form = window->form();
    QList<QuvixSensor*> three = {nullptr, nullptr, nullptr};
    window->updateSensorList(three);
    EXPECT_EQ(form.lbComms->text(), QStringLiteral("Connected (3)"));
    EXPECT_EQ(imageOf(form.lbStatus), resourceImage("on-state.png"));

    QList<QuvixSensor*> none;
    window->updateSensorList(none);
    EXPECT_EQ(form.lbComms->text(), QStringLiteral("Disconnected"));
    EXPECT_EQ(imageOf(form.lbStatus), resourceImage("off-state.png"));
}

TEST_F(MainWindowTest, LanguageChangeKeepsTheConnectionState)
{
    auto window = makeWindow();
    QList<QuvixSensor*> one = {nullptr};
    window->updateSensorList(one);
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(window.get(), &languageChange);
    EXPECT_EQ(window->form().lbComms->text(), QStringLiteral("Connected (1)"));
    EXPECT_EQ(window->form().actionOpen_Scan->text(), QStringLiteral("Load..."));
}

TEST_F(MainWindowTest, KeepAwakeHeldWhileAnyTabScans)
{
    auto window = makeWindow();
    ActivitySource timeTrend;
    ActivitySource pulseTrend;
    QObject::connect(&timeTrend, &ActivitySource::activity, window.get(), &MainWindow::scanActivity);
    QObject::connect(&pulseTrend, &ActivitySource::activity, window.get(), &MainWindow::scanActivity);
    const KeepAwake& keepAwake = window->scanActivityState().keepAwake();

    emit timeTrend.activity(true);
    EXPECT_TRUE(keepAwake.isHeld());
    emit pulseTrend.activity(true);
    emit timeTrend.activity(false);
    EXPECT_TRUE(keepAwake.isHeld()) << "the pulse-trend tab still scans";
    emit pulseTrend.activity(true); // repeated reports change nothing
    EXPECT_TRUE(keepAwake.isHeld());
    emit pulseTrend.activity(false);
    EXPECT_FALSE(keepAwake.isHeld());
    emit timeTrend.activity(true);
    EXPECT_TRUE(keepAwake.isHeld()) << "a later scan renews it";
}

TEST_F(MainWindowTest, DestroyedScanningSourceNoLongerHoldsKeepAwake)
{
    auto window = makeWindow();
    auto source = std::make_unique<ActivitySource>();
    QObject::connect(source.get(), &ActivitySource::activity, window.get(), &MainWindow::scanActivity);
    emit source->activity(true);
    EXPECT_TRUE(window->scanActivityState().isAnyActive());
    source.reset();
    EXPECT_FALSE(window->scanActivityState().keepAwake().isHeld());
}

TEST_F(MainWindowTest, CloseAsksOnlyWhenTheUserWantsIt)
{
    auto window = makeWindow();
    window->show();
    {
        MessageBoxAnswers user({QMessageBox::Yes});
        EXPECT_TRUE(window->close()) << "by default the window closes without a question";
        EXPECT_TRUE(user.seen().isEmpty());
    }

    QSettings().setValue(QStringLiteral("Settings/askBeforeYouClose"), true);
    window->show();
    {
        MessageBoxAnswers user({QMessageBox::No});
        EXPECT_FALSE(window->close());
        EXPECT_TRUE(window->isVisible()) << "No keeps the window";
        ASSERT_EQ(user.seen().size(), 1);
        EXPECT_EQ(user.seen()[0].title, QStringLiteral("Quvix"));
        EXPECT_EQ(user.seen()[0].text, closeQuestionText);
        EXPECT_EQ(user.seen()[0].buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(user.seen()[0].defaultButton, QMessageBox::No);
    }

    QSettings().setValue(QStringLiteral("Settings/warningQueryAsked"), QStringLiteral("Really?"));
    {
        MessageBoxAnswers user({QMessageBox::Yes});
        EXPECT_TRUE(window->close());
        ASSERT_EQ(user.seen().size(), 1);
        EXPECT_EQ(user.seen()[0].text, QStringLiteral("Really?"));
    }
}

TEST_F(MainWindowTest, MissingUserGuideWarns)
{
    ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/" + userGuideFileName));
    auto window = makeWindow();
    MessageBoxAnswers user({QMessageBox::Ok});
    window->form().actionHelp->trigger();
    ASSERT_EQ(user.seen().size(), 1);
    EXPECT_EQ(user.seen()[0].title, QStringLiteral("Opening Manual"));
    EXPECT_EQ(user.seen()[0].text, QStringLiteral("Unable to find help file\nPlease check install folder."));
    EXPECT_EQ(user.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(user.seen()[0].buttons, QMessageBox::Ok);
}

TEST_F(MainWindowTest, UserGuideBesideTheProgramIsOpenedByTheDesktop)
{
    // The test that expects no guide never runs beside this one (CMakeLists).
    const QString guide = QCoreApplication::applicationDirPath() + "/" + userGuideFileName;
    QFile file(guide);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    struct RemoveGuide {
        QString path;
        ~RemoveGuide() { QFile::remove(path); }
    } removeGuide{guide};
    const QString elsewhere = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir::tempPath())) << "the working folder is not the program folder";

    DesktopRequests desktop(QStringLiteral("file"));
    auto window = makeWindow();
    MessageBoxAnswers user({QMessageBox::Ok});
    window->form().actionHelp->trigger();
    QDir::setCurrent(elsewhere);
    EXPECT_TRUE(user.seen().isEmpty());
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(guide)});
}

TEST_F(MainWindowTest, UpdateSoftwareOpensTheDownloadPage)
{
    DesktopRequests browser(QStringLiteral("https"));
    auto window = makeWindow();
    window->form().actionUpdate_Software->trigger();
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_EQ(browser.opened.front().scheme(), QStringLiteral("https"));
    EXPECT_FALSE(browser.opened.front().host().isEmpty());
}

TEST_F(MainWindowTest, ConfigToolThatCannotStartIsReportedAndWindowStays)
{
    ASSERT_FALSE(QFile::exists(QCoreApplication::applicationDirPath() + "/QuvixIPConfig"));
    auto window = makeWindow();
    window->show();
    MessageBoxAnswers user({QMessageBox::Yes, QMessageBox::Ok});
    window->form().actionConfigure_Sensor_IP->trigger();
    ASSERT_EQ(user.seen().size(), 2);
    EXPECT_EQ(user.seen()[0].title, QStringLiteral("Open Sensor Config Tool."));
    EXPECT_TRUE(user.seen()[0].text.startsWith(QStringLiteral("To connect in the sensor config tool")));
    EXPECT_EQ(user.seen()[1].icon, QMessageBox::Warning);
    EXPECT_TRUE(user.seen()[1].text.contains(QStringLiteral("QuvixIPConfig")));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, ConfigToolDeclinedDoesNothing)
{
    auto window = makeWindow();
    window->show();
    MessageBoxAnswers user({QMessageBox::No});
    window->open_ip_tool();
    EXPECT_EQ(user.seen().size(), 1);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, SettingsComeBackAsStored)
{
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("savefilename"), QStringLiteral("/data/last.dat"));
        settings.setValue(QStringLiteral("autosavedir"), QStringLiteral("/data/auto"));
        settings.setValue(QStringLiteral("autosaveTitle"), QStringLiteral("<date>_<serial>"));
        settings.setValue(QStringLiteral("autosaveState"), true);
    }
    auto window = makeWindow();
    window->saveSettings();
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    EXPECT_EQ(settings.value(QStringLiteral("savefilename")).toString(), QStringLiteral("/data/last.dat"));
    EXPECT_EQ(settings.value(QStringLiteral("loadfilename")).toString(), QStringLiteral("./"));
    EXPECT_EQ(settings.value(QStringLiteral("autosavedir")).toString(), QStringLiteral("/data/auto"));
    EXPECT_EQ(settings.value(QStringLiteral("autosaveTitle")).toString(), QStringLiteral("<date>_<serial>"));
    EXPECT_TRUE(settings.value(QStringLiteral("autosaveState")).toBool());
    settings.endGroup();
    EXPECT_EQ(settings.value(QStringLiteral("MainWindow/size")).toSize(), window->size());
}

TEST_F(MainWindowTest, ThePulseTrendTabFollowsTheTimeTrendTabWithTheStoredAutosave)
{
    storeSerialAutosave();
    auto window = makeWindow();
    pulseTrendScanTab* tab = window->pulseTrend();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(window->form().tabWidget->indexOf(tab), 2);
    EXPECT_EQ(window->form().tabWidget->tabText(2), QStringLiteral("Pulse Trend"));
    expectSerialAutosave(*tab);

    expectActivityReachesWindow(*window, *tab);
}

// A start on a sensor gone since it was bound asks nobody, but the window's
// status line says why nothing started, whichever tab it was.
TEST_F(MainWindowTest, AStartOnASensorThatHasGoneIsSaidInTheStatusLine)
{
    FakeSensor sensor({13.56}, {1});
    sensor.setFirmware(QStringLiteral("v6.0"), 6, 0);
    auto window = makeWindow();
    for (scanTab* tab :
         {static_cast<scanTab*>(window->timeTrend()), static_cast<scanTab*>(window->pulseTrend()),
          static_cast<scanTab*>(window->timeResolved())}) {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
        ASSERT_EQ(tab->activeSensor(), &sensor);
        sensor.setConnected(false);
        window->statusBar()->clearMessage();
        tab->form().startScan->click();
        EXPECT_EQ(window->statusBar()->currentMessage(),
                  QStringLiteral("A123 is no longer connected: the scan was not started."));
        EXPECT_EQ(sensor.pendingScan(), nullptr);
        EXPECT_FALSE(tab->getCurScan());
        sensor.setConnected(true);
    }
}

// A sensor left in pulse monitor mode shows it again whenever the user comes
// back to the Time Trend tab, whatever the box was set to meanwhile.
TEST_F(MainWindowTest, ShowingTheTimeTrendTabShowsItsSensorsPulseMonitorMode)
{
    FakeSensor sensor({13.56}, {1});
    sensor.setFirmware(QStringLiteral("v6.0"), 6, 0);
    sensor.setPulseMonitorMode(true);
    auto window = makeWindow();
    QTabWidget& tabs = *window->form().tabWidget;
    timeTrendScanTab& tab = *window->timeTrend();
    ASSERT_EQ(tabs.indexOf(&tab), 1);
    QList<QuvixSensor*> sensors{&sensor};
    tab.updateSensorList(sensors);
    ASSERT_EQ(tab.activeSensor(), &sensor);
    QCheckBox& pulseBox = *tab.form().enablePulse;
    ASSERT_TRUE(pulseBox.isChecked());

    pulseBox.setChecked(false);
    tabs.setCurrentIndex(2);
    EXPECT_FALSE(pulseBox.isChecked());
    tabs.setCurrentIndex(1);
    EXPECT_TRUE(pulseBox.isChecked());

    sensor.setPulseMonitorMode(false);
    tabs.setCurrentIndex(0);
    pulseBox.setChecked(false);
    tabs.setCurrentIndex(1);
    EXPECT_FALSE(pulseBox.isChecked());
}

// Writes its own stale copy of the save path when it goes, as a scan tab does.
class StaleSettingsTab : public QWidget
{
public:
    ~StaleSettingsTab() override
    {
        QSettings().setValue(QStringLiteral("Settings/savefilename"),
                             QStringLiteral("/stale/from-start.dat"));
    }
};

TEST_F(MainWindowTest, PathsTheWindowSavedOutliveTheTabsStaleCopies)
{
    // The real Time Trend tab writes back what it read at start, like the
    // stand-in: both hold the same stale path.
    QSettings().setValue(QStringLiteral("Settings/savefilename"), QStringLiteral("/stale/from-start.dat"));
    auto window = makeWindow();
    window->form().tabWidget->insertTab(0, new StaleSettingsTab, QStringLiteral("Time Trend"));
    QSettings().setValue(QStringLiteral("Settings/savefilename"), QStringLiteral("/data/saved-now.dat"));
    window.reset();
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/savefilename")).toString(),
              QStringLiteral("/stale/from-start.dat"))
        << "without a save by the window, the tab's value stands";

    QSettings().setValue(QStringLiteral("Settings/savefilename"), QStringLiteral("/data/saved-now.dat"));
    window = makeWindow();
    window->form().tabWidget->insertTab(0, new StaleSettingsTab, QStringLiteral("Time Trend"));
    window->saveSettings(); // as after a save from the window's own menu
    window.reset();
    EXPECT_EQ(QSettings().value(QStringLiteral("Settings/savefilename")).toString(),
              QStringLiteral("/data/saved-now.dat"));
}

// The autosave folder and name picked in any tab during a run are the ones
// the next start finds, whatever the other tabs read at start, and also when
// the window saved its own paths after a save or an export.
TEST_F(MainWindowTest, TheAutosaveFolderPickedDuringARunComesBackAtTheNextStart)
{
    const auto scanTabs = [](const MainWindow& window) {
        return QList<scanTab*>{window.timeTrend(), window.pulseTrend(), window.timeResolved()};
    };
    for (int picked = 0; picked < 3; ++picked) {
        const QString folder = QStringLiteral("/data/picked/%1").arg(picked);
        for (const bool windowSaved : {false, true}) {
            SCOPED_TRACE(testing::Message() << "tab " << picked << ", window saved " << windowSaved);
            storeSerialAutosave();
            auto window = makeWindow();
            scanTabs(*window)[picked]->setAutosaveConfig(true, folder, QStringLiteral("<nick>"));
            if (windowSaved)
                window->saveSettings();
            window.reset();
            window = makeWindow();
            for (const scanTab* tab : scanTabs(*window)) {
                EXPECT_EQ(tab->autosaveFolder(), folder);
                EXPECT_EQ(tab->autosaveTitle(), QStringLiteral("<nick>"));
            }
        }
    }
}

// Autosave turned on or off in any tab during a run, with or without a save
// or export of the window in between, is what the next start shows in
// every tab; so is a name pattern changed back after such a save.
TEST_F(MainWindowTest, TheAutosaveStateLeftInAnyTabComesBackAtTheNextStart)
{
    constexpr int windowSaves = -1;
    struct Step {
        int tab; // index into the scan tabs, or windowSaves
        bool on;
        const char* title;
    };
    struct Case {
        bool storedOn;
        QList<Step> steps;
        bool expectedOn;
        const char* expectedTitle;
    };
    const Case cases[] = {
        {false, {{0, true, "<serial>"}}, true, "<serial>"},
        {false, {{1, true, "<serial>"}}, true, "<serial>"},
        {true, {{2, false, "<serial>"}}, false, "<serial>"},
        {false, {{0, true, "<serial>"}, {windowSaves, false, ""}}, true, "<serial>"},
        {false, {{1, true, "<serial>"}, {windowSaves, false, ""}}, true, "<serial>"},
        {false, {{0, true, "<serial>"}, {windowSaves, false, ""}, {0, false, "<serial>"}}, false, "<serial>"},
        {true, {{0, true, "<nick>"}, {windowSaves, false, ""}, {0, true, "<serial>"}}, true, "<serial>"},
    };
    const auto scanTabs = [](const MainWindow& window) {
        return QList<scanTab*>{window.timeTrend(), window.pulseTrend(), window.timeResolved()};
    };
    for (int c = 0; c < int(std::size(cases)); ++c) {
        SCOPED_TRACE(testing::Message() << "case " << c);
        storeSerialAutosave();
        QSettings().setValue(QStringLiteral("Settings/autosaveState"), cases[c].storedOn);
        auto window = makeWindow();
        for (const Step& step : cases[c].steps) {
            if (step.tab == windowSaves)
                window->saveSettings();
            else
                scanTabs(*window)[step.tab]->setAutosaveConfig(step.on, QStringLiteral("/data/auto"),
                                                               QString::fromLatin1(step.title));
        }
        window.reset();
        window = makeWindow();
        for (const scanTab* tab : scanTabs(*window)) {
            EXPECT_EQ(tab->isAutosaveOn(), cases[c].expectedOn);
            EXPECT_EQ(tab->autosaveTitle(), QString::fromLatin1(cases[c].expectedTitle));
        }
    }
}

TEST_F(MainWindowTest, TheTimeResolvedTabFollowsTheTrendTabsAndIsWiredLikeThem)
{
    storeSerialAutosave();
    auto window = makeWindow();
    QTabWidget& tabs = *window->form().tabWidget;
    timeResolvedScanTab* tab = window->timeResolved();
    ASSERT_NE(tab, nullptr);
    const int index = tabs.indexOf(tab);
    EXPECT_EQ(tabs.tabText(index), QStringLiteral("Time Resolved"));
    EXPECT_GT(index, tabs.indexOf(window->timeTrend()));
    EXPECT_EQ(index, tabs.indexOf(window->pulseTrend()) + 1);
    EXPECT_EQ(tabs.tabText(index + 1), QStringLiteral("Data Display"));
    EXPECT_EQ(index + 2, tabs.count());

    expectSerialAutosave(*tab);

    expectActivityReachesWindow(*window, *tab);

    DisplaySettings& options = *window->displaySettings();
    emit options.smithPointsChanged(7);
    emit options.simpleSmithChanged(true);
    EXPECT_EQ(tab->smithDialog().chart()->pointLimit(), 7);
    EXPECT_TRUE(tab->smithDialog().chart()->isSimpleChart());
    emit options.legendChanged(5);
    const QwtPlotItemList legends = tab->plot().itemList(QwtPlotItem::Rtti_PlotLegend);
    ASSERT_EQ(legends.size(), 1);
    EXPECT_EQ(static_cast<QwtPlotLegendItem*>(legends.front())->alignment(), Qt::AlignTop | Qt::AlignLeft);

    // The pulse tabs share the trigger; the pulse-trend tab's level and
    // frequency reach this tab.
    pulseTrendScanTab& pulseTrend = *window->pulseTrend();
    emit tab->setTrigger(-3);
    EXPECT_TRUE(pulseTrend.externalTrigger().isChecked());
    EXPECT_FALSE(pulseTrend.internalTrigger().isChecked());
    emit pulseTrend.setTrigger(-3);
    EXPECT_TRUE(tab->controls().externalTrigger->isChecked());
    emit pulseTrend.setTrigger(-2);
    EXPECT_TRUE(tab->controls().internalTrigger->isChecked());
    emit pulseTrend.levelSet(QStringLiteral("33"));
    emit pulseTrend.freqSet(QStringLiteral("2.5"));
    EXPECT_EQ(tab->controls().level->text(), QStringLiteral("33"));
    EXPECT_EQ(tab->controls().pulseFrequency->text(), QStringLiteral("2.5"));

    // Accepted display options rebuild its meter slots.
    tab->meterLabel(0)->setText(QStringLiteral("stale"));
    QTimer::singleShot(0, &options,
                       [&] { options.findChild<QPushButton*>(QStringLiteral("pbApply"))->click(); });
    window->form().displayOptionsMenuButton->trigger();
    EXPECT_EQ(tab->meterLabel(0)->text(), QStringLiteral("   ---"));

    // A scan the window discards leaves the tab.
    FakeSensor sensor({13.56}, {1});
    QList<QuvixSensor*> sensors{&sensor};
    tab->updateSensorList(sensors);
    tab->form().startScan->click();
    BaseScan* scan = tab->currentScan();
    ASSERT_NE(scan, nullptr);
    tab->form().stopScan->click();
    emit window->scanDeleted(scan);
    EXPECT_EQ(tab->currentScan(), nullptr);
    QList<QuvixSensor*> none;
    tab->updateSensorList(none);
    window.reset();
    delete sensor.takePendingScan();
}

TEST_F(MainWindowTest, WindowLayout)
{
    auto window = makeWindow();
    Ui_MainWindow& form = window->form();
    EXPECT_EQ(window->minimumWidth(), 1200);
    EXPECT_EQ(form.tabWidget->currentIndex(), 0);
    EXPECT_FALSE(form.actionExport_To_CSV->isVisible());
    EXPECT_TRUE(form.viewer->isHidden());
    EXPECT_TRUE(form.DisplayListTree->header()->isHidden());
    EXPECT_EQ(form.menuOpen_Recent->actions().size(), 10);
    for (QAction* recent : form.menuOpen_Recent->actions())
        EXPECT_FALSE(recent->isVisible());

    form.DisplayZoomButton->setEnabled(true); // plot tools are one exclusive group
    form.DisplayZoomButton->click();
    EXPECT_TRUE(form.DisplayZoomButton->isChecked());
    EXPECT_FALSE(form.DisplayPanButton->isChecked());
}

TEST_F(MainWindowTest, FillsTheProcessValuesFilesCarry)
{
    applicationVersionString.clear();
    csvDelimiter.clear();
    auto window = makeWindow();
    EXPECT_EQ(applicationVersionString, QStringLiteral("Quvix 2.8.0"));
    EXPECT_EQ(csvDelimiter, QStringLiteral(";"));
}

TEST_F(MainWindowTest, ScanHandlerShowsLoadedScansInTheWindowsTree)
{
    std::unique_ptr<BaseScan> scan;
    try {
        scan =
            BaseScan::loadDat(testenv::sourceDir() + QStringLiteral("/tests/scans/scanfile_corpus/cw.dat"));
    } catch (int code) {
        FAIL() << "the committed scan file did not load: " << code;
    }
    ASSERT_NE(scan, nullptr);
    auto window = makeWindow();
    ScanHandler::getInstance()->scanLoaded(scan.get());
    ASSERT_EQ(window->form().DisplayListTree->topLevelItemCount(), 1);

    window.reset();
    ScanHandler::getInstance()->scanLoaded(scan.get()); // no tree any more: nothing to reach
}

TEST_F(MainWindowTest, DisplayOptionsOpenFromTheMenuAndTheirDelimiterReachesAutosavedScans)
{
    auto window = makeWindow();
    QAction* menuEntry = window->form().displayOptionsMenuButton;
    EXPECT_TRUE(menuEntry->isEnabled());
    DisplaySettings* options = window->displaySettings();
    ASSERT_NE(options, nullptr);
    bool shownModally = false;
    QTimer::singleShot(0, options, [&] {
        shownModally = QApplication::activeModalWidget() == options;
        options->findChild<QComboBox*>(QStringLiteral("delimiterComboBox"))->setCurrentIndex(1); // ","
        options->findChild<QPushButton*>(QStringLiteral("pbApply"))->click();
    });
    menuEntry->trigger();
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(options->isVisible());

    FakeSensor sensor({13.56}, {1});
    auto scan = scantest::cwScan(sensor, 3);
    QTemporaryDir folder;
    scan->autosaveEnabled = true;
    scan->setAutosaveTarget(folder.path(), QStringLiteral("finished"));
    ScanHandler::getInstance()->scanComplete(scan.get());
    const QStringList written = QDir(folder.path()).entryList({QStringLiteral("*.csv")});
    ASSERT_EQ(written.size(), 1);
    QFile csv(folder.filePath(written.front()));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\nDate,"))) << qPrintable(text.left(200));
    EXPECT_FALSE(text.contains(QLatin1Char(';')));
    ScanHandler::getInstance()->setScanLimit(30);
}

TEST_F(MainWindowTest, AboutOpensModallyFromTheHelpMenu)
{
    auto window = makeWindow();
    QAction* menuEntry = window->form().actionAbout;
    ASSERT_TRUE(menuEntry->isEnabled());
    QString versionShown;
    QTimer::singleShot(0, window.get(), [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->parentWidget(), nullptr);
        versionShown = about->findChild<QLabel*>(QStringLiteral("lbVersion"))->text();
        about->reject();
    });
    menuEntry->trigger();
    EXPECT_EQ(versionShown, "Version 2.8.0 (Build 5907)");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window->findChild<AboutDialog*>(), nullptr);
}

// Failed autosaves reach the user as one warning at a time, not as a box per
// scan; once the user closes it, the next failure opens a new one.
TEST_F(MainWindowTest, FailedAutosavesShowOneWarningAtATime)
{
    auto window = makeWindow();
    const auto openWarnings = [] {
        int open = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(widget) && widget->isVisible())
                ++open;
        return open;
    };
    ScanHandler* registry = ScanHandler::getInstance();
    registry->reportAutosaveFailure("run-A123", "the folder /data does not exist");
    ASSERT_EQ(openWarnings(), 1);
    QMessageBox* box = window->findChild<AutosaveFailureNotice*>()->openBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_TRUE(box->text().contains("run-A123")) << qPrintable(box->text());
    EXPECT_TRUE(box->text().contains("the folder /data does not exist")) << qPrintable(box->text());

    registry->reportAutosaveFailure("run_1-A123", "the folder /data does not exist");
    registry->reportAutosaveFailure("run_2-A123", "the folder /data does not exist");
    EXPECT_EQ(openWarnings(), 1);
    EXPECT_TRUE(box->text().startsWith("3 scans")) << qPrintable(box->text());
    EXPECT_TRUE(box->detailedText().contains("run_1-A123"));

    box->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openWarnings(), 0);
    registry->reportAutosaveFailure("run_3-A123", "the folder /data does not exist");
    ASSERT_EQ(openWarnings(), 1);
    EXPECT_TRUE(window->findChild<AutosaveFailureNotice*>()->openBox()->text().startsWith("The scan run_3"));
}

TEST(VisibleTab, OnlyTheVisiblePageOfTheWantedKind)
{
    QTabWidget tabs;
    auto* overview = new QWidget;
    auto* acquisition = new ActivitySource;
    tabs.addTab(overview, QStringLiteral("Overview"));
    tabs.addTab(acquisition, QStringLiteral("Time Trend"));
    tabs.setCurrentIndex(0);
    EXPECT_EQ(visibleTabOf<ActivitySource>(tabs), nullptr);
    tabs.setCurrentIndex(1);
    EXPECT_EQ(visibleTabOf<ActivitySource>(tabs), acquisition);
    QTabWidget empty;
    EXPECT_EQ(visibleTabOf<ActivitySource>(empty), nullptr);
}

} // namespace

#include "mainwindow_test.moc"

namespace {

// Whether the whole of a child shows in a scroll area's viewport.
bool showsWhole(const QScrollArea& area, const QWidget& child)
{
    const QRect shown(child.mapTo(area.viewport(), QPoint(0, 0)), child.size());
    return area.viewport()->rect().contains(shown);
}

} // namespace

TEST_F(MainWindowTest, TheWindowFitsALaptopScreenAndTheOverviewScrollsToItsWholePage)
{
    auto window = makeWindow();
    overviewTab& overview = *window->overview();
    overview.updateUnavailableWidgets({QStringLiteral("QVX0001")});
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->height(), window->openingHeight(window->screen()->availableGeometry()));

    // Room left for a window manager's title bar on a 1600 x 1000 screen.
    const QRect laptop(0, 0, 1600, 1000);
    const int titleBar = 40;
    const QSize lowest = window->minimumSize().expandedTo(window->minimumSizeHint());
    EXPECT_LE(lowest.width(), laptop.width());
    EXPECT_LE(lowest.height(), laptop.height() - titleBar);
    EXPECT_LE(window->openingHeight(laptop), laptop.height());

    // At its lowest the window keeps the overview's sizes and scrolls to
    // every part of the page: the tile row, the tile, the Smith chart and
    // the start buttons at the bottom.
    window->resize(lowest);
    QApplication::processEvents();
    const Ui_overviewTab& page = overview.form();
    EXPECT_GE(page.pageContents->height(), page.pageContents->minimumSizeHint().height());
    EXPECT_GE(page.quvixViewArea->height(), 180);
    EXPECT_EQ(page.smithChart->size(), QSize(400, 400));
    ASSERT_EQ(overview.tiles().size(), 1);
    const QWidget& tile = *overview.tiles().front();
    EXPECT_GE(tile.height(), tile.minimumSizeHint().height());
    EXPECT_TRUE(showsWhole(*page.quvixViewArea, tile));
    QScrollBar& scroll = *page.pageScrollArea->verticalScrollBar();
    ASSERT_GT(scroll.maximum(), 0);
    scroll.setValue(scroll.minimum());
    EXPECT_TRUE(showsWhole(*page.pageScrollArea, *page.quvixViewArea));
    scroll.setValue(scroll.maximum());
    EXPECT_TRUE(showsWhole(*page.pageScrollArea, *page.frame_4));
    EXPECT_TRUE(showsWhole(*page.pageScrollArea, *page.frame_3));

    // Where the screen has room, the window opens with the page whole.
    const QRect tall(0, 0, 1920, 1200);
    window->resize(window->width(), window->openingHeight(tall));
    QApplication::processEvents();
    EXPECT_LE(window->height(), tall.height());
    EXPECT_EQ(scroll.maximum(), 0);
}

namespace {

// The overview's parts whose sizes a maximise and its restore must keep.
QVector<QSize> overviewSizes(const Ui_overviewTab& page)
{
    QVector<QSize> sizes;
    const QList<const QWidget*> parts = {page.quvixViewArea, page.valueBox,   page.frame,   page.plot,
                                         page.frame_2,       page.smithChart, page.frame_3, page.frame_4};
    for (const QWidget* part : parts)
        sizes.append(part->size());
    return sizes;
}

int squareSide(const QWidget& widget)
{
    return std::min(widget.width(), widget.height());
}

} // namespace

TEST_F(MainWindowTest, OnALaptopScreenTheOverviewShowsItsStartButtonsAndMaximisesInPlace)
{
    auto window = makeWindow();
    overviewTab& overview = *window->overview();
    const Ui_overviewTab& page = overview.form();
    window->show();
    // A 1600 x 1000 screen with room for a window manager's title bar.
    const QSize laptopWindow(1600, 1000 - 40);
    window->resize(laptopWindow);
    QScrollBar& scroll = *page.pageScrollArea->verticalScrollBar();
    const auto buttonsShow = [&] {
        return showsWhole(*page.pageScrollArea, *page.frame_4) &&
               showsWhole(*page.pageScrollArea, *page.frame_3);
    };
    EXPECT_TRUE(QTest::qWaitFor(buttonsShow, 10000)) << page.pageContents->minimumSizeHint().height()
                                                     << " in " << page.pageScrollArea->viewport()->height();
    EXPECT_EQ(scroll.maximum(), 0);
    const QVector<QSize> before = overviewSizes(page);
    EXPECT_EQ(page.smithChart->size(), QSize(400, 400));

    // Maximised, the plot or the Smith chart takes the room of what hides,
    // the chart on its largest square; restored, every part is as before.
    const struct {
        QAction* action;
        const QWidget* grown;
    } maximises[] = {{overview.maximisePlotAction(), page.plot},
                     {overview.maximiseSmithAction(), page.smithChart}};
    for (const auto& maximise : maximises) {
        SCOPED_TRACE(maximise.action->text().toStdString());
        const int sideBefore = squareSide(*maximise.grown);
        maximise.action->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return maximise.grown->isVisible() && squareSide(*maximise.grown) >= sideBefore + 150; },
            10000))
            << maximise.grown->width() << "x" << maximise.grown->height();
        EXPECT_TRUE(buttonsShow());

        // It follows the page as the window grows.
        const int grownSide = squareSide(*maximise.grown);
        window->resize(laptopWindow + QSize(200, 200));
        EXPECT_TRUE(QTest::qWaitFor([&] { return squareSide(*maximise.grown) >= grownSide + 150; }, 10000))
            << maximise.grown->width() << "x" << maximise.grown->height();
        window->resize(laptopWindow);

        maximise.action->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return overviewSizes(page) == before; }, 10000));
        EXPECT_EQ(overviewSizes(page), before);
        EXPECT_EQ(scroll.maximum(), 0);
    }
}
