// The main window's "Data Display" page on a laptop screen of 1366 x 768 and
// on a 1600 x 1000 one, with every analysis view open beside the plot and a
// dozen curves of two scans on display: the window must fit the screen with
// the whole plot and both harmonics charts inside it, the charts' axis title
// and tracker texts must show whole, and the plot's y axis titles must fit
// their axis or show elided with the whole title in the axis' tool tip.
// Building the window starts discovery, so this runs only inside the
// private network namespace.

#include "app/mainwindow.h"
#include "app/recordingkeepawake.h"
#include "scans/quantitytree.h"
#include "scans/scanhandler.h"
#include "support/scanfactory.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "views/barchart.h"
#include "views/barchartpicker.h"
#include "views/datadisplayplot.h"
#include "views/waveform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSettings>
#include <QTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <memory>
#include <vector>

namespace {

// A 1366 x 768 screen less a desktop panel and the window's title bar, of
// about 34 pixels each.
constexpr int laptopWidth = 1366;
constexpr int laptopClientHeight = 768 - 2 * 34;
constexpr int wideWidth = 1600;
constexpr int wideClientHeight = 1000 - 2 * 34;

struct ScreenCase {
    int width;
    int height;
};
const std::vector<ScreenCase> screens{{laptopWidth, laptopClientHeight}, {wideWidth, wideClientHeight}};

// The room the scale widget draws its title in, along the axis.
int titleRoom(const QwtScaleWidget& axis)
{
    const int length = axis.scaleDraw()->orientation() == Qt::Vertical ? axis.height() : axis.width();
    return length - axis.startBorderDist() - axis.endBorderDist();
}

double titleWidth(const QwtScaleWidget& axis)
{
    return axis.title().textSize(axis.font()).width();
}

QRect placedIn(const QWidget& widget, const QWidget& window)
{
    return QRect(widget.mapTo(&window, QPoint(0, 0)), widget.size());
}

class DataDisplayFit : public ::testing::Test
{
protected:
    // Building the window starts the sensor handler, which broadcasts.
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        QSettings().clear();
        // The font the program gets on an X display without desktop
        // settings; the offscreen platform's own default is larger.
        QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
        window = std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
        window->form().tabWidget->setCurrentWidget(window->form().tab_2);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        for (const QPointer<BaseScan>& scan : scans)
            delete scan.data();
        QSettings().clear();
    }

    Ui_MainWindow& form() { return window->form(); }

    // A minute of a load whose voltage climbs to 1.5 kV, sampled every
    // 100 ms: the plot's left axis runs to 1,600 in steps of 200.
    BaseScan* rampScan(FakeSensor& sensor, const QString& nickname)
    {
        auto scan = std::make_unique<CWScan>(&sensor, QStringLiteral("cw"), 100);
        scan->serialNumber = sensor.serialNumber();
        scan->nickname = nickname;
        scan->start();
        scantest::Load load;
        load.voltage = 3.0;
        load.current = 2.0;
        load.phase = 30.0;
        scantest::fill(*scan, sensor, 600, load, {}, 2.5, 2400000);
        BaseScan* finished = scan.release();
        scans.append(finished);
        ScanHandler::getInstance()->scanComplete(finished);
        return finished;
    }

    // Double clicks up to `count` channels of the scan, in tree order.
    void sendChannels(const BaseScan* scan, int count)
    {
        QTreeWidget& tree = *form().DisplayListTree;
        for (QTreeWidgetItemIterator it(&tree); *it && count > 0; ++it) {
            QTreeWidgetItem* item = *it;
            if (item->childCount() != 0 || !item->data(0, SeriesRole).value<void*>() ||
                item->data(0, ScanRole).value<void*>() != scan)
                continue;
            tree.setCurrentItem(item);
            emit tree.itemDoubleClicked(item, 0);
            --count;
        }
    }

    // Two scans of ion flux sensors with two frequencies, named after their
    // chambers' long nicknames, a dozen curves of the first on the left
    // axis, the harmonics charts and the waveform view open.
    void showEveryView()
    {
        BaseScan* first = rampScan(chamberSensor, QStringLiteral("Etch chamber 2, lower electrode bias"));
        otherSensor.setSerialNumber(QStringLiteral("B456"));
        BaseScan* second = rampScan(otherSensor, QStringLiteral("Etch chamber 2, upper electrode source"));
        sendChannels(first, 12);
        sendChannels(second, 1);
        form().DisplayListTree->setCurrentItem(form().DisplayListTree->topLevelItem(0));
        form().DisplayBarChartButton->click();
        form().displayWaveForm->click();
        window->barChart()->addScan(second);
        window->barChart()->updateTimePosition(QPointF(30.0, 0.0));
        ASSERT_FALSE(window->barChart()->isHidden());
        ASSERT_FALSE(window->waveformView()->isHidden());
    }

    // The window at this size once its layouts are done.
    void resizeAndSettle(int width, int height)
    {
        window->resize(width, height);
        (void)QTest::qWaitFor([&] { return window->size() == QSize(width, height); }, 5000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }

    // The left axis's title as the curves on it make it: their units, in
    // list order, joined by commas.
    QString leftAxisUnits() const
    {
        QStringList units;
        const QListWidget& list = *window->form().DisplayCurveList;
        for (int row = 0; row < list.count(); ++row)
            if (list.item(row)->data(CurveOnLeftAxisRole).toBool())
                units << list.item(row)->data(UnitRole).toString();
        return units.join(QLatin1Char(','));
    }

    QList<QwtPlot*> chartPlots() const { return window->barChart()->findChildren<QwtPlot*>(); }

    FakeSensor chamberSensor{{13.56, 2.0}, {4, 4}, 3};
    FakeSensor otherSensor{{13.56, 2.0}, {4, 4}, 3};
    std::unique_ptr<MainWindow> window;
    QList<QPointer<BaseScan>> scans;
};

TEST_F(DataDisplayFit, WindowFitsTheScreenWithThePlotAndBothChartsWhole)
{
    showEveryView();
    for (const ScreenCase& screen : screens) {
        resizeAndSettle(screen.width, screen.height);
        const QSize lowest = window->minimumSize().expandedTo(window->minimumSizeHint());
        EXPECT_LE(lowest.height(), screen.height)
            << "the window cannot be made as low as a " << screen.width << " px wide screen leaves room for";
        EXPECT_LE(lowest.width(), screen.width);
        EXPECT_EQ(window->size(), QSize(screen.width, screen.height));
        const QRect inside = window->rect();
        std::vector<QWidget*> parts{form().DisplayPlot, window->barChart(), window->waveformView()};
        for (QwtPlot* chart : chartPlots())
            parts.push_back(chart);
        for (QWidget* part : parts)
            EXPECT_TRUE(inside.contains(placedIn(*part, *window)))
                << part->objectName().toStdString() << " at " << screen.width << " x " << screen.height
                << " ends at " << placedIn(*part, *window).bottom() << " of " << inside.bottom();
    }
}

TEST_F(DataDisplayFit, HarmonicsChartsShowTheirAxisTitleAndTrackerWhole)
{
    showEveryView();
    for (const ScreenCase& screen : screens) {
        resizeAndSettle(screen.width, screen.height);
        const std::vector<barchartPicker*> pickers{window->barChart()->voltagePicker(),
                                                   window->barChart()->currentPicker()};
        for (barchartPicker* picker : pickers) {
            auto* plot = qobject_cast<QwtPlot*>(picker->plot());
            ASSERT_NE(plot, nullptr);
            const QwtScaleWidget& axis = *plot->axisWidget(QwtPlot::xBottom);
            EXPECT_EQ(axis.title().text(), QStringLiteral("Harmonic"));
            EXPECT_GE(titleRoom(axis), titleWidth(axis))
                << plot->objectName().toStdString() << " at " << screen.width << " px";

            // Over the fundamental's bar and over the second harmonic's, low
            // on the chart, where the tracker shows its longest texts.
            QWidget& canvas = *plot->canvas();
            for (double harmonicX : {5.0, 15.0}) {
                const QPoint at(static_cast<int>(plot->transform(QwtPlot::xBottom, harmonicX)),
                                static_cast<int>(plot->transform(QwtPlot::yLeft, 1.0)));
                QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(&canvas, &move);
                const QPoint tracked = picker->trackerPosition();
                const QPointF value(plot->invTransform(QwtPlot::xBottom, tracked.x()),
                                    plot->invTransform(QwtPlot::yLeft, tracked.y()));
                const QString text = picker->trackerTextF(value).text();
                ASSERT_FALSE(text.isEmpty()) << "no tracker text at " << harmonicX;
                const QRect tracker = picker->trackerRect(picker->trackerFont());
                EXPECT_TRUE(canvas.contentsRect().contains(tracker))
                    << plot->objectName().toStdString() << " at " << screen.width << " px: \""
                    << text.toStdString() << "\" needs " << tracker.width() << " x " << tracker.height()
                    << ", the canvas is " << canvas.contentsRect().width() << " x "
                    << canvas.contentsRect().height();
            }
        }
    }
}

TEST_F(DataDisplayFit, PlotAxisTitlesFitOrShowElidedWithTheWholeTitleInTheirToolTip)
{
    showEveryView();
    const QString whole = leftAxisUnits();
    ASSERT_GE(whole.count(QLatin1Char(',')), 10) << whole.toStdString();
    for (const ScreenCase& screen : screens) {
        resizeAndSettle(screen.width, screen.height);
        const QwtScaleWidget& axis = *form().DisplayPlot->axisWidget(QwtPlot::yLeft);
        const QString shown = axis.title().text();
        EXPECT_LE(titleWidth(axis), titleRoom(axis))
            << "\"" << shown.toStdString() << "\" at " << screen.width << " px";
        if (shown == whole) {
            EXPECT_TRUE(axis.toolTip().isEmpty());
        } else {
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << shown.toStdString();
            EXPECT_EQ(axis.toolTip(), whole);
        }
    }

    // A title with room to spare is shown whole, without a tool tip.
    form().clearButton->click();
    sendChannels(scans.first(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    const QwtScaleWidget& axis = *form().DisplayPlot->axisWidget(QwtPlot::yLeft);
    EXPECT_EQ(axis.title().text(), leftAxisUnits());
    EXPECT_TRUE(axis.toolTip().isEmpty());
}

} // namespace
