// The curve colours: each kind of tab cycles through its own prefix of the
// sequence, and removing a curve never rewinds the position.

#include "views/curvepalette.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QColor firstColour(164, 0, 26);

std::vector<QColor> takeColours(int count, int lastIndex, int& position)
{
    std::vector<QColor> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back(curvePalette::takeNext(position, lastIndex));
    return colours;
}

struct PrefixCase {
    const char* tab;
    int lastIndex;
    int curveThatRepeats; // 1-based: the curve that gets the first colour again
};

class PalettePrefix : public ::testing::TestWithParam<PrefixCase>
{
};

TEST_P(PalettePrefix, CurvePastThePrefixTakesTheFirstColourAgain)
{
    const PrefixCase& c = GetParam();
    int position = 0;
    const std::vector<QColor> colours = takeColours(c.curveThatRepeats, c.lastIndex, position);
    EXPECT_EQ(colours.front(), firstColour);
    EXPECT_EQ(colours.back(), firstColour) << c.tab;
    for (int i = 1; i < c.curveThatRepeats - 1; ++i)
        EXPECT_NE(colours[static_cast<size_t>(i)], firstColour) << c.tab << " curve " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(Tabs, PalettePrefix,
                         ::testing::Values(PrefixCase{"acquisition", curvePalette::acquisitionLastIndex, 16},
                                           PrefixCase{"pulse trend", curvePalette::pulseTrendLastIndex, 11},
                                           PrefixCase{"overview", curvePalette::overviewLastIndex, 8}));

TEST(CurvePalette, HoldsTheFifteenColoursInOrder)
{
    const QColor expected[] = {{164, 0, 26}, {102, 75, 18},   {89, 52, 90},   {38, 128, 75}, {66, 85, 99},
                               {70, 13, 17}, {178, 132, 30},  {153, 46, 153}, {30, 160, 60}, {85, 145, 176},
                               {0, 0, 0},    {255, 105, 180}, {204, 255, 0},  {255, 165, 0}, {0, 255, 255}};
    for (int i = 0; i < curvePalette::colourCount; ++i) {
        EXPECT_EQ(curvePalette::colour(i), expected[i]) << i;
        EXPECT_EQ(curvePalette::colour(i).alpha(), 255);
    }
}

TEST(CurvePalette, RemovingCurvesDoesNotRewindThePosition)
{
    // A tab's curves are a list beside the position; removal touches only the list.
    int position = 0;
    std::vector<QColor> curves = takeColours(3, curvePalette::acquisitionLastIndex, position);
    curves.erase(curves.begin(), curves.begin() + 2);
    curves.push_back(curvePalette::takeNext(position, curvePalette::acquisitionLastIndex));
    EXPECT_EQ(curves.back(), curvePalette::colour(3));
}

} // namespace
