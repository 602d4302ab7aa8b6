// The Smith chart widget: the impedance mapping, the read-out, the point
// trails with their limit and reduction, and what a repaint shows, probed
// pixel by pixel on an offscreen rendering.

#include "views/smithchartv2.h"
#include "views/smithgrid.h"
#include "views/smithreadout.h"
#include "views/smithtrail.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <complex>
#include <memory>
#include <string>

namespace {

const QColor green(0, 255, 0);
const QColor red(255, 0, 0);
const QColor trailColour(255, 0, 255); // nothing else in the chart is magenta

// The impedance (r, x) that lands on a chart point.
QPointF impedanceAt(QPointF chart)
{
    const std::complex<double> gamma(chart.x() / 448.0, -chart.y() / 448.0);
    const std::complex<double> z = (1.0 + gamma) / (1.0 - gamma);
    return QPointF(z.real(), z.imag());
}

void addAt(SmithChartV2& chart, QPointF point, int line = 0)
{
    const QPointF z = impedanceAt(point);
    chart.addPoint(z.x(), z.y(), line);
}

// The widget pixel of a chart point on the fixed 400 x 538 chart.
QPoint widgetPixel(QPointF chart)
{
    return QPoint(int(std::floor(chart.x() * 400.0 / 1024.0 + 200.0)),
                  int(std::floor(chart.y() * 400.0 / 1024.0 + 269.0)));
}

// The colour at a chart point in a grab of the widget.
QColor grabbedColourAt(const QImage& grabbed, QPointF point)
{
    return grabbed.pixelColor(widgetPixel(point));
}

QColor widgetColourAt(SmithChartV2& chart, QPointF point)
{
    return grabbedColourAt(chart.grab().toImage(), point);
}

// The export drawing on a 1024 x 1024 image: one pixel per chart unit.
QImage exported(SmithChartV2& chart)
{
    QImage image(1024, 1024, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setViewport(0, 0, 1024, 1024);
    chart.render(painter);
    return image;
}

QColor exportedColourAt(const QImage& image, QPointF chart)
{
    return image.pixelColor(int(std::floor(chart.x() + 512.0)), int(std::floor(chart.y() + 512.0)));
}

// Points on a wide circle, far enough apart that each segment has pixels of
// its own.
QPointF circlePoint(int i, double radius = 300.0)
{
    const double angle = i * 25.0 * M_PI / 180.0;
    return QPointF(radius * std::cos(angle), radius * std::sin(angle));
}

// The middle of the segment from circle point k - 1 to circle point k.
QPointF segmentMiddle(int k, double radius = 300.0)
{
    return (circlePoint(k - 1, radius) + circlePoint(k, radius)) / 2.0;
}

// Circle points 0 .. count - 1, in order.
void addCirclePoints(SmithChartV2& chart, int count)
{
    for (int i = 0; i < count; ++i)
        addAt(chart, circlePoint(i));
}

// Names each case of a table after its `name`.
template <typename Case> std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

std::unique_ptr<SmithChartV2> trailChart(int lines = 1)
{
    auto chart = std::make_unique<SmithChartV2>(nullptr, lines);
    chart->showLine(true);
    for (int i = 0; i < lines; ++i)
        chart->setLineColour(trailColour, i);
    return chart;
}

// Mapping

struct MappingCase {
    double r;
    double x;
    QPointF expected;
    double tolerance;
};

class SmithChartMapping : public ::testing::TestWithParam<MappingCase>
{
};

TEST_P(SmithChartMapping, MapsNormalisedImpedanceToChartPoint)
{
    const MappingCase& c = GetParam();
    const QPointF p = SmithChartV2::chartPoint(c.r, c.x);
    EXPECT_NEAR(p.x(), c.expected.x(), c.tolerance);
    EXPECT_NEAR(p.y(), c.expected.y(), c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(Points, SmithChartMapping,
                         ::testing::Values(MappingCase{1, 0, {0, 0}, 1e-9},     // matched
                                           MappingCase{0, 0, {-448, 0}, 1e-9},  // short circuit
                                           MappingCase{0, 1, {0, -448}, 1e-9},  // +j50 above the axis
                                           MappingCase{0, -1, {0, 448}, 1e-9},  // -j50 below
                                           MappingCase{1e6, 0, {448, 0}, 0.01}, // nearly open
                                           MappingCase{3, 0, {224, 0}, 1e-9})); // Gamma = 0.5

// Read-out

// The read-out of a pixel of the fixed 400 x 538 chart, in its 135 x 80 box.
SmithReadOut readOutAt(QPoint pixel)
{
    return SmithReadOut::at(pixel, QSize(400, 538), QSize(135, 80));
}

struct ReadOutCase {
    const char* name;
    QPoint pixel;
    const char* impedance;
    const char* magnitude;
    const char* gamma;
};

class SmithChartReadOutTexts : public ::testing::TestWithParam<ReadOutCase>
{
};

TEST_P(SmithChartReadOutTexts, GivesTextsForPixel)
{
    const ReadOutCase& c = GetParam();
    const SmithReadOut out = readOutAt(c.pixel);
    EXPECT_EQ(out.impedanceText, QString::fromUtf8(c.impedance));
    EXPECT_EQ(out.magnitudeText, QString::fromUtf8(c.magnitude));
    EXPECT_EQ(out.gammaText, QString::fromUtf8(c.gamma));
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, SmithChartReadOutTexts,
    ::testing::Values(ReadOutCase{"Centre",
                                  {200, 269},
                                  "Z = 50 + 0j",
                                  "|Z| = 50.00  <font color=purple> &ang; 0.0&deg;<b></b> </font>",
                                  "&Gamma; = 0.00 + 0.00j<b></b>"},
                      ReadOutCase{"BelowCentre",
                                  {200, 300},
                                  "Z = 47 - 17j",
                                  "|Z| = 50.00  <font color=purple> &ang; -20.1&deg;<b></b> </font>",
                                  "&Gamma; = 0.00 - 0.18j<b></b>"},
                      ReadOutCase{"LeftAbove",
                                  {100, 200},
                                  "Z = 10 + 15j",
                                  "|Z| = 17.98  <font color=purple> &ang; 56.7&deg;<b></b> </font>",
                                  "&Gamma; = -0.57 + 0.39j<b></b>"},
                      ReadOutCase{"GammaOne",
                                  {375, 269},
                                  "Z = infinity",
                                  "|Z| = inf  <font color=purple>&ang; inf&deg;</font>",
                                  "&Gamma; = 1.00 + 0.00j<b></b>"}),
    caseName<ReadOutCase>);

TEST(SmithChartReadOut, AngleTextAtGammaOneSaysInfinite)
{
    const SmithReadOut out = readOutAt({375, 269});
    EXPECT_FALSE(out.finite);
    EXPECT_EQ(out.angleText, QStringLiteral("|Z| = inf"));
    EXPECT_TRUE(out.inside);
}

struct PlacementCase {
    const char* name;
    QPoint pixel;
    bool inside;
    QPoint boxTopLeft;
};

class SmithChartReadOutPlacement : public ::testing::TestWithParam<PlacementCase>
{
};

TEST_P(SmithChartReadOutPlacement, PlacesBox)
{
    const PlacementCase& c = GetParam();
    const SmithReadOut out = readOutAt(c.pixel);
    EXPECT_EQ(out.inside, c.inside);
    EXPECT_EQ(out.boxTopLeft, c.boxTopLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, SmithChartReadOutPlacement,
    ::testing::Values(PlacementCase{"Centre", {200, 269}, true, {200, 269}},
                      PlacementCase{"BottomFifthGoesAbove", {200, 440}, true, {200, 360}},
                      PlacementCase{"RightPartGoesLeft", {300, 269}, true, {165, 269}},
                      PlacementCase{"BottomRightGoesAbove", {300, 435}, false, {300, 355}},
                      PlacementCase{"OutsideCircle", {200, 446}, false, {200, 366}},
                      PlacementCase{"FarLeft", {10, 269}, false, {10, 269}}),
    caseName<PlacementCase>);

TEST(SmithChartWidget, PressShowsReadOutAndReleaseHidesIt)
{
    SmithChartV2 chart(nullptr, 1);
    QSignalSpy changed(&chart, &SmithChartV2::changed);
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(200, 269));
    EXPECT_TRUE(chart.isReadOutShown());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(chart.readOutPosition(), QPoint(200, 269));
    EXPECT_DOUBLE_EQ(chart.lastResistance(), 50.0);
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(200, 269));
    EXPECT_FALSE(chart.isReadOutShown());

    // Outside the circle the box stays hidden and nothing is announced.
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(200, 446));
    EXPECT_FALSE(chart.isReadOutShown());
    EXPECT_EQ(changed.count(), 1);
}

// Every line of the read-out shows whole, wherever the box goes and however
// long the numbers: "|Z| = 198.55  ∠ -51.4°" and "Z = 124 - 155j" at
// (319, 319).
TEST(SmithChartWidget, ReadOutBoxHoldsItsLinesWholeAndIsPlacedByItsSize)
{
    SmithChartV2 chart(nullptr, 1);
    chart.show();
    auto* box = chart.findChild<QGroupBox*>();
    ASSERT_NE(box, nullptr);
    const QList<QLabel*> lines = box->findChildren<QLabel*>();
    ASSERT_EQ(lines.size(), 3);
    const struct {
        QPoint pixel;
        QPoint (*topLeft)(QPoint pixel, QSize box);
    } cases[] = {
        {{319, 319}, [](QPoint p, QSize size) { return QPoint(p.x() - size.width(), p.y()); }},
        {{200, 269}, [](QPoint p, QSize) { return p; }},
        {{120, 300}, [](QPoint p, QSize) { return p; }},
        {{170, 440}, [](QPoint p, QSize size) { return QPoint(p.x(), p.y() - size.height()); }},
        // Left of the right 30 %, but a box as wide as its lines would pass
        // the chart's edge: it stops there.
        {{270, 269}, [](QPoint p, QSize size) { return QPoint(400 - size.width(), p.y()); }},
    };
    for (const auto& c : cases) {
        QTest::mousePress(&chart, Qt::LeftButton, {}, c.pixel);
        ASSERT_TRUE(chart.isReadOutShown()) << c.pixel.x() << "," << c.pixel.y();
        box->layout()->activate();
        for (const QLabel* line : lines) {
            const std::string text = line->text().toStdString();
            EXPECT_GE(line->width(), line->sizeHint().width()) << text;
            EXPECT_GE(line->height(), line->sizeHint().height()) << text;
            EXPECT_TRUE(box->contentsRect().contains(line->geometry())) << text;
        }
        EXPECT_EQ(chart.readOutPosition(), c.topLeft(c.pixel, box->size()))
            << c.pixel.x() << "," << c.pixel.y();
        EXPECT_TRUE(chart.rect().contains(box->geometry())) << c.pixel.x() << "," << c.pixel.y();
        QTest::mouseRelease(&chart, Qt::LeftButton, {}, c.pixel);
    }
}

TEST(SmithChartWidget, ReadOutAtGammaOneKeepsLastImpedance)
{
    SmithChartV2 chart(nullptr, 1);
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(100, 200));
    const double r = chart.lastResistance();
    const double x = chart.lastReactance();
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(375, 269));
    EXPECT_EQ(chart.readOut().impedanceText, QStringLiteral("Z = infinity"));
    EXPECT_DOUBLE_EQ(chart.lastResistance(), r);
    EXPECT_DOUBLE_EQ(chart.lastReactance(), x);
    EXPECT_TRUE(chart.isReadOutShown());
}

// State

TEST(SmithChartWidget, StartsAsBuilt)
{
    SmithChartV2 chart(nullptr, 3);
    EXPECT_EQ(chart.size(), QSize(400, 538));
    EXPECT_EQ(chart.sizeHint(), QSize(500, 500));
    EXPECT_EQ(chart.lineCount(), 3);
    EXPECT_FALSE(chart.showsLine());
    EXPECT_FALSE(chart.showsAllData());
    EXPECT_FALSE(chart.hasData());
    EXPECT_EQ(chart.pointLimit(), 0);
    EXPECT_EQ(chart.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_TRUE(chart.autoFillBackground());
    EXPECT_EQ(chart.lineColour(0), QColor(0, 0, 0));
    EXPECT_EQ(chart.lineColour(1), QColor(255, 0, 0));
    EXPECT_EQ(chart.lineColour(2), QColor(255, 255, 0));
}

TEST(SmithChartWidget, ResizeKeepsFixedSizeAndStoresHint)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setSizeHint(400, 100);
    EXPECT_EQ(chart.sizeHint(), QSize(400, 100));
    QResizeEvent resize(QSize(300, 250), chart.size());
    QCoreApplication::sendEvent(&chart, &resize);
    EXPECT_EQ(chart.sizeHint(), QSize(300, 250));
    EXPECT_EQ(chart.size(), QSize(400, 538));
    EXPECT_EQ(chart.minimumSize(), QSize(400, 538));
    EXPECT_EQ(chart.maximumSize(), QSize(400, 538));
}

// A chart its owner lays out draws on its centred square and reads a pixel
// where it lies on the chart drawn; the box goes where the pointer is.
TEST(SmithChartWidget, AResizableChartKeepsItsSizeAndReadsWhereItDraws)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setResizable(true);
    chart.resize(800, 600);
    EXPECT_EQ(chart.size(), QSize(800, 600));
    // The square is 600 wide from x = 100; the circle's radius 262.5 pixels.
    // In the right 30 % the box goes left of the pointer, by its own width.
    const struct {
        QPoint pixel;
        const char* impedance;
        bool leftOfPointer;
    } presses[] = {
        {{400, 300}, "Z = 50 + 0j", false},
        {{662, 300}, "Z = infinity", true},
        {{400, 346}, "Z = 47 - 17j", false},
    };
    const auto* box = chart.findChild<QGroupBox*>();
    ASSERT_NE(box, nullptr);
    for (const auto& press : presses) {
        QTest::mousePress(&chart, Qt::LeftButton, {}, press.pixel);
        EXPECT_EQ(chart.readOut().impedanceText, QString::fromUtf8(press.impedance)) << press.pixel.y();
        EXPECT_TRUE(chart.isReadOutShown());
        const QPoint expected = press.leftOfPointer ? press.pixel - QPoint(box->width(), 0) : press.pixel;
        EXPECT_EQ(chart.readOutPosition(), expected);
    }
    // Outside the circle drawn nothing is read out.
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(400, 30));
    EXPECT_FALSE(chart.isReadOutShown());

    chart.setResizable(false);
    EXPECT_EQ(chart.size(), QSize(400, 538));
}

TEST(SmithChartWidget, ColourTableFollowsLineCount)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setLineCount(10);
    // Beyond the seven defaults, line i starts with default i mod 7.
    EXPECT_EQ(chart.lineColour(7), QColor(0, 0, 0));
    EXPECT_EQ(chart.lineColour(8), QColor(255, 0, 0));
    EXPECT_EQ(chart.lineColour(9), QColor(255, 255, 0));
    chart.setLineColour(QColor("indigo"), 9);
    EXPECT_EQ(chart.lineColour(9), QColor("indigo"));
    // A colour set for a line stays when the count changes.
    chart.setLineCount(16);
    EXPECT_EQ(chart.lineColour(9), QColor("indigo"));
    EXPECT_EQ(chart.lineColour(15), QColor(255, 0, 0));
    chart.setLineColour(QColor("red"), 16);
    EXPECT_FALSE(chart.lineColour(16).isValid());
}

TEST(SmithChartWidget, LineIndexesOutsideTheCountAreIgnored)
{
    SmithChartV2 chart(nullptr, 2);
    for (int line : {-1, 2, 7, 1000}) {
        chart.addPoint(1.0, 0.0, line);
        chart.addHeldPoint(1.0, 0.0, line);
        chart.addPoints({QPointF(1.0, 0.0)}, line);
        chart.setLineColour(Qt::green, line);
    }
    EXPECT_FALSE(chart.hasData());
    for (int line = 0; line < 2; ++line) {
        EXPECT_TRUE(chart.points(line).isEmpty());
        EXPECT_TRUE(chart.heldPoints(line).isEmpty());
    }
    EXPECT_EQ(chart.lineColour(1), QColor(255, 0, 0));

    chart.setLineCount(-3);
    EXPECT_EQ(chart.lineCount(), 0);
    chart.addPoint(1.0, 0.0, 0);
    EXPECT_FALSE(chart.hasData());
    chart.grab(); // paints zero lines
}

TEST(SmithChartWidget, PointLimitKeepsNewestAndTrimsOnlyAtNextPointOfThatLine)
{
    SmithChartV2 chart(nullptr, 2);
    chart.setPointLimit(5);
    for (int i = 1; i <= 7; ++i) {
        chart.addPoint(i, 0.0, 0);
        chart.addPoint(i, 0.0, 1);
    }
    QVector<QPointF> expected;
    for (int i = 3; i <= 7; ++i)
        expected.append(SmithChartV2::chartPoint(i, 0.0));
    EXPECT_EQ(chart.points(0), expected);

    chart.setPointLimit(2);
    EXPECT_EQ(chart.points(0).size(), 5);
    chart.addPoint(8, 0.0, 0);
    EXPECT_EQ(chart.points(0),
              QVector<QPointF>({SmithChartV2::chartPoint(7, 0.0), SmithChartV2::chartPoint(8, 0.0)}));
    EXPECT_EQ(chart.points(1).size(), 5);

    chart.setPointLimit(0);
    for (int i = 0; i < 50; ++i)
        chart.addPoint(1.0, 0.0, 1);
    EXPECT_EQ(chart.points(1).size(), 55);
}

TEST(SmithChartWidget, LongTrailWithLimitKeepsExactlyNewestPoints)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setPointLimit(1000);
    for (int i = 0; i < 5000; ++i)
        chart.addPoint(1.0 + i * 1e-3, 0.0, 0);
    const QVector<QPointF> kept = chart.points(0);
    ASSERT_EQ(kept.size(), 1000);
    EXPECT_EQ(kept.front(), SmithChartV2::chartPoint(1.0 + 4000 * 1e-3, 0.0));
    EXPECT_EQ(kept.back(), SmithChartV2::chartPoint(1.0 + 4999 * 1e-3, 0.0));
}

TEST(SmithChartWidget, ClearKeepsLinesAndColours)
{
    SmithChartV2 chart(nullptr, 2);
    chart.setLineColour(Qt::blue, 1);
    chart.setHoldPoints(true);
    chart.addPoint(1.0, 0.0, 1);
    chart.addHeldPoint(1.0, 0.0, 1);
    chart.clear();
    EXPECT_FALSE(chart.hasData());
    EXPECT_TRUE(chart.points(1).isEmpty());
    EXPECT_TRUE(chart.heldPoints(1).isEmpty());
    EXPECT_EQ(chart.lineCount(), 2);
    EXPECT_EQ(chart.lineColour(1), QColor(Qt::blue));
}

TEST(SmithChartWidget, HoldOffEmptiesHeldPoints)
{
    SmithChartV2 chart(nullptr, 2);
    chart.setHoldPoints(true);
    chart.addHeldPoint(1.0, 0.0, 0);
    chart.addHeldPoint(2.0, 0.0, 1);
    EXPECT_EQ(chart.heldPoints(1).size(), 1);
    chart.setHoldPoints(false);
    EXPECT_TRUE(chart.heldPoints(0).isEmpty());
    EXPECT_TRUE(chart.heldPoints(1).isEmpty());
}

// Grid

int subpathCount(const QPainterPath& path)
{
    int count = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        count += path.elementAt(i).isMoveTo() ? 1 : 0;
    return count;
}

TEST(SmithChartGrid, FullGridHasEveryArcPair)
{
    EXPECT_EQ(SmithGrid::fullResistanceArcCount(), 105);
    EXPECT_EQ(SmithGrid::fullReactanceArcCount(), 103);
    QPainterPath major;
    QPainterPath minor;
    SmithGrid::build(major, minor, false);
    EXPECT_EQ(subpathCount(major) + subpathCount(minor), 2 * (105 + 103));
}

TEST(SmithChartGrid, SimpleGridShowsFromNextPaint)
{
    SmithChartV2 chart(nullptr, 1);
    chart.grab();
    ASSERT_TRUE(chart.isGridBuilt());
    EXPECT_FALSE(chart.minorGridPath().isEmpty());

    chart.setSimpleChart(true);
    EXPECT_FALSE(chart.isGridBuilt());
    EXPECT_FALSE(chart.minorGridPath().isEmpty()); // the full grid until the next paint
    chart.grab();
    EXPECT_TRUE(chart.isGridBuilt());
    // Three resistance circles and three reactance arcs, each with its mirror.
    EXPECT_EQ(subpathCount(chart.majorGridPath()), 12);
    EXPECT_TRUE(chart.minorGridPath().isEmpty());
}

TEST(SmithChartGrid, SimpleGridDrawsItsCirclesAndNoFineArcs)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setSimpleChart(true);
    const QImage simple = exported(chart);
    chart.setSimpleChart(false);
    const QImage full = exported(chart);
    // Top of the r = 1 circle (centre (224, 0), radius 224): in both grids.
    const QPointF top(224, -224 + 0.5);
    EXPECT_LT(exportedColourAt(simple, top).lightness(), 128);
    EXPECT_LT(exportedColourAt(full, top).lightness(), 128);
    // The fine r = 0.01 arc near the short circuit is in the full grid only.
    const double angle = 170.0 * M_PI / 180.0;
    const QPointF fine(448 * 0.01 / 1.01 + 448 / 1.01 * std::cos(angle), -448 / 1.01 * std::sin(angle));
    EXPECT_GT(exportedColourAt(simple, fine).lightness(), 200);
    EXPECT_LT(exportedColourAt(full, fine).lightness(), 200);
}

TEST(SmithChartGrid, WavelengthLabelZeroReadsZeroOnBothRings)
{
    EXPECT_EQ(SmithGrid::outerWavelengthLabel(0), QStringLiteral("0.00"));
    EXPECT_EQ(SmithGrid::innerWavelengthLabel(0), QStringLiteral("0.00"));
    EXPECT_EQ(SmithGrid::outerWavelengthLabel(1), QStringLiteral("0.49"));
    EXPECT_EQ(SmithGrid::innerWavelengthLabel(1), QStringLiteral("0.01"));
    EXPECT_EQ(SmithGrid::outerWavelengthLabel(49), QStringLiteral("0.01"));
}

// Painting

struct CrossCase {
    const char* name;
    QPointF at;
    QColor colour;
};

class SmithChartCross : public ::testing::TestWithParam<CrossCase>
{
};

TEST_P(SmithChartCross, NewestPointCrossIsGreenOnlyNearCentre)
{
    auto chart = trailChart();
    addAt(*chart, GetParam().at);
    EXPECT_EQ(widgetColourAt(*chart, GetParam().at), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Points, SmithChartCross,
                         ::testing::Values(CrossCase{"Inside", {24, -24}, green},
                                           CrossCase{"EdgeOfSquare", {25, 0}, red},
                                           CrossCase{"Far", {-200, 100}, red}),
                         caseName<CrossCase>);

TEST(SmithChartPainting, NoCrossWithoutData)
{
    auto chart = trailChart();
    chart->addPoints({impedanceAt({-200, 100})}, 0);
    EXPECT_EQ(chart->points(0).size(), 1);
    EXPECT_NE(widgetColourAt(*chart, {-200, 100}), red);
}

struct RecentCase {
    const char* name;
    int points;
    bool showAll;
    bool firstSegmentShown;
};

class SmithChartRecentSegments : public ::testing::TestWithParam<RecentCase>
{
};

TEST_P(SmithChartRecentSegments, ShowsNewestTenSegmentsUnlessAllData)
{
    const RecentCase& c = GetParam();
    auto chart = trailChart();
    chart->showAllData(c.showAll);
    addCirclePoints(*chart, c.points);
    const QImage image = chart->grab().toImage();
    EXPECT_EQ(grabbedColourAt(image, segmentMiddle(1)) == trailColour, c.firstSegmentShown);
    EXPECT_EQ(grabbedColourAt(image, segmentMiddle(c.points - 1)), trailColour);
}

INSTANTIATE_TEST_SUITE_P(Trails, SmithChartRecentSegments,
                         ::testing::Values(RecentCase{"ElevenPoints", 11, false, true},
                                           RecentCase{"TwelvePoints", 12, false, false},
                                           RecentCase{"TwelvePointsAllData", 12, true, true},
                                           RecentCase{"ManyPointsAllData", 14, true, true}),
                         caseName<RecentCase>);

TEST(SmithChartPainting, NothingButCrossWithoutShowLine)
{
    SmithChartV2 chart(nullptr, 1);
    chart.setLineColour(trailColour, 0);
    addCirclePoints(chart, 3);
    const QImage image = chart.grab().toImage();
    EXPECT_NE(grabbedColourAt(image, segmentMiddle(1)), trailColour);
    EXPECT_EQ(grabbedColourAt(image, circlePoint(2)), red);
}

TEST(SmithChartPainting, LimitedTrailDrawsOnlyKeptPoints)
{
    auto chart = trailChart();
    chart->showAllData(true);
    chart->setPointLimit(5);
    addCirclePoints(*chart, 7);
    const QImage image = chart->grab().toImage();
    for (int k = 1; k < 7; ++k) {
        const bool kept = k >= 3; // points 2 .. 6 (counting from 0) remain
        EXPECT_EQ(grabbedColourAt(image, segmentMiddle(k)) == trailColour, kept) << "segment " << k;
    }
}

struct HeldCase {
    const char* name;
    bool hold;
    bool data;
    bool crossShown;
};

class SmithChartHeldPoints : public ::testing::TestWithParam<HeldCase>
{
};

TEST_P(SmithChartHeldPoints, DrawsHeldPointsOnlyWhileHoldingWithData)
{
    const HeldCase& c = GetParam();
    auto chart = trailChart();
    chart->setHoldPoints(true);
    const QPointF held(-150, -150);
    const QPointF z = impedanceAt(held);
    chart->addHeldPoint(z.x(), z.y(), 0);
    chart->setHoldPoints(c.hold);
    if (c.hold)
        chart->addHeldPoint(z.x(), z.y(), 0);
    if (c.data)
        addAt(*chart, {200, 0});
    EXPECT_EQ(widgetColourAt(*chart, held) == red, c.crossShown);
}

INSTANTIATE_TEST_SUITE_P(Held, SmithChartHeldPoints,
                         ::testing::Values(HeldCase{"HoldingWithData", true, true, true},
                                           HeldCase{"HoldingWithoutData", true, false, false},
                                           HeldCase{"NotHolding", false, true, false}),
                         caseName<HeldCase>);

TEST(SmithChartPainting, PointMarkersDotTheNewestPoints)
{
    // Points along a line: a marker reaches further across it than the
    // segment pen does.
    auto build = [](bool markers) {
        auto chart = trailChart();
        chart->setPointMarkers(markers);
        for (int i = 0; i < 4; ++i)
            addAt(*chart, QPointF(-300 + 100 * i, -100));
        return exported(*chart);
    };
    const QPointF besideSecondPoint(-200, -100 + 6.5);
    EXPECT_EQ(exportedColourAt(build(true), besideSecondPoint), trailColour);
    EXPECT_NE(exportedColourAt(build(false), besideSecondPoint), trailColour);
}

TEST(SmithChartPainting, TenLinesDrawInTheirOwnColours)
{
    SmithChartV2 chart(nullptr, 10);
    chart.showLine(true);
    chart.showAllData(true);
    QVector<QColor> colours;
    for (int line = 0; line < 10; ++line) {
        colours.append(QColor::fromHsv(line * 36, 255, 200).toRgb());
        chart.setLineColour(colours.back(), line);
    }
    for (int line = 0; line < 10; ++line)
        for (int i = 0; i < 3; ++i)
            addAt(chart, circlePoint(i, 60.0 + 38.0 * line) * 1.0, line);
    const QImage image = chart.grab().toImage();
    for (int line = 0; line < 10; ++line)
        EXPECT_EQ(grabbedColourAt(image, segmentMiddle(1, 60.0 + 38.0 * line)), colours[line])
            << "line " << line;
}

TEST(SmithChartPainting, ExportDrawsWholeTrailAtItsOwnScale)
{
    auto chart = trailChart();
    chart->showAllData(true);
    addCirclePoints(*chart, 14);
    const QImage image = exported(*chart);
    for (int k = 1; k < 14; ++k)
        EXPECT_EQ(exportedColourAt(image, segmentMiddle(k)), trailColour) << k;
}

// The reduced trail

SmithTrail::PixelScale unitPixels()
{
    return {1.0, QPointF(512, 512)};
}

TEST(SmithChartTrail, WanderingBetweenTwoPixelsDrawsOneSegment)
{
    SmithTrail trail(unitPixels());
    for (int i = 0; i < 10000; ++i)
        trail.append(i % 2 ? QPointF(10.2, 10.2) : QPointF(11.7, 10.4));
    EXPECT_EQ(trail.size(), 10000);
    EXPECT_EQ(trail.reducedSegments().size(), 1);
}

TEST(SmithChartTrail, PointsOnOnePixelCollapse)
{
    SmithTrail trail(unitPixels());
    for (int i = 0; i < 100; ++i)
        trail.append(QPointF(10.0 + i * 0.001, 10.5));
    trail.append(QPointF(40, 40));
    ASSERT_EQ(trail.reducedSegments().size(), 1);
    EXPECT_EQ(trail.reducedSegments()[0], QLineF(QPointF(10.0, 10.5), QPointF(40, 40)));
}

TEST(SmithChartTrail, TrimmingDropsStepsOfDroppedPointsOnly)
{
    SmithTrail trail(unitPixels());
    trail.append(QPointF(-100, -100));
    for (int i = 0; i < 20; ++i)
        trail.append(i % 2 ? QPointF(0.5, 0.5) : QPointF(5.5, 0.5));
    EXPECT_EQ(trail.reducedSegments().size(), 2);
    trail.trimTo(20); // the far point goes, its step with it
    ASSERT_EQ(trail.reducedSegments().size(), 1);
    EXPECT_EQ(trail.reducedSegments()[0].length(), 5.0);
    trail.trimTo(1);
    EXPECT_TRUE(trail.reducedSegments().isEmpty());
    EXPECT_EQ(trail.size(), 1);
}

TEST(SmithChartTrail, RescalingRebuildsReduction)
{
    SmithTrail trail(unitPixels());
    for (int i = 0; i < 10; ++i)
        trail.append(QPointF(i * 0.3, 0));
    EXPECT_EQ(trail.reducedSegments().size(), 2); // pixels 0, 1, 2
    trail.setPixelScale({10.0, QPointF(0, 0)});
    EXPECT_EQ(trail.reducedSegments().size(), 9);
}

} // namespace
