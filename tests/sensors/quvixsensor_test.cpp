// The sensor object's device side against the stand-in USB driver library.

#include "debuglog.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorlibraries.h"
#include "usbsimcontrol.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>

#include <memory>
#include <string>

namespace {

const char* const serial = "QS1";

// Three frequencies of 3, 2 and 1 harmonics; extra lines add or override keys.
std::string sensorConfig(const std::string& extra = "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n")
{
    return "[sensor]\nserial = QS1\nfrequency = 13560000 3\nfrequency = 27120000 2\nfrequency = 2000000 1\n" +
           extra;
}

class QuvixSensorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(loadUsbSensorLibrary()); }

    void SetUp() override
    {
        ASSERT_TRUE(sim.isComplete());
        QSettings().clear();
    }

    // Configures the simulated sensor, opens it and builds its object.
    std::unique_ptr<QuvixSensor> attach(const std::string& config = sensorConfig())
    {
        if (sim.configure(config.c_str()) != 1)
            return nullptr;
        const int handle = usbSensorApi().quvixOpen(0);
        return handle > 0 ? std::make_unique<QuvixSensor>(handle, QString(), QString::fromLatin1(serial))
                          : nullptr;
    }

    double device(const char* setting) const { return sim.deviceSetting(serial, setting); }
    int calls(const char* entryPoint) const { return sim.callCount(serial, entryPoint); }

    static void storeSettings(const QVariantList& selection, int voltageLock)
    {
        QSettings settings;
        settings.beginGroup(serial);
        settings.setValue("selectedNumberOfHarmonics", selection);
        settings.setValue("voltageLock", voltageLock);
    }

    static QVariant storedValue(const char* key)
    {
        QSettings settings;
        settings.beginGroup(serial);
        return settings.value(key);
    }

    UsbSimControl sim;
};

TEST_F(QuvixSensorTest, ConstructionReadsTheSensorAndSelectsTheFirstFundamental)
{
    const auto sensor = attach(sensorConfig("capabilities = pulse=y;VI=Y;MultipleFrequency=Y\n"
                                            "delayResolution = 2.5e-8\n"));
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->frequencies(), QVector<double>({13.56, 27.12, 2.0}));
    EXPECT_EQ(sensor->availableHarmonics(), QVector<int>({3, 2, 1}));
    EXPECT_EQ(sensor->selectedHarmonics(), QVector<int>({1, 0, 0}));
    EXPECT_EQ(sensor->lastSelectedFrequency(), 0);
    EXPECT_TRUE(sensor->hasPulse());
    EXPECT_TRUE(sensor->hasVi());
    EXPECT_TRUE(sensor->isMultiFrequency());
    EXPECT_DOUBLE_EQ(sensor->delayStepsPerMicrosecond(), 40.0);
    EXPECT_EQ(sensor->reportRate(), 100);
    EXPECT_EQ(sensor->connectionKind(), 0);
    EXPECT_TRUE(sensor->isConnected());
    EXPECT_EQ(sensor->displayName(), QString(serial));

    EXPECT_EQ(device("selectedHarmonics0"), 1.0);
    EXPECT_EQ(device("selectedHarmonics1"), 0.0);
    EXPECT_EQ(calls("quvixSetTriggerValue"), 1);
    EXPECT_EQ(calls("quvixSetTriggerHoldoff"), 1);
    EXPECT_EQ(storedValue("selectedNumberOfHarmonics").toList().size(), 3) << "multi-frequency saves";
}

struct CapabilityCase {
    const char* text;
    bool pulse, vi, multi;
};

class QuvixSensorCapabilities : public QuvixSensorTest, public ::testing::WithParamInterface<CapabilityCase>
{
};

TEST_P(QuvixSensorCapabilities, FlagsComeFromTheTextIgnoringCase)
{
    const auto sensor = attach(sensorConfig(std::string("capabilities = ") + GetParam().text + "\n"));
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->hasPulse(), GetParam().pulse);
    EXPECT_EQ(sensor->hasVi(), GetParam().vi);
    EXPECT_EQ(sensor->isMultiFrequency(), GetParam().multi);
}

INSTANTIATE_TEST_SUITE_P(Texts, QuvixSensorCapabilities,
                         ::testing::Values(CapabilityCase{"Pulse=Y;Vi=N;MultipleFrequency=N", true, false,
                                                          false},
                                           CapabilityCase{"PULSE=y vi=Y", true, true, false},
                                           CapabilityCase{"multiplefrequency=Y", false, false, true},
                                           CapabilityCase{"Pulse=N", false, false, false}));

struct StoredSelectionCase {
    QVariantList stored;
    QVector<int> expected;
};

class QuvixSensorStoredSelection : public QuvixSensorTest,
                                   public ::testing::WithParamInterface<StoredSelectionCase>
{
};

TEST_P(QuvixSensorStoredSelection, IsAppliedPerSerial)
{
    storeSettings(GetParam().stored, 2);
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->selectedHarmonics(), GetParam().expected);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(device(("selectedHarmonics" + std::to_string(i)).c_str()), GetParam().expected[i]);
    EXPECT_EQ(sensor->voltageLock(), 2);
    EXPECT_EQ(device("lockOnChannel2"), 2.0);
}

INSTANTIATE_TEST_SUITE_P(Lists, QuvixSensorStoredSelection,
                         ::testing::Values(StoredSelectionCase{{}, {1, 0, 0}},
                                           StoredSelectionCase{{0, 0, 0}, {1, 0, 0}},
                                           StoredSelectionCase{{0, 2}, {0, 2, 0}},
                                           StoredSelectionCase{{3, 1, 1, 9}, {3, 1, 1}},
                                           StoredSelectionCase{{0, 2, 1}, {0, 2, 1}}));

TEST_F(QuvixSensorTest, ZeroFrequenciesLeaveTheTablesEmptyAndStillApplyTheVoltageLock)
{
    storeSettings({2, 2}, 1);
    const auto sensor = attach("[sensor]\nserial = QS1\n");
    ASSERT_TRUE(sensor);
    EXPECT_TRUE(sensor->frequencies().isEmpty());
    EXPECT_TRUE(sensor->selectedHarmonics().isEmpty());
    EXPECT_EQ(device("lockOnChannel2"), 1.0);
    EXPECT_EQ(sensor->enabledFrequencyCount(), 0);
    EXPECT_EQ(sensor->enabledFrequency(0), 0.0);
}

TEST_F(QuvixSensorTest, MultiFrequencySelectionReachesTheDeviceAndIsSaved)
{
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    QSignalSpy updated(sensor.get(), &QuvixSensor::configUpdated);
    ASSERT_TRUE(sensor->setSelectedHarmonics({0, 2, 1}));
    EXPECT_EQ(updated.count(), 1);
    EXPECT_EQ(sensor->selectedHarmonics(), QVector<int>({0, 2, 1}));
    EXPECT_EQ(sensor->lastSelectedFrequency(), 2);
    EXPECT_EQ(device("selectedHarmonics1"), 2.0);
    EXPECT_EQ(storedValue("selectedNumberOfHarmonics").toStringList(), QStringList({"0", "2", "1"}));
    EXPECT_EQ(sensor->enabledFrequencyCount(), 2);
    EXPECT_EQ(sensor->enabledFrequency(0), 27.12);
    EXPECT_EQ(sensor->enabledFrequency(1), 2.0);
    EXPECT_EQ(sensor->enabledFrequency(2), 0.0);

    sensor->reapplyHarmonics();
    EXPECT_EQ(device("selectedHarmonics2"), 1.0);
}

TEST_F(QuvixSensorTest, SingleFrequencySelectionIsSavedOnlyWithTheVoltageLock)
{
    const auto sensor = attach(sensorConfig("capabilities = Pulse=Y\n"));
    ASSERT_TRUE(sensor);
    ASSERT_TRUE(sensor->setSelectedHarmonics({3, 0, 0}));
    EXPECT_EQ(device("selectedHarmonics0"), 3.0);
    EXPECT_FALSE(storedValue("selectedNumberOfHarmonics").isValid());
    sensor->setVoltageLock(1);
    EXPECT_EQ(device("lockOnChannel2"), 1.0);
    EXPECT_EQ(storedValue("selectedNumberOfHarmonics").toStringList(), QStringList({"3", "0", "0"}));
    EXPECT_EQ(storedValue("voltageLock").toInt(), 1);
}

TEST_F(QuvixSensorTest, FailedReloadKeepsTheSelection)
{
    for (const char* capabilities : {"MultipleFrequency=Y", "MultipleFrequency=N"}) {
        SCOPED_TRACE(capabilities);
        QSettings().clear();
        const auto sensor = attach(sensorConfig(std::string("capabilities = ") + capabilities + "\n"));
        ASSERT_TRUE(sensor);
        QSignalSpy updated(sensor.get(), &QuvixSensor::configUpdated);
        DebugLog::lines().clear();
        {
            DebugLog log;
            EXPECT_FALSE(sensor->setSelectedHarmonics({4, 0, 0})) << "more than the frequency measures";
        }
        EXPECT_EQ(sensor->selectedHarmonics(), QVector<int>({1, 0, 0}));
        EXPECT_EQ(updated.count(), 0);
        const bool single = !sensor->isMultiFrequency();
        EXPECT_EQ(DebugLog::lines().contains("Failed reload parameters"), single);
    }
}

TEST_F(QuvixSensorTest, SelectionOfTheWrongSizeIsRefusedWithoutTouchingTheSensor)
{
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    const int disables = calls("quvixDisableParameters");
    const int reloads = calls("quvixParameterReload");
    EXPECT_FALSE(sensor->setSelectedHarmonics({2}));
    EXPECT_FALSE(sensor->setSelectedHarmonics({1, 1, 1, 1}));
    EXPECT_EQ(calls("quvixDisableParameters"), disables);
    EXPECT_EQ(calls("quvixParameterReload"), reloads);
    EXPECT_EQ(sensor->selectedHarmonics(), QVector<int>({1, 0, 0}));
}

struct FirmwareGateCase {
    int major, minor;
    bool asksTheSensor;
};

class QuvixSensorFirmwareGate : public QuvixSensorTest, public ::testing::WithParamInterface<FirmwareGateCase>
{
};

TEST_P(QuvixSensorFirmwareGate, PulseMonitorModeIsAskedOnlyOfRecentFirmware)
{
    const FirmwareGateCase& gate = GetParam();
    const auto sensor = attach(sensorConfig("firmwareMajor = " + std::to_string(gate.major) +
                                            "\nfirmwareMinor = " + std::to_string(gate.minor) + "\n"));
    ASSERT_TRUE(sensor);
    ASSERT_EQ(sensor->setPulseMonitorMode(true), 1);
    EXPECT_EQ(sensor->pulseMonitorMode(), 1);
    const int normalCalls = calls("quvixSetNormalMode");

    const int mode = sensor->refreshPulseMonitorMode();
    EXPECT_EQ(calls("quvixGetPulseMonitorMode"), gate.asksTheSensor ? 1 : 0);
    EXPECT_EQ(mode, gate.asksTheSensor ? 1 : 0);
    EXPECT_EQ(sensor->pulseMonitorMode(), mode);
    EXPECT_EQ(calls("quvixSetNormalMode") - normalCalls, gate.asksTheSensor ? 0 : 1);
    EXPECT_EQ(device("pulseMonitorMode"), mode);
}

INSTANTIATE_TEST_SUITE_P(Versions, QuvixSensorFirmwareGate,
                         ::testing::Values(FirmwareGateCase{5, 17, false}, FirmwareGateCase{5, 18, true},
                                           FirmwareGateCase{6, 0, true}, FirmwareGateCase{4, 30, false}));

struct TextCase {
    const char* configured;
    int expected;
};

class QuvixSensorAllowedHarmonics : public QuvixSensorTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(QuvixSensorAllowedHarmonics, ReadsAtMostTwoDigits)
{
    const auto sensor =
        attach(sensorConfig(std::string("allowedHarmonics = ") + GetParam().configured + "\n"));
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->allowedHarmonics(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Answers, QuvixSensorAllowedHarmonics,
                         ::testing::Values(TextCase{"12", 12}, TextCase{"7", 7}, TextCase{"7x", 7},
                                           TextCase{"99", 99}, TextCase{"123", 12}, TextCase{"", 31},
                                           TextCase{"ab", 31}, TextCase{"x5", 31}));

class QuvixSensorRecentFirmware : public QuvixSensorTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(QuvixSensorRecentFirmware, TakesTheNumberAfterTheLastV)
{
    const auto sensor =
        attach(sensorConfig(std::string("firmwareRevision = ") + GetParam().configured + "\n"));
    ASSERT_TRUE(sensor);
    EXPECT_EQ(sensor->hasRecentFirmware(), GetParam().expected != 0);
}

INSTANTIATE_TEST_SUITE_P(Revisions, QuvixSensorRecentFirmware,
                         ::testing::Values(TextCase{"Renu v5.18.2", 1}, TextCase{"Renu v4.9", 0},
                                           TextCase{"Kadro v12.1", 1}, TextCase{"5.2", 1},
                                           TextCase{"rev 1.0 v5.2", 1}, TextCase{"rev 1.0 v4", 0},
                                           TextCase{"v", 0}, TextCase{"", 0}, TextCase{"dev v6", 1}));

struct ResolutionCase {
    const char* configured;
    double expectedSteps;
};

class QuvixSensorDelayResolution : public QuvixSensorTest,
                                   public ::testing::WithParamInterface<ResolutionCase>
{
};

TEST_P(QuvixSensorDelayResolution, UnusableResolutionGivesZeroSteps)
{
    const auto sensor =
        attach(sensorConfig(std::string("delayResolution = ") + GetParam().configured + "\n"));
    ASSERT_TRUE(sensor);
    EXPECT_DOUBLE_EQ(sensor->delayStepsPerMicrosecond(), GetParam().expectedSteps);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, QuvixSensorDelayResolution,
                         ::testing::Values(ResolutionCase{"1e-8", 100.0}, ResolutionCase{"0", 0.0},
                                           ResolutionCase{"-2.5e-8", 0.0}, ResolutionCase{"nan", 0.0},
                                           ResolutionCase{"inf", 0.0}, ResolutionCase{"1e-320", 0.0}));

TEST_F(QuvixSensorTest, SensorTypeFollowsTheModel)
{
    const std::pair<int, int> models[] = {{1, 0}, {2, 2}, {3, 1}, {4, 3}, {5, 0}, {0, 0}};
    for (const auto& [model, type] : models) {
        const auto sensor = attach(sensorConfig("model = " + std::to_string(model) + "\n"));
        ASSERT_TRUE(sensor);
        EXPECT_EQ(sensor->sensorType(), type) << "model " << model;
    }
}

TEST_F(QuvixSensorTest, DeviceOperationsReachTheSensor)
{
    const auto sensor = attach(sensorConfig("variant = Renu HF\nfpgaRevision = FPGA 9\n"));
    ASSERT_TRUE(sensor);
    sensor->setReportRate(250);
    EXPECT_EQ(sensor->reportRate(), 250);
    EXPECT_EQ(sensor->setTriggerDelay(12.9), 1);
    EXPECT_EQ(device("triggerDelay"), 12.0) << "truncated toward zero";
    sensor->setTriggerDelay(-3.7);
    EXPECT_EQ(device("triggerDelay"), -3.0);
    sensor->setTriggerHoldoff(5);
    sensor->setTriggerValue(4096);
    sensor->setNumberOfAccumulations(16);
    sensor->useExternalTrigger(true);
    EXPECT_EQ(sensor->setPMMConfig(25.5, 2), 1);
    const std::pair<const char*, double> expected[] = {
        {"reportRate", 250},    {"triggerHoldoff", 5},  {"triggerValue", 4096}, {"accumulations", 16},
        {"externalTrigger", 1}, {"pmmThreshold", 25.5}, {"pmmTrim", 2},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(device(name), value) << name;

    EXPECT_EQ(sensor->configureFPGA(false, 4, 50.0, 300, 20), 1);
    EXPECT_EQ(device("externalTrigger"), 0.0);
    EXPECT_EQ(device("triggerDelay"), 300.0);
    EXPECT_EQ(sensor->variantInfoOf(), QString("Renu HF"));
    EXPECT_EQ(sensor->fpgaRevision(), QString("FPGA 9"));
    EXPECT_EQ(sensor->firmwareMajor(), 5);
    EXPECT_EQ(sensor->firmwareMinor(), 18);

    double hz = 0.0;
    int harmonics = 0;
    sensor->frequencyDetails(1, &hz, &harmonics);
    EXPECT_EQ(hz, 27120000.0);
    EXPECT_EQ(harmonics, 2);
}

TEST_F(QuvixSensorTest, LowSignalSwitchFollowsTheSensor)
{
    const auto capable = attach(sensorConfig("lowSignal = yes\n"));
    ASSERT_TRUE(capable);
    EXPECT_TRUE(capable->hasLowSignalMode());
    EXPECT_GE(capable->setLowSignalMode(), 0);
    EXPECT_EQ(device("lowSignalMode"), 1.0);
    EXPECT_GE(capable->setNormalMode(), 0);
    EXPECT_EQ(device("lowSignalMode"), 0.0);

    const auto plain = attach(sensorConfig("lowSignal = no\n"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->hasLowSignalMode());
    EXPECT_LT(plain->setLowSignalMode(), 0);
}

TEST_F(QuvixSensorTest, ReadsSamplesThroughTheDriver)
{
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    sensor->setReportRate(2);
    double values[490];
    int count = 0, tsDelta = 0, delay = 0, remaining = 100, result = 0;
    double peak = 50.0;
    for (int i = 0; i < 1000 && (count == 0 || remaining == 100); ++i) {
        count = 490;
        remaining = 100;
        result = sensor->getDataHR(values, &count, &tsDelta, &peak, &delay, &remaining);
        ASSERT_GT(result, 0);
    }
    EXPECT_EQ(count, 2 + 4 * 1 + 2);
    EXPECT_EQ(values[0], 13560000.0);
    EXPECT_NEAR(values[2] / values[4], 50.0, 1e-9);
    EXPECT_EQ(sim.samplesDelivered(serial), 1);
}

TEST_F(QuvixSensorTest, NicknameAndDisplayName)
{
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    QSignalSpy updated(sensor.get(), &QuvixSensor::configUpdated);
    EXPECT_EQ(sensor->displayName(), QString(serial));
    sensor->setNickname("Chamber A");
    EXPECT_EQ(sensor->displayName(), QString("Chamber A"));
    EXPECT_EQ(sensor->nickname(), QString("Chamber A"));
    EXPECT_EQ(updated.count(), 1);
    sensor->notifyConfigUpdated();
    EXPECT_EQ(updated.count(), 2);
}

TEST_F(QuvixSensorTest, CloseReleasesTheHandleAndReportsTheDisconnection)
{
    const auto sensor = attach();
    ASSERT_TRUE(sensor);
    QSignalSpy disconnected(sensor.get(), &QuvixSensor::SensorDisconnected);
    const QDateTime before = QDateTime::currentDateTime();
    sensor->close();
    ASSERT_EQ(disconnected.count(), 1);
    EXPECT_EQ(disconnected.at(0).at(0).value<QuvixSensor*>(), sensor.get());
    EXPECT_GE(sensor->disconnectTime(), before);
    EXPECT_EQ(calls("quvixClose"), 1);
    char text[112] = {0};
    EXPECT_EQ(usbSensorApi().quvixGetSerial(sensor->handle(), text), 0) << "the handle is closed";
}

TEST_F(QuvixSensorTest, ReconnectTakesTheNewHandleAndReappliesTheSelection)
{
    const auto sensor = attach(sensorConfig("firmwareMajor = 6\n"));
    ASSERT_TRUE(sensor);
    ASSERT_TRUE(sensor->setSelectedHarmonics({2, 1, 0}));
    sensor->setPulseMonitorMode(true);
    sim.setAttached(serial, 0);
    sensor->close();
    sim.setAttached(serial, 1);
    const int newHandle = usbSensorApi().quvixOpen(0);
    ASSERT_GT(newHandle, sensor->handle());
    ASSERT_EQ(device("selectedHarmonics0"), 1.0) << "a fresh device starts from its defaults";

    sensor->reconnect(newHandle);
    EXPECT_EQ(sensor->handle(), newHandle);
    EXPECT_TRUE(sensor->isConnected());
    EXPECT_EQ(device("selectedHarmonics0"), 2.0);
    EXPECT_EQ(device("selectedHarmonics1"), 1.0);
    EXPECT_EQ(sensor->refreshPulseMonitorMode(), 0) << "the new device is asked, not the old state";
}

TEST(QuvixSensorBase, DefaultsWithoutALibrary)
{
    QuvixSensor sensor;
    EXPECT_EQ(sensor.handle(), 0);
    EXPECT_TRUE(sensor.isConnected());
    EXPECT_TRUE(sensor.frequencies().isEmpty());
    EXPECT_EQ(sensor.lastSelectedFrequency(), -1);
    EXPECT_EQ(sensor.reportRate(), 100);
    EXPECT_EQ(sensor.pulseMonitorMode(), 0);
    EXPECT_EQ(sensor.voltageLock(), 0);
    EXPECT_TRUE(sensor.displayName().isEmpty());
    EXPECT_TRUE(sensor.address().isEmpty());
    EXPECT_FALSE(sensor.disconnectTime().isValid());
}

} // namespace
