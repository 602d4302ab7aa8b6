// The time-resolved tab with fake sensors: the sweep window and its limits
// from the pulse frequency, the pulse profile it builds, what it hands the
// sensor, the signals it shares with the pulse-trend tab and the entries it
// keeps between runs.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timeresolvedscantab.h"

#include "scans/pulseprofilescan.h"
#include "support/editroom.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>

#include <QButtonGroup>
#include <QDoubleValidator>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// The range an edit's validator lets through, whichever kind it is.
struct Range {
    double bottom;
    double top;
};

Range rangeOf(const QLineEdit& edit)
{
    if (const auto* whole = qobject_cast<const QIntValidator*>(edit.validator()))
        return {static_cast<double>(whole->bottom()), static_cast<double>(whole->top())};
    if (const auto* real = qobject_cast<const QDoubleValidator*>(edit.validator()))
        return {real->bottom(), real->top()};
    return {0.0, 0.0};
}

class TimeResolvedTab : public ::testing::Test
{
protected:
    void SetUp() override { QSettings().remove(QStringLiteral("Settings")); }
    void TearDown() override
    {
        tab.reset();
        delete usb.pendingScan();
        usb.setCurrentScan(nullptr);
        // A scan replaced in the queue is deleted by a call posted to the
        // application; nothing else runs the event loop after the test.
        QCoreApplication::sendPostedEvents();
        QSettings().remove(QStringLiteral("Settings"));
    }

    void bind()
    {
        QList<QuvixSensor*> sensors{&usb};
        tab->updateSensorList(sensors);
    }

    void setFrequency(const QString& kilohertz)
    {
        controls().pulseFrequency->setText(kilohertz);
        tab->pulseTimeChanged();
    }

    const timeResolvedScanTab::Controls& controls() const { return tab->controls(); }

    DisplaySettings settings;
    FakeSensor usb{{13.56}, {1}};
    std::unique_ptr<timeResolvedScanTab> tab = std::make_unique<timeResolvedScanTab>(&settings);
};

TEST_F(TimeResolvedTab, TheFrequencySetsTheWindowLimitsAndAutoset)
{
    struct Case {
        QString typed;
        QString corrected;
        QString end;
        QString step;
        double limit;
    };
    const Case cases[] = {
        {QStringLiteral("100"), QStringLiteral("100"), QStringLiteral("10"), QStringLiteral("1"), 10},
        {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1000"), QStringLiteral("25"), 1000},
        {QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("333"), QStringLiteral("8"), 333},
        {QStringLiteral("0"), QStringLiteral("0.005"), QStringLiteral("200000"), QStringLiteral("5000"),
         200000},
        {QStringLiteral("250000"), QStringLiteral("100000"), QStringLiteral("0"), QStringLiteral("1"), 0},
    };
    ASSERT_TRUE(controls().internalTrigger->isChecked());
    for (const Case& c : cases) {
        const std::string label = c.typed.toStdString();
        QSignalSpy sent(tab.get(), &timeResolvedScanTab::freqSet);
        setFrequency(c.typed);
        EXPECT_EQ(controls().pulseFrequency->text(), c.corrected) << label;
        ASSERT_EQ(sent.size(), 1) << label;
        EXPECT_EQ(sent[0][0].toString(), c.corrected) << label;
        for (QLineEdit* edit : {controls().startTime, controls().endTime}) {
            EXPECT_EQ(rangeOf(*edit).bottom, -c.limit) << label;
            EXPECT_EQ(rangeOf(*edit).top, c.limit) << label;
        }
        EXPECT_EQ(rangeOf(*controls().stepTime).bottom, 0) << label;
        EXPECT_EQ(rangeOf(*controls().stepTime).top, c.limit) << label;

        controls().averages->setText(QStringLiteral("7"));
        controls().autoset->click();
        EXPECT_EQ(controls().startTime->text(), QStringLiteral("0")) << label;
        EXPECT_EQ(controls().endTime->text(), c.end) << label;
        EXPECT_EQ(controls().stepTime->text(), c.step) << label;
        EXPECT_EQ(controls().averages->text(), QStringLiteral("100")) << label;
    }
}

TEST_F(TimeResolvedTab, TheTriggerChoiceSetsTheLimitsAndWhatCanBeEdited)
{
    setFrequency(QStringLiteral("100"));
    controls().externalTrigger->click();
    EXPECT_FALSE(controls().level->isEnabled());
    EXPECT_FALSE(controls().pulseFrequency->isEnabled());
    for (QLineEdit* edit : {controls().startTime, controls().endTime}) {
        EXPECT_EQ(rangeOf(*edit).bottom, -2000000);
        EXPECT_EQ(rangeOf(*edit).top, 2000000);
    }
    EXPECT_EQ(rangeOf(*controls().stepTime).top, 2000000);
    EXPECT_NE(qobject_cast<const QIntValidator*>(controls().stepTime->validator()), nullptr);

    controls().internalTrigger->click();
    EXPECT_TRUE(controls().level->isEnabled());
    EXPECT_TRUE(controls().pulseFrequency->isEnabled());
    for (QLineEdit* edit : {controls().startTime, controls().endTime}) {
        EXPECT_EQ(rangeOf(*edit).bottom, -10);
        EXPECT_EQ(rangeOf(*edit).top, 10);
    }
}

TEST_F(TimeResolvedTab, TheProfileTakesTheWindowLevelAndPeriod)
{
    struct Case {
        QString level;
        QString start;
        QString end;
        double triggerLevel;
        double startTime;
        double endTime;
        double pulseTime;
        double delayOffset;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("0"), QStringLiteral("8"), 40, 0, 8, 9, 0},
        {QStringLiteral("12.5"), QStringLiteral("2"), QStringLiteral("8"), 12.5, 2, 8, 9, 0},
        {QString(), QStringLiteral("-5"), QStringLiteral("5"), 40, 5, 15, 19, -10},
    };
    usb.setLastPeak(80);
    bind();
    setFrequency(QStringLiteral("100"));
    controls().stepTime->setText(QStringLiteral("2"));
    controls().averages->setText(QStringLiteral("64"));
    for (const Case& c : cases) {
        const std::string label = (c.level + QStringLiteral(" ") + c.start).toStdString();
        controls().level->setText(c.level);
        controls().startTime->setText(c.start);
        controls().endTime->setText(c.end);
        std::unique_ptr<BaseScan> created(tab->createScan());
        auto* scan = qobject_cast<PulseProfileScan*>(created.get());
        ASSERT_NE(scan, nullptr) << label;
        EXPECT_EQ(scan->sensor, &usb);
        EXPECT_DOUBLE_EQ(scan->triggerLevel, c.triggerLevel) << label;
        EXPECT_DOUBLE_EQ(scan->startTime, c.startTime) << label;
        EXPECT_DOUBLE_EQ(scan->endTime, c.endTime) << label;
        EXPECT_DOUBLE_EQ(scan->resolution, 2) << label;
        EXPECT_EQ(scan->averages, 64) << label;
        EXPECT_DOUBLE_EQ(scan->pulseTime, c.pulseTime) << label;
        EXPECT_DOUBLE_EQ(scan->delayOffset, c.delayOffset) << label;
    }
}

TEST_F(TimeResolvedTab, StartHandsOverAFullyConfiguredScanWithoutRateOrIonFlux)
{
    struct Case {
        bool autosave;
        bool external;
    };
    const Case cases[] = {{false, false}, {true, true}};
    bind();
    tab->setAutosaveConfig(false, QStringLiteral("/data/profiles"), QStringLiteral("<serial>"));
    // Hidden on this tab, but a duration there still times the scan.
    tab->form().scanDuration->setText(QStringLiteral("2.5"));
    tab->form().waferLot->setText(QStringLiteral("L7"));
    tab->form().waferNumber->setText(QStringLiteral("W3"));
    tab->form().ifResistance->setText(QStringLiteral("2"));
    tab->form().ifVoltDrop->setText(QStringLiteral("3"));
    tab->form().ifEArea->setText(QStringLiteral("4"));
    for (const Case& c : cases) {
        const std::string label = c.autosave ? "autosave, external" : "plain";
        usb.calls.clear();
        usb.queued.clear();
        tab->form().autosave->setChecked(c.autosave);
        (c.external ? controls().externalTrigger : controls().internalTrigger)->click();
        tab->form().startScan->click();

        ASSERT_EQ(usb.queued.size(), 1) << label;
        const FakeSensor::QueuedScan& queued = usb.queued.front();
        EXPECT_EQ(queued.typeText, QStringLiteral("Pulse Profile")) << label;
        EXPECT_TRUE(queued.timed) << label;
        EXPECT_DOUBLE_EQ(queued.duration, 2.5) << label;
        EXPECT_EQ(queued.externalTrigger, c.external) << label;
        EXPECT_EQ(queued.autosaveEnabled, c.autosave) << label;
        EXPECT_EQ(queued.autosavePattern, c.autosave ? QStringLiteral("<serial>") : QString()) << label;
        EXPECT_EQ(queued.autosaveSettings, &settings) << label;
        EXPECT_EQ(queued.scan->waferLot, QStringLiteral("L7")) << label;
        EXPECT_EQ(queued.scan->waferNumber, QStringLiteral("W3")) << label;
        for (double factor :
             {queued.scan->seriesResistance, queued.scan->voltageDrop, queued.scan->electrodeArea})
            EXPECT_DOUBLE_EQ(factor, 1.0) << label;
        for (const QString& call : qAsConst(usb.calls))
            EXPECT_FALSE(call.startsWith(QStringLiteral("rate"))) << call.toStdString();

        EXPECT_EQ(tab->currentScan(), queued.scan) << label;
        EXPECT_EQ(tab->curves().size(), 1) << label;
        EXPECT_FALSE(tab->form().startScan->isEnabled()) << label;
        EXPECT_TRUE(tab->form().stopScan->isEnabled()) << label;
        for (QLineEdit* edit :
             {controls().startTime, controls().endTime, controls().stepTime, controls().averages})
            EXPECT_FALSE(edit->isEnabled()) << label;

        tab->form().stopScan->click();
        EXPECT_TRUE(tab->form().startScan->isEnabled()) << label;
        EXPECT_FALSE(tab->form().stopScan->isEnabled()) << label;
        EXPECT_FALSE(tab->getCurScan()) << label;
        for (QLineEdit* edit :
             {controls().startTime, controls().endTime, controls().stepTime, controls().averages})
            EXPECT_TRUE(edit->isEnabled()) << label;
    }
}

TEST_F(TimeResolvedTab, AStepOfZeroIsRefusedAndNothingQueued)
{
    bind();
    for (const QString& step : {QStringLiteral("0"), QStringLiteral("-3"), QString()}) {
        controls().stepTime->setText(step);
        MessageBoxAnswers answers({QMessageBox::Ok});
        tab->form().startScan->click();
        ASSERT_EQ(answers.seen().size(), 1) << step.toStdString();
        EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Time Step"));
        EXPECT_TRUE(answers.seen()[0].text.startsWith(QStringLiteral("The time step must be above 0")));
        EXPECT_TRUE(usb.queued.isEmpty());
        EXPECT_EQ(tab->currentScan(), nullptr);
        EXPECT_TRUE(tab->form().startScan->isEnabled());
        EXPECT_TRUE(controls().stepTime->isEnabled());
    }
}

TEST_F(TimeResolvedTab, StopAfterTheScanWasDiscardedRunsClean)
{
    bind();
    tab->form().startScan->click();
    std::unique_ptr<BaseScan> scan(usb.takePendingScan());
    ASSERT_NE(scan, nullptr);
    tab->clearScanInfo(scan.get());
    ASSERT_EQ(tab->currentScan(), nullptr);
    tab->form().stopScan->click();
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().saveScan->isEnabled());
}

TEST_F(TimeResolvedTab, OnlyItsOwnScanIsDrawnAndThePeakIsShown)
{
    usb.setLastPeak(80);
    bind();
    tab->form().startScan->click();
    std::unique_ptr<BaseScan> mine(usb.takePendingScan());
    ASSERT_NE(mine, nullptr);
    ASSERT_EQ(tab->curves().size(), 1);
    auto other = scantest::pulseProfileScan(usb);
    ASSERT_GT(other->sampleCount(0), 0);
    tab->scanUpdate(other.get());
    EXPECT_EQ(tab->curves().front()->firstCurve->dataSize(), 0u);
    mine->start();
    ASSERT_GT(scantest::fill(*mine, usb, 4), 0);
    tab->scanUpdate(mine.get());
    EXPECT_GT(tab->curves().front()->firstCurve->dataSize(), 0u);

    EXPECT_EQ(controls().peak->text(), QStringLiteral("--.-%"));
    tab->monitorUpdate(other.get(), 0);
    EXPECT_EQ(controls().peak->text(), QStringLiteral("80.0 %"));
    tab->form().stopScan->click();
}

TEST_F(TimeResolvedTab, TriggerLevelAndFrequencyAreSharedBySignalsOnlyWhenEditedHere)
{
    QSignalSpy trigger(tab.get(), &timeResolvedScanTab::setTrigger);
    QSignalSpy level(tab.get(), &timeResolvedScanTab::levelSet);
    QSignalSpy frequency(tab.get(), &timeResolvedScanTab::freqSet);

    controls().externalTrigger->click();
    controls().internalTrigger->click();
    ASSERT_EQ(trigger.size(), 2);
    EXPECT_EQ(trigger[0][0].toInt(), -3);
    EXPECT_EQ(trigger[1][0].toInt(), -2);

    controls().level->clear();
    QTest::keyClicks(controls().level, QStringLiteral("12.5"));
    QTest::keyClick(controls().level, Qt::Key_Return);
    ASSERT_EQ(level.size(), 1);
    EXPECT_EQ(level[0][0].toString(), QStringLiteral("12.5"));

    tab->setLevel(QStringLiteral("30"));
    tab->setFreq(QStringLiteral("1"));
    tab->toggleTrigger(-3);
    EXPECT_EQ(controls().level->text(), QStringLiteral("30"));
    EXPECT_EQ(controls().pulseFrequency->text(), QStringLiteral("1"));
    EXPECT_TRUE(controls().externalTrigger->isChecked());
    EXPECT_FALSE(controls().level->isEnabled());
    tab->toggleTrigger(-2);
    EXPECT_TRUE(controls().internalTrigger->isChecked());
    EXPECT_TRUE(controls().pulseFrequency->isEnabled());
    // The window follows the period it was given.
    EXPECT_EQ(rangeOf(*controls().endTime).top, 1000);
    EXPECT_EQ(trigger.size(), 2);
    EXPECT_EQ(level.size(), 1);
    EXPECT_TRUE(frequency.isEmpty());
}

TEST_F(TimeResolvedTab, BindingHidesWhatAPulseProfileDoesNotUse)
{
    tab->resize(1400, 900);
    tab->show();
    usb.setFirmware(QStringLiteral("v6.0"), 6, 0);
    usb.setPulseMonitorMode(true);
    bind();
    Ui_scanTab& form = tab->form();
    EXPECT_TRUE(tab->isControlPanelExpanded());
    for (QWidget* widget : {static_cast<QWidget*>(&tab->rateSelector()),
                            static_cast<QWidget*>(form.scanDuration), static_cast<QWidget*>(form.label_17),
                            static_cast<QWidget*>(form.label_4), static_cast<QWidget*>(form.enablePulse),
                            static_cast<QWidget*>(form.thresholdSpin), static_cast<QWidget*>(form.trimSpin)})
        EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
    EXPECT_TRUE(controls().windowPanel->isVisible());
    EXPECT_TRUE(controls().triggerPanel->isVisible());
    EXPECT_FALSE(form.enableIonFlux->isEnabled());
    EXPECT_EQ(tab->plot().axisTitle(QwtPlot::xBottom).text(), QStringLiteral("Time (&micro;s)<b></b>"));

    form.scanConfigurationBox->setChecked(false);
    EXPECT_FALSE(controls().windowPanel->isVisible());
    EXPECT_FALSE(controls().triggerPanel->isVisible());
    EXPECT_TRUE(form.scanConfigurationBox->styleSheet().contains(QStringLiteral("#69899E;")));
    form.scanConfigurationBox->setChecked(true);
    EXPECT_TRUE(controls().windowPanel->isVisible());
    EXPECT_TRUE(controls().triggerPanel->isVisible());
    form.scanControlBox->setChecked(false);
    EXPECT_TRUE(form.scanControlBox->styleSheet().contains(QStringLiteral("#69899E;")));
    form.scanControlBox->setChecked(true);

    QList<QuvixSensor*> none;
    tab->updateSensorList(none);
    EXPECT_FALSE(controls().windowPanel->isVisible());
    EXPECT_FALSE(controls().triggerPanel->isVisible());
}

TEST_F(TimeResolvedTab, TheWindowIsKeptAtEveryStartAndOnDestruction)
{
    const auto stored = [](const char* key) {
        QSettings store;
        store.beginGroup(QStringLiteral("Settings"));
        return store.value(QLatin1String(key));
    };
    EXPECT_EQ(controls().startTime->text(), QStringLiteral("0"));
    EXPECT_EQ(controls().endTime->text(), QStringLiteral("100"));
    EXPECT_EQ(controls().stepTime->text(), QStringLiteral("10"));
    EXPECT_EQ(controls().averages->text(), QStringLiteral("100"));
    EXPECT_EQ(controls().level->text(), QString());
    EXPECT_EQ(controls().pulseFrequency->text(), QStringLiteral("100"));
    EXPECT_TRUE(controls().internalTrigger->isChecked());

    bind();
    controls().startTime->setText(QStringLiteral("-4"));
    controls().level->setText(QStringLiteral("22"));
    tab->form().startScan->click();
    EXPECT_EQ(stored("m_startTime").toString(), QStringLiteral("-4"));
    EXPECT_EQ(stored("m_levelValue").toString(), QStringLiteral("22"));
    tab->form().stopScan->click();

    controls().endTime->setText(QStringLiteral("40"));
    controls().stepTime->setText(QStringLiteral("3"));
    controls().averages->setText(QStringLiteral("50"));
    controls().pulseFrequency->setText(QStringLiteral("2.5"));
    controls().externalTrigger->click();
    tab.reset();
    const struct {
        const char* key;
        QVariant value;
    } written[] = {{"m_startTime", QStringLiteral("-4")},
                   {"m_endTime", QStringLiteral("40")},
                   {"m_stepTime", QStringLiteral("3")},
                   {"m_averages", QStringLiteral("50")},
                   {"m_levelValue", QStringLiteral("22")},
                   {"m_pulseTime", QStringLiteral("2.5")},
                   {"m_internalTrigger", false}};
    for (const auto& entry : written)
        EXPECT_EQ(stored(entry.key).toString(), entry.value.toString()) << entry.key;

    tab = std::make_unique<timeResolvedScanTab>(&settings);
    EXPECT_EQ(controls().startTime->text(), QStringLiteral("-4"));
    EXPECT_EQ(controls().endTime->text(), QStringLiteral("40"));
    EXPECT_EQ(controls().pulseFrequency->text(), QStringLiteral("2.5"));
    EXPECT_TRUE(controls().externalTrigger->isChecked());
    EXPECT_FALSE(controls().level->isEnabled());
}

TEST_F(TimeResolvedTab, EveryEditShowsTheLongestNumberItsRangeAllows)
{
    tab->resize(1400, 900);
    tab->show();
    bind();
    const struct {
        const char* setUp;
        std::function<void()> run;
    } ranges[] = {
        {"as built", [] {}},
        {"the external trigger", [&] { controls().externalTrigger->click(); }},
        {"the internal trigger at the lowest pulse frequency",
         [&] {
             controls().internalTrigger->click();
             setFrequency(QStringLiteral("0"));
         }},
    };
    const QList<QLineEdit*> edits{controls().startTime, controls().endTime, controls().stepTime,
                                  controls().averages,  controls().level,   controls().pulseFrequency};
    for (const auto& range : ranges) {
        range.run();
        for (QLineEdit* edit : edits) {
            const Range accepted = rangeOf(*edit);
            const auto* decimal = qobject_cast<const QDoubleValidator*>(edit->validator());
            const int decimals = decimal ? decimal->decimals() : 0;
            for (double end : {accepted.bottom, accepted.top}) {
                const QString longest = QString::number(end, 'f', decimals);
                edit->setText(longest);
                EXPECT_TRUE(QTest::qWaitFor([&] { return editroom::showsWhole(*edit); }, 5000))
                    << longest.toStdString() << " in " << edit->width() << " px with " << range.setUp;
            }
        }
    }
}

} // namespace
