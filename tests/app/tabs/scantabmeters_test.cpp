// The acquisition tab's meter slots in the parameter view and the meter window.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/meterrows.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/parameternames.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPixmap>

#include <memory>

namespace {

class ScanTabMeters : public ::testing::Test
{
protected:
    void expectShownSlots(int shown, const char* when)
    {
        ASSERT_EQ(tab->meterIds().size(), shown) << when;
        for (int slot = 0; slot < MeterRows::rowCount; ++slot) {
            SCOPED_TRACE(testing::Message() << when << ", slot " << slot);
            QCheckBox* box = tab->meterCheckBox(slot);
            MeterRows& rows = tab->meterRows();
            if (slot < shown) {
                const int id = settings.displayedParameterAt(slot);
                EXPECT_EQ(tab->meterIds()[slot], id);
                EXPECT_FALSE(box->isHidden());
                EXPECT_EQ(box->text(), ParameterNames::shared().label(id));
                EXPECT_TRUE(box->styleSheet().contains(onStateIcon()));
                EXPECT_EQ(tab->meterLabel(slot)->text(), QStringLiteral("   ---"));
                EXPECT_EQ(rows.name(slot)->text(), ParameterNames::shared().label(id));
                EXPECT_EQ(rows.value(slot)->text(), QStringLiteral("-----"));
                EXPECT_FALSE(rows.icon(slot)->pixmap(Qt::ReturnByValue).isNull());
            } else {
                EXPECT_TRUE(box->isHidden());
                EXPECT_TRUE(tab->meterLabel(slot)->isHidden());
                EXPECT_TRUE(rows.name(slot)->text().isEmpty());
                EXPECT_TRUE(rows.value(slot)->text().isEmpty());
                EXPECT_TRUE(rows.icon(slot)->pixmap(Qt::ReturnByValue).isNull());
            }
        }
    }

    DisplaySettings settings;
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTabMeters, FourDisplayedParametersHideTheOtherSlotsAndClearTheirRows)
{
    settings.displayedCount = 8;
    tab->updateMeterView();
    expectShownSlots(8, "eight");

    settings.displayedCount = 4;
    tab->updateMeterView();
    expectShownSlots(4, "four");

    settings.displayedCount = 12; // never more than the eight slots
    tab->updateMeterView();
    expectShownSlots(8, "twelve");
}

TEST_F(ScanTabMeters, ALanguageChangeKeepsTheDisplayedParametersOnTheMeters)
{
    settings.displayedCount = 3;
    tab->updateMeterView();
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(tab.get(), &languageChange);
    expectShownSlots(3, "after the language change");
}

} // namespace
