// The texts of the acquisition tab's meters, and the tab filling them from
// the newest sample of the active sensor's scan.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/meterrows.h"
#include "app/tabs/metertext.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <memory>
#include <vector>

namespace {

TEST(MeterText, EachKindOfQuantityHasItsLayout)
{
    const auto unit = [](int id) { return ParameterNames::shared().htmlUnit(id); };
    const struct {
        int id;
        double first;
        double second;
        QString text;
    } cases[] = {
        {Voltage, 12.345, 0.0, QStringLiteral("12.35 ") + unit(Voltage)},
        {Power, -3.0, 0.0, QStringLiteral("-3.00 ") + unit(Power)},
        {ImpedancePolar, 50.0, -12.34,
         QStringLiteral("50.00 %1 &ang;-12.3<b></b>").arg(unit(ImpedancePolar))},
        {ImpedanceComplex, 40.0, 7.256, QStringLiteral("40.00 + 7.26j ") + unit(ImpedanceComplex)},
        {ImpedanceComplex, 40.0, 0.0, QStringLiteral("40.00 + 0.00j ") + unit(ImpedanceComplex)},
        {GammaComplex, 0.5, -0.25, QStringLiteral("0.50 - 0.25j ") + unit(GammaComplex)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(meterValueText(c.id, c.first, c.second), c.text) << c.id;
}

class ScanTabMeterValues : public ::testing::Test
{
protected:
    void bind(FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
    }

    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {1, 0}};
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTabMeterValues, TheActiveSensorsNewestSampleReachesEveryShownMeter)
{
    settings.displayedCount = 3;
    bind(usb);
    tab->updateMeterView();
    CWScan scan(&usb, QString(), 100);
    scantest::fill(scan, usb, 3, scantest::Load{20.0, 0.4, 30.0});

    tab->monitorUpdate(&scan);
    ASSERT_EQ(tab->meterIds().size(), 3);
    for (int slot = 0; slot < 3; ++slot) {
        const int id = tab->meterIds()[slot];
        const QString expected = isCompositeParameter(id)
                                     ? meterValueText(id, scan.latestValue(firstComponent(id), 0, 0, 0),
                                                      scan.latestValue(secondComponent(id), 0, 0, 0))
                                     : meterValueText(id, scan.latestValue(id, 0, 0, 0));
        EXPECT_EQ(tab->meterLabel(slot)->text(), expected) << slot;
        EXPECT_EQ(tab->meterRows().value(slot)->text(), expected) << slot;
    }
}

TEST_F(ScanTabMeterValues, OtherSensorsEmptyScansAndNoDisplayedFrequencyLeaveTheMeters)
{
    settings.displayedCount = 2;
    FakeSensor stranger{{13.56}, {1}};
    stranger.setSerialNumber(QStringLiteral("B456"));
    CWScan foreign(&stranger, QString(), 100);
    scantest::fill(foreign, stranger, 2);
    CWScan empty(&usb, QString(), 100);

    bind(usb);
    tab->updateMeterView();
    tab->monitorUpdate(&foreign);
    tab->monitorUpdate(&empty);
    EXPECT_EQ(tab->meterLabel(0)->text(), QStringLiteral("   ---"));

    usb.setSelectionDirectly({0, 0});
    bind(usb);
    tab->updateMeterView();
    CWScan nothingEnabled(&usb, QString(), 100);
    scantest::fill(nothingEnabled, usb, 2);
    tab->monitorUpdate(&nothingEnabled);
    EXPECT_EQ(tab->meterLabel(0)->text(), QStringLiteral("   ---"));
}

// Counts the events of the kinds it is given that reach the objects it
// watches.
class EventCounter : public QObject
{
public:
    EventCounter(std::initializer_list<QEvent::Type> types, const std::vector<QObject*>& watched)
        : m_types(types)
    {
        for (QObject* object : watched)
            object->installEventFilter(this);
    }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_count += m_types.contains(event->type()) ? 1 : 0;
        return false;
    }

private:
    QList<QEvent::Type> m_types;
    int m_count = 0;
};

void letEventsThrough()
{
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// A monitoring update arrives ten times a second: texts that fit the room
// their meters have repaint those meters only, and unchanged values touch
// nothing at all.
TEST_F(ScanTabMeterValues, AnUpdateLaysNothingOutAndLeavesUnchangedMetersAlone)
{
    settings.displayedCount = 6;
    bind(usb);
    tab->updateMeterView();
    tab->resize(1600, 1000);
    tab->show();
    tab->toggleMonitor(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tab.get()));
    CWScan scan(&usb, QString(), 100);
    scantest::fill(scan, usb, 1, scantest::Load{20.0, 0.4, 30.0});
    tab->monitorUpdate(&scan);
    letEventsThrough();

    QWidget& meterWindow = *tab->meterRows().value(0)->window();
    const EventCounter layouts({QEvent::LayoutRequest}, {tab->form().paramViewBox, tab.get(), &meterWindow});
    scantest::fill(scan, usb, 1, scantest::Load{21.0, 0.41, 31.0});
    const QString before = tab->meterLabel(0)->text();
    tab->monitorUpdate(&scan);
    letEventsThrough();
    EXPECT_NE(tab->meterLabel(0)->text(), before);
    EXPECT_EQ(layouts.count(), 0);

    std::vector<QObject*> meters;
    for (int slot = 0; slot < 6; ++slot)
        meters.insert(meters.end(), {tab->meterLabel(slot), tab->meterRows().value(slot)});
    const EventCounter touches({QEvent::Paint, QEvent::ToolTipChange, QEvent::LayoutRequest}, meters);
    tab->monitorUpdate(&scan);
    letEventsThrough();
    EXPECT_EQ(touches.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
}

} // namespace
