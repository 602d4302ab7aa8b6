// The sample-rate selector: rates and unit labels per entry, the three rate
// lists, hidden rows and the part accessors.

#include "views/sampleratewidget.h"

#include "support/comboroom.h"
#include "support/editroom.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSpinBox>

#include <functional>
#include <limits>

namespace {

QComboBox* selector(SampleRateWidget& widget)
{
    return qobject_cast<QComboBox*>(widget.part(0));
}
QSpinBox* spin(SampleRateWidget& widget)
{
    return qobject_cast<QSpinBox*>(widget.part(2));
}
QString unitText(SampleRateWidget& widget, int part)
{
    return qobject_cast<QLabel*>(widget.part(part))->text();
}

QStringList entryTexts(SampleRateWidget& widget)
{
    QStringList texts;
    for (int i = 0; i < selector(widget)->count(); ++i)
        texts << selector(widget)->itemText(i);
    return texts;
}

struct EntryCase {
    const char* entry;
    int spinValue;
    int rate;
    const char* selectorUnit;
    const char* spinUnit;
    bool spinEnabled;
};

class SampleRateEntry : public ::testing::TestWithParam<EntryCase>
{
};

TEST_P(SampleRateEntry, GivesItsRateAndUnits)
{
    const EntryCase& c = GetParam();
    SampleRateWidget widget;
    widget.setPartValue(2, c.spinValue);
    // Start from another entry, so the choice is a change.
    selector(widget)->setCurrentIndex(selector(widget)->findText("100"));
    selector(widget)->setCurrentText(QString::fromUtf8(c.entry));
    ASSERT_EQ(selector(widget)->currentText(), QString::fromUtf8(c.entry));
    EXPECT_EQ(widget.rate(), c.rate);
    EXPECT_EQ(unitText(widget, 1), QString::fromUtf8(c.selectorUnit));
    EXPECT_EQ(unitText(widget, 3), QString::fromUtf8(c.spinUnit));
    EXPECT_EQ(spin(widget)->isEnabled(), c.spinEnabled);
}

INSTANTIATE_TEST_SUITE_P(Entries, SampleRateEntry,
                         ::testing::Values(EntryCase{"2", 750, 2000, "[s ]", "", false},
                                           EntryCase{"1", 750, 1000, "[s ]", "", false},
                                           EntryCase{"333", 750, 333, "[ms]", "", false},
                                           EntryCase{"10", 750, 10, "[ms]", "", false},
                                           EntryCase{"Set", 750, 750, "", "[ms]", true},
                                           EntryCase{"Max", 750, 0, "", "", false}));

TEST(SampleRateWidget, LoadsTheThreeLists)
{
    SampleRateWidget widget;
    EXPECT_EQ(entryTexts(widget),
              QStringList({"2", "1", "333", "200", "100", "50", "20", "10", "Max", "Set"}));
    EXPECT_EQ(selector(widget)->itemData(9).toInt(), -1);
    widget.loadShortRates();
    EXPECT_EQ(entryTexts(widget), QStringList({"2", "1", "333", "200", "100", "Max"}));
    widget.loadNetworkRates();
    EXPECT_EQ(entryTexts(widget), QStringList({"2", "1", "333", "200", "100"}));
    widget.loadFullRates();
    EXPECT_EQ(selector(widget)->count(), 10);
}

TEST(SampleRateWidget, SetRateSelectsTheMatchingEntryOrKeepsTheSelection)
{
    SampleRateWidget widget;
    widget.setRate(-1);
    EXPECT_EQ(selector(widget)->currentText(), "Set");
    widget.setRate(333);
    EXPECT_EQ(widget.partValue(0), 2);

    widget.loadNetworkRates();
    widget.setRate(200);
    widget.setRate(-1);
    EXPECT_EQ(selector(widget)->currentText(), "200");
    widget.setRate(0);
    EXPECT_EQ(widget.rate(), 200);
}

TEST(SampleRateWidget, SetRateTakesTheLastOfSeveralMatches)
{
    SampleRateWidget widget;
    selector(widget)->addItem("100 again", 100);
    widget.setRate(100);
    EXPECT_EQ(widget.partValue(0), selector(widget)->count() - 1);
}

TEST(SampleRateWidget, HidesRowsCountedFromEitherEnd)
{
    SampleRateWidget widget;
    auto* list = qobject_cast<QListView*>(selector(widget)->view());
    ASSERT_NE(list, nullptr);
    widget.setRateRowHidden(-1, true);
    EXPECT_TRUE(list->isRowHidden(9)); // "Set"
    widget.setRateRowHidden(0, true);
    EXPECT_TRUE(list->isRowHidden(0));
    widget.setRateRowHidden(-1, false);
    EXPECT_FALSE(list->isRowHidden(9));
    widget.setRateRowHidden(0, false);
    EXPECT_FALSE(list->isRowHidden(0));
    // A row as far from the end as there are entries is outside too.
    for (int outside : {10, -10, -11, 100, std::numeric_limits<int>::min()}) {
        widget.setRateRowHidden(outside, true);
        for (int row = 0; row < 10; ++row)
            EXPECT_FALSE(list->isRowHidden(row)) << outside << " hid " << row;
    }
}

TEST(SampleRateWidget, SpinBoxAcceptsTenToFiveThousandWithoutButtons)
{
    SampleRateWidget widget;
    EXPECT_EQ(spin(widget)->minimum(), 10);
    EXPECT_EQ(spin(widget)->maximum(), 5000);
    EXPECT_EQ(spin(widget)->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_EQ(spin(widget)->toolTip(), "Sample rate must be 'Set' in order to enable this input");
    widget.setPartValue(2, 5);
    EXPECT_EQ(widget.partValue(2), 10);
    widget.setPartValue(2, 9000);
    EXPECT_EQ(widget.partValue(2), 5000);
}

TEST(SampleRateWidget, PartsOutsideZeroToThreeDoNothing)
{
    SampleRateWidget widget;
    const int index = widget.partValue(0);
    for (int outside : {-1, 1, 3, 4}) {
        widget.setPartValue(outside, 5);
        EXPECT_EQ(widget.partValue(0), index);
    }
    widget.setPartValue(0, 42); // beyond the entries
    EXPECT_EQ(widget.partValue(0), index);
    EXPECT_EQ(widget.partValue(1), -1);
    EXPECT_EQ(widget.partValue(4), -1);
    EXPECT_EQ(widget.part(4), nullptr);
    EXPECT_EQ(widget.part(-1), nullptr);
    widget.setPartEnabled(4, false);
    widget.setPartVisible(-1, false);
    widget.setPartEnabled(1, false);
    EXPECT_FALSE(widget.part(1)->isEnabled());
    EXPECT_TRUE(widget.part(0)->isEnabled());
}

TEST(SampleRateWidget, StackedAndOneRowLayoutsHoldAllParts)
{
    for (bool stacked : {true, false}) {
        SampleRateWidget widget(nullptr, stacked);
        widget.resize(widget.sizeHint());
        widget.show();
        const QLabel* caption = nullptr;
        for (const QLabel* label : widget.findChildren<QLabel*>())
            if (label->text() == "Sample Rate")
                caption = label;
        ASSERT_NE(caption, nullptr);
        const int selectorTop = widget.part(0)->geometry().top();
        const int spinTop = widget.part(2)->geometry().top();
        if (stacked) {
            EXPECT_LT(caption->geometry().bottom(), selectorTop);
            EXPECT_LT(widget.part(0)->geometry().bottom(), spinTop);
        } else {
            EXPECT_LT(caption->geometry().right(), widget.part(0)->geometry().left());
            EXPECT_LT(widget.part(1)->geometry().right(), widget.part(2)->geometry().left());
        }
    }
}

// Each list in both layouts, squeezed to the least room its layout allows:
// no rate is cut by the arrow, nor the largest typed rate by the frame.
TEST(SampleRateWidget, ShowsEveryRateWholeInTheLeastRoom)
{
    const std::function<void(SampleRateWidget&)> lists[] = {
        [](SampleRateWidget& widget) { widget.loadFullRates(); },
        [](SampleRateWidget& widget) { widget.loadShortRates(); },
        [](SampleRateWidget& widget) { widget.loadNetworkRates(); },
    };
    for (bool stacked : {false, true}) {
        for (const auto& load : lists) {
            SampleRateWidget widget(nullptr, stacked);
            load(widget);
            widget.setPartValue(2, 5000);
            widget.show();
            widget.resize(widget.minimumSizeHint());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            const QStringList cut = comboroom::cutEntries(*selector(widget));
            EXPECT_TRUE(cut.isEmpty())
                << (stacked ? "stacked: " : "one row: ") << cut.join(QStringLiteral(", ")).toStdString();
            const QLineEdit* typed = spin(widget)->findChild<QLineEdit*>();
            ASSERT_NE(typed, nullptr);
            EXPECT_TRUE(editroom::showsWhole(*typed))
                << typed->displayText().toStdString() << " in " << editroom::textRoom(*typed);
        }
    }
}

} // namespace
