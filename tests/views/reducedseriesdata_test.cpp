// Curves drawn through the reduced series: the same pixels as the full
// drawing of a noisy million-point curve, zoomed out and in, the bounds of
// all points, at most four points per pixel column; the reduction kept up
// as samples come and go and the view moves, point for point what a fresh
// reduction gives; the live curve that follows a scan; and the coalesced
// replot.

#include "support/heapinuse.h"
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
#include <cctype>
#include <map>
#include <random>
#include <vector>

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

// The points a reduction hands Qwt, in order.
std::vector<QPointF> pointsOf(const QwtSeriesData<QPointF>& data)
{
    std::vector<QPointF> points(data.size());
    for (size_t i = 0; i < points.size(); ++i)
        points[i] = data.sample(i);
    return points;
}

// What happens to a curve between two drawings: samples go from the front
// and come at the end, the view moves; `times` such steps in a row.
struct CurveStep {
    size_t dropped = 0;
    size_t appended = 0;
    double left = 0.0;
    double right = 0.0;
    int pixels = 0;
    int times = 1;
    // The first appended sample lies this far before the newest one.
    double backInTime = 0.0;
};

struct KeptReductionCase {
    const char* name;
    size_t initialSamples;
    std::vector<CurveStep> steps;
};

class KeptReduction : public ::testing::TestWithParam<KeptReductionCase>
{
};

// Whatever the steps, the reduction kept from drawing to drawing draws
// exactly the points of one made from scratch for the same samples and view.
TEST_P(KeptReduction, DrawsWhatAFreshReductionDraws)
{
    const KeptReductionCase& c = GetParam();
    Series waveTime;
    Series waveValues;
    scantest::noisyWave(300000, 11, waveTime, waveValues);
    Series time(waveTime.begin(), waveTime.begin() + static_cast<std::ptrdiff_t>(c.initialSamples));
    Series values(waveValues.begin(), waveValues.begin() + static_cast<std::ptrdiff_t>(c.initialSamples));
    size_t next = c.initialSamples;
    ReducedSeriesData kept(&time, &values);
    int drawing = 0;
    for (const CurveStep& step : c.steps) {
        for (int repeat = 0; repeat < step.times; ++repeat, ++drawing) {
            const size_t dropped = std::min(step.dropped, time.size());
            time.erase(time.begin(), time.begin() + static_cast<std::ptrdiff_t>(dropped));
            values.erase(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(dropped));
            ASSERT_LE(next + step.appended, waveTime.size());
            for (size_t k = 0; k < step.appended; ++k, ++next) {
                time.push_back(waveTime[next] - (k == 0 ? step.backInTime : 0.0));
                values.push_back(waveValues[next]);
            }
            kept.samplesChanged(false, dropped, step.appended);
            kept.setView(step.left, step.right, 0.0, step.pixels);
            ReducedSeriesData fresh(&time, &values);
            fresh.setView(step.left, step.right, 0.0, step.pixels);
            const std::vector<QPointF> expected = pointsOf(fresh);
            ASSERT_EQ(pointsOf(kept), expected) << c.name << ", drawing " << drawing;
        }
    }
}

// The wave has a sample per millisecond: a 400-pixel view of 200 s puts
// 500 samples in a column.
INSTANTIATE_TEST_SUITE_P(
    Cases, KeptReduction,
    ::testing::Values(
        KeptReductionCase{
            "within one column", 100000, {{0, 0, 0.0, 200.0, 400}, {0, 1, 0.0, 200.0, 400, 40}}},
        KeptReductionCase{"across columns", 100000, {{0, 1234, 0.0, 200.0, 400, 12}}},
        KeptReductionCase{
            "beyond the right edge", 100000, {{0, 0, 0.0, 80.0, 400}, {0, 700, 0.0, 80.0, 400, 5}}},
        KeptReductionCase{"scrolling by whole columns",
                          100000,
                          {{0, 0, 0.0, 200.0, 400},
                           {0, 500, 0.5, 200.5, 400},
                           {0, 500, 1.0, 201.0, 400},
                           {0, 500, 1.5, 201.5, 400},
                           {0, 500, 11.5, 211.5, 400}}},
        KeptReductionCase{"scrolling by part of a column",
                          100000,
                          {{0, 0, 0.0, 200.0, 400}, {0, 300, 0.3, 200.3, 400}, {0, 300, 0.65, 200.65, 400}}},
        KeptReductionCase{"zoom and resize",
                          100000,
                          {{0, 0, 0.0, 200.0, 400},
                           {0, 100, 20.0, 60.0, 400},
                           {0, 100, 20.0, 60.0, 999},
                           {0, 100, 0.0, 200.0, 400},
                           {0, 100, 0.0, 200.0, 400}}},
        KeptReductionCase{"oldest samples dropped",
                          100000,
                          {{0, 0, 0.0, 200.0, 400},
                           {700, 700, 0.0, 200.0, 400, 2},
                           {700, 700, 50.0, 250.0, 400, 3},
                           {30000, 10, 50.0, 250.0, 400},
                           {30000, 10, 50.0, 250.0, 400}}},
        KeptReductionCase{"a window that follows the newest samples",
                          50000,
                          {{0, 0, 0.0, 50.0, 300}, {1000, 1000, 1.0, 51.0, 300, 6}}},
        KeptReductionCase{
            "few samples, then many", 300, {{0, 0, 0.0, 200.0, 400}, {0, 900, 0.0, 200.0, 400, 4}}},
        KeptReductionCase{
            "a sample back in time",
            100000,
            {{0, 0, 0.0, 200.0, 400}, {0, 50, 0.0, 200.0, 400, 1, 30.0}, {0, 800, 0.0, 200.0, 400, 3}}}),
    [](const ::testing::TestParamInfo<KeptReductionCase>& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

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

// A live curve on an autoscaled plot, replotted while its scan grows and
// sheds its oldest samples, draws the points that a curve made afresh from
// the same samples draws beside it.
TEST(LiveCurve, DrawsWhatAFreshCurveOfTheSameSamplesDraws)
{
    FakeSensor sensor({13.56}, {1});
    std::unique_ptr<CWScan> scanHolder = scantest::cwScan(sensor, 0);
    CWScan& scan = *scanHolder;
    QwtPlot plot;
    plot.resize(500, 300);
    plot.setAxisAutoScale(QwtPlot::xBottom, true);
    plot.setAxisAutoScale(QwtPlot::yLeft, true);
    auto* live = new LiveCurve("live", {Voltage, 0, 0, 0});
    live->attach(&plot);
    std::mt19937 random(5);
    std::normal_distribution<double> voltage(10.0, 2.0);
    for (int round = 0; round < 12; ++round) {
        // 2.5 s of samples a millisecond apart; later the oldest go.
        for (int k = 0; k < 2500; ++k)
            scantest::fill(scan, sensor, 1, scantest::Load{voltage(random)});
        if (round >= 8)
            scan.trimWindow(20, 15);
        ASSERT_TRUE(live->update(scan));
        // Nothing records meanwhile: the scan's own vectors hold still.
        const TrendDataSet& set = *scan.dataSets.front();
        auto* fresh =
            new ReducedCurve("fresh", new ReducedSeriesData(&set.time, &set.parameterSeries(Voltage, 0, 0)));
        fresh->attach(&plot);
        plot.replot();
        plot.grab();
        EXPECT_LT(live->reducedData()->size(), live->reducedData()->fullSize()) << "round " << round;
        ASSERT_EQ(pointsOf(*live->reducedData()), pointsOf(*fresh->reducedData())) << "round " << round;
        delete fresh;
    }
    EXPECT_GT(live->feed().firstSampleNumber(), 0) << "the scan never shed samples";
}

// A live curve draws its scan's own samples: following a long recording and
// drawing it takes no more heap than its reduction to the plot's width, and
// the curve gives that back when it goes.
TEST(LiveCurve, KeepsNoCopyOfTheScansSamplesAndReleasesWhatItHeld)
{
    if (!heapInUseIsVisible())
        GTEST_SKIP() << "the heap in use is not visible under this allocator";
    constexpr int samples = 200000;
    FakeSensor sensor({13.56}, {1});
    std::unique_ptr<CWScan> scan = scantest::cwScan(sensor, samples, {}, 1e-3);
    QwtPlot plot;
    plot.resize(1000, 400);
    plot.setAxisAutoScale(QwtPlot::xBottom, true);
    plot.setAxisAutoScale(QwtPlot::yLeft, true);
    // The plot's own buffers are made before anything is counted.
    plot.replot();
    plot.grab();
    const size_t before = heapInUse();

    auto* curve = new LiveCurve("live", {Voltage, 0, 0, 0});
    curve->attach(&plot);
    ASSERT_TRUE(curve->update(*scan));
    plot.replot();
    plot.grab();
    ASSERT_EQ(curve->reducedData()->fullSize(), static_cast<size_t>(samples));
    ASSERT_GT(curve->reducedData()->size(), 1000u) << "the curve was drawn";
    const size_t withCurve = heapInUse();
    EXPECT_LT(withCurve - before, samples * sizeof(double)) << "less than one double a sample";

    delete curve;
    plot.replot();
    EXPECT_LT(heapInUse(), before + 16384) << "what the curve held went with it";
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
