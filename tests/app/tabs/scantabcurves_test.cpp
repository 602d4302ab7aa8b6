// The acquisition tab's curve records: colours, titles and removal.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "views/curvepalette.h"
#include "views/curverecord.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>

#include <memory>

namespace {

class ScanTabCurves : public ::testing::Test
{
protected:
    void bind(FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
    }

    int plotCurveCount() const { return tab->plot().itemList(QwtPlotItem::Rtti_PlotCurve).size(); }

    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {1, 0}};
    FakeSensor other{{13.56}, {1}};
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTabCurves, CurvesAreNamedAfterTheirQuantityAndCycleThroughFifteenColours)
{
    bind(usb);
    ASSERT_NE(tab->frequencyButtons().checkedButton(), nullptr);
    const QString frequencyText = tab->frequencyButtons().checkedButton()->text();
    EXPECT_EQ(frequencyText, QStringLiteral("13.56 MHz"));

    tab->curveDisplayControl(true, Voltage, 2, 0);
    ASSERT_EQ(tab->curves().size(), 1);
    const CurveRecord& first = *tab->curves().first();
    EXPECT_EQ(
        first.firstCurve->title().text(),
        QStringLiteral("%1 : 13.56 MHz, Harmonic 3, A123").arg(ParameterNames::shared().label(Voltage)));
    EXPECT_EQ(first.type, Voltage);
    EXPECT_EQ(first.sensor, &usb);
    EXPECT_EQ(first.harmonic, 2);
    EXPECT_EQ(first.frequency, 0);
    EXPECT_EQ(first.firstCurve->plot(), &tab->plot());

    for (int i = 1; i < 16; ++i)
        tab->curveDisplayControl(true, Voltage, 0, 0);
    ASSERT_EQ(tab->curves().size(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(tab->curves()[i]->firstCurve->pen().color(), curvePalette::colour(i % 15)) << i;
    EXPECT_EQ(plotCurveCount(), 16);
}

TEST_F(ScanTabCurves, RemovalTakesTheFirstMatchOfAnySensorAndIgnoresAbsentCurves)
{
    bind(usb);
    tab->curveDisplayControl(true, Current, 0, 0);
    other.setSerialNumber(QStringLiteral("B456"));
    bind(other);
    tab->curveDisplayControl(true, Current, 0, 0);
    ASSERT_EQ(tab->curves().size(), 2);

    tab->curveDisplayControl(false, Current, 1, 0); // another harmonic
    tab->curveDisplayControl(false, Voltage, 0, 0); // another quantity
    tab->curveDisplayControl(false, Current, 0, 1); // another frequency
    EXPECT_EQ(tab->curves().size(), 2);

    tab->curveDisplayControl(false, Current, 0, 0);
    ASSERT_EQ(tab->curves().size(), 1);
    EXPECT_EQ(tab->curves().first()->sensor, &other);
    EXPECT_EQ(plotCurveCount(), 1);
}

TEST_F(ScanTabCurves, WithoutACheckedFrequencyButtonNoCurveIsAdded)
{
    usb.setSelectionDirectly({0, 0});
    bind(usb);
    ASSERT_EQ(tab->frequencyButtons().checkedButton(), nullptr);
    tab->curveDisplayControl(true, Voltage, 0, 0);
    EXPECT_TRUE(tab->curves().isEmpty());
    EXPECT_EQ(plotCurveCount(), 0);
}

} // namespace
