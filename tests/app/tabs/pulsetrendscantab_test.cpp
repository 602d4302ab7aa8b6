// The pulse-trend tab's configuration with fake sensors: trend modes and
// values, the firmware limit, the trigger box and its signals, the pulse
// frequency and the "TrendSettings" kept between runs.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/pulsetrendscantab.h"

#include "support/editroom.h"
#include "support/fakesensor.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <memory>

namespace {

const QString micro = QStringLiteral("\u00b5s");

class PulseTrendTab : public ::testing::Test
{
protected:
    void SetUp() override { clearSettings(); }
    void TearDown() override
    {
        tab.reset();
        clearSettings();
    }

    static void clearSettings()
    {
        QSettings settings;
        settings.remove(QStringLiteral("Settings"));
        settings.remove(QStringLiteral("TrendSettings"));
    }

    void build() { tab = std::make_unique<pulseTrendScanTab>(&displaySettings); }

    void bind(FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
    }

    void setTrend(int trend, int mode, double value)
    {
        tab->trendModeBox(trend)->setCurrentIndex(mode);
        tab->trendValueBox(trend)->setValue(value);
    }

    DisplaySettings displaySettings;
    FakeSensor usb{{13.56}, {1}};
    std::unique_ptr<pulseTrendScanTab> tab;
};

TEST_F(PulseTrendTab, WithoutSettingsBothTrendsAreTimesUpToTheTenKilohertzPeriod)
{
    build();
    ASSERT_EQ(tab->trendCount(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        QComboBox* mode = tab->trendModeBox(i);
        EXPECT_EQ(mode->currentIndex(), 0);
        ASSERT_EQ(mode->count(), 4);
        EXPECT_EQ(tab->trendValueBox(i)->value(), 0.0);
        EXPECT_EQ(tab->trendValueBox(i)->minimum(), 0.0);
        EXPECT_EQ(tab->trendValueBox(i)->maximum(), 100.0);
        EXPECT_EQ(tab->trendValueBox(i)->decimals(), 0);
        EXPECT_EQ(tab->trendUnitLabel(i)->text(), micro);
        EXPECT_EQ(tab->trendButton(i)->text(), QStringLiteral("Trend %1").arg(i + 1));
        EXPECT_EQ(tab->trendButton(i)->isChecked(), i == 0);
        EXPECT_EQ(tab->trendButton(i)->isEnabled(), i == 0);
    }
    const QComboBox& mode = *tab->trendModeBox(0);
    EXPECT_EQ(mode.itemText(0), QStringLiteral("Time ") + micro);
    EXPECT_EQ(mode.itemText(1), QStringLiteral("Period %"));
    EXPECT_EQ(mode.itemText(2), QStringLiteral("On Time %"));
    EXPECT_EQ(mode.itemText(3), QStringLiteral("Off Time %"));
    EXPECT_EQ(
        mode.itemData(2, Qt::ToolTipRole).toString(),
        QStringLiteral("Trend time will be automatically calculated based on the measured pulse ON time."));
    EXPECT_TRUE(tab->internalTrigger().isChecked());
    EXPECT_FALSE(tab->externalTrigger().isChecked());
    EXPECT_TRUE(tab->levelEdit().text().isEmpty());
    EXPECT_EQ(tab->levelEdit().placeholderText(), QStringLiteral("Auto"));
    EXPECT_EQ(tab->pulseFrequency().value(), 10.0);
    EXPECT_EQ(tab->averages().value(), 10);
    EXPECT_EQ(tab->averages().minimum(), 1);
    EXPECT_EQ(tab->averages().maximum(), 1000000);
    EXPECT_EQ(tab->peakLabel().text(), QStringLiteral("--.-%"));
    EXPECT_DOUBLE_EQ(tab->pulsePeriod(), 100.0);
}

TEST_F(PulseTrendTab, TheLatestPeakAndEveryTrendModeAreReadable)
{
    build();
    QLabel& peak = tab->peakLabel();
    for (const QString& text :
         {QStringLiteral("--.-%"), QStringLiteral("50.0 %"), QStringLiteral("100.0 %")}) {
        SCOPED_TRACE(text.toStdString());
        peak.setText(text);
        EXPECT_GE(peak.width(), peak.sizeHint().width());
    }
    for (int trend = 0; trend < tab->trendCount(); ++trend) {
        QComboBox& mode = *tab->trendModeBox(trend);
        for (int m = 0; m < mode.count(); ++m) {
            SCOPED_TRACE(mode.itemText(m).toStdString());
            mode.setCurrentIndex(m);
            EXPECT_GE(mode.width(), mode.sizeHint().width());
        }
    }
}

TEST_F(PulseTrendTab, ATimeBecomesAShareOfThePeriodAndBackWhileSharesKeepTheirValue)
{
    build();
    setTrend(0, 0, 25.0);
    const struct {
        int mode;
        double value;
        const char* unit;
        int decimals;
    } steps[] = {
        {1, 25.0, "%", 1}, {2, 25.0, "%", 1}, {3, 25.0, "%", 1}, {1, 25.0, "%", 1}, {0, 25.0, "", 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.mode);
        tab->trendModeBox(0)->setCurrentIndex(step.mode);
        EXPECT_DOUBLE_EQ(tab->trendValueBox(0)->value(), step.value);
        EXPECT_EQ(tab->trendValueBox(0)->decimals(), step.decimals);
        EXPECT_EQ(tab->trendUnitLabel(0)->text(), step.mode == 0 ? micro : QString::fromLatin1(step.unit));
    }
    // At 20 kHz 25 µs are half the period.
    tab->pulseFrequency().setValue(20.0);
    tab->trendModeBox(0)->setCurrentIndex(1);
    EXPECT_DOUBLE_EQ(tab->trendValueBox(0)->value(), 50.0);
    EXPECT_DOUBLE_EQ(tab->trendValueBox(1)->value(), 0.0); // the other trend is untouched
}

TEST_F(PulseTrendTab, FirmwareBeforeFiveSevenOnlyPlacesTrendsAtFixedTimes)
{
    build();
    const struct {
        int major;
        int minor;
        bool free;
    } cases[] = {{5, 6, false}, {4, 9, false}, {5, 7, true}, {6, 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1.%2").arg(c.major).arg(c.minor).toStdString());
        setTrend(1, 2, 40.0);
        usb.setFirmware(QStringLiteral("v%1.%2").arg(c.major).arg(c.minor), c.major, c.minor);
        bind(usb);
        for (int i = 0; i < 2; ++i) {
            QComboBox* mode = tab->trendModeBox(i);
            EXPECT_EQ(mode->isEnabled(), c.free);
            EXPECT_EQ(mode->toolTip(),
                      c.free
                          ? QString()
                          : QStringLiteral("The selected sensor's firmware only supports this trend mode"));
        }
        EXPECT_EQ(tab->trendModeBox(1)->currentIndex(), c.free ? 2 : 0);
        // 40 % of the 100 µs period become 40 µs.
        EXPECT_DOUBLE_EQ(tab->trendValueBox(1)->value(), 40.0);
        EXPECT_EQ(tab->trendUnitLabel(1)->text(), c.free ? QStringLiteral("%") : micro);
    }
}

TEST_F(PulseTrendTab, TheTriggerBoxesTellTheOtherTabAndFollowIt)
{
    build();
    QSignalSpy trigger(tab.get(), &pulseTrendScanTab::setTrigger);
    QSignalSpy level(tab.get(), &pulseTrendScanTab::levelSet);
    tab->externalTrigger().click();
    ASSERT_EQ(trigger.count(), 1);
    EXPECT_EQ(trigger.takeFirst().at(0).toInt(), -3);
    EXPECT_TRUE(tab->externalTrigger().isChecked());
    EXPECT_FALSE(tab->levelEdit().isEnabled());
    EXPECT_FALSE(tab->pulseFrequency().isEnabled());

    tab->toggleTrigger(-2);
    EXPECT_TRUE(tab->internalTrigger().isChecked());
    EXPECT_FALSE(tab->externalTrigger().isChecked());
    EXPECT_TRUE(tab->levelEdit().isEnabled());
    EXPECT_TRUE(tab->pulseFrequency().isEnabled());
    EXPECT_EQ(trigger.count(), 0);

    tab->toggleTrigger(-7); // names no box
    EXPECT_TRUE(tab->internalTrigger().isChecked());

    tab->internalTrigger().click(); // already checked: stays, tells again
    ASSERT_EQ(trigger.count(), 1);
    EXPECT_EQ(trigger.takeFirst().at(0).toInt(), -2);

    tab->levelEdit().setText(QStringLiteral("12.5"));
    emit tab->levelEdit().editingFinished();
    ASSERT_EQ(level.count(), 1);
    EXPECT_EQ(level.takeFirst().at(0).toString(), QStringLiteral("12.5"));
}

TEST_F(PulseTrendTab, APulseFrequencyLimitsFixedTimesAndIsPassedOn)
{
    build();
    setTrend(1, 1, 80.0);
    QSignalSpy frequency(tab.get(), &pulseTrendScanTab::freqSet);
    tab->pulseFrequency().setValue(20.0);
    ASSERT_EQ(frequency.count(), 1);
    EXPECT_EQ(frequency.takeFirst().at(0).toString(), QStringLiteral("20"));
    EXPECT_EQ(tab->trendValueBox(0)->maximum(), 50.0);
    EXPECT_EQ(tab->trendValueBox(1)->maximum(), 100.0); // a share keeps its range
    EXPECT_DOUBLE_EQ(tab->pulsePeriod(), 50.0);

    tab->pulseFrequency().setValue(12.3456);
    ASSERT_EQ(frequency.count(), 1);
    EXPECT_EQ(frequency.takeFirst().at(0).toString(), QStringLiteral("12.35"));

    // Taken from the measurement: the box neither tells nor takes entries.
    tab->autoPulseFrequency().setChecked(true);
    EXPECT_FALSE(tab->pulseFrequency().isEnabled());
    tab->pulseFrequency().setValue(30.0);
    EXPECT_EQ(frequency.count(), 0);
    tab->autoPulseFrequency().setChecked(false);
    EXPECT_TRUE(tab->pulseFrequency().isEnabled());
    ASSERT_EQ(frequency.count(), 1);
    EXPECT_EQ(frequency.takeFirst().at(0).toString(), QStringLiteral("30"));
}

TEST_F(PulseTrendTab, TrendSettingsOutliveTheTab)
{
    build();
    tab->pulseFrequency().setValue(20.0);
    setTrend(0, 0, 30.0);
    setTrend(1, 3, 62.5);
    tab->levelEdit().setText(QStringLiteral("12.5"));
    tab->externalTrigger().click();
    tab.reset();

    QSettings settings;
    settings.beginGroup(QStringLiteral("TrendSettings"));
    EXPECT_EQ(settings.value(QStringLiteral("trendMode_0")).toInt(), 0);
    EXPECT_EQ(settings.value(QStringLiteral("trendValue_0")).toDouble(), 30.0);
    EXPECT_EQ(settings.value(QStringLiteral("trendMode_1")).toInt(), 3);
    EXPECT_EQ(settings.value(QStringLiteral("trendValue_1")).toDouble(), 62.5);
    EXPECT_EQ(settings.value(QStringLiteral("m_levelValue")).toString(), QStringLiteral("12.5"));
    EXPECT_EQ(settings.value(QStringLiteral("m_pulseFrequency")).toDouble(), 20.0);
    EXPECT_FALSE(settings.value(QStringLiteral("m_internalTrigger")).toBool());
    settings.endGroup();

    build();
    EXPECT_EQ(tab->pulseFrequency().value(), 20.0);
    EXPECT_EQ(tab->trendModeBox(0)->currentIndex(), 0);
    EXPECT_EQ(tab->trendValueBox(0)->value(), 30.0);
    EXPECT_EQ(tab->trendValueBox(0)->maximum(), 50.0);
    EXPECT_EQ(tab->trendModeBox(1)->currentIndex(), 3);
    EXPECT_EQ(tab->trendValueBox(1)->value(), 62.5);
    EXPECT_EQ(tab->trendUnitLabel(1)->text(), QStringLiteral("%"));
    EXPECT_EQ(tab->levelEdit().text(), QStringLiteral("12.5"));
    EXPECT_TRUE(tab->externalTrigger().isChecked());
    EXPECT_FALSE(tab->levelEdit().isEnabled());
    EXPECT_FALSE(tab->pulseFrequency().isEnabled());
}

TEST_F(PulseTrendTab, AStoredModeOutsideTheListCountsAsATime)
{
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("TrendSettings"));
        settings.setValue(QStringLiteral("trendMode_0"), 9);
        settings.setValue(QStringLiteral("trendValue_0"), 20.0);
    }
    build();
    EXPECT_EQ(tab->trendModeBox(0)->currentIndex(), 0);
    EXPECT_EQ(tab->trendValueBox(0)->value(), 20.0);
    EXPECT_EQ(tab->trendUnitLabel(0)->text(), micro);
}

TEST_F(PulseTrendTab, ASensorOpensThePanelWithTheTrendAndTriggerBoxes)
{
    build();
    tab->show();
    EXPECT_FALSE(tab->isPanelReady());
    EXPECT_FALSE(tab->trendsConfigBox().isVisible());
    EXPECT_FALSE(tab->triggerConfigBox().isVisible());
    usb.setFirmware(QStringLiteral("v6.0"), 6, 0);
    bind(usb);
    EXPECT_TRUE(tab->isPanelReady());
    EXPECT_TRUE(tab->trendsConfigBox().isVisible());
    EXPECT_TRUE(tab->triggerConfigBox().isVisible());
    EXPECT_TRUE(tab->averages().isVisible());
    EXPECT_TRUE(tab->trendSelectorBox().isVisible());
    EXPECT_TRUE(tab->form().startScan->isVisible());
    EXPECT_TRUE(tab->form().groupBox_66->isVisible());
    // Neither the report rate, the waveform, auto-start nor the pulse monitor
    // belong to pulse trends.
    EXPECT_FALSE(tab->rateSelector().isVisible());
    EXPECT_FALSE(tab->form().waveView->isVisible());
    EXPECT_FALSE(tab->form().autostartAdvanced->isVisible());

    tab->form().scanConfigurationBox->setChecked(false);
    EXPECT_FALSE(tab->trendsConfigBox().isVisible());
    EXPECT_EQ(tab->form().scanConfigurationBox->maximumSize(), QSize(150, 50));
    tab->form().scanConfigurationBox->setChecked(true);
    EXPECT_TRUE(tab->trendsConfigBox().isVisible());

    QList<QuvixSensor*> none;
    tab->updateSensorList(none);
    EXPECT_FALSE(tab->trendsConfigBox().isVisible());
    EXPECT_FALSE(tab->averages().isVisible());
    EXPECT_FALSE(tab->form().startScan->isVisible());
}

TEST_F(PulseTrendTab, PulseMonitoringStaysHiddenWhateverTheBaseTabDoes)
{
    // The font the program gets on an X display without desktop settings.
    const QFont font = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    build();
    tab->resize(1400, 900);
    tab->show();
    // Firmware that offers pulse monitoring, and a sensor that has it on.
    usb.setFirmware(QStringLiteral("v6.0"), 6, 0);
    usb.setPulseMonitorMode(true);
    Ui_scanTab& form = tab->form();
    const struct {
        const char* operation;
        std::function<void()> run;
    } operations[] = {
        {"binding the sensor", [&] { bind(usb); }},
        {"choosing it again", [&] { tab->setActiveSensor(&usb); }},
        {"another tab's activity", [&] { tab->checkActivity(true); }},
        {"its configuration changing", [&] { emit usb.configUpdated(); }},
        {"expanding the panel", [&] { tab->setControlPanelExpanded(true); }},
        {"reopening the scan configuration",
         [&] {
             form.scanConfigurationBox->setChecked(false);
             form.scanConfigurationBox->setChecked(true);
         }},
        {"the switch ticked", [&] { form.enablePulse->setChecked(true); }},
    };
    for (const auto& operation : operations) {
        operation.run();
        for (QWidget* widget :
             {static_cast<QWidget*>(form.enablePulse), static_cast<QWidget*>(form.thresholdLabel),
              static_cast<QWidget*>(form.thresholdSpin), static_cast<QWidget*>(form.trimLabel),
              static_cast<QWidget*>(form.trimSpin)})
            EXPECT_FALSE(widget->isVisible())
                << widget->objectName().toStdString() << " after " << operation.operation;
    }
    // The trigger box keeps the height its rows need, once laid out.
    const auto wholeHeight = [](const QWidget& widget) {
        return widget.height() >= widget.minimumSizeHint().height();
    };
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return wholeHeight(tab->levelEdit()) && wholeHeight(tab->pulseFrequency()); }, 5000))
        << tab->levelEdit().height() << " " << tab->pulseFrequency().height();
    tab.reset();
    QApplication::setFont(font);
}

TEST_F(PulseTrendTab, TrendValuesAndAveragesShowTheLongestValueTheirRangeAllows)
{
    build();
    tab->resize(1400, 900);
    tab->show();
    bind(usb);
    const auto showsWhole = [](QAbstractSpinBox& box) {
        const QLineEdit* edit = box.findChild<QLineEdit*>();
        return edit && editroom::showsWhole(*edit);
    };
    // The longest fixed time at the lowest pulse frequency, then the
    // longest share of the period.
    tab->pulseFrequency().setValue(0.01);
    for (int mode : {0, 1}) {
        for (int trend = 0; trend < tab->trendCount(); ++trend) {
            QDoubleSpinBox& value = *tab->trendValueBox(trend);
            tab->trendModeBox(trend)->setCurrentIndex(mode);
            value.setValue(value.maximum());
            EXPECT_TRUE(QTest::qWaitFor([&] { return showsWhole(value); }, 5000))
                << value.text().toStdString() << " in " << value.width() << " px, mode " << mode;
        }
    }
    tab->averages().setValue(tab->averages().maximum());
    EXPECT_TRUE(QTest::qWaitFor([&] { return showsWhole(tab->averages()); }, 5000))
        << tab->averages().text().toStdString() << " in " << tab->averages().width() << " px";
}

} // namespace
