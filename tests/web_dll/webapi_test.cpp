// The deliverable through its C interface, against the simulated network
// sensor inside the private network namespace: handles, getters, setters,
// and the worker's sends, pacing, queue and delivery.

#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"
#include "web_dll/quvixwebapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using quvixsim::LoggedRequest;
using quvixsim::WebSensorFaults;
using quvixsim::WebSensorOptions;
using quvixsim::WebSensorServer;

constexpr int generousMs = 10000;
const std::string dataPath = "/quvix_service/data3Short.cgi";

TEST(ExportTable, ExactlyTheThirtySixFunctions)
{
    const std::string library = testenv::binaryDir().toStdString() + "/libQuvix_web_dll.so";
    FILE* nm = popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, nm)) {
        char address[64], kind[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", address, kind, name) == 3)
            exported.insert(name);
    }
    ASSERT_EQ(pclose(nm), 0);
    const std::set<std::string> expected{"quvixWebOpen",
                                         "quvixClose",
                                         "quvixIsConnected",
                                         "quvixGetSerial",
                                         "quvixGetDeviceName",
                                         "quvixGetFirmwareRevision",
                                         "quvixGetFPGARevision",
                                         "quvixGetModel",
                                         "quvixGetVariantInfo",
                                         "quvixGetCapabilities",
                                         "quvixGetFirmwareMajor",
                                         "quvixGetFirmwareMinor",
                                         "quvixGetFrequencyCount",
                                         "quvixGetFrequencyDetails",
                                         "quvixGetDelayResolution",
                                         "quvixHasLowSignalMode",
                                         "quvixGetDataHR",
                                         "quvixGetData",
                                         "quvixSetReportRate",
                                         "quvixLockOnChannel2",
                                         "quvixDisableParameters",
                                         "quvixEnableParameters",
                                         "quvixParameterReload",
                                         "quvixConfigureFPGA",
                                         "quvixUseExternalTrigger",
                                         "quvixSetTriggerValue",
                                         "quvixSetTriggerDelay",
                                         "quvixSetTriggerHoldoff",
                                         "quvixSetNumberOfAccumulations",
                                         "quvixEnablePulseMode",
                                         "quvixSetPMMConfig",
                                         "quvixResetEnergy",
                                         "quvixGetParameterDetails",
                                         "quvixGetNumberOfParameters",
                                         "quvixSetNormalMode",
                                         "quvixSetLowSignalMode"};
    EXPECT_EQ(expected.size(), 36u);
    EXPECT_EQ(exported, expected);
}

class WebApi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        options.address = "192.0.2.2";
        options.port = 0;
        options.serial = "QX31337";
        options.firmwareRevision = "v5.23";
        options.loads[0].driftFraction = 0.0;
    }

    void TearDown() override
    {
        for (int handle : opened)
            quvixClose(handle);
    }

    void startSimulator()
    {
        sim = std::make_unique<WebSensorServer>(options);
        ASSERT_TRUE(sim->start());
    }

    // Distinct base URLs that all reach the one simulator.
    std::string url(int i = 0) const
    {
        return "http://s" + std::to_string(i) + "@192.0.2.2:" + std::to_string(sim->port()) + "/";
    }

    int open(int i = 0)
    {
        const int handle = quvixWebOpen(url(i).c_str());
        if (handle >= 0)
            opened.push_back(handle);
        return handle;
    }

    void close(int handle)
    {
        quvixClose(handle);
        opened.erase(std::remove(opened.begin(), opened.end(), handle), opened.end());
    }

    size_t countRequests(const std::string& method, const std::string& path) const
    {
        const std::vector<LoggedRequest> log = sim->requests();
        return std::count_if(log.begin(), log.end(),
                             [&](const LoggedRequest& r) { return r.method == method && r.path == path; });
    }

    // Waits for the worker's traffic as the simulator receives it.
    bool waitForRequest(const std::string& method, const std::string& path, size_t times = 1)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(generousMs);
        while (countRequests(method, path) < times) {
            const size_t seen = sim->requests().size();
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            sim->waitForRequests(seen + 1, generousMs);
        }
        return true;
    }

    // Waits for a request whose body holds `bodyPart`.
    bool waitForRequestWith(const std::string& method, const std::string& path, const std::string& bodyPart)
    {
        const auto logged = [&] {
            const std::vector<LoggedRequest> log = sim->requests();
            return std::any_of(log.begin(), log.end(), [&](const LoggedRequest& r) {
                return r.method == method && r.path == path && r.body.find(bodyPart) != std::string::npos;
            });
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(generousMs);
        while (!logged()) {
            const size_t seen = sim->requests().size();
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            sim->waitForRequests(seen + 1, generousMs);
        }
        return true;
    }

    struct Sample {
        int result = 0;
        int count = 0;
        int delta = 0;
        double peak = 0.0;
        int delay = 0;
        int remaining = 0;
        std::vector<double> values = std::vector<double>(490, -1.0);
    };

    Sample read(int handle, int capacity = 490)
    {
        Sample s;
        s.count = capacity;
        s.result =
            quvixGetDataHR(handle, s.values.data(), &s.count, &s.delta, &s.peak, &s.delay, &s.remaining);
        return s;
    }

    WebSensorOptions options;
    std::unique_ptr<WebSensorServer> sim;
    std::vector<int> opened;
};

TEST_F(WebApi, HandlesStartAtZeroAndAreReused)
{
    startSimulator();
    ASSERT_EQ(open(0), 0);
    ASSERT_EQ(open(1), 1);
    EXPECT_EQ(quvixWebOpen(url(1).c_str()), -10) << "that URL is open";
    close(0);
    EXPECT_EQ(open(2), 0);
    close(1);
    EXPECT_EQ(open(1), 1) << "the URL is free again after close";
}

TEST_F(WebApi, OpenFailuresLeaveNothingBehind)
{
    startSimulator();
    const std::string unreachable = "http://192.0.2.3:" + std::to_string(sim->port()) + "/";
    EXPECT_EQ(quvixWebOpen(unreachable.c_str()), -8);
    EXPECT_EQ(quvixWebOpen(("http://192.0.2.2/" + std::string(300, 'x') + "/").c_str()), -8);
    EXPECT_EQ(quvixWebOpen(nullptr), -8);
    EXPECT_EQ(open(0), 0) << "failed opens took no slot";
}

TEST_F(WebApi, ConcurrentOpensOfOneUrlGiveOneHandle)
{
    options.faults.replyDelayMs = 100; // the opens overlap
    startSimulator();
    std::promise<void> go;
    std::shared_future<void> start = go.get_future().share();
    auto opener = [&] {
        start.wait();
        return quvixWebOpen(url(7).c_str());
    };
    std::future<int> first = std::async(std::launch::async, opener);
    std::future<int> second = std::async(std::launch::async, opener);
    go.set_value();
    const int a = first.get();
    const int b = second.get();
    opened.push_back(std::max(a, b));
    EXPECT_EQ(std::min(a, b), -10);
    EXPECT_GE(std::max(a, b), 0);
}

TEST_F(WebApi, HundredAndFirstConnectionFindsNoSlot)
{
    options.refreshMs = 1000; // a hundred workers, polling gently
    startSimulator();
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(open(i), i);
    EXPECT_EQ(quvixWebOpen(url(100).c_str()), -9);
    close(42);
    EXPECT_EQ(open(100), 42);
}

TEST_F(WebApi, BadHandlesAndCallsNetworkSensorsDoNotOffer)
{
    startSimulator();
    const int handle = open();
    ASSERT_EQ(handle, 0);
    char text[100] = {};
    double value = 0.0;
    int number = 0;
    const std::vector<std::function<double(int)>> calls{
        [&](int h) { return quvixIsConnected(h); },
        [&](int h) { return quvixGetSerial(h, text); },
        [&](int h) { return quvixGetModel(h); },
        [&](int h) { return quvixGetFrequencyDetails(h, 0, &value, &number); },
        [&](int h) { return quvixGetDelayResolution(h); },
        [&](int h) { return quvixHasLowSignalMode(h); },
        [&](int h) { return quvixGetDataHR(h, &value, &number, &number, &value, &number, &number); },
        [&](int h) { return quvixSetReportRate(h, 100); },
        [&](int h) { return quvixConfigureFPGA(h, 0, 1, 10.0, 0, 0); },
        [&](int h) { return quvixResetEnergy(h); },
        [&](int h) { return quvixGetNumberOfParameters(h); },
    };
    for (int bad : {-1, 1, 99, 100, INT_MAX}) {
        for (size_t c = 0; c < calls.size(); ++c)
            EXPECT_EQ(calls[c](bad), -4.0) << "handle " << bad << " call " << c;
    }
    quvixClose(-1);
    quvixClose(100);
    EXPECT_EQ(quvixHasLowSignalMode(handle), 0);
    EXPECT_EQ(quvixGetParameterDetails(handle, 0, text, &number), -6);
    EXPECT_EQ(quvixGetNumberOfParameters(handle), -6);
    EXPECT_EQ(quvixSetNormalMode(handle), -6);
    EXPECT_EQ(quvixSetLowSignalMode(handle), -6);
    close(handle);
    EXPECT_EQ(quvixSetReportRate(handle, 100), -4) << "closed";
}

TEST_F(WebApi, IdentityGetters)
{
    options.frequenciesHz = {13.56e6, 27.12e6};
    options.harmonics = {5, 2};
    options.model = "Tavi";
    options.firmwareRevision = "v5.22";
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    char text[100] = {};
    EXPECT_EQ(quvixGetSerial(h, text), 7);
    EXPECT_STREQ(text, "QX31337");
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(quvixGetDeviceName(h, text), 7);
    EXPECT_EQ(text[7], 'x') << "no terminating NUL is written";
    std::memset(text, 0, sizeof text);
    EXPECT_EQ(quvixGetFirmwareRevision(h, text), 5);
    EXPECT_STREQ(text, "v5.22");
    EXPECT_EQ(quvixGetFirmwareMajor(h), 5);
    EXPECT_EQ(quvixGetFirmwareMinor(h), 22);
    EXPECT_EQ(quvixGetModel(h), 1);
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(quvixGetVariantInfo(h, text), 1);
    EXPECT_EQ(std::string(text, 8), std::string("Tavi\0\0\0\0", 8));
    EXPECT_EQ(text[8], 'x');
    EXPECT_EQ(quvixGetCapabilities(h, text), 1);
    EXPECT_STREQ(text, "Pulse=Y\nMultipleFrequency=N\nVi=N\n");
    EXPECT_EQ(quvixGetFrequencyCount(h), 2);
    double frequency = -1.0;
    int harmonics = -1;
    EXPECT_EQ(quvixGetFrequencyDetails(h, 1, &frequency, &harmonics), 1);
    EXPECT_DOUBLE_EQ(frequency, 27.12e6);
    EXPECT_EQ(harmonics, 2);
    for (int outside : {-1, 2}) {
        EXPECT_EQ(quvixGetFrequencyDetails(h, outside, &frequency, &harmonics), 1);
        EXPECT_EQ(frequency, 0.0);
        EXPECT_EQ(harmonics, 0);
    }
    EXPECT_EQ(quvixGetFrequencyDetails(h, 0, nullptr, nullptr), 1);
    EXPECT_DOUBLE_EQ(quvixGetDelayResolution(h), 1.0 / 34764706.0);
}

TEST_F(WebApi, DelayResolutionFallsBackByFirmware)
{
    options.delayClockHz = 0;
    const struct {
        const char* revision;
        double seconds;
    } cases[] = {{"v5.23", 1.0 / 34764706}, {"v4.30", 1.0 / 37588235}, {"v3.9", 1.0 / 37818181}};
    for (const auto& c : cases) {
        options.firmwareRevision = c.revision;
        startSimulator();
        const int h = open();
        ASSERT_GE(h, 0);
        EXPECT_DOUBLE_EQ(quvixGetDelayResolution(h), c.seconds) << c.revision;
        close(h);
    }
}

TEST_F(WebApi, SettingsReachTheSensor)
{
    options.frequenciesHz = {13.56e6, 27.12e6};
    options.harmonics = {5, 3};
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    EXPECT_EQ(quvixDisableParameters(h), 1);
    EXPECT_EQ(quvixEnableParameters(h, 0, 3), 1);
    EXPECT_EQ(quvixEnableParameters(h, 6, 9), 0) << "outside the table: nothing changes";
    EXPECT_EQ(quvixEnableParameters(h, -1, 9), 0);
    EXPECT_EQ(quvixLockOnChannel2(h, 2), 1);
    EXPECT_EQ(quvixParameterReload(h), 1);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 2));
    EXPECT_EQ(sim->state().selectedHarmonics(), (std::vector<int>{3, 0}));
    EXPECT_EQ(sim->state().signalLock(), "auto");

    EXPECT_EQ(quvixConfigureFPGA(h, 0, 2, 50.0, 0, 0), 1);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/fpga.cgi", 2));
    EXPECT_EQ(sim->state().trigger().triggerLevel, 4096);
    EXPECT_EQ(sim->state().trigger().accumulations, 2);
    EXPECT_EQ(countRequests("POST", "/quvix_service/fpga.cgi"), 1u);

    EXPECT_EQ(quvixConfigureFPGA(h, 1, 1, 33.3, 5, 2), 1);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/fpga.cgi", 3));
    EXPECT_EQ(sim->state().trigger().triggerLevel, 2727);
    EXPECT_TRUE(sim->state().trigger().pulseTriggered) << "a holdoff sends to the pulse address";

    EXPECT_EQ(quvixEnablePulseMode(h, 1), 1);
    EXPECT_EQ(quvixSetPMMConfig(h, 12.9, 4), 1);
    // The worker may send the pulse mode alone before the threshold follows in its next pass.
    ASSERT_TRUE(waitForRequestWith("POST", "/quvix_service/data3.cgi", "pulse_threshold_percent"));
    EXPECT_EQ(sim->state().pulseMonitor().monitorPulse, 1);
    EXPECT_EQ(sim->state().pulseMonitor().thresholdPercent, 12);
    EXPECT_EQ(sim->state().pulseMonitor().trim, 4);
}

TEST_F(WebApi, SelectionChangedWhileAConfigSendRunsIsKept)
{
    options.frequenciesHz = {13.56e6, 27.12e6};
    options.harmonics = {5, 3};
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    WebSensorFaults slow;
    slow.replyDelayMs = 300; // the config read-back is still on its way when the caller changes the selection
    sim->setFaults(slow);
    EXPECT_EQ(quvixSetReportRate(h, 200), 1);
    ASSERT_TRUE(waitForRequest("POST", "/quvix_service/config.cgi"));
    EXPECT_EQ(quvixDisableParameters(h), 1);
    EXPECT_EQ(quvixEnableParameters(h, 0, 2), 1);
    EXPECT_EQ(quvixEnableParameters(h, 1, 1), 1);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 2));
    // The data fetch follows the read-back in the same pass, so by then it was parsed.
    ASSERT_TRUE(waitForRequest("GET", dataPath, countRequests("GET", dataPath) + 1));
    sim->setFaults(WebSensorFaults());
    EXPECT_EQ(quvixParameterReload(h), 1);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 3));
    EXPECT_EQ(sim->state().selectedHarmonics(), (std::vector<int>{2, 1}));
    EXPECT_EQ(sim->state().refreshMs(), 200);
}

TEST_F(WebApi, DeliversSamplesWithTimeDeltaAndPeak)
{
    options.refreshMs = 100;
    options.harmonics = {5};
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    EXPECT_EQ(quvixIsConnected(h), 1);
    const Sample first = read(h);
    ASSERT_EQ(first.result, 1);
    EXPECT_EQ(first.delta, 0) << "nothing before it";
    EXPECT_DOUBLE_EQ(first.peak, 50.0);
    EXPECT_EQ(first.count, 2 + 4 * 5 + 2);
    EXPECT_DOUBLE_EQ(first.values[0], 13.56e6);
    EXPECT_LE(first.remaining, 99);
    for (int i = 0; i < 3; ++i) {
        const Sample next = read(h);
        ASSERT_EQ(next.result, 1);
        EXPECT_GT(next.delta, 0);
        EXPECT_EQ(next.delta % 2400000, 0) << "100 ms steps of a 24 MHz clock";
    }
    int count = 490;
    int delta = -1;
    int last = -1;
    std::vector<double> values(490);
    ASSERT_EQ(quvixGetData(h, values.data(), &count, &delta, nullptr, nullptr, &last), 1);
    EXPECT_EQ(delta % 100, 0);
    EXPECT_GT(delta, 0);
    EXPECT_TRUE(last == 0 || last == 1);

    count = 490;
    ASSERT_EQ(quvixGetDataHR(h, nullptr, &count, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(count, 0) << "no buffer, nothing written";
}

TEST_F(WebApi, RepeatedTimeStampsBoundTheWaitForASample)
{
    options.refreshMs = 20;
    options.faults.repeatTimestamps = true;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    Sample first;
    for (int attempt = 0; attempt < 100 && first.count == 0; ++attempt) {
        first = read(h);
        ASSERT_EQ(first.result, 1);
    }
    ASSERT_EQ(first.count, 24) << "the first sample is new";

    // Every later reply repeats its time stamp: the reader hears "no sample".
    std::future<Sample> next = std::async(std::launch::async, [&] {
        Sample s;
        s.remaining = 100;
        s.result = quvixGetDataHR(h, s.values.data(), &s.count, &s.delta, &s.peak, &s.delay, &s.remaining);
        return s;
    });
    const bool returned = next.wait_for(std::chrono::milliseconds(generousMs)) == std::future_status::ready;
    if (!returned)
        close(h); // wakes the reader, so the test can end
    ASSERT_TRUE(returned);
    const Sample none = next.get();
    EXPECT_EQ(none.result, 1);
    EXPECT_EQ(none.count, 0);
    EXPECT_EQ(none.remaining, 100) << "left as the caller set it";
    EXPECT_EQ(quvixIsConnected(h), 1) << "the sensor still answers";
}

TEST_F(WebApi, LongGapSaturatesInsteadOfRunningBackwards)
{
    options.refreshMs = 50;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    ASSERT_EQ(read(h).result, 1);
    sim->state().jumpTimestamps(10 * 60 * 1000);
    // The first sample after the jump is the one whose delta is large.
    Sample after;
    do {
        after = read(h);
        ASSERT_EQ(after.result, 1);
    } while (after.delta < 24000 * 60000 && after.delta != INT_MAX);
    EXPECT_EQ(after.delta, INT_MAX);
}

TEST_F(WebApi, DeliveryRespectsTheCallersCapacity)
{
    options.harmonics = {5};
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    Sample tooSmall;
    tooSmall.result = -100;
    for (int attempt = 0; attempt < 100 && tooSmall.result != 0; ++attempt)
        tooSmall = read(h, 10);
    ASSERT_EQ(tooSmall.result, 0) << "a sample that does not fit is not delivered";
    EXPECT_EQ(tooSmall.count, 24) << "the room it needs";
    EXPECT_TRUE(
        std::all_of(tooSmall.values.begin(), tooSmall.values.end(), [](double v) { return v == -1.0; }));
    const Sample exact = read(h, 24);
    ASSERT_EQ(exact.result, 1);
    EXPECT_EQ(exact.count, 24);
    EXPECT_EQ(exact.delta, 0) << "the very sample that did not fit: the first one";
    EXPECT_EQ(exact.values[24], -1.0);
}

TEST_F(WebApi, RemainingStaysBelowTheNoSampleMark)
{
    options.refreshMs = 10;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    ASSERT_TRUE(sim->waitForSamples(130, 30000));
    const Sample s = read(h);
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(s.remaining, 99);
}

TEST_F(WebApi, HarmonicSelectionChangesLayoutAndFlushesOldSamples)
{
    options.frequenciesHz = {13.56e6, 27.12e6};
    options.harmonics = {5, 2};
    options.refreshMs = 20;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    ASSERT_TRUE(sim->waitForSamples(5, generousMs)) << "a few samples queue up unread";
    quvixDisableParameters(h);
    quvixEnableParameters(h, 0, 3);
    quvixParameterReload(h);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 2));
    // The pass's data fetch starts only after the reply was read and the queue flushed.
    ASSERT_TRUE(waitForRequest("GET", dataPath, countRequests("GET", dataPath) + 1));
    const Sample s = read(h);
    ASSERT_EQ(s.result, 1);
    EXPECT_EQ(s.count, 2 + 12 + 2) << "samples from before the change were dropped";
    EXPECT_DOUBLE_EQ(s.values[0], 13.56e6);
    EXPECT_DOUBLE_EQ(s.values[14], 0.0) << "pulse period of a CW sensor";
}

TEST_F(WebApi, SamplesKeepTheSelectedLayoutWhateverTheSensorReadsBack)
{
    options.frequenciesHz = {13.56e6, 27.12e6};
    options.harmonics = {5, 3};
    options.refreshMs = 20;
    options.faults.ignoredSelection = {3, 3};
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    quvixDisableParameters(h);
    quvixEnableParameters(h, 0, 1);
    quvixParameterReload(h);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 2));
    ASSERT_EQ(sim->state().selectedHarmonics(), (std::vector<int>{3, 3})) << "the sensor kept its own";
    ASSERT_TRUE(waitForRequest("GET", dataPath, countRequests("GET", dataPath) + 1));
    Sample s;
    for (int attempt = 0; attempt < 100 && s.count == 0; ++attempt)
        s = read(h);
    ASSERT_EQ(s.result, 1);
    ASSERT_EQ(s.count, 2 + 4 + 2) << "one harmonic of the first frequency, as selected";
    EXPECT_DOUBLE_EQ(s.values[0], 13.56e6);
    EXPECT_EQ(s.values[6], 0.0) << "pulse period, not a harmonic's voltage";

    // A sensor that sends fewer harmonics than selected delivers nothing.
    WebSensorFaults fewer;
    fewer.ignoredSelection = {0, 0};
    sim->setFaults(fewer);
    quvixParameterReload(h);
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", 3));
    do
        s = read(h);
    while (s.result == 1 && s.count != 0);
    EXPECT_TRUE(s.result == -1 || (s.result == 1 && s.count == 0)) << s.result;
    // Each refused fetch clears the connected flag the program shows.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(generousMs);
    while (quvixIsConnected(h) != 0 && std::chrono::steady_clock::now() < deadline)
        waitForRequest("GET", dataPath, countRequests("GET", dataPath) + 1);
    EXPECT_EQ(quvixIsConnected(h), 0) << "the mismatch shows";
}

TEST_F(WebApi, RedirectsAreNeverFollowed)
{
    options.refreshMs = 20;
    startSimulator();
    WebSensorOptions otherOptions = options;
    otherOptions.serial = "QXOTHER";
    WebSensorServer other(otherOptions);
    ASSERT_TRUE(other.start());
    const int h = open();
    ASSERT_GE(h, 0);

    // To another device: its samples must not be taken for this sensor's.
    WebSensorFaults elsewhere;
    elsewhere.redirectSamplesTo = other.baseUrl() + "quvix_service/data3Short.cgi";
    sim->setFaults(elsewhere);
    const size_t before = countRequests("GET", dataPath);
    ASSERT_TRUE(waitForRequest("GET", dataPath, before + 5));
    EXPECT_EQ(other.requests().size(), 0u);
    EXPECT_EQ(quvixIsConnected(h), 0) << "a redirect fails the fetch";

    // To itself: one request per fetch, not a loop.
    WebSensorFaults loop;
    loop.redirectSamplesTo = "http://192.0.2.2:" + std::to_string(sim->port()) + dataPath;
    sim->setFaults(loop);
    sim->clearRequests();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitForRequest("GET", dataPath, 20));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(20 / seconds, 400.0) << "requests per second";
}

TEST_F(WebApi, OddRefreshRatesArePacedWithinTheSelectableRange)
{
    for (const char* rate : {"-2147483648", "0", "x"}) {
        options.faults.refreshText = rate;
        startSimulator();
        const int h = open();
        ASSERT_GE(h, 0) << rate;
        ASSERT_TRUE(waitForRequest("GET", dataPath, 3));
        sim->clearRequests();
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(waitForRequest("GET", dataPath, 50));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The fastest rate, 10 ms, is fetched twice a period.
        EXPECT_LT(50 / seconds, 400.0) << rate << ": fetches per second";
        close(h);
    }
}

TEST_F(WebApi, FailedSendsAreRetriedUntilTheSensorTakesThem)
{
    options.refreshMs = 30;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    WebSensorFaults refuse;
    refuse.notFound = {"POST /quvix_service/config.cgi", "POST /quvix_service/fpga.cgi",
                       "POST /quvix_service/data3.cgi", "/quvix_service/data3Short.cgi"};
    sim->setFaults(refuse);
    quvixSetReportRate(h, 60);
    quvixSetTriggerValue(h, 1000);
    quvixResetEnergy(h);
    ASSERT_TRUE(waitForRequest("POST", "/quvix_service/config.cgi", 3));
    ASSERT_TRUE(waitForRequest("POST", "/quvix_service/fpga.cgi", 3));
    ASSERT_TRUE(waitForRequest("POST", "/quvix_service/data3.cgi", 3));
    EXPECT_EQ(quvixIsConnected(h), 0);
    EXPECT_EQ(sim->state().pulseMonitor().energyResets, 0);

    sim->setFaults({});
    const size_t configGets = countRequests("GET", "/quvix_service/config.cgi");
    ASSERT_TRUE(waitForRequest("GET", "/quvix_service/config.cgi", configGets + 1));
    // The fetch after the sends, then one more, so the first one has been read.
    ASSERT_TRUE(waitForRequest("GET", dataPath, countRequests("GET", dataPath) + 2));
    EXPECT_EQ(sim->state().refreshMs(), 60);
    EXPECT_EQ(sim->state().trigger().triggerLevel, 1000);
    const std::vector<LoggedRequest> log = sim->requests();
    const auto lastData3 = std::find_if(log.rbegin(), log.rend(), [](const LoggedRequest& r) {
        return r.method == "POST" && r.path == "/quvix_service/data3.cgi";
    });
    ASSERT_NE(lastData3, log.rend());
    EXPECT_NE(lastData3->body.find("reset_accumulated_energy"), std::string::npos)
        << "the reset request survived the failed sends";
    EXPECT_EQ(sim->state().pulseMonitor().energyResets, 1);
    EXPECT_EQ(quvixIsConnected(h), 1);
}

TEST_F(WebApi, LostSensorEndsReadsOnceTheQueueIsEmpty)
{
    options.refreshMs = 30;
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    ASSERT_EQ(read(h).result, 1);
    sim->stop();
    Sample s;
    do
        s = read(h);
    while (s.result == 1);
    EXPECT_EQ(s.result, -1);
    EXPECT_EQ(quvixIsConnected(h), 0);
}

TEST_F(WebApi, CloseWakesABlockedReader)
{
    options.refreshMs = 60000; // one sample, then a long silence
    startSimulator();
    const int h = open();
    ASSERT_GE(h, 0);
    std::promise<void> firstRead;
    std::future<int> blocked = std::async(std::launch::async, [&] {
        Sample first = read(h);
        firstRead.set_value();
        if (first.result != 1)
            return -100;
        // Reads that wait in vain return with no sample; the next one waits again.
        Sample next;
        do
            next = read(h);
        while (next.result == 1 && next.count == 0);
        return next.result;
    });
    ASSERT_EQ(firstRead.get_future().wait_for(std::chrono::milliseconds(generousMs)),
              std::future_status::ready);
    close(h);
    ASSERT_EQ(blocked.wait_for(std::chrono::milliseconds(generousMs)), std::future_status::ready);
    // -1: woken inside the wait; -4: the read came after the close.
    const int result = blocked.get();
    EXPECT_TRUE(result == -1 || result == -4) << result;
}

} // namespace
