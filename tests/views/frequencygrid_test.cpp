// The harmonic selection grid: rows and emitted ids per quantity, the check
// states it restores from the tab's curves, and what selectHarmonic does.

#include "support/fakesensor.h"
#include "views/curverecord.h"
#include "views/frequencygrid.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QTest>

#include <memory>
#include <tuple>
#include <vector>

namespace {

// A sensor that the grid knows by its serial number alone.
struct SerialOnlySensor : FakeSensor {
    explicit SerialOnlySensor(const QString& serial)
        : FakeSensor({13.56}, {3})
    {
        setSerialNumber(serial);
    }
};

using Emitted = std::tuple<bool, int, int, int>; // state, id, harmonic, frequency

struct Recorder {
    explicit Recorder(FrequencyGrid& grid)
    {
        QObject::connect(&grid, &FrequencyGrid::optionSelected,
                         [this](bool on, valueType type, int harmonic, int frequency) {
                             emitted.emplace_back(on, int(type), harmonic, frequency);
                         });
    }
    std::vector<Emitted> emitted;
};

// The row boxes of a grid, top row first, by their titles.
QList<QGroupBox*> rows(FrequencyGrid& grid)
{
    return grid.findChildren<QGroupBox*>();
}

QList<QCheckBox*> boxesOf(QGroupBox* row)
{
    return row->findChildren<QCheckBox*>();
}

QGroupBox* rowTitled(FrequencyGrid& grid, const QString& title)
{
    for (QGroupBox* row : rows(grid))
        if (row->title() == title)
            return row;
    return nullptr;
}

struct KindCase {
    int type;
    const char* topTitle;
    const char* bottomTitle; // empty: a single row
    int topEmits;
    int bottomEmits;
};

class GridByQuantity : public ::testing::TestWithParam<KindCase>
{
};

TEST_P(GridByQuantity, ShowsItsRowsAndEmitsTheComponentIds)
{
    const KindCase& c = GetParam();
    SerialOnlySensor sensor("S1");
    FrequencyGrid grid(valueType(c.type), {}, 2, "S1");
    Recorder recorder(grid);
    grid.setHarmonicCount(3);

    const bool twoRows = *c.bottomTitle != '\0';
    ASSERT_EQ(rows(grid).size(), twoRows ? 2 : 1);
    QGroupBox* top = rowTitled(grid, c.topTitle);
    ASSERT_NE(top, nullptr) << c.topTitle;
    QStringList texts;
    for (QCheckBox* box : boxesOf(top))
        texts << box->text();
    EXPECT_EQ(texts, QStringList({"H:1     ", "H:2     ", "H:3     "}));

    QTest::mouseClick(boxesOf(top)[1], Qt::LeftButton);
    QTest::mouseClick(boxesOf(top)[1], Qt::LeftButton);
    std::vector<Emitted> expected{{true, c.topEmits, 1, 2}, {false, c.topEmits, 1, 2}};
    if (twoRows) {
        QGroupBox* bottom = rowTitled(grid, c.bottomTitle);
        ASSERT_NE(bottom, nullptr) << c.bottomTitle;
        ASSERT_EQ(boxesOf(bottom).size(), 3);
        QTest::mouseClick(boxesOf(bottom)[2], Qt::LeftButton);
        expected.emplace_back(true, c.bottomEmits, 2, 2);
        EXPECT_EQ(grid.lastSelection().type, c.bottomEmits);
        EXPECT_EQ(grid.lastSelection().harmonic, 2);
    }
    EXPECT_EQ(recorder.emitted, expected);
}

INSTANTIATE_TEST_SUITE_P(Quantities, GridByQuantity,
                         ::testing::Values(KindCase{Voltage, "Harmonics:", "", 0, 0},
                                           KindCase{Current, "Harmonics:", "", 1, 1},
                                           KindCase{Phase, "Harmonics:", "", 2, 2},
                                           KindCase{Harmonic, "Harmonics:", "", 30, 30},
                                           KindCase{ImpedancePolar, "Magnitude:", "Phase:", 25, 26},
                                           KindCase{GammaPolar, "Magnitude:", "Phase:", 18, 17},
                                           KindCase{CurrentPolar, "Magnitude:", "Phase:", 23, 24},
                                           KindCase{ImpedanceComplex, "Real:", "Imaginary:", 19, 20},
                                           KindCase{GammaComplex, "Real:", "Imaginary:", 15, 16},
                                           KindCase{CurrentComplex, "Real:", "Imaginary:", 21, 22},
                                           KindCase{VoltageComplex, "Real:", "Imaginary:", 27, 28}));

TEST(FrequencyGrid, OtherQuantitiesGetNoRows)
{
    for (int type : {5, 6, 7, 8, 9, 10, 15, 20, 25, 30, 33, 34, 37}) {
        FrequencyGrid grid(valueType(type), {}, 0, "S1");
        grid.setHarmonicCount(3);
        EXPECT_EQ(grid.layoutKind(), FrequencyGrid::NoRows) << type;
        EXPECT_TRUE(rows(grid).isEmpty()) << type;
        EXPECT_TRUE(grid.findChildren<QCheckBox*>().isEmpty()) << type;
    }
}

TEST(FrequencyGrid, EmptyFormIsNamedAndSized)
{
    FrequencyGrid grid(Power, {}, 0, QString());
    EXPECT_EQ(grid.objectName(), "FrequencyGrid");
    EXPECT_EQ(grid.windowTitle(), "Form");
    EXPECT_EQ(grid.size(), QSize(269, 169));

    grid.setWindowTitle("stale");
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&grid, &languageChange);
    EXPECT_EQ(grid.windowTitle(), "Form");
}

class RestoredTicks : public ::testing::Test
{
protected:
    CurveRecord* curve(valueType type, QuvixSensor* sensor, int frequency, int harmonic)
    {
        records.push_back(std::make_unique<CurveRecord>());
        CurveRecord* record = records.back().get();
        record->type = type;
        record->sensor = sensor;
        record->frequency = frequency;
        record->harmonic = harmonic;
        return record;
    }
    static QList<bool> ticks(QGroupBox* row)
    {
        QList<bool> states;
        for (QCheckBox* box : boxesOf(row))
            states << box->isChecked();
        return states;
    }

    SerialOnlySensor ours{"S1"};
    SerialOnlySensor other{"S2"};
    std::vector<std::unique_ptr<CurveRecord>> records;
};

TEST_F(RestoredTicks, TicksOnlyCurvesOfThisSensorFrequencyAndCountWithoutEmitting)
{
    const QList<CurveRecord*> curves = {
        curve(ImpedanceMag, &ours, 1, 0),   // top, H:1
        curve(ImpedancePhi, &ours, 1, 2),   // bottom, H:3
        curve(ImpedanceMag, &other, 1, 1),  // other serial
        curve(ImpedanceMag, &ours, 0, 1),   // other frequency
        curve(ImpedancePhi, &ours, 1, 3),   // beyond the count
        curve(ImpedanceReal, &ours, 1, 1),  // another quantity
        curve(ImpedanceMag, nullptr, 1, 1), // sensor gone
    };
    FrequencyGrid grid(ImpedancePolar, curves, 1, "S1");
    Recorder recorder(grid);
    grid.setHarmonicCount(3);
    EXPECT_EQ(ticks(rowTitled(grid, "Magnitude:")), QList<bool>({true, false, false}));
    EXPECT_EQ(ticks(rowTitled(grid, "Phase:")), QList<bool>({false, false, true}));
    EXPECT_TRUE(recorder.emitted.empty());
}

TEST_F(RestoredTicks, HarmonicGridTicksVoltagePhaseCurves)
{
    const QList<CurveRecord*> curves = {curve(VoltagePhi, &ours, 0, 1), curve(Harmonic, &ours, 0, 0)};
    FrequencyGrid grid(Harmonic, curves, 0, "S1");
    Recorder recorder(grid);
    grid.setHarmonicCount(2);
    EXPECT_EQ(ticks(rowTitled(grid, "Harmonics:")), QList<bool>({false, true}));
    EXPECT_TRUE(recorder.emitted.empty());
}

TEST(FrequencyGrid, SelectHarmonicTicksAndReportsLikeAClick)
{
    FrequencyGrid grid(Voltage, {}, 3, "S1");
    Recorder recorder(grid);
    grid.setHarmonicCount(2);
    EXPECT_TRUE(grid.selectHarmonic(0, true));
    EXPECT_TRUE(boxesOf(rowTitled(grid, "Harmonics:"))[0]->isChecked());
    EXPECT_FALSE(grid.selectHarmonic(2, true));
    EXPECT_FALSE(grid.selectHarmonic(-1, true));
    EXPECT_EQ(recorder.emitted, std::vector<Emitted>({{true, 0, 0, 3}}));
}

TEST(FrequencyGrid, SelectHarmonicWithoutColumnsDoesNothing)
{
    FrequencyGrid none(Power, {}, 0, "S1");
    none.setHarmonicCount(3);
    FrequencyGrid empty(Voltage, {}, 0, "S1");
    empty.setHarmonicCount(0);
    for (FrequencyGrid* grid : {&none, &empty}) {
        Recorder recorder(*grid);
        EXPECT_FALSE(grid->selectHarmonic(0, true));
        EXPECT_TRUE(recorder.emitted.empty());
    }
}

} // namespace
