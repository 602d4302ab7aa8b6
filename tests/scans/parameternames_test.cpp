#include "scans/csvoptions.h"
#include "scans/frequencyrecord.h"
#include "scans/parameternames.h"

#include <gtest/gtest.h>

TEST(ParameterNames, TextsOfSelectedIds)
{
    const ParameterNames names;
    struct Row {
        int id;
        const char* longName;
        const char* shortName;
        const char* label;
        const char* unit;
        const char* htmlUnit;
    };
    const Row rows[] = {
        {0, "Voltage", "V", "Voltage", "Volts", "V"},
        {2, "Phase", "Phi", "Phase", "Degrees", "&deg;<b></b>"},
        {4, "Impedance Complex", "Imp. Cx", "Impedance", "Ohms", "&Omega;<b></b>"},
        {9, "Standing Wave Ratio", "SWR", "SWR", "", ""},
        {10, "Ion Flux", "IF", "Ion Flux", "Amps/m^2", "A/m<sup>2</sup>"},
        {11, "Gamma Reflection Coefficient", "Gamma", "Gamma", "", ""},
        {17, "Gamma Reflection Coefficient", "Gamma", "Gamma Phi", "Degrees", "&deg;<b></b>"},
        {24, "Current", "I", "Current Phi", "Degrees", "&deg;<b></b>"},
        {31, "Harmonic", "H", "Harmonic", "Degrees", "&deg;<b></b>"},
        {34, "Pulse Period", "T", "Pulse Period", "us", "&micro;s<b></b>"},
        {37, "Pulse Duty Cycle", "Pdc", "Pulse Duty Cycle", "%", "%"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        EXPECT_EQ(names.longName(r.id), r.longName);
        EXPECT_EQ(names.shortName(r.id), r.shortName);
        EXPECT_EQ(names.label(r.id), r.label);
        EXPECT_EQ(names.unit(r.id), r.unit);
        EXPECT_EQ(names.htmlUnit(r.id), r.htmlUnit);
    }
    for (int id = 0; id < parameterCount; ++id)
        EXPECT_FALSE(names.longName(id).isEmpty()) << id;
    EXPECT_TRUE(names.longName(38).isEmpty());
    EXPECT_TRUE(names.unit(-1).isEmpty());
}

TEST(ParameterNames, NameFollowsTheShortNamesOption)
{
    const ParameterNames names;
    csvUseShortNames = false;
    EXPECT_EQ(names.name(PulsePeriod), "Pulse Period");
    csvUseShortNames = true;
    EXPECT_EQ(names.name(PulsePeriod), "T");
    csvUseShortNames = false;
}

TEST(ParameterNames, ClassificationOfEveryId)
{
    for (int id = 0; id < parameterCount; ++id) {
        SCOPED_TRACE(id);
        const bool perHarmonic = id <= 4 || id == 13 || id == 14 || (id >= 19 && id <= 32);
        EXPECT_EQ(hasHarmonics(id), perHarmonic);
        const bool composite = id == 3 || id == 4 || id == 11 || id == 12 || id == 13 || id == 14 || id == 32;
        EXPECT_EQ(isCompositeParameter(id), composite);
        EXPECT_EQ(isComplexParameter(id), id == 4 || id == 12 || id == 13 || id == 32);
        if (!composite) {
            EXPECT_EQ(firstComponent(id), id);
            EXPECT_EQ(secondComponent(id), id);
        }
    }
    const int components[][3] = {{3, 25, 26}, {4, 19, 20}, {11, 18, 17}, {12, 15, 16},
                                 {13, 21, 22}, {14, 23, 24}, {32, 27, 28}};
    for (const auto& c : components) {
        EXPECT_EQ(firstComponent(c[0]), c[1]) << c[0];
        EXPECT_EQ(secondComponent(c[0]), c[2]) << c[0];
    }
}

TEST(ParameterNames, OptionIndexTableIsTheInverseOfTheOptionTable)
{
    for (int option = 1; option <= 37; ++option) {
        const int id = optionToParameterId(option);
        if (option >= 17 && option <= 32) {
            EXPECT_EQ(id, 0) << "option " << option << " stands for no parameter";
        } else {
            EXPECT_EQ(parameterToOptionIndex(static_cast<unsigned>(id)), option) << option;
        }
    }
    EXPECT_EQ(parameterToOptionIndex(0), 0);
    int withoutColumn = 0;
    for (unsigned id = 0; id < static_cast<unsigned>(parameterCount); ++id) {
        const int option = parameterToOptionIndex(id);
        if (option < 0) {
            ++withoutColumn;
        } else if (option > 0) {
            EXPECT_EQ(optionToParameterId(option), static_cast<int>(id));
        }
    }
    EXPECT_EQ(withoutColumn, 16);
    EXPECT_EQ(parameterToOptionIndex(20), -1);
    EXPECT_EQ(parameterToOptionIndex(31), 15);
    EXPECT_EQ(parameterToOptionIndex(38), -1);
    EXPECT_EQ(parameterToOptionIndex(static_cast<unsigned>(-1)), -1);
}
