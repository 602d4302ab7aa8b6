// The numeric entries of the acquisition tabs and the display options with
// fake sensors: a number is read in the locale its field's validator
// follows, and a text the field does not take (out of range, no number, a
// minus the field has none of) is refused at Start with the field's name
// and range: nothing reaches the sensor, and nothing of it is kept.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/pulsetrendscantab.h"
#include "app/tabs/timeresolvedscantab.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/pulseprofilescan.h"
#include "scans/scanhandler.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>

namespace {

enum class Tab { TimeTrend, PulseTrend, TimeResolved };

// The three acquisition tabs, each bound to a fake sensor of its own, built
// once the test has chosen its locale.
class EntryTabs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearSettings();
        for (FakeSensor* sensor : {&trendSensor, &pulseSensor, &profileSensor}) {
            sensor->setFirmware(QStringLiteral("v6.0"), 6, 0);
            sensor->setConnected(true);
            sensor->setLastPeak(0.0);
        }
    }

    void TearDown() override
    {
        timeTrend.reset();
        pulseTrend.reset();
        timeResolved.reset();
        for (FakeSensor* sensor : {&trendSensor, &pulseSensor, &profileSensor})
            delete sensor->pendingScan();
        // A scan replaced in the queue is deleted by a call posted to the
        // application; nothing else runs the event loop after the test.
        QCoreApplication::sendPostedEvents();
        clearSettings();
        QLocale::setDefault(originalLocale);
    }

    static void clearSettings()
    {
        QSettings settings;
        settings.remove(QStringLiteral("Settings"));
        settings.remove(QStringLiteral("TrendSettings"));
        settings.remove(QStringLiteral("DisplayOptions"));
    }

    void makeTabs()
    {
        timeTrend = std::make_unique<timeTrendScanTab>(&displaySettings);
        pulseTrend = std::make_unique<pulseTrendScanTab>(&displaySettings);
        timeResolved = std::make_unique<timeResolvedScanTab>(&displaySettings);
        bind(*timeTrend, trendSensor);
        bind(*pulseTrend, pulseSensor);
        bind(*timeResolved, profileSensor);
    }

    static void bind(scanTab& tab, FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab.updateSensorList(sensors);
    }

    scanTab& tabOf(Tab tab) const
    {
        switch (tab) {
        case Tab::TimeTrend:
            return *timeTrend;
        case Tab::PulseTrend:
            return *pulseTrend;
        default:
            return *timeResolved;
        }
    }

    FakeSensor& sensorOf(Tab tab)
    {
        return tab == Tab::TimeTrend ? trendSensor : tab == Tab::PulseTrend ? pulseSensor : profileSensor;
    }

    // The edit a field's name stands for on that tab.
    QLineEdit* editOf(Tab tab, const QString& field) const
    {
        const Ui_scanTab& form = tabOf(tab).form();
        if (field == QLatin1String("Scan Duration"))
            return form.scanDuration;
        if (field == QLatin1String("Resistance"))
            return form.ifResistance;
        if (field == QLatin1String("Voltage Drop"))
            return form.ifVoltDrop;
        if (field == QLatin1String("Electrode Area"))
            return form.ifEArea;
        if (tab == Tab::PulseTrend)
            return field == QLatin1String("Level") ? &pulseTrend->levelEdit() : nullptr;
        const timeResolvedScanTab::Controls& controls = timeResolved->controls();
        const QList<QPair<QString, QLineEdit*>> edits = {
            {QStringLiteral("Level"), controls.level},
            {QStringLiteral("Pulse Frequency"), controls.pulseFrequency},
            {QStringLiteral("Start Time"), controls.startTime},
            {QStringLiteral("End Time"), controls.endTime},
            {QStringLiteral("Time Step"), controls.stepTime},
            {QStringLiteral("Averages"), controls.averages}};
        for (const auto& edit : edits)
            if (edit.first == field)
                return edit.second;
        return nullptr;
    }

    // 100 kHz: a 10 µs period, the window's limits that follow from it, and
    // a window inside them.
    void useTenMicrosecondPeriod()
    {
        const timeResolvedScanTab::Controls& controls = timeResolved->controls();
        controls.pulseFrequency->setText(QStringLiteral("100"));
        timeResolved->pulseTimeChanged();
        controls.startTime->setText(QStringLiteral("0"));
        controls.endTime->setText(QStringLiteral("10"));
        controls.stepTime->setText(QStringLiteral("1"));
    }

    // The tabs go, the one of interest last: each writes the keys the tabs
    // share as it goes, and the last one's are kept.
    void destroyTabsEndingWith(Tab last)
    {
        for (Tab tab : {Tab::TimeTrend, Tab::PulseTrend, Tab::TimeResolved})
            if (tab != last)
                destroy(tab);
        destroy(last);
    }

    void destroy(Tab tab)
    {
        if (tab == Tab::TimeTrend)
            timeTrend.reset();
        else if (tab == Tab::PulseTrend)
            pulseTrend.reset();
        else
            timeResolved.reset();
    }

    // Starts a scan on the tab; the sensor's record of it, or null when
    // nothing was queued.
    const FakeSensor::QueuedScan* start(Tab tab)
    {
        FakeSensor& sensor = sensorOf(tab);
        sensor.queued.clear();
        sensor.calls.clear();
        tabOf(tab).form().startScan->click();
        return sensor.queued.isEmpty() ? nullptr : &sensor.queued.last();
    }

    void stop(Tab tab) { tabOf(tab).form().stopScan->click(); }

    const QLocale originalLocale;
    DisplaySettings displaySettings;
    FakeSensor trendSensor{{13.56}, {1}};
    FakeSensor pulseSensor{{13.56}, {1}};
    FakeSensor profileSensor{{13.56}, {1}};
    std::unique_ptr<timeTrendScanTab> timeTrend;
    std::unique_ptr<pulseTrendScanTab> pulseTrend;
    std::unique_ptr<timeResolvedScanTab> timeResolved;
};

// --- Numbers in the user's locale ---

struct LocaleCase {
    const char* name;
    QLocale locale;
};

void PrintTo(const LocaleCase& c, std::ostream* out)
{
    *out << c.name;
}

class LocaleEntries : public EntryTabs, public ::testing::WithParamInterface<LocaleCase>
{
protected:
    void SetUp() override
    {
        EntryTabs::SetUp();
        QLocale::setDefault(GetParam().locale);
        makeTabs();
    }

    bool decimalComma() const { return GetParam().locale.decimalPoint() == QLatin1Char(','); }
    // A number as the user of this locale types it.
    QString typed(const char* cText) const
    {
        QString text = QString::fromLatin1(cText);
        return decimalComma() ? text.replace(QLatin1Char('.'), QLatin1Char(',')) : text;
    }

    static void type(QLineEdit& edit, const QString& text)
    {
        edit.clear();
        QTest::keyClicks(&edit, text);
    }
};

TEST_P(LocaleEntries, EveryEntryOfAStartIsReadInTheUserLocale)
{
    struct Case {
        Tab tab;
        const char* field;
        const char* number;
        double (*received)(const FakeSensor::QueuedScan&);
    };
    const Case cases[] = {
        {Tab::TimeTrend, "Scan Duration", "3.5", [](const FakeSensor::QueuedScan& q) { return q.duration; }},
        {Tab::TimeTrend, "Resistance", "2.25",
         [](const FakeSensor::QueuedScan& q) { return q.scan->seriesResistance; }},
        {Tab::TimeTrend, "Voltage Drop", "0.5",
         [](const FakeSensor::QueuedScan& q) { return q.scan->voltageDrop; }},
        {Tab::TimeTrend, "Electrode Area", "1.75",
         [](const FakeSensor::QueuedScan& q) { return q.scan->electrodeArea; }},
        {Tab::PulseTrend, "Scan Duration", "0.75",
         [](const FakeSensor::QueuedScan& q) { return q.duration; }},
        {Tab::PulseTrend, "Level", "12.5", [](const FakeSensor::QueuedScan& q) { return q.triggerLevel; }},
        {Tab::TimeResolved, "Level", "40.5", [](const FakeSensor::QueuedScan& q) { return q.triggerLevel; }},
        // The holdoff is nine tenths of the period: 1800 µs at 0.5 kHz.
        {Tab::TimeResolved, "Pulse Frequency", "0.5",
         [](const FakeSensor::QueuedScan& q) {
             return 900.0 / qobject_cast<PulseProfileScan*>(q.scan)->pulseTime;
         }},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.field) + " " + c.number;
        QLineEdit* edit = editOf(c.tab, QString::fromLatin1(c.field));
        ASSERT_NE(edit, nullptr) << label;
        type(*edit, typed(c.number));
        ASSERT_EQ(edit->text(), typed(c.number)) << label;
        const FakeSensor::QueuedScan* queued = start(c.tab);
        ASSERT_NE(queued, nullptr) << label;
        EXPECT_NEAR(c.received(*queued), QString::fromLatin1(c.number).toDouble(), 1e-9) << label;
        stop(c.tab);
    }
}

TEST_P(LocaleEntries, NumbersWrittenIntoEditsAreInTheUserLocale)
{
    const timeResolvedScanTab::Controls& controls = timeResolved->controls();
    type(*controls.pulseFrequency, typed("0.5"));
    timeResolved->pulseTimeChanged();
    EXPECT_EQ(controls.pulseFrequency->text(), typed("0.5"));
    controls.autoset->click();
    EXPECT_EQ(controls.endTime->text(), QStringLiteral("2000"));
    EXPECT_EQ(controls.stepTime->text(), QStringLiteral("50"));

    type(*controls.pulseFrequency, QStringLiteral("0"));
    timeResolved->pulseTimeChanged();
    EXPECT_EQ(controls.pulseFrequency->text(), typed("0.005"));

    // The pulse-trend tab's frequency reaches the other tab's edit readable
    // there, as the main window connects them.
    QObject::connect(pulseTrend.get(), &pulseTrendScanTab::freqSet, timeResolved.get(),
                     &timeResolvedScanTab::setFreq);
    pulseTrend->pulseFrequency().setValue(0.5);
    EXPECT_EQ(controls.pulseFrequency->text(), typed("0.5"));
    controls.autoset->click();
    EXPECT_EQ(controls.endTime->text(), QStringLiteral("2000"));
}

TEST_P(LocaleEntries, SettingsKeepTheCFormAndShowTheUserForm)
{
    type(*timeTrend->form().ifVoltDrop, typed("3.5"));
    type(pulseTrend->levelEdit(), typed("12.5"));
    type(*timeResolved->controls().level, typed("40.5"));
    type(*timeResolved->controls().pulseFrequency, typed("0.25"));
    destroyTabsEndingWith(Tab::TimeTrend);
    {
        QSettings settings;
        EXPECT_EQ(settings.value(QStringLiteral("Settings/IFVoltDrop")).toString(), QStringLiteral("3.5"));
        EXPECT_EQ(settings.value(QStringLiteral("TrendSettings/m_levelValue")).toString(),
                  QStringLiteral("12.5"));
        EXPECT_EQ(settings.value(QStringLiteral("Settings/m_levelValue")).toString(), QStringLiteral("40.5"));
        EXPECT_EQ(settings.value(QStringLiteral("Settings/m_pulseTime")).toString(), QStringLiteral("0.25"));
    }
    makeTabs();
    EXPECT_EQ(timeTrend->form().ifVoltDrop->text(), typed("3.5"));
    EXPECT_EQ(pulseTrend->levelEdit().text(), typed("12.5"));
    EXPECT_EQ(timeResolved->controls().level->text(), typed("40.5"));
    EXPECT_EQ(timeResolved->controls().pulseFrequency->text(), typed("0.25"));
}

TEST_P(LocaleEntries, TheKeptScanLimitIsReadInTheUserLocale)
{
    const int before = ScanHandler::getInstance()->scanLimit();
    DisplaySettings dialog;
    auto* limit = dialog.findChild<QLineEdit*>(QStringLiteral("scanLimit"));
    ASSERT_NE(limit, nullptr);
    // With the locale's group separator, as the field takes it.
    const QString thousand = GetParam().locale.toString(1000);
    type(*limit, thousand);
    ASSERT_EQ(limit->text(), thousand);
    dialog.findChild<QPushButton*>(QStringLiteral("pbApply"))->click();
    EXPECT_EQ(ScanHandler::getInstance()->scanLimit(), 1000);
    ScanHandler::getInstance()->setScanLimit(before);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleEntries,
                         ::testing::Values(LocaleCase{"C", QLocale::c()},
                                           LocaleCase{"German", QLocale(QLocale::German, QLocale::Germany)}),
                         [](const ::testing::TestParamInfo<LocaleCase>& info) {
                             return std::string(info.param.name);
                         });

// --- Texts a field does not take ---

struct FieldCase {
    const char* label;
    Tab tab;
    const char* field;
    // The outermost numbers the field takes, and the nearest it does not.
    const char* lowest;
    const char* highest;
    const char* belowLowest;
    const char* aboveHighest;
    bool emptyTaken;
    // What the sensor was handed for the number typed.
    double (*received)(const FakeSensor::QueuedScan&);
    bool externalTrigger = false;
};

void PrintTo(const FieldCase& c, std::ostream* out)
{
    *out << c.label;
}

double durationOf(const FakeSensor::QueuedScan& q)
{
    return q.timed ? q.duration : 0.0;
}
double resistanceOf(const FakeSensor::QueuedScan& q)
{
    return q.scan->seriesResistance;
}
double voltageDropOf(const FakeSensor::QueuedScan& q)
{
    return q.scan->voltageDrop;
}
double electrodeAreaOf(const FakeSensor::QueuedScan& q)
{
    return q.scan->electrodeArea;
}
double levelOf(const FakeSensor::QueuedScan& q)
{
    return q.triggerLevel;
}
// The times as the tab shows them: a window before the trigger is swept one
// period later.
double startOf(const FakeSensor::QueuedScan& q)
{
    return q.startTime + qobject_cast<PulseProfileScan*>(q.scan)->delayOffset;
}
double endOf(const FakeSensor::QueuedScan& q)
{
    return q.endTime + qobject_cast<PulseProfileScan*>(q.scan)->delayOffset;
}
double stepOf(const FakeSensor::QueuedScan& q)
{
    return q.resolution;
}
double averagesOf(const FakeSensor::QueuedScan& q)
{
    return q.averages;
}
double frequencyOf(const FakeSensor::QueuedScan& q)
{
    return 900.0 / qobject_cast<PulseProfileScan*>(q.scan)->pulseTime;
}

class EntryRanges : public EntryTabs, public ::testing::WithParamInterface<FieldCase>
{
protected:
    void SetUp() override
    {
        EntryTabs::SetUp();
        QLocale::setDefault(QLocale::c());
        makeTabs();
        useTenMicrosecondPeriod();
        if (GetParam().externalTrigger)
            timeResolved->controls().externalTrigger->click();
    }
};

TEST_P(EntryRanges, OnlyNumbersTheFieldTakesReachTheSensor)
{
    const FieldCase& field = GetParam();
    const double lowest = QString::fromLatin1(field.lowest).toDouble();
    const double highest = QString::fromLatin1(field.highest).toDouble();
    struct Entry {
        QString text;
        bool taken;
    };
    const Entry entries[] = {{QString::fromLatin1(field.lowest), true},
                             {QString::fromLatin1(field.highest), true},
                             {QString::fromLatin1(field.belowLowest), false},
                             {QString::fromLatin1(field.aboveHighest), false},
                             {QStringLiteral("99999999999999999999"), false},
                             {QStringLiteral("-123456"), -123456 >= lowest && -123456 <= highest},
                             {QStringLiteral("1e309"), false},
                             {QStringLiteral("nan"), false},
                             {QString(), field.emptyTaken}};
    QLineEdit* edit = editOf(field.tab, QString::fromLatin1(field.field));
    ASSERT_NE(edit, nullptr);
    for (const Entry& entry : entries) {
        const std::string label = entry.text.toStdString();
        edit->setText(entry.text);
        MessageBoxAnswers answers({QMessageBox::Ok});
        const FakeSensor::QueuedScan* queued = start(field.tab);
        if (!entry.taken) {
            EXPECT_EQ(queued, nullptr) << label;
            EXPECT_TRUE(sensorOf(field.tab).calls.isEmpty())
                << label << " " << sensorOf(field.tab).calls.join(',').toStdString();
            ASSERT_EQ(answers.seen().size(), 1) << label;
            EXPECT_EQ(answers.seen()[0].title, QString::fromLatin1(field.field)) << label;
            EXPECT_TRUE(answers.seen()[0].text.contains(QStringLiteral("not started"))) << label;
            EXPECT_TRUE(tabOf(field.tab).form().startScan->isEnabled()) << label;
            EXPECT_EQ(edit->text(), entry.text) << label;
            continue;
        }
        EXPECT_TRUE(answers.seen().isEmpty()) << label;
        ASSERT_NE(queued, nullptr) << label;
        if (!entry.text.isEmpty())
            EXPECT_NEAR(field.received(*queued), entry.text.toDouble(),
                        1e-9 * std::max(1.0, std::abs(entry.text.toDouble())))
                << label;
        stop(field.tab);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EntryRanges,
    ::testing::Values(
        FieldCase{"TimeTrendDuration", Tab::TimeTrend, "Scan Duration", "0", "3600", "-0.01", "3600.01", true,
                  durationOf},
        FieldCase{"Resistance", Tab::TimeTrend, "Resistance", "-1000000", "1000000", "-1000000.001",
                  "1000000.001", false, resistanceOf},
        FieldCase{"VoltageDrop", Tab::TimeTrend, "Voltage Drop", "-1000000", "1000000", "-1000000.001",
                  "1000000.001", false, voltageDropOf},
        FieldCase{"ElectrodeArea", Tab::TimeTrend, "Electrode Area", "-1000000", "1000000", "-1000000.001",
                  "1000000.001", false, electrodeAreaOf},
        FieldCase{"PulseTrendDuration", Tab::PulseTrend, "Scan Duration", "0", "3600", "-0.01", "3600.01",
                  true, durationOf},
        FieldCase{"PulseTrendLevel", Tab::PulseTrend, "Level", "0", "100", "-0.01", "100.01", true, levelOf},
        FieldCase{"TimeResolvedLevel", Tab::TimeResolved, "Level", "0", "100", "-0.01", "100.01", true,
                  levelOf},
        FieldCase{"PulseFrequency", Tab::TimeResolved, "Pulse Frequency", "0.00001", "5000", "-0.00001",
                  "5000.00001", false, frequencyOf},
        FieldCase{"StartTime", Tab::TimeResolved, "Start Time", "-10", "10", "-11", "11", false, startOf},
        // With the external trigger the field reaches far, but a start may
        // still lie no more than a period before the trigger.
        FieldCase{"StartTimeExternalTrigger", Tab::TimeResolved, "Start Time", "-10", "2000000", "-10.1",
                  "2000000.1", false, startOf, true},
        FieldCase{"EndTime", Tab::TimeResolved, "End Time", "-10", "10", "-11", "11", false, endOf},
        FieldCase{"TimeStep", Tab::TimeResolved, "Time Step", "1", "10", "-1", "11", false, stepOf},
        FieldCase{"Averages", Tab::TimeResolved, "Averages", "0", "10000", "-1", "10001", false, averagesOf}),
    [](const ::testing::TestParamInfo<FieldCase>& info) { return std::string(info.param.label); });

class NumberEntries : public EntryTabs
{
protected:
    void SetUp() override
    {
        EntryTabs::SetUp();
        QLocale::setDefault(QLocale::c());
    }
};

// A text a field does not take is not kept; the number kept before stays,
// and a text an older version kept is shown and refused again.
TEST_F(NumberEntries, ATextAFieldDoesNotTakeIsNeitherKeptNorSentAfterARestart)
{
    struct Case {
        Tab tab;
        const char* field;
        const char* key;
    };
    const Case cases[] = {{Tab::TimeTrend, "Voltage Drop", "Settings/IFVoltDrop"},
                          {Tab::PulseTrend, "Level", "TrendSettings/m_levelValue"},
                          {Tab::TimeResolved, "Level", "Settings/m_levelValue"},
                          {Tab::TimeResolved, "Start Time", "Settings/m_startTime"},
                          {Tab::TimeResolved, "Averages", "Settings/m_averages"}};
    const QString outOfRange = QStringLiteral("99999999999999999999");
    for (const Case& c : cases) {
        const std::string label = c.key;
        const QString key = QString::fromLatin1(c.key);
        QSettings().setValue(key, QStringLiteral("5"));
        makeTabs();
        editOf(c.tab, QString::fromLatin1(c.field))->setText(outOfRange);
        destroyTabsEndingWith(c.tab);
        EXPECT_EQ(QSettings().value(key).toString(), QStringLiteral("5")) << label;

        QSettings().setValue(key, outOfRange);
        makeTabs();
        EXPECT_EQ(editOf(c.tab, QString::fromLatin1(c.field))->text(), outOfRange) << label;
        MessageBoxAnswers answers({QMessageBox::Ok});
        EXPECT_EQ(start(c.tab), nullptr) << label;
        ASSERT_EQ(answers.seen().size(), 1) << label;
        EXPECT_EQ(answers.seen()[0].title, QString::fromLatin1(c.field)) << label;
        destroyTabsEndingWith(c.tab);
        clearSettings();
    }
}

// Where Qt's validator would drop a key without a word, the text stays as
// typed and the start says what the field takes.
TEST_F(NumberEntries, AMinusOrDigitsTheFieldCannotTakeStayInSightAndAreRefused)
{
    makeTabs();
    useTenMicrosecondPeriod();
    struct Case {
        Tab tab;
        const char* field;
        const char* typed;
        const char* range;
    };
    const Case cases[] = {
        {Tab::PulseTrend, "Level", "-123456", "numbers from 0 to 100 %"},
        {Tab::TimeTrend, "Scan Duration", "-5", "numbers from 0 to 3600 s"},
        {Tab::TimeResolved, "Averages", "99999999999999999999", "whole numbers from 0 to 10000"},
        {Tab::TimeResolved, "Start Time", "-123456", "whole numbers from -10 to 10 µs"}};
    for (const Case& c : cases) {
        const std::string label = std::string(c.field) + " " + c.typed;
        QLineEdit* edit = editOf(c.tab, QString::fromLatin1(c.field));
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.typed)) << label;
        MessageBoxAnswers answers({QMessageBox::Ok});
        EXPECT_EQ(start(c.tab), nullptr) << label;
        ASSERT_EQ(answers.seen().size(), 1) << label;
        EXPECT_TRUE(answers.seen()[0].text.contains(QString::fromUtf8(c.range)))
            << answers.seen()[0].text.toStdString();
        edit->clear();
    }
}

// A factor out of range is named with its rows shown, even where the
// sensor measures no ion flux and keeps the switch off: its scans still
// carry the factors into their files.
TEST_F(NumberEntries, ARefusedIonFluxFactorIsShownAndGivenTheCursor)
{
    makeTabs();
    timeTrend->show();
    ASSERT_FALSE(timeTrend->form().enableIonFlux->isChecked());
    timeTrend->form().ifEArea->setText(QStringLiteral("1e309"));
    MessageBoxAnswers answers({QMessageBox::Ok});
    EXPECT_EQ(start(Tab::TimeTrend), nullptr);
    ASSERT_EQ(answers.seen().size(), 1);
    EXPECT_TRUE(answers.seen()[0].text.startsWith(
        QStringLiteral("Electrode Area takes numbers from -1000000 to 1000000 m²")));
    EXPECT_TRUE(timeTrend->form().ifEArea->isVisible());
    EXPECT_EQ(timeTrend->focusWidget(), timeTrend->form().ifEArea);

    // The live factors of the running scan keep their last numbers meanwhile.
    timeTrend->form().ifEArea->setText(QStringLiteral("2"));
    const FakeSensor::QueuedScan* queued = start(Tab::TimeTrend);
    ASSERT_NE(queued, nullptr);
    timeTrend->form().ifEArea->setText(QStringLiteral("1e309"));
    EXPECT_EQ(queued->scan->electrodeArea, 2.0);
    timeTrend->form().ifEArea->setText(QStringLiteral("4"));
    EXPECT_EQ(queued->scan->electrodeArea, 4.0);
}

// A start on a sensor gone since it was bound says so in the status line,
// on every tab, and hands nothing over.
TEST_F(NumberEntries, AStartOnASensorThatHasGoneSaysSo)
{
    makeTabs();
    for (Tab tab : {Tab::TimeTrend, Tab::PulseTrend, Tab::TimeResolved}) {
        FakeSensor& sensor = sensorOf(tab);
        sensor.setConnected(false);
        QSignalSpy said(&tabOf(tab), &scanTab::statusMessage);
        EXPECT_EQ(start(tab), nullptr);
        EXPECT_TRUE(sensor.calls.isEmpty()) << sensor.calls.join(',').toStdString();
        ASSERT_EQ(said.size(), 1);
        EXPECT_EQ(said[0][0].toString(),
                  QStringLiteral("A123 is no longer connected: the scan was not started."));
        EXPECT_TRUE(tabOf(tab).form().startScan->isEnabled());
        EXPECT_FALSE(tabOf(tab).getCurScan());
    }
}

} // namespace
