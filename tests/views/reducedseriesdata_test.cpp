// Curves drawn through the reduced series: the same pixels as the full
// drawing of a noisy million-point curve, zoomed out and in, the bounds of
// all points, at most four points per pixel column; the live curve that
// follows a scan; and the coalesced replot.

#include "support/noisywave.h"
#include "support/scanfactory.h"
#include "views/livecurve.h"
#include "views/reducedcurve.h"
#include "views/reducedseriesdata.h"
#include "views/replotcoalescer.h"

#include <gtest/gtest.h>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <map>

namespace {

class Plot : public QwtPlot
{
public:
    Plot()
    {
        setCanvasBackground(Qt::white);
        enableAxis(QwtPlot::yLeft, false);
        enableAxis(QwtPlot::xBottom, false);
        resize(700, 400);
    }
    QImage draw(QwtPlotItem* curve, double left, double right)
    {
        curve->attach(this);
        setAxisScale(QwtPlot::xBottom, left, right);
        setAxisScale(QwtPlot::yLeft, -1.5, 1.5);
        replot();
        const QImage image = canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        curve->detach();
        return image;
    }
};

QSet<int> litPixels(const QImage& image)
{
    QSet<int> lit;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                lit.insert(y * image.width() + x);
    return lit;
}

class MillionPoints : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        time = new Series;
        values = new Series;
        scantest::noisyWave(1000000, 42, *time, *values);
    }
    static void TearDownTestSuite()
    {
        delete time;
        delete values;
    }
    static Series* time;
    static Series* values;
};
Series* MillionPoints::time = nullptr;
Series* MillionPoints::values = nullptr;

TEST_F(MillionPoints, ReducedDrawingLightsTheSamePixelsAsTheFullOne)
{
    Plot plot;
    plot.show();
    ReducedCurve reduced("reduced", new ReducedSeriesData(time, values));
    QwtPlotCurve full("full");
    full.setSamples(time->data(), values->data(), static_cast<int>(time->size()));
    for (QwtPlotCurve* curve : {static_cast<QwtPlotCurve*>(&reduced), &full}) {
        curve->setPen(Qt::black, 1.0);
        curve->setItemAttribute(QwtPlotItem::AutoScale, false);
        curve->setRenderHint(QwtPlotItem::RenderAntialiased, false);
    }
    struct View {
        const char* name;
        double left;
        double right;
    };
    for (const View& view :
         {View{"whole", 0.0, 1000.0}, View{"zoomed in", 400.0, 402.5}, View{"one second", 500.0, 501.0}}) {
        const QSet<int> ours = litPixels(plot.draw(&reduced, view.left, view.right));
        const QSet<int> theirs = litPixels(plot.draw(&full, view.left, view.right));
        ASSERT_GT(theirs.size(), 1000) << view.name;
        const int differing = (ours - theirs).size() + (theirs - ours).size();
        EXPECT_LT(differing, theirs.size() / 100)
            << view.name << ": " << differing << " of " << theirs.size();
        EXPECT_LE(reduced.reducedData()->size(), 4u * 702u) << view.name;
    }
}

TEST_F(MillionPoints, HandsAtMostFourPointsPerPixelColumnInOrder)
{
    ReducedSeriesData data(time, values);
    for (int pixels : {100, 700, 1920}) {
        data.setView(250.0, 750.0, 0.0, pixels);
        std::map<long, int> perColumn;
        double previous = -1.0;
        for (size_t i = 0; i < data.size(); ++i) {
            const QPointF p = data.sample(i);
            ASSERT_GE(p.x(), previous);
            previous = p.x();
            ++perColumn[static_cast<long>(
                std::floor(0.0 + (p.x() - 250.0) * (double(pixels) / 500.0) + 0.5))];
        }
        for (const auto& [column, count] : perColumn)
            EXPECT_LE(count, 4) << pixels << " pixels, column " << column;
        // Every column shows its extremes.
        EXPECT_GE(perColumn.size(), static_cast<size_t>(pixels));
    }
}

TEST_F(MillionPoints, BoundsCoverAllPointsWhateverTheView)
{
    ReducedSeriesData data(time, values);
    data.setView(100.0, 101.0, 0.0, 500.0);
    const auto [lowest, highest] = std::minmax_element(values->begin(), values->end());
    EXPECT_EQ(data.boundingRect(), QRectF(0.0, *lowest, time->back(), *highest - *lowest));
}

TEST_F(MillionPoints, PlainCurveReducesForTheScaleRangeAndTheCanvasWidth)
{
    ReducedSeriesData data(time, values);
    data.setCanvasWidth(500);
    data.setRectOfInterest(QRectF(100.0, -1.5, 10.0, 3.0));
    EXPECT_LE(data.size(), 4u * 502u);
    EXPECT_GT(data.size(), 500u);
    EXPECT_NEAR(data.sample(0).x(), 100.0, 0.05); // a pen's width beyond the edge
    // A zoom to 1000 points: all of them drawn, and a few beyond each edge.
    data.setRectOfInterest(QRectF(200.0, -1.5, 1.0, 3.0));
    EXPECT_GE(data.size(), 1001u);
    EXPECT_LE(data.size(), 1020u);
    EXPECT_NEAR(data.sample(0).x(), 200.0, 0.01);
}

TEST(ReducedSeriesData, OwnedSamplesGrowAndShrinkWithTheirBounds)
{
    ReducedSeriesData data;
    const double t[] = {0.0, 1.0, 2.0, 3.0};
    const double v[] = {5.0, -2.0, 7.0, 1.0};
    data.append(t, v, 4);
    EXPECT_EQ(data.boundingRect(), QRectF(0.0, -2.0, 3.0, 9.0));
    data.dropFront(3);
    EXPECT_EQ(data.boundingRect(), QRectF(3.0, 1.0, 0.0, 0.0));
    EXPECT_EQ(data.size(), 1u);
    data.clear();
    EXPECT_EQ(data.size(), 0u);
    EXPECT_FALSE(data.boundingRect().isValid());
}

TEST(ReducedSeriesData, ValuesShorterThanTimesDrawOnlyThePairs)
{
    const Series time = {0.0, 1.0, 2.0};
    const Series none;
    ReducedSeriesData data(&time, &none);
    EXPECT_EQ(data.size(), 0u);
    EXPECT_EQ(data.fullSize(), 0u);
}

TEST(LiveCurve, FollowsTheScanAndKeepsItsBoundsCurrent)
{
    FakeSensor sensor({13.56}, {1});
    std::unique_ptr<CWScan> scanHolder = scantest::cwScan(sensor, 0);
    CWScan& scan = *scanHolder;
    LiveCurve curve("Voltage", {Voltage, 0, 0, 0});
    auto add = [&](double voltage) { scantest::fill(scan, sensor, 1, scantest::Load{voltage}); };
    EXPECT_FALSE(curve.update(scan) && curve.reducedData()->size() > 0);
    add(3.0);
    add(8.0);
    EXPECT_TRUE(curve.update(scan));
    EXPECT_EQ(curve.reducedData()->fullSize(), 2u);
    EXPECT_DOUBLE_EQ(curve.boundingRect().bottom(), 8.0);
    EXPECT_FALSE(curve.update(scan));
    add(12.0);
    EXPECT_TRUE(curve.update(scan));
    EXPECT_DOUBLE_EQ(curve.boundingRect().bottom(), 12.0);
    EXPECT_EQ(curve.sample(2).y(), 12.0);
}

class CountingPlot : public QwtPlot
{
public:
    void replot() override
    {
        ++replots;
        QwtPlot::replot();
    }
    int replots = 0;
};

// Runs the event loop until the condition holds or 20 s have passed.
template <class Condition> bool waitFor(Condition condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

TEST(ReplotCoalescer, ManyMarksGiveOneReplotFromTheEventLoop)
{
    CountingPlot plot;
    // The plot's own first replot (on polish) is not ours to count.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    plot.replots = 0;
    ReplotCoalescer coalescer(&plot);
    for (int i = 0; i < 100; ++i)
        coalescer.markChanged();
    EXPECT_EQ(plot.replots, 0);
    EXPECT_TRUE(waitFor([&] { return !coalescer.isPending(); }));
    QTest::qWait(2 * ReplotCoalescer::minimumIntervalMs);
    EXPECT_EQ(plot.replots, 1);

    // Marks right after a replot wait out the interval, then replot once.
    coalescer.markChanged();
    coalescer.markChanged();
    EXPECT_EQ(plot.replots, 1);
    EXPECT_TRUE(waitFor([&] { return !coalescer.isPending(); }));
    EXPECT_EQ(plot.replots, 2);
}

} // namespace
