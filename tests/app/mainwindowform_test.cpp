// The main window form: what the window and its user rely on.

#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenuBar>

namespace {

class MainWindowForm : public ::testing::Test
{
protected:
    void SetUp() override { form_.setupUi(&window_); }

    template <typename T> T* find(const char* name) const
    {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }

    QMainWindow window_;
    Ui_MainWindow form_;
};

TEST_F(MainWindowForm, NamesTheWindowWiresExistWithTheirClasses)
{
    const char* const actions[] = {"actionOpen_Scan",
                                   "actionSave_Active_Scan",
                                   "actionSave_All_Scans",
                                   "actionNo_Detected_Sensor",
                                   "actionAbout",
                                   "actionCopy",
                                   "actionSmith_Chart",
                                   "actionBar_Chart",
                                   "actionExit",
                                   "actionSimple_Mode",
                                   "actionExport_To_CSV",
                                   "actionUpdate_Software",
                                   "displayOptionsMenuButton",
                                   "actionSensors",
                                   "actionHelp",
                                   "actionMenu",
                                   "actionClear",
                                   "actionPreferences",
                                   "actionConfigure_Sensor_IP"};
    for (const char* name : actions)
        EXPECT_NE(find<QAction>(name), nullptr) << name;

    const struct {
        const char* name;
        const char* className;
    } widgets[] = {
        {"lbComms", "QLabel"},
        {"lbStatus", "QLabel"},
        {"label_7", "QLabel"},
        {"viewer", "QSvgWidget"},
        {"tabWidget", "QTabWidget"},
        {"tab_2", "QWidget"},
        {"groupBox", "QGroupBox"},
        {"DisplayListTree", "QTreeWidget"},
        {"DisplayImportScanButton", "QPushButton"},
        {"DisplayDiscardScanButton", "QPushButton"},
        {"saveData", "QPushButton"},
        {"exportData", "QPushButton"},
        {"maximizeLayout", "QPushButton"},
        {"DisplayCurveList", "QListWidget"},
        {"clearButton", "QPushButton"},
        {"DisplayBarChartButton", "QPushButton"},
        {"DisplaySmithChartButton", "QPushButton"},
        {"displayWaveForm", "QPushButton"},
        {"DisplayZoomButton", "QPushButton"},
        {"DisplayPanButton", "QPushButton"},
        {"DisplaySelectAreaButton", "QPushButton"},
        {"DisplaySelectPointButton", "QPushButton"},
        {"copyButton", "QPushButton"},
        {"DisplayPlot", "DataDisplayPlot"},
        {"menuOpen_Recent", "QMenu"},
    };
    for (const auto& w : widgets) {
        const QObject* object = find<QObject>(w.name);
        ASSERT_NE(object, nullptr) << w.name;
        EXPECT_STREQ(object->metaObject()->className(), w.className) << w.name;
    }
    EXPECT_NE(find<QLayout>("maxLayout"), nullptr);
    EXPECT_NE(find<QLayout>("DisplayLayout"), nullptr);
    EXPECT_NE(find<QLayout>("horizontalLayout_3"), nullptr);
    EXPECT_TRUE(form_.DisplayPlot->inherits("QwtPlot"));
}

TEST_F(MainWindowForm, InitialStates)
{
    for (QWidget* disabled : {static_cast<QWidget*>(form_.DisplayDiscardScanButton),
                              static_cast<QWidget*>(form_.saveData), static_cast<QWidget*>(form_.exportData)})
        EXPECT_FALSE(disabled->isEnabled()) << disabled->objectName().toStdString();
    EXPECT_FALSE(form_.actionClear->isEnabled());
    EXPECT_TRUE(form_.DisplayImportScanButton->isEnabled());

    EXPECT_TRUE(form_.DisplayPanButton->isCheckable());
    EXPECT_TRUE(form_.DisplayPanButton->isChecked());
    for (QPushButton* unchecked :
         {form_.DisplayZoomButton, form_.DisplaySelectAreaButton, form_.DisplaySelectPointButton,
          form_.maximizeLayout, form_.DisplayBarChartButton, form_.DisplaySmithChartButton,
          form_.displayWaveForm}) {
        EXPECT_TRUE(unchecked->isCheckable()) << unchecked->objectName().toStdString();
        EXPECT_FALSE(unchecked->isChecked()) << unchecked->objectName().toStdString();
    }
    for (QAction* checkable : {form_.actionSmith_Chart, form_.actionBar_Chart, form_.actionSimple_Mode})
        EXPECT_TRUE(checkable->isCheckable());
    EXPECT_FALSE(form_.actionOpen_Scan->isCheckable());

    EXPECT_EQ(form_.tabWidget->count(), 1);
    EXPECT_EQ(form_.tabWidget->currentWidget(), form_.tab_2);
    EXPECT_EQ(form_.tabWidget->tabText(0), QStringLiteral("Data Display"));
    EXPECT_TRUE(form_.menuOpen_Recent->actions().isEmpty());
    EXPECT_EQ(form_.lbComms->text(), QStringLiteral("Disconnected"));
    EXPECT_FALSE(form_.lbStatus->pixmap(Qt::ReturnByValue).isNull()) << "the off-state lamp is compiled in";
    EXPECT_EQ(form_.DisplayListTree->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form_.DisplayCurveList->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(window_.minimumWidth(), 1275);
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Quvix"));
    EXPECT_FALSE(window_.windowIcon().isNull());
}

TEST_F(MainWindowForm, TextsAndShortcuts)
{
    const struct {
        QAction* action;
        const char* text;
        const char* shortcut;
    } cases[] = {
        {form_.actionOpen_Scan, "Load...", "Ctrl+O"},
        {form_.actionSave_Active_Scan, "Export Selected Data", "Ctrl+S"},
        {form_.actionCopy, "Copy", "Ctrl+C"},
        {form_.actionSmith_Chart, "Smith Chart", "Ctrl+J"},
        {form_.actionBar_Chart, "Harmonics profile", "Ctrl+H"},
        {form_.actionExport_To_CSV, "Export To CSV", "Ctrl+Shift+S"},
        {form_.displayOptionsMenuButton, "Display Options...", "Ctrl+D"},
        {form_.actionExit, "Exit", ""},
        {form_.actionSimple_Mode, "Advanced Mode", ""},
        {form_.actionSensors, "Manage", ""},
        {form_.actionHelp, "Help...", ""},
        {form_.actionPreferences, "Preferences...", ""},
        {form_.actionConfigure_Sensor_IP, "Configure Sensor IP", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.action->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(c.action->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.text;
    }
    // The tool tips name shortcuts that the form itself does not bind.
    EXPECT_EQ(form_.DisplayZoomButton->toolTip(), QStringLiteral("Zoom (CTRL + Z)"));
    EXPECT_EQ(form_.DisplayPanButton->toolTip(), QStringLiteral("Pan (CTRL + X)"));
    EXPECT_EQ(form_.DisplaySelectAreaButton->toolTip(), QStringLiteral("Select Area (CTRL + A)"));
    EXPECT_EQ(form_.DisplaySelectPointButton->toolTip(), QStringLiteral("Select Point (CTRL + D)"));
    for (QPushButton* tool : {form_.DisplayZoomButton, form_.DisplayPanButton, form_.DisplaySelectAreaButton,
                              form_.DisplaySelectPointButton}) {
        EXPECT_TRUE(tool->text().isEmpty());
        EXPECT_FALSE(tool->icon().isNull());
        EXPECT_TRUE(tool->shortcut().isEmpty());
    }
    EXPECT_EQ(form_.copyButton->toolTip(), QStringLiteral("Copy Selected Data to Clipboard"));
}

TEST_F(MainWindowForm, MenusInOrder)
{
    QStringList bar;
    for (QAction* entry : window_.menuBar()->actions())
        bar << entry->text();
    EXPECT_EQ(bar, (QStringList{"&File", "Sensors", "&Help"}));

    auto namesOf = [](const QMenu* menu) {
        QStringList names;
        for (QAction* entry : menu->actions())
            names << (entry->isSeparator()       ? QStringLiteral("-")
                      : entry->menu() != nullptr ? entry->menu()->objectName()
                                                 : entry->objectName());
        return names;
    };
    EXPECT_EQ(namesOf(form_.menuFile),
              (QStringList{"actionOpen_Scan", "menuOpen_Recent", "-", "actionPreferences",
                           "displayOptionsMenuButton", "-", "actionConfigure_Sensor_IP", "-", "actionExit"}));
    EXPECT_EQ(namesOf(form_.menuSensors), (QStringList{"actionSensors"}));
    EXPECT_EQ(namesOf(form_.menuHelp),
              (QStringList{"actionHelp", "actionUpdate_Software", "-", "actionAbout"}));
}

TEST_F(MainWindowForm, RetranslateKeepsTextsAndLeavesAddedPagesAlone)
{
    auto* added = new QWidget;
    form_.tabWidget->insertTab(0, added, QStringLiteral("Overview"));
    form_.retranslateUi(&window_);
    form_.retranslateUi(&window_);
    EXPECT_EQ(form_.tabWidget->tabText(0), QStringLiteral("Overview"));
    EXPECT_EQ(form_.tabWidget->tabText(1), QStringLiteral("Data Display"));
    EXPECT_EQ(form_.actionOpen_Scan->text(), QStringLiteral("Load..."));
    EXPECT_EQ(form_.actionOpen_Scan->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Quvix"));
}

TEST(MainWindowFormSetup, KeepsAnExistingObjectName)
{
    QMainWindow window;
    window.setObjectName(QStringLiteral("AlreadyNamed"));
    Ui_MainWindow form;
    form.setupUi(&window);
    EXPECT_EQ(window.objectName(), QStringLiteral("AlreadyNamed"));
}

} // namespace
