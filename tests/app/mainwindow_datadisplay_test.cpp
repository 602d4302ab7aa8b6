// The main window's "Data Display" page: the plot tools, the scan tree and
// the curve list, and what they feed, with scans completed through the scan
// handler as finished scans are.

#include "app/mainwindow.h"

#include "app/curvecolourcounter.h"
#include "app/recordingkeepawake.h"
#include "app/tabs/timetrendscantab.h"
#include "scans/quantitytree.h"
#include "scans/scanhandler.h"
#include "support/messageboxanswer.h"
#include "support/scanfactory.h"
#include "support/scriptedquestions.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/datadisplayplot.h"
#include "views/rangepicker.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"
#include "views/waveform.h"

#include <gtest/gtest.h>

#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_histogram.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_picker.h>
#include <qwt_plot_zoneitem.h>
#include <qwt_plot_zoomer.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

constexpr int halfSecondTicks = 12000000;

class DataDisplayTest : public ::testing::Test
{
protected:
    // Building the window starts the sensor handler, which broadcasts.
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        QSettings().clear();
        handler()->setScanLimit(30);
        window = std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
        deleted = std::make_unique<QSignalSpy>(window.get(), &MainWindow::scanDeleted);
    }
    void TearDown() override
    {
        window.reset();
        // What the window did not discard goes before its sensors do.
        for (const QPointer<BaseScan>& scan : scans)
            delete scan.data();
        QSettings().clear();
    }

    static ScanHandler* handler() { return ScanHandler::getInstance(); }
    Ui_MainWindow& form() { return window->form(); }
    DataDisplayPlot& plot() { return *form().DisplayPlot; }
    QListWidget& curveList() { return *form().DisplayCurveList; }
    QTreeWidget& tree() { return *form().DisplayListTree; }

    FakeSensor& sensor(const QVector<double>& frequencies = {13.56}, int sensorType = 1)
    {
        sensors.push_back(
            std::make_unique<FakeSensor>(frequencies, QVector<int>(frequencies.size(), 1), sensorType));
        return *sensors.back();
    }

    // A CW scan of `samples` samples half a second apart, whose fundamental
    // voltage rises by one volt a sample, finished through the handler.
    BaseScan* finishedScan(const QString& nickname, FakeSensor& from, int samples = 4,
                           double firstVoltage = 10.0)
    {
        BaseScan* finished = recordedScan(nickname, from, samples, firstVoltage);
        handler()->scanComplete(finished);
        return finished;
    }
    // The same scan, recorded but not yet finished.
    BaseScan* recordedScan(const QString& nickname, FakeSensor& from, int samples = 4,
                           double firstVoltage = 10.0)
    {
        auto scan = std::make_unique<CWScan>(&from, QStringLiteral("cw"), 100);
        scan->serialNumber = from.serialNumber();
        scan->nickname = nickname;
        scan->start();
        scantest::Load load;
        load.voltage = firstVoltage;
        scantest::fill(*scan, from, samples, load, {}, 1.0, halfSecondTicks);
        scans.append(scan.get());
        return scan.release();
    }
    BaseScan* finishedScan(const QString& nickname) { return finishedScan(nickname, sensor()); }

    QTreeWidgetItem* itemOf(const BaseScan* scan)
    {
        for (int i = 0; i < tree().topLevelItemCount(); ++i)
            if (tree().topLevelItem(i)->data(0, ScanRole).value<void*>() == scan)
                return tree().topLevelItem(i);
        return nullptr;
    }
    // The scan's channels that a double click sends, in tree order.
    QList<QTreeWidgetItem*> channelsOf(const BaseScan* scan)
    {
        QList<QTreeWidgetItem*> found;
        std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* item) {
            if (item->childCount() == 0 && item->data(0, SeriesRole).value<void*>())
                found.append(item);
            for (int i = 0; i < item->childCount(); ++i)
                walk(item->child(i));
        };
        if (QTreeWidgetItem* top = itemOf(scan))
            walk(top);
        return found;
    }
    // The first channel of the scan's tree with this curve title ending.
    QTreeWidgetItem* channel(const BaseScan* scan, const QString& titleEnd, int skip = 0)
    {
        for (QTreeWidgetItem* item : channelsOf(scan))
            if (item->data(0, CurveTitleRole).toString().endsWith(titleEnd) && skip-- == 0)
                return item;
        return nullptr;
    }
    QTreeWidgetItem* voltage(const BaseScan* scan, int frequency = 0)
    {
        return channel(scan, QStringLiteral("Fund V (Volts)"), frequency);
    }
    void doubleClick(QTreeWidgetItem* item)
    {
        ASSERT_NE(item, nullptr);
        tree().setCurrentItem(item);
        emit tree().itemDoubleClicked(item, 0);
    }
    void setOnRightAxis(int row, bool right)
    {
        QListWidgetItem* entry = curveList().item(row);
        entry->setCheckState(right ? Qt::Checked : Qt::Unchecked);
        emit curveList().itemClicked(entry);
    }
    // Chooses the action with this text in the next popup menu that opens.
    static void chooseInNextMenu(const QString& text, int pollsLeft = 1500)
    {
        QTimer::singleShot(20, [text, pollsLeft] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                if (pollsLeft > 0)
                    chooseInNextMenu(text, pollsLeft - 1);
                return;
            }
            for (QAction* action : menu->actions())
                if (action->text() == text) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            menu->close();
        });
    }
    // Picks this colour in the next colour dialog that opens.
    static void answerNextColourDialog(QColor colour, int pollsLeft = 1500)
    {
        QTimer::singleShot(20, [colour, pollsLeft] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                if (pollsLeft > 0)
                    answerNextColourDialog(colour, pollsLeft - 1);
                return;
            }
            dialog->setCurrentColor(colour);
            dialog->accept();
        });
    }
    // The menu's texts, and the menu closed without a choice.
    static void readNextMenu(QStringList* texts, int pollsLeft = 1500)
    {
        QTimer::singleShot(20, [texts, pollsLeft] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                if (pollsLeft > 0)
                    readNextMenu(texts, pollsLeft - 1);
                return;
            }
            for (QAction* action : menu->actions())
                texts->append(action->text());
            menu->close();
        });
    }
    int plotCurveCount() { return plot().itemList(QwtPlotItem::Rtti_PlotCurve).size(); }
    static QColor colourNamed(const char* name) { return QColor(QString::fromLatin1(name)); }

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QSignalSpy> deleted;
    std::vector<std::unique_ptr<FakeSensor>> sensors;
    QList<QPointer<BaseScan>> scans;
};

TEST_F(DataDisplayTest, PlotToolButtonsSetThePlotsMode)
{
    form().DisplayPanButton->click();
    EXPECT_EQ(plot().canvas()->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_FALSE(plot().zoomer()->isEnabled());
    form().DisplaySelectAreaButton->click();
    EXPECT_EQ(plot().canvas()->cursor().shape(), Qt::SplitHCursor);
    form().DisplaySelectPointButton->click();
    EXPECT_TRUE(plot().pointPicker()->isEnabled());
    EXPECT_FALSE(form().DisplayPanButton->isChecked());
    form().DisplayZoomButton->click();
    EXPECT_TRUE(plot().zoomer()->isEnabled());
    EXPECT_FALSE(plot().pointPicker()->isEnabled());
}

TEST_F(DataDisplayTest, DoubleClicksSendEachChannelOnceInTheNextColour)
{
    ASSERT_EQ(CurveColourCounter::value(), 1) << "the first curves of the run";
    BaseScan* first = finishedScan(QStringLiteral("one"));
    BaseScan* second = finishedScan(QStringLiteral("two"));
    ASSERT_EQ(tree().topLevelItemCount(), 2);

    doubleClick(itemOf(first)); // a scan item sends nothing
    EXPECT_EQ(curveList().count(), 0);
    doubleClick(voltage(first));
    doubleClick(channel(first, QStringLiteral("Fund I (Amps)")));
    doubleClick(voltage(second));
    doubleClick(voltage(first)); // displayed already
    ASSERT_EQ(curveList().count(), 3);
    EXPECT_EQ(plotCurveCount(), 3);

    const char* expected[] = {"DarkGreen", "Darkorchid", "Darkred"};
    for (int row = 0; row < 3; ++row) {
        QListWidgetItem* entry = curveList().item(row);
        EXPECT_EQ(entry->foreground().color(), colourNamed(expected[row])) << row;
        auto* channelItem = static_cast<QTreeWidgetItem*>(entry->data(ChannelItemRole).value<void*>());
        EXPECT_EQ(channelItem->foreground(0).color(), colourNamed(expected[row]));
        EXPECT_EQ(channelItem->data(0, CurveEntryRole).value<void*>(), entry);
        auto* curve = static_cast<QwtPlotCurve*>(entry->data(PlotCurveRole).value<void*>());
        EXPECT_EQ(curve->pen().color(), colourNamed(expected[row]));
        EXPECT_EQ(curve->dataSize(), 4u);
        EXPECT_EQ(entry->checkState(), Qt::Unchecked);
    }
    EXPECT_EQ(curveList().item(0)->text(), QStringLiteral("F13.56 Fund V (Volts) -one"));
    EXPECT_EQ(curveList().item(2)->toolTip(), QStringLiteral("Sample Size :: 4 \n Time Unit (time (s))"));
    EXPECT_TRUE(plot().axisEnabled(QwtPlot::yLeft));
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Volts,Amps,Volts"));
    EXPECT_EQ(window->barChart()->scans(), (QList<BaseScan*>{first, second}));

    // Removing and sending again goes on with the next colour.
    curveList().setCurrentRow(0);
    window->removeCurveFromDisplay();
    EXPECT_EQ(voltage(first)->foreground(0).color(), QColor(Qt::black));
    EXPECT_EQ(voltage(first)->data(0, CurveEntryRole).toInt(), 0);
    doubleClick(voltage(first));
    EXPECT_EQ(curveList().item(2)->foreground().color(), colourNamed("darkslateblue"));
}

TEST_F(DataDisplayTest, TheBlackCurveCountsAsDisplayed)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    const QList<QTreeWidgetItem*> channels = channelsOf(scan);
    // Send curves up to the one that takes black, the first colour's name.
    int sent = 0;
    while (CurveColourCounter::nameAt(CurveColourCounter::value() + 1) != QStringLiteral("Black"))
        doubleClick(channels.value(sent++));
    QTreeWidgetItem* black = channels.value(sent);
    doubleClick(black);
    ASSERT_EQ(curveList().count(), sent + 1);
    QListWidgetItem* entry = curveList().item(sent);
    EXPECT_EQ(entry->foreground().color(), QColor(Qt::black)) << "the colour sequence stays";
    EXPECT_EQ(black->data(0, CurveEntryRole).value<void*>(), entry);

    // Its row is marked like any displayed channel's, whatever the colour.
    EXPECT_TRUE(black->font(0).bold());
    EXPECT_TRUE(channels.first()->font(0).bold());
    EXPECT_FALSE(channels.value(sent + 1)->font(0).bold());

    doubleClick(black);
    EXPECT_EQ(curveList().count(), sent + 1) << "sent once only";
    EXPECT_EQ(plotCurveCount(), sent + 1);
    QStringList texts;
    readNextMenu(&texts);
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(texts.value(0), QStringLiteral("Remove curve from plot"));

    chooseInNextMenu(QStringLiteral("Remove curve from plot"));
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(curveList().count(), sent);
    EXPECT_FALSE(black->font(0).bold());
    texts.clear();
    readNextMenu(&texts);
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(texts.value(0), QStringLiteral("Send curve to plot"));
}

TEST_F(DataDisplayTest, CurvesMoveBetweenAxesAndTitlesJoinTheirUnits)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"), sensor({13.56, 27.12}));
    doubleClick(voltage(scan));
    doubleClick(channel(scan, QStringLiteral("Fund I (Amps)")));
    doubleClick(voltage(scan, 1));
    ASSERT_EQ(curveList().count(), 3);

    setOnRightAxis(1, true);
    auto* moved = static_cast<QwtPlotCurve*>(curveList().item(1)->data(PlotCurveRole).value<void*>());
    EXPECT_EQ(moved->yAxis(), QwtPlot::yRight);
    EXPECT_EQ(curveList().item(1)->data(CurveAxisRole).toInt(), 1);
    EXPECT_TRUE(plot().axisEnabled(QwtPlot::yRight));
    EXPECT_TRUE(plot().axisEnabled(QwtPlot::yLeft));
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Volts,Volts"));
    EXPECT_EQ(plot().axisTitle(QwtPlot::yRight).text(), QStringLiteral("Amps"));

    // A click on the text of a curve already on its axis changes nothing.
    emit curveList().itemClicked(curveList().item(1));
    setOnRightAxis(0, true);
    setOnRightAxis(2, true);
    EXPECT_FALSE(plot().axisEnabled(QwtPlot::yLeft));
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QString());
    EXPECT_EQ(plot().axisTitle(QwtPlot::yRight).text(), QStringLiteral("Volts,Amps,Volts"));

    setOnRightAxis(1, false);
    EXPECT_TRUE(plot().axisEnabled(QwtPlot::yLeft));
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Amps"));

    // A removal counts down the axis the curve was on.
    curveList().setCurrentRow(1);
    window->removeCurveFromDisplay();
    setOnRightAxis(0, false);
    setOnRightAxis(1, false);
    EXPECT_FALSE(plot().axisEnabled(QwtPlot::yRight));
}

TEST_F(DataDisplayTest, AxesFollowTheCurvesThatRemain)
{
    // Ways to take the right axis's only curve, the second scan's, away.
    struct Removal {
        const char* name;
        std::function<void(BaseScan*)> remove;
    };
    const Removal removals[] = {
        {"list entry",
         [this](BaseScan*) {
             curveList().setCurrentRow(1);
             window->removeCurveFromDisplay();
         }},
        {"tree menu",
         [this](BaseScan* scan) {
             tree().setCurrentItem(channel(scan, QStringLiteral("Fund I (Amps)")));
             chooseInNextMenu(QStringLiteral("Remove curve from plot"));
             window->displayTreeContextMenu(QPoint(5, 5));
         }},
        {"discarded scan",
         [this](BaseScan* scan) {
             scan->unsavedData = false;
             tree().setCurrentItem(itemOf(scan));
             form().DisplayDiscardScanButton->click();
         }},
    };
    for (const Removal& removal : removals) {
        SCOPED_TRACE(removal.name);
        form().clearButton->click();
        BaseScan* left = finishedScan(QStringLiteral("left"));
        BaseScan* right = finishedScan(QStringLiteral("right"));
        doubleClick(voltage(left));
        doubleClick(channel(right, QStringLiteral("Fund I (Amps)")));
        setOnRightAxis(1, true);
        ASSERT_TRUE(plot().axisEnabled(QwtPlot::yRight));
        ASSERT_EQ(plot().axisTitle(QwtPlot::yRight).text(), QStringLiteral("Amps"));

        removal.remove(right);
        ASSERT_EQ(curveList().count(), 1);
        EXPECT_FALSE(plot().axisEnabled(QwtPlot::yRight));
        EXPECT_EQ(plot().axisTitle(QwtPlot::yRight).text(), QString());
        EXPECT_TRUE(plot().axisEnabled(QwtPlot::yLeft));
        EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Volts"));
    }

    // Clear All leaves no curve to title an axis.
    doubleClick(channel(window->displayedScans().first(), QStringLiteral("Fund I (Amps)")));
    setOnRightAxis(1, true);
    form().clearButton->click();
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QString());
    EXPECT_EQ(plot().axisTitle(QwtPlot::yRight).text(), QString());
    EXPECT_FALSE(plot().axisEnabled(QwtPlot::yLeft));
    EXPECT_FALSE(plot().axisEnabled(QwtPlot::yRight));
}

TEST_F(DataDisplayTest, ClearAllEmptiesTheDisplay)
{
    QList<BaseScan*> shown;
    for (const char* name : {"one", "two", "three"}) {
        shown.append(finishedScan(QString::fromLatin1(name)));
        doubleClick(voltage(shown.last()));
    }
    plot().SelectZone(QRectF(0.5, 0.0, 1.0, 0.0));
    plot().zoomer()->zoom(QRectF(0.5, 10.0, 1.0, 1.0));
    QSignalSpy selections(&plot(), &DataDisplayPlot::IntervalSelection);

    curveList().setCurrentRow(1);
    form().clearButton->click();
    EXPECT_EQ(curveList().count(), 0);
    EXPECT_EQ(plotCurveCount(), 0);
    for (BaseScan* scan : shown)
        EXPECT_EQ(voltage(scan)->foreground(0).color(), QColor(Qt::black));
    EXPECT_TRUE(window->barChart()->scans().isEmpty());
    EXPECT_FALSE(plot().hasIntervalSelection());
    ASSERT_FALSE(selections.isEmpty());
    EXPECT_EQ(selections.last().at(0).toRectF(), QRectF());
    EXPECT_TRUE(plot().axisAutoScale(QwtPlot::xBottom));
    EXPECT_EQ(tree().topLevelItemCount(), 3);
}

TEST_F(DataDisplayTest, DiscardAsksForUnsavedDataAndDeletesTheScanLast)
{
    BaseScan* kept = finishedScan(QStringLiteral("kept"));
    QPointer<BaseScan> scan = finishedScan(QStringLiteral("unsaved"));
    doubleClick(voltage(scan));
    doubleClick(voltage(kept));
    tree().setCurrentItem(itemOf(scan));
    ASSERT_TRUE(form().DisplayDiscardScanButton->isEnabled());
    {
        MessageBoxAnswers answers({QMessageBox::Cancel});
        form().DisplayDiscardScanButton->click();
        ASSERT_EQ(answers.seen().size(), 1);
        EXPECT_EQ(answers.seen()[0].title, QStringLiteral("are you sure ?"));
        EXPECT_EQ(answers.seen()[0].text,
                  QStringLiteral("Scan unsaved has unsaved data, are you sure you want to discard it ?")
                      .replace(QStringLiteral("unsaved has"), scan->name() + QStringLiteral(" has")));
        EXPECT_EQ(answers.seen()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(answers.seen()[0].defaultButton, QMessageBox::Cancel);
    }
    EXPECT_FALSE(scan.isNull());
    EXPECT_EQ(tree().topLevelItemCount(), 2);
    EXPECT_EQ(curveList().count(), 2);

    // The scan is still whole when its deletion is announced.
    BaseScan* const announced = scan.data();
    int samplesWhenAnnounced = -1;
    BaseScan* announcedScan = nullptr;
    QObject::connect(window.get(), &MainWindow::scanDeleted, window.get(), [&](BaseScan* going) {
        announcedScan = going;
        samplesWhenAnnounced = going->sampleCount(0);
    });
    {
        MessageBoxAnswers answers({QMessageBox::Ok});
        form().DisplayDiscardScanButton->click();
        EXPECT_EQ(answers.seen().size(), 1);
    }
    EXPECT_TRUE(scan.isNull());
    EXPECT_EQ(deleted->count(), 1);
    EXPECT_EQ(announcedScan, announced);
    EXPECT_EQ(samplesWhenAnnounced, 4);
    EXPECT_EQ(tree().topLevelItemCount(), 1);
    ASSERT_EQ(curveList().count(), 1);
    EXPECT_EQ(plotCurveCount(), 1);
    EXPECT_EQ(window->barChart()->scans(), QList<BaseScan*>{kept});
    EXPECT_FALSE(handler()->keptScans().contains(announced));

    // The handler's later drops reach only scans it still holds.
    handler()->setScanLimit(1);
    finishedScan(QStringLiteral("newer"));
    EXPECT_EQ(handler()->keptScans().size(), 1);
    EXPECT_EQ(tree().topLevelItemCount(), 2) << "the oldest has a curve on display";
}

TEST_F(DataDisplayTest, AScanReadFromAFileIsDiscardedWithoutAQuestion)
{
    BaseScan* scan = finishedScan(QStringLiteral("saved"));
    scan->unsavedData = false;
    tree().setCurrentItem(itemOf(scan));
    window->discardSelectedScan();
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    EXPECT_EQ(deleted->count(), 1);
}

TEST_F(DataDisplayTest, ScansBeyondTheLimitLeaveTheTreeAndMemoryUnlessDisplayed)
{
    handler()->setScanLimit(2);
    QPointer<BaseScan> oldest = finishedScan(QStringLiteral("oldest"));
    QPointer<BaseScan> shown = finishedScan(QStringLiteral("shown"));
    doubleClick(voltage(shown));
    finishedScan(QStringLiteral("third"));
    EXPECT_TRUE(oldest.isNull());
    EXPECT_EQ(deleted->count(), 1);
    EXPECT_EQ(tree().topLevelItemCount(), 2);

    finishedScan(QStringLiteral("fourth"));
    EXPECT_FALSE(shown.isNull()) << "a scan with a curve on display stays";
    EXPECT_NE(itemOf(shown), nullptr);
    EXPECT_EQ(tree().topLevelItemCount(), 3);
    EXPECT_EQ(deleted->count(), 1);
    EXPECT_EQ(handler()->keptScans().size(), 2);
    EXPECT_FALSE(handler()->keptScans().contains(shown.data()));

    // The user can still discard it; its curve goes first.
    shown->unsavedData = false;
    tree().setCurrentItem(itemOf(shown));
    window->discardSelectedScan();
    EXPECT_TRUE(shown.isNull());
    EXPECT_EQ(curveList().count(), 0);
}

TEST_F(DataDisplayTest, DeleteKeyActsOnTheWidgetWithTheFocus)
{
    const QList<QShortcut*> shortcuts = window->findChildren<QShortcut*>();
    ASSERT_TRUE(std::any_of(shortcuts.begin(), shortcuts.end(),
                            [](QShortcut* s) { return s->key() == QKeySequence(Qt::Key_Delete); }));
    window->show();
    QApplication::setActiveWindow(window.get());
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    scan->unsavedData = false;
    doubleClick(voltage(scan));
    doubleClick(channel(scan, QStringLiteral("Fund I (Amps)")));
    curveList().setCurrentRow(0);

    form().clearButton->setFocus();
    window->deleteShortcut();
    EXPECT_EQ(curveList().count(), 2);
    EXPECT_EQ(tree().topLevelItemCount(), 1);

    curveList().setFocus();
    ASSERT_TRUE(curveList().hasFocus());
    window->deleteShortcut();
    EXPECT_EQ(curveList().count(), 1);
    EXPECT_EQ(tree().topLevelItemCount(), 1);

    tree().setCurrentItem(itemOf(scan));
    tree().setFocus();
    ASSERT_TRUE(tree().hasFocus());
    window->deleteShortcut();
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    EXPECT_EQ(curveList().count(), 0);
}

TEST_F(DataDisplayTest, AnalysisViewsFollowTheSelectedScansSensorType)
{
    struct Case {
        int type;
        bool bars;
        bool smith;
        bool wave;
    };
    // Type 2 changes nothing: it keeps what type 3 left.
    const Case cases[] = {{3, true, true, true},
                          {2, true, true, true},
                          {1, true, true, false},
                          {0, false, true, false},
                          {2, false, true, false}};
    form().displayWaveForm->setChecked(true);
    ASSERT_NE(window->waveformView(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        BaseScan* scan =
            finishedScan(QStringLiteral("type %1 %2").arg(c.type).arg(tree().topLevelItemCount()),
                         sensor({13.56}, c.type));
        scan->sensorType = c.type;
        tree().setCurrentItem(itemOf(scan));
        window->scanSelectionChangeInDisplayList();
        EXPECT_EQ(form().DisplayBarChartButton->isEnabled(), c.bars);
        EXPECT_EQ(form().DisplaySmithChartButton->isEnabled(), c.smith);
        EXPECT_EQ(form().displayWaveForm->isEnabled(), c.wave);
        if (c.type == 1 || c.type == 0)
            EXPECT_TRUE(window->waveformView()->isHidden());
        EXPECT_TRUE(form().displayWaveForm->isChecked()) << "the check state stays";
        EXPECT_EQ(form().saveData->text(), QStringLiteral("Save..."));
        EXPECT_EQ(form().exportData->text(), QStringLiteral("Export..."));
    }
    plot().SelectZone(QRectF(0.0, 0.0, 1.0, 0.0));
    EXPECT_EQ(form().exportData->text(), QStringLiteral("Export Interval..."));
    tree().setCurrentItem(nullptr);
    window->scanSelectionChangeInDisplayList();
    EXPECT_FALSE(form().saveData->isEnabled());
    EXPECT_FALSE(form().DisplayDiscardScanButton->isEnabled());
}

TEST_F(DataDisplayTest, MaximizeListMovesTheScanListIntoItsColumn)
{
    form().maximizeLayout->click();
    EXPECT_GE(form().maxLayout->indexOf(form().groupBox), 0);
    EXPECT_EQ(form().DisplayListTree->maximumHeight(), 800);
    EXPECT_EQ(form().maximizeLayout->text(), QStringLiteral("Maximize Graph"));
    form().maximizeLayout->click();
    EXPECT_EQ(form().horizontalLayout_3->indexOf(form().groupBox), 0);
    EXPECT_EQ(form().DisplayListTree->maximumHeight(), 230);
    EXPECT_EQ(form().maximizeLayout->text(), QStringLiteral("Maximize List"));
}

TEST_F(DataDisplayTest, SmithChartHasOneLinePerChannelOfEachDisplayedScan)
{
    const QVector<double> frequencies = {13.56, 27.12, 40.68, 2.0};
    for (const char* name : {"one", "two", "three"}) {
        BaseScan* scan = finishedScan(QString::fromLatin1(name), sensor(frequencies));
        doubleClick(voltage(scan));
    }
    // A second curve of a scan adds no lines.
    doubleClick(channel(window->displayedScans().first(), QStringLiteral("Fund I (Amps)")));

    form().DisplaySmithChartButton->click();
    SmithChartDialog* dialog = window->smithChart();
    ASSERT_TRUE(dialog->isVisible());
    SmithChartV2* chart = dialog->chart();
    ASSERT_EQ(chart->lineCount(), 12);
    EXPECT_EQ(chart->lineColour(0), colourNamed("Black"));
    EXPECT_EQ(chart->lineColour(1), colourNamed("red"));
    EXPECT_EQ(chart->lineColour(2), colourNamed("yellow"));
    EXPECT_EQ(chart->lineColour(10), colourNamed("Black"));
    EXPECT_EQ(chart->lineColour(11), colourNamed("red"));
    for (int line = 0; line < 12; ++line)
        EXPECT_EQ(chart->points(line).size(), 4) << line;
    auto* rows = dialog->findChild<QListWidget*>();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->count(), 12);
    EXPECT_EQ(rows->item(0)->text(), QStringLiteral("13.56MHz"));
    EXPECT_EQ(rows->item(3)->text(), QStringLiteral("2MHz"));
    EXPECT_EQ(rows->item(11)->foreground().color(), colourNamed("red"));

    // Closing the dialog unchecks its button.
    dialog->close();
    EXPECT_FALSE(form().DisplaySmithChartButton->isChecked());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(DataDisplayTest, SelectedIntervalRestrictsTheSmithChartAndTheCopy)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"), sensor(), 5);
    {
        std::lock_guard<std::mutex> lock(scan->mutex);
        ASSERT_EQ(scan->dataSets.front()->time, (Series{0.0, 0.5, 1.0, 1.5, 2.0}));
    }
    doubleClick(voltage(scan));
    form().DisplaySmithChartButton->click();
    SmithChartV2* chart = window->smithChart()->chart();
    ASSERT_EQ(chart->points(0).size(), 5);

    form().DisplaySelectAreaButton->click();
    plot().SelectZone(QRectF(1.0, 0.0, 1.0, 0.0));
    EXPECT_EQ(chart->points(0).size(), 2);
    form().copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "-one\n"
                                                               "Time\tF13.56 Fund V (Volts) -one\t\n"
                                                               "1\t12\t\n"
                                                               "1.5\t13\t\n");

    // Escape on the plot ends the selection: all samples again.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&plot(), &escape);
    EXPECT_EQ(chart->points(0).size(), 5);
    form().copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text().count(QLatin1Char('\n')), 7);
}

TEST_F(DataDisplayTest, CopyListsOneBlockPerScanInTheOrderOfItsFirstCurve)
{
    BaseScan* first = finishedScan(QStringLiteral("one"), sensor(), 2, 10.0);
    BaseScan* second = finishedScan(QStringLiteral("two"), sensor(), 2, 20.0);
    doubleClick(voltage(second));
    doubleClick(voltage(first));
    doubleClick(channel(second, QStringLiteral("Fund I (Amps)")));
    curveList().item(0)->setText(QStringLiteral("renamed"));

    window->form().actionCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "-two\n"
                                                               "Time\trenamed\tF13.56 Fund I (Amps) -two\t\n"
                                                               "0\t20\t0.5\t\n"
                                                               "0.5\t21\t0.5\t\n"
                                                               "-one\n"
                                                               "Time\tF13.56 Fund V (Volts) -one\t\n"
                                                               "0\t10\t\n"
                                                               "0.5\t11\t\n");

    form().clearButton->click();
    form().copyButton->click();
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(DataDisplayTest, HarmonicsProfileButtonTogglesTheBarChartInThePlotRow)
{
    window->show();
    form().DisplayBarChartButton->click();
    barchart* chart = window->barChart();
    EXPECT_GE(form().DisplayLayout->indexOf(chart), 0);
    EXPECT_FALSE(chart->isHidden());
    EXPECT_FALSE(chart->isWindow());
    EXPECT_TRUE(plot().pointPicker()->isEnabled());
    form().DisplayBarChartButton->click();
    EXPECT_TRUE(chart->isHidden());

    BaseScan* scan = finishedScan(QStringLiteral("one"));
    tree().setCurrentItem(itemOf(scan));
    form().DisplayBarChartButton->click();
    EXPECT_FALSE(chart->isHidden());
    EXPECT_EQ(chart->scans(), QList<BaseScan*>{scan});
}

TEST_F(DataDisplayTest, HarmonicBarsLeaveWithTheirScan)
{
    window->show();
    form().DisplayBarChartButton->click();
    const QwtPlotHistogram* bars = window->barChart()->voltageHistogram();
    const size_t placeholderCount = bars->dataSize();
    ASSERT_EQ(placeholderCount, 10u);
    // The scan leaves with Clear All, then with Remove, which deletes it.
    const std::function<void(BaseScan*)> leave[] = {
        [this](BaseScan*) { form().clearButton->click(); },
        [this](BaseScan* scan) {
            scan->unsavedData = false;
            tree().setCurrentItem(itemOf(scan));
            form().DisplayDiscardScanButton->click();
        },
    };
    for (const auto& scanLeaves : leave) {
        BaseScan* scan = finishedScan(QStringLiteral("one"));
        doubleClick(voltage(scan));
        ASSERT_EQ(bars->dataSize(), 1u) << "the fundamental alone";
        scanLeaves(scan);
        EXPECT_TRUE(window->barChart()->scans().isEmpty());
        EXPECT_EQ(bars->dataSize(), placeholderCount);
        EXPECT_EQ(window->barChart()->currentHistogram()->dataSize(), placeholderCount);
    }
}

TEST_F(DataDisplayTest, ToolButtonsShowTheModeInForce)
{
    QPushButton* const zoom = form().DisplayZoomButton;
    QPushButton* const pan = form().DisplayPanButton;
    QPushButton* const point = form().DisplaySelectPointButton;
    const auto buttonInForce = [&]() -> QPushButton* {
        if (plot().zoomer()->isEnabled())
            return zoom;
        if (plot().pointPicker()->isEnabled())
            return point;
        if (plot().intervalPicker()->isEnabled())
            return form().DisplaySelectAreaButton;
        return pan;
    };
    const auto checkedButtons = [&] {
        QList<QPushButton*> checked;
        for (QPushButton* button : {zoom, pan, form().DisplaySelectAreaButton, point})
            if (button->isChecked())
                checked.append(button);
        return checked;
    };
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    struct Step {
        const char* name;
        std::function<void()> act;
        QPushButton* expected;
    };
    const Step steps[] = {
        {"start", [] {}, zoom},
        {"Pan", [&] { pan->click(); }, pan},
        {"Harmonics profile", [&] { form().DisplayBarChartButton->click(); }, point},
        {"Pan again", [&] { pan->click(); }, pan},
        {"first curve, which makes the waveform view", [&] { doubleClick(voltage(scan)); }, point},
        {"Zoom", [&] { zoom->click(); }, zoom},
        {"Harmonics profile again", [&] { form().DisplayBarChartButton->click(); }, point},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(buttonInForce(), step.expected);
        EXPECT_EQ(checkedButtons(), QList<QPushButton*>{step.expected});
    }
}

TEST_F(DataDisplayTest, WaveformViewListsOnlyScansOfIonFluxSensors)
{
    BaseScan* multi = finishedScan(QStringLiteral("multi"), sensor({13.56}, 1));
    BaseScan* ionFlux = finishedScan(QStringLiteral("ion flux"), sensor({13.56}, 3));
    ASSERT_EQ(ionFlux->sensorType, 3);
    doubleClick(voltage(multi));
    ASSERT_NE(window->waveformView(), nullptr) << "made with the first curve";
    EXPECT_TRUE(window->waveformView()->isHidden());
    EXPECT_FALSE(form().displayWaveForm->isEnabled()) << "the selected scan has no waveform";
    window->displayWaveForm(true);
    EXPECT_FALSE(window->waveformView()->isHidden());
    EXPECT_TRUE(window->waveformView()->scans().isEmpty());
    EXPECT_GE(form().DisplayLayout->indexOf(window->waveformView()), 0);

    doubleClick(voltage(ionFlux));
    EXPECT_TRUE(form().displayWaveForm->isEnabled());
    EXPECT_EQ(window->waveformView()->scans(), QList<BaseScan*>{ionFlux});
    form().displayWaveForm->click();
    EXPECT_FALSE(window->waveformView()->isHidden());
    EXPECT_EQ(window->waveformView()->scans(), QList<BaseScan*>{ionFlux});
    form().displayWaveForm->click();
    EXPECT_TRUE(window->waveformView()->isHidden());
}

TEST_F(DataDisplayTest, TreeMenuSendsRemovesAndDiscards)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    scan->unsavedData = false;
    tree().setCurrentItem(voltage(scan));
    QStringList texts;
    readNextMenu(&texts);
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Send curve to plot"), QString(),
                                  QStringLiteral("Export Scan..."), QStringLiteral("Remove Scan ")}));

    chooseInNextMenu(QStringLiteral("Send curve to plot"));
    window->displayTreeContextMenu(QPoint(5, 5));
    ASSERT_EQ(curveList().count(), 1);

    // A channel on display offers its removal; a group item offers no curve.
    texts.clear();
    readNextMenu(&texts);
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(texts.value(0), QStringLiteral("Remove curve from plot"));
    chooseInNextMenu(QStringLiteral("Remove curve from plot"));
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(curveList().count(), 0);
    EXPECT_EQ(voltage(scan)->foreground(0).color(), QColor(Qt::black));

    tree().setCurrentItem(itemOf(scan));
    texts.clear();
    readNextMenu(&texts);
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(texts,
              (QStringList{QString(), QStringLiteral("Export Scan..."), QStringLiteral("Remove Scan ")}));
    chooseInNextMenu(QStringLiteral("Remove Scan "));
    window->displayTreeContextMenu(QPoint(5, 5));
    EXPECT_EQ(tree().topLevelItemCount(), 0);
    EXPECT_EQ(deleted->count(), 1);
}

TEST_F(DataDisplayTest, ListMenuRecoloursRenamesAndRemoves)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    doubleClick(voltage(scan));
    doubleClick(channel(scan, QStringLiteral("Fund I (Amps)")));
    curveList().setCurrentRow(0);

    answerNextColourDialog(QColor(Qt::black));
    chooseInNextMenu(QStringLiteral("Change Color"));
    window->displayListContextMenu(QPoint(5, 5));
    auto* curve = static_cast<QwtPlotCurve*>(curveList().item(0)->data(PlotCurveRole).value<void*>());
    EXPECT_EQ(curve->pen().color(), QColor(Qt::black));
    EXPECT_EQ(curveList().item(0)->foreground().color(), QColor(Qt::black));
    EXPECT_EQ(voltage(scan)->foreground(0).color(), QColor(Qt::black));
    // Recoloured to black, the channel is still on display: it is not sent
    // a second time.
    doubleClick(voltage(scan));
    EXPECT_EQ(curveList().count(), 2);

    curveList().setCurrentRow(1);
    chooseInNextMenu(QStringLiteral("Rename Curve"));
    window->displayListContextMenu(QPoint(5, 5));
    EXPECT_TRUE(curveList().item(1)->flags() & Qt::ItemIsEditable);

    chooseInNextMenu(QStringLiteral("Remove Curve"));
    window->displayListContextMenu(QPoint(5, 5));
    EXPECT_EQ(curveList().count(), 1);
    EXPECT_EQ(plot().axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Volts"));
}

TEST_F(DataDisplayTest, PointDragEndsWithTheSmithChartOfTheFinalTime)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"), sensor(), 9);
    doubleClick(voltage(scan));
    form().DisplaySmithChartButton->click();
    window->show();
    form().tabWidget->setCurrentWidget(form().tab_2);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), 20000));
    form().DisplaySelectPointButton->click();
    plot().setAxisScale(QwtPlot::xBottom, 0.0, 4.0);
    plot().replot();
    QApplication::processEvents();
    QWidget* canvas = plot().canvas();
    const auto pixelOf = [this](double t) { return static_cast<int>(plot().transform(QwtPlot::xBottom, t)); };
    const auto mouse = [canvas](QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons) {
        const QPoint at(x, 20);
        QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };

    mouse(QEvent::MouseButtonPress, pixelOf(0.25), Qt::LeftButton, Qt::LeftButton);
    for (double t = 0.5; t < 3.2; t += 0.25) {
        mouse(QEvent::MouseMove, pixelOf(t), Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
    }
    const int last = pixelOf(3.2);
    mouse(QEvent::MouseMove, last, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    // Samples at 0, 0.5, ... 3.0 lie below the final time of about 3.2.
    ASSERT_TRUE(plot().hasIntervalSelection());
    EXPECT_EQ(window->smithChart()->chart()->points(0).size(), 7);
}

TEST_F(DataDisplayTest, WindowGoesWithItsSmithChartOpen)
{
    BaseScan* scan = finishedScan(QStringLiteral("one"));
    doubleClick(voltage(scan));
    form().DisplaySmithChartButton->click();
    ASSERT_TRUE(window->smithChart()->isVisible());
    window.reset(); // the dialog's last workDone reaches no window
}

TEST_F(DataDisplayTest, ScanTreeNamesAreShownWholeAtEveryWidth)
{
    const struct {
        int width;
        QString nickname;
        // Longer than a third of the window: the tree scrolls sideways.
        bool scrolls;
    } cases[] = {
        {1600, QStringLiteral("Chamber 3 lower electrode"), false},
        {1366, QStringLiteral("Chamber 3 lower electrode"), false},
        {1200, QStringLiteral("Chamber 3 lower electrode, second matching network after the upgrade"), true},
    };
    // The font the program gets on an X display without desktop settings.
    const QFont font = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    window->show();
    form().tabWidget->setCurrentWidget(form().tab_2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        window->resize(c.width, 1000);
        BaseScan* scan = finishedScan(c.nickname);
        tree().expandAll();
        QTreeWidgetItem* named = itemOf(scan);
        ASSERT_NE(named, nullptr);
        const auto names = [&] { return static_cast<QAbstractItemView&>(tree()).sizeHintForColumn(0); };
        // The names whole, and the curves beside the tree keep most of the row.
        const auto whole = [&] {
            return tree().columnWidth(0) >= names() && tree().width() <= window->width() / 3 + 1 &&
                   (c.scrolls ? tree().horizontalScrollBar()->maximum() > 0
                              : tree().columnWidth(0) <= tree().viewport()->width());
        };
        EXPECT_TRUE(QTest::qWaitFor(whole, 5000))
            << "names need " << names() << ", column " << tree().columnWidth(0) << ", tree shows "
            << tree().viewport()->width() << " of " << tree().width() << " in " << window->width();
        EXPECT_GE(tree().columnWidth(0),
                  tree().fontMetrics().horizontalAdvance(named->text(0)) + tree().indentation());
    }
    QApplication::setFont(font);
}

// Dialogs about a scan listed in the data display. While one is open, its
// event loop runs, and scans that sensors finished meanwhile complete there,
// which may push the scan asked about beyond the scan limit.
enum class AskedAbout { SaveName, RetriedSaveName, ExportName, DiscardQuestion, TreeMenu, TabSaveName };

struct ScanDialogCase {
    const char* name;
    AskedAbout dialog;
    // The file questions and the message boxes answered before the scan went.
    int questionsBeforeDrop;
    int boxesBeforeDrop;
    // The file in the test's folder that holds it afterwards, if any.
    const char* written;
};

class ScanUnderADialog : public DataDisplayTest, public testing::WithParamInterface<ScanDialogCase>
{
protected:
    // A scan of the time-trend tab, recorded there and finished through
    // the handler as its sensor would.
    BaseScan* tabScan(FakeSensor& from)
    {
        timeTrendScanTab& tab = *window->timeTrend();
        QList<QuvixSensor*> list{&from};
        tab.updateSensorList(list);
        tab.form().startScan->click();
        BaseScan* scan = from.takePendingScan();
        EXPECT_EQ(scan, tab.currentScan());
        if (!scan)
            return nullptr;
        scans.append(scan);
        scantest::fill(*scan, from, 4, {}, {}, 1.0, halfSecondTicks);
        tab.form().stopScan->click();
        handler()->scanComplete(scan);
        return scan;
    }
};

// The scan stays until the dialog is answered and what was asked for is
// under way, then goes once, its files whole; the scan that completed
// meanwhile stays.
TEST_P(ScanUnderADialog, AScanPushedOutMeanwhileGoesOnlyOnceTheDialogIsDone)
{
    const ScanDialogCase& c = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    handler()->setScanLimit(1);
    FakeSensor& from = sensor();
    BaseScan* asked =
        c.dialog == AskedAbout::TabSaveName ? tabScan(from) : finishedScan(QStringLiteral("asked"), from);
    ASSERT_NE(itemOf(asked), nullptr);
    const QPointer<BaseScan> askedGuard = asked;
    const int askedSamples = asked->sampleCount(0);
    tree().setCurrentItem(itemOf(asked));

    BaseScan* newer = recordedScan(QStringLiteral("newer"), from, 2);
    const auto newerCompletes = [&] { handler()->scanComplete(newer); };
    const auto newerCompletesInTheNextLoop = [&] {
        QMetaObject::invokeMethod(handler(), "scanComplete", Qt::QueuedConnection, Q_ARG(BaseScan*, newer));
    };

    ScriptedQuestions questions;
    MessageBoxAnswers boxes(c.boxesBeforeDrop > 0 ? QList<QMessageBox::StandardButton>{QMessageBox::Ok}
                                                  : QList<QMessageBox::StandardButton>{});
    int drops = 0;
    int questionsWhenDropped = -1;
    int boxesWhenDropped = -1;
    QObject::connect(window.get(), &MainWindow::scanDeleted, [&](BaseScan* gone) {
        if (gone != asked)
            return;
        ++drops;
        questionsWhenDropped = questions.answered();
        boxesWhenDropped = boxes.seen().size();
    });

    const QString named = folder.filePath(QStringLiteral("asked"));
    switch (c.dialog) {
    case AskedAbout::SaveName:
        questions.chooseWhile(named, newerCompletes);
        window->saveSelectedScan();
        break;
    case AskedAbout::RetriedSaveName:
        questions.choose(folder.filePath(QStringLiteral("missing/asked"))).chooseWhile(named, newerCompletes);
        window->saveSelectedScan();
        break;
    case AskedAbout::ExportName:
        questions.chooseWhile(named + QStringLiteral(".csv"), newerCompletes);
        window->exportSelectedScanToCSV();
        break;
    case AskedAbout::DiscardQuestion:
        newerCompletesInTheNextLoop();
        window->discardSelectedScan();
        break;
    case AskedAbout::TreeMenu:
        newerCompletesInTheNextLoop();
        questions.choose(named);
        chooseInNextMenu(QStringLiteral("Export Scan..."));
        window->displayTreeContextMenu(QPoint(5, 5));
        break;
    case AskedAbout::TabSaveName:
        questions.chooseWhile(named, newerCompletes);
        window->timeTrend()->form().saveScan->click();
        break;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return askedGuard.isNull(); }, 20000));
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(questionsWhenDropped, c.questionsBeforeDrop);
    EXPECT_EQ(boxesWhenDropped, c.boxesBeforeDrop);
    const QString written = folder.filePath(QString::fromLatin1(c.written));
    if (written.endsWith(QStringLiteral(".dat"))) {
        std::unique_ptr<BaseScan> saved;
        ASSERT_NO_THROW(saved = BaseScan::loadDat(written));
        EXPECT_EQ(saved->sampleCount(0), askedSamples);
    } else if (written.endsWith(QStringLiteral(".csv"))) {
        EXPECT_GT(QFileInfo(written).size(), 0);
    }
    EXPECT_NE(itemOf(newer), nullptr);
    EXPECT_EQ(handler()->keptScans(), QList<BaseScan*>{newer});
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, ScanUnderADialog,
    testing::Values(ScanDialogCase{"SaveName", AskedAbout::SaveName, 1, 0, "asked.dat"},
                    ScanDialogCase{"RetriedSaveName", AskedAbout::RetriedSaveName, 2, 1, "asked.dat"},
                    ScanDialogCase{"ExportName", AskedAbout::ExportName, 1, 0, "asked.csv"},
                    ScanDialogCase{"DiscardQuestion", AskedAbout::DiscardQuestion, 0, 1, ""},
                    ScanDialogCase{"TreeMenu", AskedAbout::TreeMenu, 1, 0, "asked.dat"},
                    ScanDialogCase{"TabSaveName", AskedAbout::TabSaveName, 1, 0, "asked.dat"}),
    [](const testing::TestParamInfo<ScanDialogCase>& info) { return std::string(info.param.name); });

} // namespace
