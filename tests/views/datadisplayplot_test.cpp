// The data display plot: its selection (zone, picked point, Escape), its
// tool modes, a point drag feeding the bar chart and the waveform view, and
// its zoom bookkeeping.

#include "views/datadisplayplot.h"

#include "chartscans.h"
#include "views/barchart.h"
#include "views/barchartpicker.h"
#include "views/rangepicker.h"
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
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using charttest::chartScan;

namespace {

class DataDisplayPlotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        spy = std::make_unique<QSignalSpy>(&plot, &DataDisplayPlot::IntervalSelection);
        plot.resize(600, 400);
        plot.show();
    }

    Qt::MouseButton pannerButton() const
    {
        Qt::MouseButton button = Qt::NoButton;
        Qt::KeyboardModifiers modifiers;
        plot.panner()->getMouseButton(button, modifiers);
        return button;
    }
    QRectF lastSelection() const { return spy->last().at(0).toRectF(); }
    void pressKey(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, plot.canvas()->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot.canvas(), &event);
    }

    DataDisplayPlot plot;
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(DataDisplayPlotTest, StartsInZoomModeWithoutSelection)
{
    EXPECT_TRUE(plot.zoomer()->isEnabled());
    EXPECT_TRUE(plot.secondaryZoomer()->isEnabled());
    EXPECT_FALSE(plot.pointPicker()->isEnabled());
    EXPECT_FALSE(plot.intervalPicker()->isEnabled());
    EXPECT_EQ(pannerButton(), Qt::MiddleButton);
    EXPECT_FALSE(plot.hasIntervalSelection());
    EXPECT_FALSE(plot.axisEnabled(QwtPlot::yLeft));
    EXPECT_FALSE(plot.axisEnabled(QwtPlot::yRight));
    EXPECT_TRUE(plot.axisAutoScale(QwtPlot::xBottom));
    EXPECT_EQ(plot.zoneItem()->z(), 11.0);
    EXPECT_EQ(plot.zoneItem()->plot(), nullptr);
    EXPECT_EQ(plot.minimumHeight(), 100);
    EXPECT_EQ(plot.zoomer()->rubberBandPen().color(), QColor(Qt::darkGreen));
    EXPECT_EQ(plot.pointPicker()->rubberBandPen().color(), QColor(Qt::red));
    EXPECT_EQ(plot.intervalPicker()->rubberBandPen().color(), QColor(Qt::darkBlue));
}

TEST_F(DataDisplayPlotTest, ZoneOfZeroWidthClearsAndStillAnnounces)
{
    plot.SelectZone(QRectF(1.0, 0.0, 2.0, 5.0));
    EXPECT_TRUE(plot.hasIntervalSelection());
    EXPECT_EQ(plot.selectedInterval().minValue(), 1.0);
    EXPECT_EQ(plot.selectedInterval().maxValue(), 3.0);
    EXPECT_EQ(plot.zoneItem()->plot(), &plot);
    ASSERT_EQ(spy->count(), 1);
    EXPECT_EQ(lastSelection(), QRectF(1.0, 0.0, 2.0, 5.0));

    plot.SelectZone(QRectF(4.0, 1.0, 0.0, 3.0));
    EXPECT_FALSE(plot.hasIntervalSelection());
    EXPECT_EQ(plot.zoneItem()->plot(), nullptr);
    ASSERT_EQ(spy->count(), 2);
    EXPECT_EQ(lastSelection(), QRectF(4.0, 1.0, 0.0, 3.0));
}

TEST_F(DataDisplayPlotTest, ClearSelectionForgetsTheIntervalAndAnnouncesNothingSelected)
{
    plot.SelectZone(QRectF(1.0, 0.0, 2.0, 0.0));
    plot.clearSelection();
    EXPECT_FALSE(plot.hasIntervalSelection());
    EXPECT_EQ(plot.selectedInterval().minValue(), -10.0);
    EXPECT_EQ(plot.selectedInterval().maxValue(), -10.0);
    EXPECT_EQ(lastSelection(), QRectF(0.0, 0.0, 0.0, 0.0));
}

TEST_F(DataDisplayPlotTest, EscapeClearsOnlyAnExistingSelection)
{
    pressKey(Qt::Key_Escape);
    EXPECT_EQ(spy->count(), 0);

    plot.SelectZone(QRectF(1.0, 0.0, 2.0, 0.0));
    pressKey(Qt::Key_A);
    EXPECT_EQ(spy->count(), 1);
    EXPECT_TRUE(plot.hasIntervalSelection());

    pressKey(Qt::Key_Escape);
    ASSERT_EQ(spy->count(), 2);
    EXPECT_EQ(lastSelection(), QRectF());
    EXPECT_FALSE(plot.hasIntervalSelection());
    EXPECT_EQ(plot.zoneItem()->plot(), nullptr);

    pressKey(Qt::Key_Escape);
    EXPECT_EQ(spy->count(), 2);
}

TEST_F(DataDisplayPlotTest, ToolModesSetToolsAndCursor)
{
    struct Mode {
        void (DataDisplayPlot::*activate)();
        bool zoomers;
        bool interval;
        bool point;
        Qt::MouseButton panButton;
        Qt::CursorShape cursor;
    };
    const Mode modes[] = {
        {&DataDisplayPlot::ActivateZoom, true, false, false, Qt::MiddleButton, Qt::CrossCursor},
        {&DataDisplayPlot::ActivatePan, false, false, false, Qt::LeftButton, Qt::OpenHandCursor},
        {&DataDisplayPlot::ActivateZoneSelect, false, true, false, Qt::MiddleButton, Qt::SplitHCursor},
        {&DataDisplayPlot::ActivatePointSelect, false, false, true, Qt::MiddleButton, Qt::PointingHandCursor},
    };
    for (const Mode& mode : modes) {
        (plot.*mode.activate)();
        SCOPED_TRACE(static_cast<int>(mode.cursor));
        EXPECT_EQ(plot.zoomer()->isEnabled(), mode.zoomers);
        EXPECT_EQ(plot.secondaryZoomer()->isEnabled(), mode.zoomers);
        EXPECT_EQ(plot.intervalPicker()->isEnabled(), mode.interval);
        EXPECT_EQ(plot.pointPicker()->isEnabled(), mode.point);
        EXPECT_EQ(pannerButton(), mode.panButton);
        EXPECT_EQ(plot.canvas()->cursor().shape(), mode.cursor);
    }
}

TEST_F(DataDisplayPlotTest, PickedPointSelectsFromZero)
{
    plot.PickPoint(QPointF(5.0, 3.0));
    ASSERT_EQ(spy->count(), 1);
    EXPECT_EQ(lastSelection(), QRectF(0.0, 0.0, 5.0, 0.0));
    EXPECT_TRUE(plot.hasIntervalSelection());
    EXPECT_EQ(plot.selectedInterval().minValue(), 0.0);
    EXPECT_EQ(plot.selectedInterval().maxValue(), 5.0);
    // The band shows only where one was shown before.
    EXPECT_EQ(plot.zoneItem()->plot(), nullptr);
}

TEST_F(DataDisplayPlotTest, PointDragFeedsTheChartsWithTheNewestTimeAndTheRelease)
{
    // Three samples of two harmonics at 0, 1 and 2 ms.
    const charttest::Sample sample = {{{10.0, 1.0}, {5.0, 0.5}}};
    auto scan = chartScan(QStringLiteral("drag"), {13.56}, {sample, sample, sample});
    barchart chart;
    waveForm view;
    chart.addScan(scan.scan.get());
    view.addScan(scan.scan.get());
    plot.connectPointPicker(&chart);
    plot.connectPointPickerToWaveform(&view);
    EXPECT_TRUE(plot.pointPicker()->isEnabled());

    plot.setAxisScale(QwtPlot::xBottom, 0.0, 0.01);
    plot.setAxisScale(QwtPlot::yLeft, 0.0, 10.0);
    plot.replot();
    QApplication::processEvents();
    const auto pixelOf = [this](double t) { return static_cast<int>(plot.transform(QwtPlot::xBottom, t)); };
    const auto timeAt = [this](int pixel) { return plot.invTransform(QwtPlot::xBottom, pixel); };

    const QPoint start(pixelOf(0.001), 100);
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(plot.pointPicker()->isActive());
    const QPoint first(pixelOf(0.002), 120);
    const QPoint newest(pixelOf(0.004), 140);
    mouse(QEvent::MouseMove, first, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, newest, Qt::NoButton, Qt::LeftButton);
    // One turn of the event loop handles the newest position only.
    QApplication::processEvents();
    ASSERT_EQ(spy->count(), 1);
    EXPECT_DOUBLE_EQ(lastSelection().width(), timeAt(newest.x()));
    EXPECT_EQ(view.lastTimePosition(), QPointF(timeAt(newest.x()), 0.0));
    EXPECT_DOUBLE_EQ(chart.voltagePicker()->time(), timeAt(newest.x()));

    // A move still pending reaches the receivers before the release does.
    const QPoint last(pixelOf(0.006), 160);
    mouse(QEvent::MouseMove, last, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(spy->count(), 2);
    EXPECT_DOUBLE_EQ(lastSelection().width(), timeAt(last.x()));
    const double releasedY = plot.invTransform(QwtPlot::yLeft, last.y());
    EXPECT_NEAR(view.lastTimePosition().y(), releasedY, 1e-9);
    EXPECT_NEAR(view.lastTimePosition().x(), timeAt(last.x()), 1e-9);
    QApplication::processEvents();
    EXPECT_EQ(spy->count(), 2);
    EXPECT_NEAR(view.lastTimePosition().y(), releasedY, 1e-9);
}

TEST_F(DataDisplayPlotTest, PickedTimesBeforeZeroShowTheSamplesTheyName)
{
    // A profile from -50 µs: small before the pulse, 100 V at its end.
    const std::vector<charttest::ProfilePoint> points{{-50.0, 1.0, 0.1, 13.50}, {-40.0, 1.5, 0.2, 13.52},
                                                      {-29.5, 2.0, 0.3, 13.54}, {-10.0, 30.0, 0.4, 13.56},
                                                      {0.0, 60.0, 0.5, 13.58},  {20.0, 90.0, 0.6, 13.60},
                                                      {50.0, 100.0, 0.7, 13.62}};
    auto profile = charttest::profileScan(QStringLiteral("profile"), 13.56, points);
    barchart chart;
    waveForm view;
    chart.addScan(profile.scan.get());
    view.addScan(profile.scan.get());
    plot.connectPointPicker(&chart);
    plot.connectPointPickerToWaveform(&view);

    struct Pick {
        double time;
        size_t sample;
    };
    const Pick picks[] = {{-50.0, 0}, {-29.5, 2}, {-35.0, 2}, {0.0, 4}, {-80.0, 0}, {400.0, 6}, {-45.0, 1}};
    for (const Pick& pick : picks) {
        const charttest::ProfilePoint& p = points[pick.sample];
        emit plot.pointPicker()->selected(QPointF(pick.time, 0.0));
        const std::string at = "picked at " + std::to_string(pick.time);

        EXPECT_EQ(chart.voltagePicker()->trackerTextF(QPointF(5.0, 50.0)).text().toStdString(),
                  QStringLiteral("Fund value : %1 V").arg(p.voltage, 0, 'g', 6).toStdString())
            << at;
        EXPECT_EQ(chart.currentPicker()->trackerTextF(QPointF(5.0, 50.0)).text().toStdString(),
                  QStringLiteral("Fund value : %1 A").arg(p.voltage / 10.0, 0, 'g', 6).toStdString())
            << at;
        ASSERT_EQ(chart.voltageHistogram()->dataSize(), 2u) << at;
        EXPECT_DOUBLE_EQ(chart.voltageHistogram()->sample(1).value, 100.0 * p.secondShare) << at;

        WaveformChannel expected;
        expected.nominalMHz = 13.56;
        expected.measuredMHz = p.measuredMHz;
        expected.voltage = {p.voltage, p.voltage * p.secondShare};
        expected.current = {p.voltage / 10.0, p.voltage / 10.0 * p.secondShare};
        expected.phase = {0.0, 0.0};
        expected.voltagePhase = {0.0, 0.0};
        const WaveformSamples drawn = WaveformSynthesis::single(expected);
        EXPECT_EQ(view.samples().voltage, drawn.voltage) << at;
        EXPECT_EQ(view.samples().current, drawn.current) << at;
    }
}

TEST_F(DataDisplayPlotTest, MovesWithoutAPointDragDoNothing)
{
    plot.ActivatePointSelect();
    mouse(QEvent::MouseMove, QPoint(100, 100), Qt::NoButton, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(spy->count(), 0);
}

TEST_F(DataDisplayPlotTest, ZoomingBackToTheBaseFollowsTheDataAgain)
{
    auto* curve = new QwtPlotCurve;
    curve->setSamples(QVector<double>{0.0, 10.0}, QVector<double>{0.0, 5.0});
    curve->attach(&plot);
    plot.replot();

    plot.zoomer()->zoom(QRectF(2.0, 1.0, 3.0, 2.0));
    EXPECT_EQ(plot.zoomer()->zoomRectIndex(), 1u);
    EXPECT_FALSE(plot.axisAutoScale(QwtPlot::xBottom));
    EXPECT_FALSE(plot.axisAutoScale(QwtPlot::yLeft));
    // A new item while zoomed in keeps the zoom stack.
    auto* other = new QwtPlotCurve;
    other->attach(&plot);
    EXPECT_EQ(plot.zoomer()->zoomRectIndex(), 1u);

    plot.zoomer()->zoom(-1);
    EXPECT_EQ(plot.zoomer()->zoomRectIndex(), 0u);
    for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft, QwtPlot::yRight, QwtPlot::xTop})
        EXPECT_TRUE(plot.axisAutoScale(axis)) << axis;

    // New data rescales the plot again.
    curve->setSamples(QVector<double>{0.0, 100.0}, QVector<double>{0.0, 5.0});
    plot.replot();
    EXPECT_GE(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 100.0);
}

TEST_F(DataDisplayPlotTest, ResetZoomFollowsTheDataWhateverTheIndex)
{
    plot.setAxisScale(QwtPlot::xBottom, 0.0, 1.0);
    plot.resetZoom();
    for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft, QwtPlot::yRight, QwtPlot::xTop})
        EXPECT_TRUE(plot.axisAutoScale(axis)) << axis;
}

} // namespace
