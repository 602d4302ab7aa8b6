// The stand-in USB driver library against the contract the program relies on.

#include "sim/quvix3/quvix3.h"
#include "sim/quvix3/quvix3simcontrol.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int capacity = 490;

// One data read with the program's in-values.
struct Read {
    std::array<double, capacity> values{};
    int count = capacity;
    int tsDelta = 0;
    double peak = 50.0;
    int delay = 0;
    int remaining = 100;
    int result = 0;

    bool hasSample() const { return result > 0 && count > 0 && remaining != 100; }
};

Read readOnce(int handle)
{
    Read read;
    read.result = quvixGetDataHR(handle, read.values.data(), &read.count, &read.tsDelta, &read.peak,
                                 &read.delay, &read.remaining);
    return read;
}

// Reads until a sample arrives (the library waits at most a short while per call).
Read readSample(int handle)
{
    for (int attempt = 0; attempt < 1000; ++attempt) {
        Read read = readOnce(handle);
        if (read.result <= 0 || read.hasSample())
            return read;
    }
    return {};
}

const char* const twoSensors = R"(
[sensor]
serial = QA1
model = 4
firmwareMajor = 6
firmwareMinor = 2
firmwareRevision = Kadro v6.2
fpgaRevision = FPGA 3.0
capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y
variant = Kadro MF
allowedHarmonics = 12
delayResolution = 2.5e-8
lowSignal = no
frequency = 13560000 3 25 -10
frequency = 2000000 2 75 40 50
pulsePeriod = 1000
pulseOnTime = 300

[sensor]
serial = QA2
frequency = 40680000 1
)";

class Quvix3Sim : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(quvix3SimConfigure(twoSensors), 2); }

    int openBoth()
    {
        first = quvixOpen(0);
        second = quvixOpen(0);
        return first > 0 && second > 0 && first != second;
    }

    int first = 0;
    int second = 0;
};

TEST_F(Quvix3Sim, OpenHandsOutEachAttachedSensorOnceThenReturnsZero)
{
    ASSERT_TRUE(openBoth());
    EXPECT_EQ(quvixOpen(0), 0);
    char serial[112] = {0};
    ASSERT_GT(quvixGetSerial(first, serial), 0);
    EXPECT_STREQ(serial, "QA1");

    quvixClose(first);
    const int again = quvixOpen(0);
    EXPECT_GT(again, second) << "handles are never reused";
    EXPECT_EQ(quvixGetSerial(first, serial), 0) << "a closed handle is dead";
}

TEST_F(Quvix3Sim, NothingAttachedOpensNothing)
{
    ASSERT_EQ(quvix3SimConfigure("[sensor]\nserial = GONE\nattached = no\n"), 1);
    EXPECT_EQ(quvixOpen(0), 0);
    ASSERT_EQ(quvix3SimConfigure(""), 0);
    EXPECT_EQ(quvixOpen(0), 0);
}

TEST_F(Quvix3Sim, IdentityComesFromTheConfiguration)
{
    ASSERT_TRUE(openBoth());
    EXPECT_EQ(quvixGetModel(first), 4);
    EXPECT_EQ(quvixGetFirmwareMajor(first), 6);
    EXPECT_EQ(quvixGetFirmwareMinor(first), 2);
    char text[100] = {0};
    quvixGetFirmwareRevision(first, text);
    EXPECT_STREQ(text, "Kadro v6.2");
    quvixGetFPGARevision(first, text);
    EXPECT_STREQ(text, "FPGA 3.0");
    quvixGetCapabilities(first, text);
    EXPECT_STREQ(text, "Pulse=Y;Vi=Y;MultipleFrequency=Y");
    char variant[60] = {0};
    quvixGetVariantInfo(first, variant);
    EXPECT_STREQ(variant, "Kadro MF");
    EXPECT_DOUBLE_EQ(quvixGetDelayResolution(first), 2.5e-8);
    EXPECT_EQ(quvixHasLowSignalMode(first), 0);
    EXPECT_LT(quvixSetLowSignalMode(first), 0);
    EXPECT_EQ(quvixHasLowSignalMode(second), 1);
    EXPECT_GE(quvixSetLowSignalMode(second), 0);

    ASSERT_EQ(quvixGetFrequencyCount(first), 2);
    double hz = 0.0;
    int harmonics = 0;
    quvixGetFrequencyDetails(first, 1, &hz, &harmonics);
    EXPECT_DOUBLE_EQ(hz, 2000000.0);
    EXPECT_EQ(harmonics, 2);
    EXPECT_EQ(quvixGetFrequencyDetails(first, 2, &hz, &harmonics), 0);
    EXPECT_EQ(harmonics, 0);
}

TEST_F(Quvix3Sim, AllowedHarmonicsFillsTwoBytesWithoutTerminator)
{
    ASSERT_TRUE(openBoth());
    char buffer[4] = {'x', 'x', 'x', 'x'};
    quvixAllowedHarmonics(first, buffer);
    EXPECT_EQ(std::string(buffer, 4), "12xx");
}

TEST_F(Quvix3Sim, SamplesArePacedByTheReportRateAndCounted)
{
    ASSERT_TRUE(openBoth());
    quvixSetReportRate(second, 7);
    const long long before = quvix3SimSamplesDelivered("QA2");
    std::vector<int> deltas;
    for (int i = 0; i < 10; ++i) {
        const Read read = readSample(second);
        ASSERT_TRUE(read.hasSample());
        deltas.push_back(read.tsDelta);
    }
    // Time stamps are the sample clock (24 MHz ticks), not the reader's timing.
    for (std::size_t i = 1; i < deltas.size(); ++i)
        EXPECT_EQ(deltas[i], 7 * 24000) << "sample " << i;
    EXPECT_EQ(quvix3SimSamplesDelivered("QA2") - before, 10);
    EXPECT_EQ(quvix3SimSamplesDelivered("QA1"), 0);
    EXPECT_EQ(quvix3SimSamplesDelivered("NOPE"), -1);
}

TEST_F(Quvix3Sim, SampleFollowsSelectionAndTheLoadExactly)
{
    ASSERT_TRUE(openBoth());
    quvixSetReportRate(first, 2);
    quvixDisableParameters(first);
    quvixEnableParameters(first, 0, 3);
    quvixEnableParameters(first, 1, 2);
    ASSERT_EQ(quvixParameterReload(first), 1);
    quvixSetPulseMonitorMode(first);

    const Read read = readSample(first);
    ASSERT_TRUE(read.hasSample());
    ASSERT_EQ(read.count, (2 + 4 * 3) + (2 + 4 * 2) + 2);
    const std::complex<double> loads[] = {{25.0, -10.0}, {75.0, 40.0}};
    const double* group = read.values.data();
    for (int f = 0; f < 2; ++f) {
        const int harmonics = f == 0 ? 3 : 2;
        EXPECT_DOUBLE_EQ(group[0], f == 0 ? 13560000.0 : 2000000.0);
        for (int h = 0; h < harmonics; ++h) {
            const double v = group[2 + 4 * h], i = group[4 + 4 * h], phi = group[5 + 4 * h];
            EXPECT_NEAR(v / i, std::abs(loads[f]), 1e-9 * std::abs(loads[f]));
            EXPECT_NEAR(-phi, std::arg(loads[f]) * 180.0 / M_PI, 1e-9);
        }
        const double v = group[2], i = group[4], phi = group[5];
        EXPECT_NEAR(group[1], v * i * std::cos(phi * M_PI / 180.0), 1e-9 * std::abs(group[1]));
        group += 2 + 4 * harmonics;
    }
    EXPECT_DOUBLE_EQ(group[0], 1000.0) << "pulse period in pulse monitor mode";
    EXPECT_DOUBLE_EQ(group[1], 300.0);

    ASSERT_EQ(quvix3SimSetLoad("QA1", 0, 50.0, 0.0), 1);
    const Read changed = readSample(first);
    EXPECT_NEAR(changed.values[2] / changed.values[4], 50.0, 1e-9);
}

TEST_F(Quvix3Sim, ReloadRefusesMoreHarmonicsThanMeasuredAndKeepsTheSelection)
{
    ASSERT_TRUE(openBoth());
    quvixDisableParameters(first);
    quvixEnableParameters(first, 1, 2);
    ASSERT_EQ(quvixParameterReload(first), 1);
    quvixDisableParameters(first);
    quvixEnableParameters(first, 0, 4);
    EXPECT_EQ(quvixParameterReload(first), 0);
    EXPECT_EQ(quvix3SimDeviceSetting("QA1", "selectedHarmonics0"), 0.0);
    EXPECT_EQ(quvix3SimDeviceSetting("QA1", "selectedHarmonics1"), 2.0);
    EXPECT_EQ(quvixEnableParameters(first, 2, 1), 0);
}

TEST_F(Quvix3Sim, SettersReachTheDevice)
{
    ASSERT_TRUE(openBoth());
    quvixLockOnChannel2(first, 2);
    quvixSetTriggerValue(first, 77);
    quvixSetPMMConfig(first, 12.5, 3);
    quvixConfigureFPGA(first, 1, 8, 50.0, 40, 900);
    const std::pair<const char*, double> expected[] = {
        {"lockOnChannel2", 2},  {"triggerValue", 77}, {"pmmThreshold", 12.5}, {"pmmTrim", 3},
        {"externalTrigger", 1}, {"accumulations", 8}, {"triggerDelay", 40},   {"triggerHoldoff", 900},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(quvix3SimDeviceSetting("QA1", name), value) << name;
    EXPECT_EQ(quvix3SimCallCount("QA1", "quvixConfigureFPGA"), 1);
    EXPECT_TRUE(std::isnan(quvix3SimDeviceSetting("QA1", "noSuchSetting")));

    int mode = 0;
    quvixSetPulseMonitorMode(first);
    EXPECT_EQ(quvixGetPulseMonitorMode(first, &mode), 1);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(quvixSetNormalMode(first), 1);
    quvixGetPulseMonitorMode(first, &mode);
    EXPECT_EQ(mode, 0);
}

TEST_F(Quvix3Sim, TriggeredReadsFollowThePulseAtTheTriggerDelay)
{
    ASSERT_TRUE(openBoth());
    // 2.5e-8 s per step: 4000 steps = 100 us (on), 20000 steps = 500 us (off).
    quvixConfigureFPGA(first, 1, 2, 50.0, 4000, 100);
    const Read on = readSample(first);
    quvixConfigureFPGA(first, 1, 2, 50.0, 20000, 100);
    const Read off = readSample(first);
    ASSERT_TRUE(on.hasSample() && off.hasSample());
    EXPECT_EQ(on.delay, 4000);
    EXPECT_EQ(off.delay, 20000);
    EXPECT_LT(off.values[2], on.values[2] / 10.0);
    // Paced by accumulations x pulse period: 2 x 1000 us.
    EXPECT_EQ(off.tsDelta, 2 * 24000);
}

TEST_F(Quvix3Sim, PullingTheSensorKillsItsHandleForGood)
{
    ASSERT_TRUE(openBoth());
    ASSERT_TRUE(readSample(first).hasSample());
    ASSERT_EQ(quvix3SimSetAttached("QA1", 0), 1);
    EXPECT_EQ(readOnce(first).result, 0);
    EXPECT_EQ(quvixSetTriggerDelay(first, 0), 0) << "the connection probe fails too";
    EXPECT_EQ(quvixOpen(0), 0);

    quvix3SimSetAttached("QA1", 1);
    const int returned = quvixOpen(0);
    EXPECT_GT(returned, second);
    EXPECT_EQ(readOnce(first).result, 0) << "the old handle stays dead";
    EXPECT_TRUE(readSample(returned).hasSample());
}

TEST_F(Quvix3Sim, PresenceFileIsTheCable)
{
    char path[] = "/tmp/quvix3-presence-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_EQ(quvix3SimConfigure(
                  (std::string("[sensor]\nserial = QP\nfrequency = 1e6 1\npresence = ") + path).c_str()),
              1);
    const int handle = quvixOpen(0);
    ASSERT_GT(handle, 0);
    ASSERT_EQ(std::remove(path), 0);
    EXPECT_EQ(readOnce(handle).result, 0);
    EXPECT_EQ(quvixOpen(0), 0);
    std::fclose(std::fopen(path, "w"));
    EXPECT_GT(quvixOpen(0), handle);
    std::remove(path);
}

TEST_F(Quvix3Sim, TwoHandlesReadFromTwoThreads)
{
    ASSERT_TRUE(openBoth());
    quvixSetReportRate(first, 3);
    quvixSetReportRate(second, 4);
    const long long before1 = quvix3SimSamplesDelivered("QA1");
    const long long before2 = quvix3SimSamplesDelivered("QA2");
    auto reader = [](int handle, int& samples) {
        for (int i = 0; i < 25; ++i)
            samples += readSample(handle).hasSample() ? 1 : 0;
    };
    int samples1 = 0, samples2 = 0;
    std::thread t1(reader, first, std::ref(samples1));
    std::thread t2(reader, second, std::ref(samples2));
    t1.join();
    t2.join();
    EXPECT_EQ(samples1, 25);
    EXPECT_EQ(samples2, 25);
    EXPECT_EQ(quvix3SimSamplesDelivered("QA1") - before1, 25);
    EXPECT_EQ(quvix3SimSamplesDelivered("QA2") - before2, 25);
}

struct FaultCase {
    const char* fault;
    int expectedResult;
    int countChange; // against the layout length; INT32_MIN: not checked
    bool remainingIs100;
    bool nanInVoltage;
};

class Quvix3SimFault : public Quvix3Sim, public ::testing::WithParamInterface<FaultCase>
{
};

TEST_P(Quvix3SimFault, ReadShowsTheFault)
{
    const FaultCase& fault = GetParam();
    ASSERT_TRUE(openBoth());
    quvixSetReportRate(second, 2);
    ASSERT_EQ(quvix3SimSetFault("QA2", fault.fault), 1);
    Read read;
    for (int i = 0; i < 200 && read.result >= 0; ++i) {
        read = readOnce(second);
        if (read.result <= 0 || read.count > 0)
            break;
    }
    EXPECT_EQ(read.result, fault.expectedResult);
    if (fault.expectedResult <= 0)
        return;
    const int layout = 2 + 4 * 1 + 2;
    EXPECT_EQ(read.count, fault.countChange == 1 ? capacity + 1 : layout + fault.countChange);
    EXPECT_EQ(read.remaining == 100, fault.remainingIs100);
    EXPECT_EQ(std::isnan(read.values[2]), fault.nanInVoltage);
}

INSTANTIATE_TEST_SUITE_P(Faults, Quvix3SimFault,
                         ::testing::Values(FaultCase{"none", 1, 0, false, false},
                                           FaultCase{"nan", 1, 0, false, true},
                                           FaultCase{"shortcount", 1, -1, false, false},
                                           FaultCase{"overcount", 1, 1, false, false},
                                           FaultCase{"noremaining", 1, 0, true, false},
                                           FaultCase{"readfail", 0, 0, false, false}));

TEST(Quvix3SimConfig, BadTextIsRefusedAndTheOldConfigurationStays)
{
    ASSERT_EQ(quvix3SimConfigure("[sensor]\nserial = KEEP\nfrequency = 1e6 1\n"), 1);
    const char* const bad[] = {"serial = before any sensor\n", "[sensor]\nfrequency = 13.56e6\n",
                               "[sensor]\nfrequency = 1e6 17\n", "[sensor]\nfault = smoke\n",
                               "[sensor]\nunknownKey = 1\n"};
    for (const char* text : bad)
        EXPECT_EQ(quvix3SimConfigure(text), -1) << text;
    char serial[64] = {0};
    const int handle = quvixOpen(0);
    quvixGetSerial(handle, serial);
    EXPECT_STREQ(serial, "KEEP");
    EXPECT_EQ(quvix3SimSetFault("KEEP", "smoke"), 0);
}

// Where the configuration comes from at the library's first call. Each case
// runs in a fresh process, since the library reads it only once.
class Quvix3SimStartup : public ::testing::Test
{
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Exit code 0 when the first sensor the library presents has this serial.
[[noreturn]] void exitWithFirstSerial(const char* expected)
{
    char serial[64] = {0};
    const int handle = quvixOpen(0);
    const bool matches =
        expected ? handle > 0 && quvixGetSerial(handle, serial) > 0 && std::string(serial) == expected
                 : handle == 0;
    std::exit(matches ? 0 : 1);
}

TEST_F(Quvix3SimStartup, FileNamedByTheEnvironment)
{
    char path[] = "/tmp/quvix3-config-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = "[sensor]\nserial = FROMFILE\nfrequency = 1e6 1\n";
    ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
    EXPECT_EXIT(
        {
            setenv("QUVIX3_SIM_CONFIG", path, 1);
            exitWithFirstSerial("FROMFILE");
        },
        ::testing::ExitedWithCode(0), "");
    std::remove(path);
}

TEST_F(Quvix3SimStartup, UnreadableNamedFileAttachesNothing)
{
    EXPECT_EXIT(
        {
            setenv("QUVIX3_SIM_CONFIG", "/nonexistent/quvix3.conf", 1);
            exitWithFirstSerial(nullptr);
        },
        ::testing::ExitedWithCode(0), "cannot read");
}

TEST_F(Quvix3SimStartup, WithoutConfigurationOneDefaultSensor)
{
    EXPECT_EXIT(
        {
            unsetenv("QUVIX3_SIM_CONFIG");
            const int handle = quvixOpen(0);
            double hz = 0.0;
            int harmonics = 0;
            char capabilities[100] = {0};
            quvixGetFrequencyDetails(handle, 0, &hz, &harmonics);
            quvixGetCapabilities(handle, capabilities);
            const bool ok =
                handle > 0 && quvixGetFrequencyCount(handle) == 1 && hz == 13560000.0 && harmonics == 5 &&
                std::string(capabilities).find("Pulse=Y") != std::string::npos && quvixOpen(0) == 0;
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
