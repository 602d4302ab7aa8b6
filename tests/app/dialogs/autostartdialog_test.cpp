// The auto-start dialog: what the acquisition tab reads from it, what it
// stores per sensor, and how the "=>" mirror follows the user's presses.

#include "app/dialogs/autostartdialog.h"
#include "app/qstringprinter.h"
#include "support/fakesensor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <functional>
#include <memory>

namespace {

class AutoStartDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override
    {
        QSettings().clear();
        QLocale::setDefault(QLocale::c());
    }

    std::unique_ptr<autoStartDialog> open()
    {
        return std::make_unique<autoStartDialog>(&sensor_, nullptr, true);
    }

    template <typename T> static T* find(const autoStartDialog& dialog, const char* name)
    {
        T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QString mirrorText(const autoStartDialog& dialog)
    {
        return find<QPushButton>(dialog, "useSameThresholdsButton")->text();
    }

    // Serial A123; the second of its three frequencies is not enabled.
    FakeSensor sensor_{{2.0, 13.56, 27.12}, {1, 0, 3}};
};

TEST_F(AutoStartDialogTest, FirstConstructionShowsTheDefaults)
{
    const auto dialog = open();
    EXPECT_EQ(find<QComboBox>(*dialog, "startParameter")->currentText(), "Voltage");
    EXPECT_TRUE(find<QRadioButton>(*dialog, "startOver")->isChecked());
    EXPECT_EQ(find<QComboBox>(*dialog, "stopCondition")->currentText(), "Stop Threshold");
    EXPECT_EQ(find<QComboBox>(*dialog, "stopParameter")->currentText(), "Voltage");
    EXPECT_TRUE(find<QRadioButton>(*dialog, "stopBelow")->isChecked());
    EXPECT_TRUE(find<QRadioButton>(*dialog, "continueMonitoring")->isChecked());
    EXPECT_EQ(find<QLabel>(*dialog, "startUnitLabel")->text(), "Volts");
    EXPECT_EQ(find<QLabel>(*dialog, "stopUnitLabel")->text(), "Volts");
    EXPECT_EQ(mirrorText(*dialog), "=>");
    EXPECT_EQ(find<QDoubleSpinBox>(*dialog, "scanDuration")->value(), 1.0);
    EXPECT_TRUE(find<QDoubleSpinBox>(*dialog, "scanDuration")->isHidden());
    EXPECT_FALSE(find<QDoubleSpinBox>(*dialog, "thresholdStop")->isHidden());
    EXPECT_EQ(dialog->size(), QSize(1027, 585));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint));

    EXPECT_EQ(dialog->startParameterIndex(), 0);
    EXPECT_EQ(dialog->startThreshold(), 0.0);
    EXPECT_TRUE(dialog->startOver());
    EXPECT_EQ(dialog->stopParameterIndex(), 0);
    EXPECT_EQ(dialog->stopThreshold(), 0.0);
    EXPECT_FALSE(dialog->stopOver());
    EXPECT_EQ(dialog->preDuration(), 0.0);
    EXPECT_EQ(dialog->postDuration(), 0.0);
    EXPECT_EQ(dialog->scanDuration(), 0.0);
    EXPECT_TRUE(dialog->continueMonitoring());
    EXPECT_EQ(dialog->frequencyIndex(), 0);
}

TEST_F(AutoStartDialogTest, EveryChoiceShowsItsWholeTextInsideTheDialog)
{
    const auto dialog = open();
    dialog->show();
    QList<QWidget*> choices;
    for (QRadioButton* button : dialog->findChildren<QRadioButton*>())
        choices.append(button);
    auto* stopCondition = find<QComboBox>(*dialog, "stopCondition");
    stopCondition->setCurrentText(QStringLiteral("Stop Threshold"));
    choices.append(stopCondition);
    for (QWidget* choice : choices) {
        SCOPED_TRACE(choice->objectName().toStdString());
        EXPECT_GE(choice->width(), choice->sizeHint().width());
        const QRect place(choice->mapTo(dialog.get(), QPoint(0, 0)), choice->size());
        EXPECT_TRUE(dialog->rect().contains(place));
    }
}

TEST_F(AutoStartDialogTest, ParameterChoiceSetsIdUnitAndThresholdRange)
{
    const struct {
        int position;
        int id;
        const char* unit;
        double minimum;
        double maximum;
        const char* toolTip;
    } cases[] = {
        {0, 0, "Volts", 0.0, 1e10, "Min: 0, Max: 1e+10"},
        {1, 1, "Amps", -100000.0, 1e10, "Min: -100000, Max: 1e+10"},
        {2, 5, "Watts", -100000.0, 1e19, "Min: -100000, Max: 1e+19"},
    };
    const auto dialog = open();
    auto* start = find<QComboBox>(*dialog, "startParameter");
    auto* stop = find<QComboBox>(*dialog, "stopParameter");
    auto* startBox = find<QDoubleSpinBox>(*dialog, "thresholdStart");
    auto* stopBox = find<QDoubleSpinBox>(*dialog, "thresholdStop");
    // Start from the far end so every case changes the selection.
    start->setCurrentIndex(2);
    stop->setCurrentIndex(2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        start->setCurrentIndex(c.position);
        stop->setCurrentIndex(c.position);
        EXPECT_EQ(dialog->startParameterIndex(), c.id);
        EXPECT_EQ(dialog->stopParameterIndex(), c.id);
        EXPECT_EQ(find<QLabel>(*dialog, "startUnitLabel")->text(), c.unit);
        EXPECT_EQ(find<QLabel>(*dialog, "stopUnitLabel")->text(), c.unit);
        for (QDoubleSpinBox* box : {startBox, stopBox}) {
            EXPECT_EQ(box->minimum(), c.minimum);
            EXPECT_EQ(box->maximum(), c.maximum);
            EXPECT_EQ(box->toolTip(), c.toolTip);
            EXPECT_EQ(box->decimals(), 3);
        }
    }
}

TEST_F(AutoStartDialogTest, SecondsBoxesHaveTheirRangesAndDecimals)
{
    const auto dialog = open();
    const struct {
        const char* name;
        double minimum;
        double maximum;
        int decimals;
        const char* toolTip;
    } boxes[] = {
        {"scanDuration", 1.0, 18000.0, 1, "Min: 1, Max: 18000"},
        {"preDuration", 0.0, 600.0, 0, "Min: 0, Max: 600"},
        {"postDuration", 0.0, 600.0, 0, "Min: 0, Max: 600"},
    };
    for (const auto& b : boxes) {
        auto* box = find<QDoubleSpinBox>(*dialog, b.name);
        EXPECT_EQ(box->minimum(), b.minimum) << b.name;
        EXPECT_EQ(box->maximum(), b.maximum) << b.name;
        EXPECT_EQ(box->decimals(), b.decimals) << b.name;
        EXPECT_EQ(box->toolTip(), b.toolTip) << b.name;
        EXPECT_EQ(box->buttonSymbols(), QAbstractSpinBox::NoButtons) << b.name;
        EXPECT_EQ(box->toolTipDuration(), 2000) << b.name;
    }
}

TEST_F(AutoStartDialogTest, ScanDurationCountsOnlyWhenTheStopIsADuration)
{
    const auto dialog = open();
    auto* condition = find<QComboBox>(*dialog, "stopCondition");
    find<QDoubleSpinBox>(*dialog, "scanDuration")->setValue(42.5);

    condition->setCurrentText(QStringLiteral("Duration"));
    EXPECT_EQ(dialog->scanDuration(), 42.5);
    EXPECT_FALSE(find<QDoubleSpinBox>(*dialog, "scanDuration")->isHidden());
    for (const char* name : {"stopParameter", "stopOver", "stopBelow", "thresholdStop", "postDuration",
                             "useSameThresholdsButton"})
        EXPECT_TRUE(find<QWidget>(*dialog, name)->isHidden()) << name;

    condition->setCurrentText(QStringLiteral("Stop Threshold"));
    EXPECT_EQ(dialog->scanDuration(), 0.0);
    EXPECT_TRUE(find<QDoubleSpinBox>(*dialog, "scanDuration")->isHidden());
    EXPECT_FALSE(find<QWidget>(*dialog, "useSameThresholdsButton")->isHidden());
}

TEST_F(AutoStartDialogTest, StopButtonsSetTheStopDirectionOnly)
{
    const auto dialog = open();
    find<QRadioButton>(*dialog, "stopOver")->click();
    EXPECT_TRUE(dialog->stopOver());
    EXPECT_TRUE(dialog->startOver());
    find<QRadioButton>(*dialog, "startBelow")->click();
    EXPECT_FALSE(dialog->startOver());
    EXPECT_TRUE(dialog->stopOver());
    find<QRadioButton>(*dialog, "stopBelow")->click();
    EXPECT_FALSE(dialog->stopOver());
    EXPECT_FALSE(dialog->startOver());
}

// The conditions before a press of "=>", the presses, and what shows after.
struct MirrorCase {
    const char* name;
    int startPosition;
    double startValue;
    bool startBelow;
    int stopPosition;
    double stopValue;
    bool stopOverFirst;
    int presses;
    const char* expectedText;
    int expectedStopPosition;
    double expectedStopValue;
    bool expectedStopOver;
};

class MirrorPresses : public AutoStartDialogTest, public ::testing::WithParamInterface<MirrorCase>
{
};

TEST_P(MirrorPresses, LeaveTheModeWhereTheCopyFindsDifferences)
{
    const MirrorCase& c = GetParam();
    const auto dialog = open();
    find<QComboBox>(*dialog, "startParameter")->setCurrentIndex(c.startPosition);
    find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(c.startValue);
    if (c.startBelow)
        find<QRadioButton>(*dialog, "startBelow")->click();
    find<QComboBox>(*dialog, "stopParameter")->setCurrentIndex(c.stopPosition);
    find<QDoubleSpinBox>(*dialog, "thresholdStop")->setValue(c.stopValue);
    if (c.stopOverFirst)
        find<QRadioButton>(*dialog, "stopOver")->click();

    for (int press = 0; press < c.presses; ++press)
        find<QPushButton>(*dialog, "useSameThresholdsButton")->click();

    EXPECT_EQ(mirrorText(*dialog), c.expectedText);
    EXPECT_EQ(find<QComboBox>(*dialog, "stopParameter")->currentIndex(), c.expectedStopPosition);
    EXPECT_EQ(dialog->stopThreshold(), c.expectedStopValue);
    EXPECT_EQ(dialog->stopOver(), c.expectedStopOver);
    EXPECT_EQ(find<QRadioButton>(*dialog, "stopOver")->isChecked(), c.expectedStopOver);
}

INSTANTIATE_TEST_SUITE_P(
    AutoStartDialog, MirrorPresses,
    ::testing::Values(
        // Nothing to copy: the mode holds.
        MirrorCase{"AlreadyMirrored", 0, 0.0, false, 0, 0.0, false, 1, "=", 0, 0.0, false},
        // Only the direction differs; setting it from code emits no click.
        MirrorCase{"OnlyDirection", 1, 2.0, false, 1, 2.0, true, 1, "=", 1, 2.0, false},
        MirrorCase{"BelowStartGivesOverStop", 1, 2.0, true, 1, 2.0, false, 1, "=", 1, 2.0, true},
        // The threshold copy meets different parameters, then unmirrored
        // directions; a second press finds everything copied.
        MirrorCase{"ParameterDiffers", 1, 2.0, false, 0, 0.0, false, 1, "=>", 1, 2.0, false},
        MirrorCase{"ParameterDiffersTwice", 1, 2.0, false, 0, 0.0, false, 2, "=", 1, 2.0, false},
        MirrorCase{"DirectionAndThreshold", 0, 3.0, false, 0, 1.0, true, 1, "=>", 0, 3.0, false},
        MirrorCase{"DirectionAndThresholdTwice", 0, 3.0, false, 0, 1.0, true, 2, "=", 0, 3.0, false},
        // The parameter copy alone, with the thresholds equal already.
        MirrorCase{"ParameterOnly", 2, 4.0, false, 1, 4.0, false, 1, "=", 2, 4.0, false},
        // A negative power threshold is clamped by the voltage range of the
        // stop box before its parameter follows; the second press copies it.
        MirrorCase{"ClampedByTheOldRange", 2, -5.0, false, 0, 1.0, false, 1, "=>", 2, 0.0, false},
        MirrorCase{"ClampedByTheOldRangeTwice", 2, -5.0, false, 0, 1.0, false, 2, "=", 2, -5.0, false}),
    [](const ::testing::TestParamInfo<MirrorCase>& info) { return std::string(info.param.name); });

TEST_F(AutoStartDialogTest, ChangingTheStopSideLeavesTheMirror)
{
    const struct {
        const char* name;
        std::function<void(autoStartDialog&)> change;
        const char* expectedText;
    } changes[] = {
        {"other stop direction", [](autoStartDialog& d) { find<QRadioButton>(d, "stopOver")->click(); },
         "=>"},
        {"same stop direction", [](autoStartDialog& d) { find<QRadioButton>(d, "stopBelow")->click(); }, "="},
        {"stop threshold",
         [](autoStartDialog& d) { find<QDoubleSpinBox>(d, "thresholdStop")->setValue(7.0); }, "=>"},
        {"stop parameter",
         [](autoStartDialog& d) { find<QComboBox>(d, "stopParameter")->setCurrentIndex(1); }, "=>"},
        {"start threshold",
         [](autoStartDialog& d) { find<QDoubleSpinBox>(d, "thresholdStart")->setValue(7.0); }, "="},
        {"duration", [](autoStartDialog& d) { find<QComboBox>(d, "stopCondition")->setCurrentIndex(0); },
         "=>"},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.name);
        const auto dialog = open();
        find<QPushButton>(*dialog, "useSameThresholdsButton")->click();
        ASSERT_EQ(mirrorText(*dialog), "=");
        c.change(*dialog);
        EXPECT_EQ(mirrorText(*dialog), c.expectedText);
    }
}

TEST_F(AutoStartDialogTest, MirroredStartDirectionTurnsTheStopDirection)
{
    const auto dialog = open();
    find<QPushButton>(*dialog, "useSameThresholdsButton")->click();
    find<QRadioButton>(*dialog, "startBelow")->click();
    EXPECT_FALSE(dialog->startOver());
    EXPECT_TRUE(dialog->stopOver());
    EXPECT_TRUE(find<QRadioButton>(*dialog, "stopOver")->isChecked());
    EXPECT_EQ(mirrorText(*dialog), "=");
    find<QRadioButton>(*dialog, "startOver")->click();
    EXPECT_FALSE(dialog->stopOver());
    EXPECT_TRUE(find<QRadioButton>(*dialog, "stopBelow")->isChecked());
}

TEST_F(AutoStartDialogTest, OkAndCancelBothStoreTheChoices)
{
    for (const char* button : {"okButton", "cancelButton"}) {
        SCOPED_TRACE(button);
        QSettings().clear();
        {
            const auto dialog = open();
            find<QComboBox>(*dialog, "startParameter")->setCurrentIndex(2);
            find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(12.5);
            find<QDoubleSpinBox>(*dialog, "preDuration")->setValue(4);
            find<QComboBox>(*dialog, "stopCondition")->setCurrentIndex(0);
            find<QDoubleSpinBox>(*dialog, "scanDuration")->setValue(90.5);
            find<QComboBox>(*dialog, "stopParameter")->setCurrentIndex(1);
            find<QDoubleSpinBox>(*dialog, "thresholdStop")->setValue(-3.25);
            find<QDoubleSpinBox>(*dialog, "postDuration")->setValue(6);
            find<QRadioButton>(*dialog, "stopMonitoring")->click();
            find<QPushButton>(*dialog, button)->click();
            EXPECT_EQ(dialog->result(),
                      QString(button) == "okButton" ? QDialog::Accepted : QDialog::Rejected);
        }
        const auto again = open();
        EXPECT_EQ(again->startParameterIndex(), 5);
        EXPECT_EQ(again->startThreshold(), 12.5);
        EXPECT_EQ(again->preDuration(), 4.0);
        EXPECT_EQ(again->scanDuration(), 90.5);
        EXPECT_EQ(again->stopParameterIndex(), 1);
        EXPECT_EQ(again->stopThreshold(), -3.25);
        EXPECT_EQ(again->postDuration(), 6.0);
        EXPECT_FALSE(again->continueMonitoring());
        // Directions are not stored.
        EXPECT_TRUE(again->startOver());
        EXPECT_FALSE(again->stopOver());
    }
}

TEST_F(AutoStartDialogTest, EscapeRejectsWithoutStoring)
{
    const auto dialog = open();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(9.0);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(QSettings().contains(QStringLiteral("A123/startthresholdvalue")));
}

TEST_F(AutoStartDialogTest, StoredIndexOutsideTheListSelectsNothing)
{
    QSettings settings;
    settings.setValue(QStringLiteral("A123/startparameterindex"), 7);
    settings.setValue(QStringLiteral("A123/startthresholdvalue"), QStringLiteral("-20"));
    settings.setValue(QStringLiteral("A123/scanduration"), QStringLiteral("abc"));
    settings.setValue(QStringLiteral("A123/stopcondition"), 0);
    settings.sync();
    const auto dialog = open();
    EXPECT_EQ(find<QComboBox>(*dialog, "startParameter")->currentIndex(), -1);
    EXPECT_EQ(dialog->startParameterIndex(), 0);
    EXPECT_EQ(find<QLabel>(*dialog, "startUnitLabel")->text(), "Volts");
    EXPECT_EQ(find<QDoubleSpinBox>(*dialog, "thresholdStart")->minimum(), -100000.0);
    EXPECT_EQ(dialog->startThreshold(), -20.0);
    EXPECT_EQ(dialog->scanDuration(), 1.0);
}

TEST_F(AutoStartDialogTest, NicknameChoosesTheSettingsGroup)
{
    {
        const auto dialog = open();
        find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(2.0);
        find<QPushButton>(*dialog, "okButton")->click();
    }
    sensor_.setNickname(QStringLiteral("Chamber 2"));
    {
        const auto dialog = open();
        EXPECT_EQ(dialog->startThreshold(), 0.0);
        find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(3.0);
        find<QPushButton>(*dialog, "okButton")->click();
    }
    QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("A123/startthresholdvalue")).toString(), "2.000");
    EXPECT_EQ(settings.value(QStringLiteral("Chamber 2/startthresholdvalue")).toString(), "3.000");
    sensor_.setNickname(QString());
    EXPECT_EQ(open()->startThreshold(), 2.0);
}

TEST_F(AutoStartDialogTest, FrequencyListHoldsTheEnabledFrequencies)
{
    const auto dialog = open();
    auto* box = find<QComboBox>(*dialog, "frequencyBox");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "02.00 MHz");
    EXPECT_EQ(box->itemText(1), "27.12 MHz");
    EXPECT_EQ(box->itemData(1).toInt(), 1);
    box->setCurrentIndex(1);
    EXPECT_EQ(dialog->frequencyIndex(), 1);

    FakeSensor noFrequency({13.56}, {0});
    const autoStartDialog empty(&noFrequency, nullptr, false);
    EXPECT_EQ(empty.frequencyIndex(), -1);
}

TEST_F(AutoStartDialogTest, ThresholdsSurviveADecimalCommaLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        const auto dialog = open();
        find<QDoubleSpinBox>(*dialog, "thresholdStart")->setValue(0.5);
        find<QDoubleSpinBox>(*dialog, "thresholdStop")->setValue(1234.25);
        find<QDoubleSpinBox>(*dialog, "preDuration")->setValue(12);
        ASSERT_EQ(find<QDoubleSpinBox>(*dialog, "thresholdStart")->text(), "0,500");
        find<QPushButton>(*dialog, "okButton")->click();
    }
    EXPECT_EQ(QSettings().value(QStringLiteral("A123/startthresholdvalue")).toString(), "0.500");
    {
        const auto dialog = open();
        EXPECT_EQ(dialog->startThreshold(), 0.5);
        EXPECT_EQ(dialog->stopThreshold(), 1234.25);
        EXPECT_EQ(dialog->preDuration(), 12.0);
    }
    // Values stored by earlier versions as the displayed text.
    QSettings().setValue(QStringLiteral("A123/startthresholdvalue"), QStringLiteral("0,500"));
    QSettings().setValue(QStringLiteral("A123/stopthresholdvalue"), QStringLiteral("1234,250"));
    const auto dialog = open();
    EXPECT_EQ(dialog->startThreshold(), 0.5);
    EXPECT_EQ(dialog->stopThreshold(), 1234.25);
}

} // namespace
