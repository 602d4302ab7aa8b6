// The acquisition tab's threshold-triggered scans: what the tab hands the
// sensor from the auto-start dialog's values, its autosave target, the first
// curves and the controls, started by the user or on the tab's own.

#include "app/dialogs/autosaveinputdialog.h"
#include "app/dialogs/autostartdialog.h"
#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "app/qstringprinter.h"
#include "scans/basescan.h"
#include "scans/cwscan.h"
#include "scans/scanhandler.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/curverecord.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// While it lives, runs `answer` once on the first modal dialog of type T
// that opens; a stand-in for the user.
template <typename T> class AnswerNext
{
public:
    explicit AnswerNext(std::function<void(T*)> answer)
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this, answer] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_poll.stop();
            seen = true;
            answer(dialog);
        });
        m_poll.start(10);
    }
    AnswerNext(const AnswerNext&) = delete;
    AnswerNext& operator=(const AnswerNext&) = delete;

    bool seen = false;

private:
    QTimer m_poll;
};

struct PressOk : AnswerNext<autoStartDialog> {
    // frequency: the entry chosen in the dialog's frequency list, or none.
    explicit PressOk(int frequency = -1)
        : AnswerNext([frequency](autoStartDialog* dialog) {
            if (frequency >= 0)
                dialog->findChild<QComboBox*>(QStringLiteral("frequencyBox"))->setCurrentIndex(frequency);
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        })
    {
    }
};

struct AnswerAutosave : AnswerNext<autosaveInputDialog> {
    AnswerAutosave(const QString& folder, const QString& name, QDialog::DialogCode result)
        : AnswerNext([=](autosaveInputDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(folder);
            dialog->findChild<QLineEdit*>(QStringLiteral("name"))->setText(name);
            dialog->done(result);
        })
    {
    }
};

// The auto-start choices stored for a sensor, as the dialog keeps them.
struct StoredChoices {
    int startChoice = 1; // "Current"
    QString startThreshold = QStringLiteral("2.500");
    int stopCondition = 1; // "Stop Threshold"
    int stopChoice = 2;    // "Power"
    QString stopThreshold = QStringLiteral("7.250");
    double scanDuration = 12.5;
    QString preDuration = QStringLiteral("3");
    QString postDuration = QStringLiteral("4");
    bool continueMonitoring = false;

    void store(const QString& group) const
    {
        QSettings settings;
        settings.beginGroup(group);
        settings.setValue(QStringLiteral("startparameterindex"), startChoice);
        settings.setValue(QStringLiteral("startthresholdvalue"), startThreshold);
        settings.setValue(QStringLiteral("stopcondition"), stopCondition);
        settings.setValue(QStringLiteral("stopparameterindex"), stopChoice);
        settings.setValue(QStringLiteral("stopthresholdvalue"), stopThreshold);
        settings.setValue(QStringLiteral("scanduration"), scanDuration);
        settings.setValue(QStringLiteral("preduration"), preDuration);
        settings.setValue(QStringLiteral("postduration"), postDuration);
        settings.setValue(QStringLiteral("continuemonitoring"), continueMonitoring);
    }
};

// What a triggered scan was configured with, in the order the dialog hands
// its values on.
struct TriggerValues {
    int startParameter;
    double startLevel;
    bool startAbove;
    int stopParameter;
    double stopLevel;
    bool stopAbove;
    double preDuration;
    double postDuration;
    double eventDuration;
    bool continueMonitoring;
    int frequencyIndex;

    static TriggerValues of(const BaseScan& scan)
    {
        return {scan.startParameter, scan.startLevel,         scan.startAbove,    scan.stopParameter,
                scan.stopLevel,      scan.stopAbove,          scan.preDuration,   scan.postDuration,
                scan.eventDuration,  scan.continueMonitoring, scan.frequencyIndex};
    }
    static TriggerValues of(const autoStartDialog& dialog)
    {
        return {dialog.startParameterIndex(), dialog.startThreshold(), dialog.startOver(),
                dialog.stopParameterIndex(),  dialog.stopThreshold(),  dialog.stopOver(),
                dialog.preDuration(),         dialog.postDuration(),   dialog.scanDuration(),
                dialog.continueMonitoring(),  dialog.frequencyIndex()};
    }
    bool operator==(const TriggerValues& o) const
    {
        return startParameter == o.startParameter && startLevel == o.startLevel &&
               startAbove == o.startAbove && stopParameter == o.stopParameter && stopLevel == o.stopLevel &&
               stopAbove == o.stopAbove && preDuration == o.preDuration && postDuration == o.postDuration &&
               eventDuration == o.eventDuration && continueMonitoring == o.continueMonitoring &&
               frequencyIndex == o.frequencyIndex;
    }
};

void PrintTo(const TriggerValues& v, std::ostream* os)
{
    *os << "{" << v.startParameter << ", " << v.startLevel << ", " << v.startAbove << ", " << v.stopParameter
        << ", " << v.stopLevel << ", " << v.stopAbove << ", " << v.preDuration << ", " << v.postDuration
        << ", " << v.eventDuration << ", " << v.continueMonitoring << ", " << v.frequencyIndex << "}";
}

class ScanTabAutoStart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings().clear();
        tab = std::make_unique<timeTrendScanTab>(&settings);
        tab->setAutosaveConfig(true, QStringLiteral("/data/events/"), QStringLiteral("event_<serial>"));
    }

    void TearDown() override
    {
        tab.reset();
        for (FakeSensor* sensor : {&usb, &other}) {
            if (sensor->currentScan() && sensor->currentScan() != sensor->pendingScan())
                delete sensor->currentScan();
            sensor->setCurrentScan(nullptr);
            delete sensor->pendingScan();
        }
    }

    void show(QList<QuvixSensor*> sensors) { tab->updateSensorList(sensors); }

    void autoStart(QuvixSensor* sensor)
    {
        ASSERT_TRUE(QMetaObject::invokeMethod(tab.get(), "newAutoStart", Qt::DirectConnection,
                                              Q_ARG(QuvixSensor*, sensor)));
    }

    BaseScan* queuedScan(FakeSensor& sensor) const
    {
        return sensor.queued.isEmpty() ? nullptr : sensor.queued.last().scan;
    }

    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {1, 1}};
    FakeSensor other{{27.12}, {1}};
    std::unique_ptr<timeTrendScanTab> tab;
};

TEST_F(ScanTabAutoStart, AcceptedDialogQueuesATriggeredScanWithItsValuesInOrder)
{
    StoredChoices stored;
    stored.store(QStringLiteral("A123"));
    show({&usb});
    tab->form().waferLot->setText(QStringLiteral("LOT-7"));
    tab->form().waferNumber->setText(QStringLiteral("W12"));
    tab->form().ifResistance->setText(QStringLiteral("2.5"));
    tab->form().ifVoltDrop->setText(QStringLiteral("0.75"));
    tab->form().ifEArea->setText(QStringLiteral("4"));

    PressOk ok;
    tab->form().autostartAdvanced->click();
    EXPECT_TRUE(ok.seen);

    ASSERT_EQ(usb.queued.size(), 1);
    BaseScan* scan = queuedScan(usb);
    ASSERT_TRUE(usb.queued.last().triggerRecording);
    const TriggerValues expected{1, 2.5, true, 5, 7.25, false, 3.0, 4.0, 0.0, false, 0};
    EXPECT_EQ(TriggerValues::of(*scan), expected);
    autoStartDialog again(&usb);
    EXPECT_EQ(TriggerValues::of(*scan), TriggerValues::of(again));
    EXPECT_EQ(usb.queued.last().autosaveSettings, &settings);
    EXPECT_NE(qobject_cast<CWScan*>(scan), nullptr);
    // No report rate, duration or energy reset of the sensor: the trigger
    // decides when the scan records.
    EXPECT_FALSE(usb.calls.join(',').contains(QStringLiteral("rate")));
    EXPECT_FALSE(usb.queued.last().timed);

    EXPECT_TRUE(usb.queued.last().autosaveEnabled);
    EXPECT_EQ(usb.queued.last().autosaveFolder, QStringLiteral("/data/events/"));
    EXPECT_EQ(usb.queued.last().autosavePattern, QStringLiteral("event_<serial>"));
    EXPECT_EQ(scan->waferLot, QStringLiteral("LOT-7"));
    EXPECT_EQ(scan->waferNumber, QStringLiteral("W12"));
    EXPECT_EQ(scan->seriesResistance, 2.5);
    EXPECT_EQ(scan->voltageDrop, 0.75);
    EXPECT_EQ(scan->electrodeArea, 4.0);

    EXPECT_EQ(tab->currentScan(), scan);
    EXPECT_TRUE(tab->getCurScan());
    EXPECT_FALSE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().autostartAdvanced->isEnabled());
    EXPECT_FALSE(tab->form().resetEnergyBtn->isEnabled());
    EXPECT_TRUE(tab->form().stopScan->isEnabled());
    for (QComboBox* combo : tab->harmonicCombos())
        EXPECT_FALSE(combo->isEnabled());
    if (tab->frequencyCombo()) {
        EXPECT_FALSE(tab->frequencyCombo()->isEnabled());
    }

    // The scan's recording signals and errors reach the tab.
    emit scan->acquisitionStarted();
    EXPECT_EQ(tab->barChart().scans(), QList<BaseScan*>{scan});
    scan->stop();
    emit scan->acquisitionStopped();
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
}

TEST_F(ScanTabAutoStart, StopByDurationHandsTheDurationOn)
{
    StoredChoices stored;
    stored.stopCondition = 0; // "Duration"
    stored.continueMonitoring = true;
    stored.store(QStringLiteral("A123"));
    show({&usb});
    PressOk ok;
    tab->form().autostartAdvanced->click();
    ASSERT_EQ(usb.queued.size(), 1);
    const TriggerValues expected{1, 2.5, true, 5, 7.25, false, 3.0, 4.0, 12.5, true, 0};
    EXPECT_EQ(TriggerValues::of(*queuedScan(usb)), expected);
}

TEST_F(ScanTabAutoStart, CancelledDialogStartsNothing)
{
    show({&usb});
    AnswerNext<autoStartDialog> cancel([](autoStartDialog* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    });
    tab->form().autostartAdvanced->click();
    EXPECT_TRUE(cancel.seen);
    EXPECT_TRUE(usb.queued.isEmpty());
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->getCurScan());
}

TEST_F(ScanTabAutoStart, AutomaticStartOnAnotherSensorSwitchesTheTab)
{
    other.setSerialNumber(QStringLiteral("B-2"));
    StoredChoices stored;
    stored.store(QStringLiteral("B-2"));
    show({&usb, &other});
    ASSERT_EQ(tab->activeSensor(), &usb);

    autoStart(&other);

    EXPECT_EQ(tab->activeSensor(), &other);
    EXPECT_EQ(tab->form().sensorList->currentText(), QStringLiteral("B-2"));
    EXPECT_EQ(tab->form().sensorList->currentData().value<QuvixSensor*>(), &other);
    EXPECT_TRUE(usb.queued.isEmpty());
    ASSERT_EQ(other.queued.size(), 1);
    EXPECT_TRUE(other.queued.last().triggerRecording);
    const TriggerValues expected{1, 2.5, true, 5, 7.25, false, 3.0, 4.0, 0.0, false, 0};
    EXPECT_EQ(TriggerValues::of(*queuedScan(other)), expected);
    EXPECT_EQ(tab->frequencyButtons().checkedId(), 0);
    EXPECT_EQ(tab->frequencyButtons().checkedButton()->text(), QStringLiteral("27.12 MHz"));
}

struct AutosaveCase {
    const char* name;
    QDialog::DialogCode answer;
    const char* folder;
    const char* title;
};

class AutosaveOff : public ScanTabAutoStart, public ::testing::WithParamInterface<AutosaveCase>
{
};

TEST_P(AutosaveOff, TheBoxIsCheckedAndTheScanAutosaves)
{
    tab->setAutosaveConfig(false, QStringLiteral("/data/preset/"), QStringLiteral("preset_<date>"));
    show({&usb});
    AnswerAutosave answer(QStringLiteral("/data/chosen/"), QStringLiteral("chosen_<serial>"),
                          GetParam().answer);
    autoStart(&usb);

    EXPECT_TRUE(answer.seen);
    EXPECT_TRUE(tab->form().autosave->isChecked());
    EXPECT_EQ(tab->autosaveFolder(), QString::fromLatin1(GetParam().folder));
    EXPECT_EQ(tab->autosaveTitle(), QString::fromLatin1(GetParam().title));
    ASSERT_EQ(usb.queued.size(), 1);
    EXPECT_TRUE(usb.queued.last().autosaveEnabled);
    EXPECT_EQ(usb.queued.last().autosaveFolder, QString::fromLatin1(GetParam().folder));
    EXPECT_EQ(usb.queued.last().autosavePattern, QString::fromLatin1(GetParam().title));
}

INSTANTIATE_TEST_SUITE_P(
    ScanTabAutoStart, AutosaveOff,
    ::testing::Values(AutosaveCase{"Accepted", QDialog::Accepted, "/data/chosen/", "chosen_<serial>"},
                      AutosaveCase{"Cancelled", QDialog::Rejected, "/data/preset/", "preset_<date>"}),
    [](const ::testing::TestParamInfo<AutosaveCase>& info) { return std::string(info.param.name); });

TEST_F(ScanTabAutoStart, AutosaveAlreadyOnAsksNothing)
{
    show({&usb});
    AnswerAutosave answer(QString(), QString(), QDialog::Rejected);
    autoStart(&usb);
    EXPECT_FALSE(answer.seen);
    EXPECT_TRUE(tab->form().autosave->isChecked());
    ASSERT_EQ(usb.queued.size(), 1);
}

struct CurveCase {
    const char* name;
    int startChoice;
    int stopChoice;
    bool curveBefore;
    QList<valueType> expected;
};

class FirstCurves : public ScanTabAutoStart, public ::testing::WithParamInterface<CurveCase>
{
};

TEST_P(FirstCurves, ShowWhatTheTriggerWatches)
{
    StoredChoices stored;
    stored.startChoice = GetParam().startChoice;
    stored.stopChoice = GetParam().stopChoice;
    stored.store(QStringLiteral("A123"));
    show({&usb});
    if (GetParam().curveBefore)
        tab->curveDisplayControl(true, StandingWaveRatio, 0, 0);
    autoStart(&usb);
    ASSERT_EQ(usb.queued.size(), 1);

    QList<valueType> types;
    for (const CurveRecord* record : tab->curves()) {
        types.append(record->type);
        EXPECT_EQ(record->harmonic, 0);
        EXPECT_EQ(record->frequency, 0);
        EXPECT_EQ(record->sensor, &usb);
    }
    EXPECT_EQ(types, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ScanTabAutoStart, FirstCurves,
    ::testing::Values(CurveCase{"EqualParametersOneCurve", 2, 2, false, {Power}},
                      CurveCase{"DifferentParametersTwoCurves", 0, 1, false, {Voltage, Current}},
                      CurveCase{"ChosenCurvesStay", 0, 1, true, {StandingWaveRatio}}),
    [](const ::testing::TestParamInfo<CurveCase>& info) { return std::string(info.param.name); });

TEST_F(ScanTabAutoStart, AFrequencyChoiceTheButtonsLackWatchesTheFirst)
{
    // Bound with one enabled frequency; a second one is enabled elsewhere
    // before the dialog opens, so it offers a choice the tab has no button
    // for.
    usb.setSelectionDirectly({1, 0});
    show({&usb});
    ASSERT_EQ(tab->frequencyButtons().buttons().size(), 1);
    usb.setSelectionDirectly({1, 1});
    tab->dispFrequencyChanged(5);

    PressOk ok(1);
    tab->form().autostartAdvanced->click();
    ASSERT_TRUE(ok.seen);

    ASSERT_EQ(usb.queued.size(), 1);
    EXPECT_EQ(queuedScan(usb)->frequencyIndex, 0);
    EXPECT_EQ(tab->frequencyButtons().checkedId(), 0);
    ASSERT_FALSE(tab->curves().isEmpty());
    EXPECT_EQ(tab->curves().first()->frequency, 0);
}

TEST_F(ScanTabAutoStart, ASecondFrequencyChoiceIsWatchedAndShown)
{
    show({&usb});
    ASSERT_EQ(tab->frequencyButtons().buttons().size(), 2);
    PressOk ok(1);
    tab->form().autostartAdvanced->click();
    ASSERT_TRUE(ok.seen);
    ASSERT_EQ(usb.queued.size(), 1);
    EXPECT_EQ(queuedScan(usb)->frequencyIndex, 1);
    EXPECT_EQ(tab->frequencyButtons().checkedId(), 1);
    ASSERT_FALSE(tab->curves().isEmpty());
    EXPECT_EQ(tab->curves().first()->frequency, 1);
}

TEST_F(ScanTabAutoStart, NoEnabledFrequencyStartsNothing)
{
    usb.setSelectionDirectly({0, 0});
    show({&usb});
    ASSERT_TRUE(tab->frequencyButtons().buttons().isEmpty());

    {
        MessageBoxAnswers answers({QMessageBox::Ok});
        tab->form().autostartAdvanced->click();
        ASSERT_EQ(answers.seen().size(), 1);
        EXPECT_EQ(answers.seen().first().icon, QMessageBox::Warning);
    }
    autoStart(&usb); // no one to ask: a log line only
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    EXPECT_TRUE(usb.queued.isEmpty());
    EXPECT_FALSE(tab->getCurScan());
    EXPECT_EQ(tab->currentScan(), nullptr);
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
    EXPECT_TRUE(tab->curves().isEmpty());
}

TEST_F(ScanTabAutoStart, AFinishedRecordingStopsTheTabAndOneGoingOnDoesNot)
{
    show({&usb});
    autoStart(&usb);
    BaseScan* scan = usb.takePendingScan();
    ASSERT_NE(scan, nullptr);
    usb.setCurrentScan(scan);
    QSignalSpy updates(&usb, &QuvixSensor::configUpdated);

    emit scan->acquisitionStarted();
    EXPECT_EQ(tab->smithDialog().scans(), QList<BaseScan*>{scan});
    EXPECT_EQ(tab->waveWindow().scans(), QList<BaseScan*>{scan});
    emit scan->acquisitionStopped(); // waits for the next event
    EXPECT_TRUE(tab->form().stopScan->isEnabled());
    EXPECT_FALSE(tab->form().startScan->isEnabled());

    scan->stop();
    emit scan->acquisitionStopped();
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->getCurScan());
    EXPECT_EQ(updates.size(), 3);
}

TEST_F(ScanTabAutoStart, TheCompletionOfAReplacedScanLeavesTheTriggeredScanRunning)
{
    show({&usb});
    tab->form().startScan->click();
    BaseScan* plain = usb.takePendingScan();
    ASSERT_NE(plain, nullptr);
    usb.setCurrentScan(plain);

    autoStart(&usb);
    BaseScan* triggered = usb.takePendingScan();
    ASSERT_NE(triggered, nullptr);
    ASSERT_TRUE(triggered->triggerRecording);
    // The loop ends the preempted scan and starts the triggered one. The
    // test keeps the scans, so the registry does not hear of it.
    usb.setCurrentScan(triggered);
    QObject::disconnect(&usb, &QuvixSensor::ScanComplete, ScanHandler::getInstance(), nullptr);
    emit usb.ScanComplete(plain);

    EXPECT_FALSE(triggered->isFinished());
    EXPECT_EQ(tab->currentScan(), triggered);
    EXPECT_TRUE(tab->form().stopScan->isEnabled());
    delete plain;
}

} // namespace
