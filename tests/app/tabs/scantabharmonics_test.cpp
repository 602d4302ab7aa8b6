// The acquisition tab's meter boxes: what ticking and clearing one draws
// and removes, and which boxes show ticked after binding a sensor or
// choosing another frequency.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "ui_scantab.h"
#include "views/curverecord.h"
#include "views/frequencygrid.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace {

// The display option keys of the quantities a meter can show.
const char* const displayKeys[] = {"Voltage",        "Power",          "Frequency",      "Phase",
                                   "Current",        "ForwardPower",   "ReflectedPower", "ImpedanceComplex",
                                   "ImpedancePolar", "GammaComplex",   "GammaPolar",     "SWR",
                                   "CurrentPolar",   "CurrentComplex", "IonFlux",        "VoltagePolar",
                                   "Energy",         "PulsePeriod",    "PulseOnTime",    "PulseFrequency",
                                   "PulseDutyCycle"};

class ScanTabHarmonics : public ::testing::Test
{
protected:
    void TearDown() override
    {
        tab.reset();
        QSettings().remove(QStringLiteral("DisplayOptions"));
    }

    // A tab whose meters show exactly these quantities (display option keys),
    // in the options' order.
    void makeTab(const QStringList& shown)
    {
        QSettings stored;
        stored.beginGroup(QStringLiteral("DisplayOptions"));
        for (const char* key : displayKeys)
            stored.setValue(QStringLiteral("Display_") + QString::fromLatin1(key),
                            shown.contains(QString::fromLatin1(key)));
        stored.endGroup();
        stored.sync();
        settings = std::make_unique<DisplaySettings>();
        tab = std::make_unique<timeTrendScanTab>(settings.get());
        QList<QuvixSensor*> sensors{&usb};
        tab->updateSensorList(sensors);
    }

    int slotOf(int parameter) const { return tab->meterIds().indexOf(parameter); }

    int curvesOf(int type, int harmonic, int frequency) const
    {
        return static_cast<int>(
            std::count_if(tab->curves().cbegin(), tab->curves().cend(), [&](const CurveRecord* r) {
                return r->type == type && r->harmonic == harmonic && r->frequency == frequency;
            }));
    }

    void showFrequency(int index) { tab->frequencyButtons().button(index)->click(); }

    // Three harmonics at the first frequency, two at the second.
    FakeSensor usb{{13.56, 27.12}, {3, 2}};
    std::unique_ptr<DisplaySettings> settings;
    std::unique_ptr<timeTrendScanTab> tab;
};

TEST_F(ScanTabHarmonics, AQuantityWithoutHarmonicsDrawsItsFundamentalAtTheShownFrequency)
{
    makeTab({QStringLiteral("Power"), QStringLiteral("SWR")});
    const int slot = slotOf(StandingWaveRatio);
    ASSERT_GE(slot, 0);
    showFrequency(1);

    tab->meterCheckBox(slot)->click();
    ASSERT_EQ(tab->curves().size(), 1);
    EXPECT_EQ(curvesOf(StandingWaveRatio, 0, 1), 1);
    EXPECT_TRUE(tab->harmonicBox().isHidden());

    tab->meterCheckBox(slot)->click();
    EXPECT_TRUE(tab->curves().isEmpty());
}

TEST_F(ScanTabHarmonics, AQuantityWithHarmonicsOrTwoPartsOpensTheGridWithItsFirstBoxTicked)
{
    struct Case {
        const char* key;
        valueType shown;
        valueType drawn; // the grid's first row
    };
    const Case cases[] = {
        {"Voltage", Voltage, Voltage},
        {"GammaPolar", GammaPolar, static_cast<valueType>(firstComponent(GammaPolar))},
        {"ImpedanceComplex", ImpedanceComplex, static_cast<valueType>(firstComponent(ImpedanceComplex))}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        makeTab({QString::fromLatin1(c.key)});
        for (int frequency : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "frequency " << frequency);
            showFrequency(frequency);
            tab->meterCheckBox(0)->click();
            const FrequencyGrid* grid = tab->frequencyGrid();
            ASSERT_NE(grid, nullptr);
            EXPECT_FALSE(tab->harmonicBox().isHidden());
            EXPECT_EQ(grid->harmonicCount(), usb.selectedHarmonics()[frequency]);
            EXPECT_EQ(grid->topType(), c.drawn);
            EXPECT_TRUE(grid->lastSelection().checked);
            EXPECT_EQ(grid->lastSelection().harmonic, 0);
            EXPECT_EQ(curvesOf(c.drawn, 0, frequency), 1);
            // Cleared again: the grid's curves at this frequency go.
            tab->meterCheckBox(0)->click();
            EXPECT_TRUE(tab->curves().isEmpty());
        }
    }
}

TEST_F(ScanTabHarmonics, ComponentsBelongToTheirTwoPartQuantity)
{
    const std::pair<int, int> mapping[] = {{GammaReal, GammaComplex},
                                           {GammaImag, GammaComplex},
                                           {GammaPhi, GammaPolar},
                                           {GammaMag, GammaPolar},
                                           {ImpedanceReal, ImpedanceComplex},
                                           {ImpedanceImag, ImpedanceComplex},
                                           {CurrentReal, CurrentComplex},
                                           {CurrentImag, CurrentComplex},
                                           {CurrentMag, CurrentPolar},
                                           {CurrentPhi, CurrentPolar},
                                           {ImpedanceMag, ImpedancePolar},
                                           {ImpedancePhi, ImpedancePolar},
                                           {VoltageReal, VoltageComplex},
                                           {VoltageImag, VoltageComplex},
                                           {VoltageMag, Harmonic},
                                           {VoltagePhi, Harmonic},
                                           {Voltage, Voltage},
                                           {GammaComplex, GammaComplex},
                                           {StandingWaveRatio, StandingWaveRatio},
                                           {PulseDutyCycle, PulseDutyCycle}};
    for (const auto& [component, composite] : mapping)
        EXPECT_EQ(compositeParameterOf(component), composite) << component;
}

TEST_F(ScanTabHarmonics, ClearingABoxRemovesEveryCurveOfItsQuantityAtTheShownFrequency)
{
    const QStringList shown = {QStringLiteral("ImpedanceComplex"), QStringLiteral("ImpedancePolar"),
                               QStringLiteral("GammaComplex"),     QStringLiteral("GammaPolar"),
                               QStringLiteral("CurrentPolar"),     QStringLiteral("CurrentComplex"),
                               QStringLiteral("VoltagePolar"),     QStringLiteral("Power")};
    makeTab(shown);
    ASSERT_EQ(tab->meterIds().size(), shown.size());
    for (int slot = 0; slot < tab->meterIds().size(); ++slot) {
        const int parameter = tab->meterIds()[slot];
        if (!isCompositeParameter(parameter))
            continue;
        SCOPED_TRACE(testing::Message() << "quantity " << parameter);
        const auto first = static_cast<valueType>(firstComponent(parameter));
        const auto second = static_cast<valueType>(secondComponent(parameter));
        showFrequency(0);
        tab->meterCheckBox(slot)->click(); // draws the first part's fundamental
        tab->harmonicSelected(true, second, 0, 0);
        tab->harmonicSelected(true, first, 2, 0);
        tab->harmonicSelected(true, second, 1, 0);
        tab->curveDisplayControl(true, Power, 0, 0); // another quantity
        showFrequency(1);
        tab->curveDisplayControl(true, first, 0, 1); // another frequency
        showFrequency(0);
        ASSERT_TRUE(tab->meterCheckBox(slot)->isChecked());
        ASSERT_EQ(tab->curves().size(), 6);

        tab->meterCheckBox(slot)->click();
        EXPECT_EQ(tab->curves().size(), 2);
        EXPECT_EQ(curvesOf(Power, 0, 0), 1);
        EXPECT_EQ(curvesOf(first, 0, 1), 1);
        tab->curveDisplayControl(false, Power, 0, 0);
        tab->curveDisplayControl(false, first, 0, 1);
    }
}

TEST_F(ScanTabHarmonics, BoxesShowWhichQuantitiesAreDrawnAtTheShownFrequency)
{
    makeTab({QStringLiteral("Power"), QStringLiteral("GammaPolar"), QStringLiteral("SWR")});
    const int power = slotOf(Power);
    const int gamma = slotOf(GammaPolar);
    const int swr = slotOf(StandingWaveRatio);
    ASSERT_TRUE(power >= 0 && gamma >= 0 && swr >= 0);
    tab->curveDisplayControl(true, Power, 0, 0);
    tab->curveDisplayControl(true, static_cast<valueType>(secondComponent(GammaPolar)), 1, 1);

    showFrequency(1);
    EXPECT_FALSE(tab->meterCheckBox(power)->isChecked());
    EXPECT_TRUE(tab->meterCheckBox(gamma)->isChecked());
    EXPECT_FALSE(tab->meterCheckBox(swr)->isChecked());
    showFrequency(0);
    EXPECT_TRUE(tab->meterCheckBox(power)->isChecked());
    EXPECT_FALSE(tab->meterCheckBox(gamma)->isChecked());
}

TEST_F(ScanTabHarmonics, RebindingTicksTheBoxThatShowsACurvesQuantityOrNone)
{
    makeTab({QStringLiteral("Voltage"), QStringLiteral("Power"), QStringLiteral("SWR")});
    const int swr = slotOf(StandingWaveRatio);
    ASSERT_GE(swr, 0);
    // Quantity ids from 8 on: one shown on a meter, one on none.
    tab->curveDisplayControl(true, StandingWaveRatio, 0, 0);
    tab->curveDisplayControl(true, Energy, 0, 0);
    for (int slot = 0; slot < tab->meterIds().size(); ++slot)
        tab->meterCheckBox(slot)->setChecked(false);

    QList<QuvixSensor*> sensors{&usb};
    tab->updateSensorList(sensors);
    for (int slot = 0; slot < tab->meterIds().size(); ++slot)
        EXPECT_EQ(tab->meterCheckBox(slot)->isChecked(), slot == swr) << slot;
    EXPECT_EQ(tab->curves().size(), 2);
}

TEST_F(ScanTabHarmonics, AnExpandedParameterViewShowsOnlyTheDisplayedSlots)
{
    makeTab({QStringLiteral("Power"), QStringLiteral("GammaPolar"), QStringLiteral("SWR")});
    ASSERT_TRUE(tab->isControlPanelExpanded());
    tab->form().paramViewBox->setChecked(false);
    tab->form().paramViewBox->setChecked(true);
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_EQ(tab->meterCheckBox(slot)->isHidden(), slot >= 3) << slot;
        EXPECT_EQ(tab->meterLabel(slot)->isHidden(), slot >= 3) << slot;
    }
}

} // namespace
