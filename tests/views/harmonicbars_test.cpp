// The bars of one harmonics chart as a function of the values and the
// bounds left by earlier drawings.

#include "views/harmonicbars.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct BarCase {
    std::string name;
    std::vector<double> values;
    bool dbc;
    std::vector<double> heights;
    std::vector<std::pair<double, double>> spans; // empty: not checked
    double axisMinimum;
    double axisMaximum;
    double baseline;
};

void expectDrawing(const HarmonicBars::Drawing& drawing, const BarCase& c)
{
    ASSERT_EQ(drawing.bars.size(), static_cast<int>(c.heights.size())) << c.name;
    for (size_t i = 0; i < c.heights.size(); ++i) {
        EXPECT_NEAR(drawing.bars[static_cast<int>(i)].value, c.heights[i], 0.005) << c.name << " bar " << i;
        if (!c.spans.empty()) {
            EXPECT_EQ(drawing.bars[static_cast<int>(i)].interval.minValue(), c.spans[i].first) << c.name;
            EXPECT_EQ(drawing.bars[static_cast<int>(i)].interval.maxValue(), c.spans[i].second) << c.name;
        }
    }
    EXPECT_EQ(drawing.axisMinimum, c.axisMinimum) << c.name;
    EXPECT_EQ(drawing.axisMaximum, c.axisMaximum) << c.name;
    EXPECT_EQ(drawing.baseline, c.baseline) << c.name;
}

} // namespace

TEST(HarmonicBars, OneDrawingFromFreshBounds)
{
    const std::vector<std::pair<double, double>> firstThree{{1, 10}, {11, 20}, {21, 30}};
    const std::vector<BarCase> cases{
        {"percent", {2.0, 1.0, 0.5}, false, {100.0, 50.0, 25.0}, firstThree, 0.0, 100.0, 0.0},
        {"dBc", {2.0, 1.0, 0.5}, true, {0.0, -6.02, -12.04}, firstThree, -20.0, 100.0, -20.0},
        {"percent, fundamental 0", {0.0, 1.0, 0.5}, false, {0.0, 0.0, 0.0}, {}, 0.0, 100.0, 0.0},
        {"dBc, fundamental 0", {0.0, 1.0, 0.5}, true, {-100.0, -100.0, -100.0}, {}, -100.0, 100.0, -100.0},
        {"dBc, a zero harmonic", {2.0, 0.0}, true, {0.0, -100.0}, {}, -100.0, 100.0, -100.0},
        {"percent above the axis", {2.0, 2.3}, false, {100.0, 115.0}, {}, 0.0, 120.0, 0.0},
        {"percent beyond 120", {2.0, 2.6}, false, {100.0, 130.0}, {}, 0.0, 100.0, 0.0},
        {"dBc, a lone fundamental", {3.0}, true, {0.0}, {{1, 10}}, 0.0, 100.0, 0.0},
        {"nothing to draw", {}, false, {}, {}, 0.0, 100.0, 0.0},
    };
    for (const BarCase& c : cases) {
        HarmonicBars bars;
        expectDrawing(bars.draw(c.values, c.dbc), c);
    }
}

TEST(HarmonicBars, BoundsOnlyWidenUntilReset)
{
    HarmonicBars bars;
    // -37 dBc takes the axis down to -40 ...
    bars.setUpperBound(10.0);
    expectDrawing(bars.draw({1.0, std::pow(10.0, -37.0 / 20.0)}, true),
                  {"-37 dBc", {}, true, {0.0, -37.0}, {}, -40.0, 10.0, -40.0});
    // ... where it stays for smaller harmonics.
    expectDrawing(bars.draw({1.0, 0.5}, true), {"-6 dBc", {}, true, {0.0, -6.02}, {}, -40.0, 10.0, -40.0});

    // 115 % raises the top to 120; a later 130 % leaves it there.
    HarmonicBars percent;
    percent.draw({2.0, 2.3}, false);
    expectDrawing(percent.draw({2.0, 2.6}, false), {"130 %", {}, false, {100.0, 130.0}, {}, 0.0, 120.0, 0.0});
    expectDrawing(percent.draw({2.0, 1.0}, false), {"50 %", {}, false, {100.0, 50.0}, {}, 0.0, 120.0, 0.0});
    // The dBc values widen the lower bound in percent mode too.
    EXPECT_EQ(percent.lowerBound(), -10.0);

    percent.reset();
    EXPECT_EQ(percent.lowerBound(), 0.0);
    EXPECT_EQ(percent.upperBound(), 100.0);
}

TEST(HarmonicBars, TenFallingPlaceholders)
{
    const QVector<QwtIntervalSample> bars = HarmonicBars::placeholderBars();
    ASSERT_EQ(bars.size(), 10);
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(bars[k - 1].value, 100.0 - 3.0 * (k - 1));
        EXPECT_EQ(bars[k - 1].interval.minValue(), 10.0 * k - 9.0);
        EXPECT_EQ(bars[k - 1].interval.maxValue(), 10.0 * k);
    }
}
