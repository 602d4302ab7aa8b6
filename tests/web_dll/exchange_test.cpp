// The library's HTTP exchanges against the simulated network sensor, over
// real HTTP inside the private network namespace.

#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"
#include "web_dll/quvixwebsensor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using quvixsim::LoggedRequest;
using quvixsim::WebSensorFaults;
using quvixsim::WebSensorOptions;
using quvixsim::WebSensorServer;

class Exchanges : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        options.address = "192.0.2.2";
        options.port = 0;
        options.serial = "QX4711";
        options.loads[0].driftFraction = 0.0;
        options.loads[0].resistance = 30.0;
        options.loads[0].reactance = 40.0;
    }

    void startSimulator()
    {
        sim = std::make_unique<WebSensorServer>(options);
        ASSERT_TRUE(sim->start());
        sensor = std::make_unique<quvixWebSensor>(sim->baseUrl().c_str());
    }

    void openAndForget()
    {
        startSimulator();
        ASSERT_TRUE(sensor->openSequence());
        sim->clearRequests();
    }

    std::vector<std::string> requestLines() const
    {
        std::vector<std::string> lines;
        for (const LoggedRequest& r : sim->requests())
            lines.push_back(r.method + " " + r.path);
        return lines;
    }

    WebSensorOptions options;
    std::unique_ptr<WebSensorServer> sim;
    std::unique_ptr<quvixWebSensor> sensor;
};

TEST_F(Exchanges, OpeningReadsIdentitySettingsAndTrigger)
{
    options.frequenciesHz = {13560000.0, 27120000.0};
    options.harmonics = {5, 3};
    options.refreshMs = 50;
    startSimulator();
    ASSERT_TRUE(sensor->openSequence());
    EXPECT_EQ(requestLines(),
              (std::vector<std::string>{"GET /quvix_service/info.cgi", "GET /quvix_service/config.cgi",
                                        "GET /quvix_service/info.cgi", "GET /quvix_service/fpga.cgi"}));
    const SensorState& s = sensor->state;
    EXPECT_STREQ(s.reported.serialNumber, "QX4711");
    EXPECT_EQ(s.reported.frequencyCount, 2);
    EXPECT_EQ(s.reported.harmonics[1], 3);
    EXPECT_EQ(s.reported.selectedHarmonics[0], 5);
    EXPECT_EQ(s.reported.refreshRate, 50);
    EXPECT_STREQ(s.reported.signalLock, "auto");
    EXPECT_EQ(s.trigger.Accumulations, 1);
    EXPECT_EQ(s.endpoint, DataEndpoint::Data3Short);
}

TEST_F(Exchanges, ConfigBodyArrivesByteForByteWithItsNul)
{
    openAndForget();
    SensorIdentity requested = sensor->state.requested;
    requested.refreshRate = 200;
    requested.selectedHarmonics[0] = 2;
    std::strcpy(requested.signalLock, "V");
    ASSERT_TRUE(sensor->sendConfig(requested, 1));

    const std::vector<LoggedRequest> log = sim->requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].path, "/quvix_service/config.cgi");
    const std::string text =
        "{\r\n\"refresh_rate\":\"200\",\r\n\"selected_harmonics\":[2],\r\n\"signal_lock\":\"V\"\r\n}\r\n";
    EXPECT_EQ(log[0].body, text + std::string(1, '\0'));
    EXPECT_EQ(log[1].method + " " + log[1].path, "GET /quvix_service/config.cgi");
    EXPECT_EQ(sensor->state.reported.refreshRate, 200) << "the reply read back after the POST";
    EXPECT_EQ(sensor->state.reported.selectedHarmonics[0], 2);
    EXPECT_STREQ(sensor->state.reported.signalLock, "V");
}

TEST_F(Exchanges, PulseTriggerPostsToPulseAddressThenReadsBackWithout)
{
    openAndForget();
    sensor->configureFPGA(0x101, 4, 50.0, 7, 3);
    const TriggerSettings trigger = sensor->state.trigger;
    EXPECT_EQ(trigger.Trigger_Level, 4096);
    EXPECT_EQ(trigger.External_trigger, 1);
    ASSERT_TRUE(trigger.pulse);
    ASSERT_TRUE(sensor->sendFpga(trigger));
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"POST /quvix_service/fpga.cgi?pulse=1",
                                                        "GET /quvix_service/fpga.cgi"}));
    EXPECT_TRUE(sim->state().trigger().pulseTriggered);
    EXPECT_EQ(sensor->state.trigger.Trigger_Holdoff, 3);
    EXPECT_EQ(sensor->state.trigger.Accumulations, 4);
    EXPECT_FALSE(sensor->state.trigger.pulse);
}

// A send carries a copy; what the caller stored after the copy is taken, the
// sensor's reply to the older copy must not overwrite it.
TEST_F(Exchanges, ReadBacksKeepWhatTheCallerChangedAfterTheCopy)
{
    options.frequenciesHz = {13560000.0, 27120000.0};
    options.harmonics = {5, 3};
    openAndForget();
    const SensorIdentity sent = sensor->state.requested; // the worker's copy
    sensor->state.requested.selectedHarmonics[1] = 1;    // the caller's change after it
    ASSERT_TRUE(sensor->sendConfig(sent, 2));
    EXPECT_EQ(sim->state().selectedHarmonics(), (std::vector<int>{5, 3}));
    EXPECT_EQ(sensor->state.requested.selectedHarmonics[1], 1);

    sensor->configureFPGA(0, 2, 50.0, 0, 0);
    const TriggerSettings older = sensor->state.trigger;
    sensor->configureFPGA(1, 1, 33.3, 5, 2);
    ASSERT_TRUE(sensor->sendFpga(older));
    EXPECT_EQ(sim->state().trigger().triggerLevel, 4096);
    EXPECT_EQ(sensor->state.trigger.Trigger_Level, 2727);
    EXPECT_EQ(sensor->state.trigger.Accumulations, 1);
    EXPECT_TRUE(sensor->state.trigger.pulse);
}

TEST_F(Exchanges, Data3PostIsNotReadBack)
{
    openAndForget();
    const char body[] = "{\r\n\"monitor_pulse\":\"1\"\r\n}";
    ASSERT_TRUE(sensor->sendData3(body, static_cast<int>(std::strlen(body))));
    const std::vector<LoggedRequest> log = sim->requests();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "/quvix_service/data3.cgi");
    EXPECT_EQ(log[0].body, std::string(body, sizeof body));
    EXPECT_EQ(sim->state().pulseMonitor().monitorPulse, 1);
}

TEST_F(Exchanges, RefusedConfigPostSkipsTheGet)
{
    options.faults.notFound = {"POST /quvix_service/config.cgi"};
    openAndForget();
    EXPECT_FALSE(sensor->sendConfig(sensor->state.requested, 1));
    EXPECT_EQ(requestLines(), std::vector<std::string>{"POST /quvix_service/config.cgi"});
}

TEST_F(Exchanges, OversizeRepliesFailCleanly)
{
    options.faults.oversizeReplies = {"data"};
    openAndForget();
    EXPECT_FALSE(sensor->fetchData());
    EXPECT_TRUE(sensor->queue.empty());

    WebSensorFaults faults;
    faults.oversizeReplies = {"/quvix_service/info.cgi"};
    sim->setFaults(faults);
    quvixWebSensor another(sim->baseUrl().c_str());
    EXPECT_FALSE(another.openSequence());
}

TEST_F(Exchanges, BrokenRepliesFailTheFetch)
{
    const std::vector<WebSensorFaults> faults = [] {
        std::vector<WebSensorFaults> all(3);
        all[0].malformedJson = {"data"};
        all[1].closeConnection = {"data"};
        all[2].notFound = {"/quvix_service/data3Short.cgi"};
        return all;
    }();
    openAndForget();
    for (size_t i = 0; i < faults.size(); ++i) {
        SCOPED_TRACE(i);
        sim->setFaults(faults[i]);
        EXPECT_FALSE(sensor->fetchData());
    }
    EXPECT_TRUE(sensor->queue.empty());
    sim->setFaults({});
    EXPECT_TRUE(sensor->fetchData()) << "the connection recovers";
    EXPECT_EQ(sensor->queue.size(), 1u);
}

TEST_F(Exchanges, RepeatedTimestampQueuesOnce)
{
    options.faults.repeatTimestamps = true;
    options.refreshMs = 10;
    openAndForget();
    ASSERT_TRUE(sensor->fetchData());
    ASSERT_TRUE(sensor->fetchData());
    EXPECT_EQ(sensor->queue.size(), 1u);
}

TEST_F(Exchanges, UnreachableSensorAndOverlongBaseUrlFailTheOpen)
{
    startSimulator();
    const std::string url = sim->baseUrl();
    sim->stop();
    quvixWebSensor gone(url.c_str());
    EXPECT_FALSE(gone.openSequence());

    const std::string longUrl = "http://192.0.2.2/" + std::string(230, 'a') + "/";
    quvixWebSensor tooLong(longUrl.c_str());
    EXPECT_FALSE(tooLong.isUsable());
    EXPECT_FALSE(tooLong.openSequence());
}

struct EndpointCase {
    const char* revision;
    const char* path;
};

class DataEndpoints : public Exchanges, public ::testing::WithParamInterface<EndpointCase>
{
};

TEST_P(DataEndpoints, SamplesCarryTheLoadExactly)
{
    options.firmwareRevision = GetParam().revision;
    options.harmonics = {3};
    openAndForget();
    ASSERT_TRUE(sensor->fetchData());
    EXPECT_EQ(requestLines(), std::vector<std::string>{std::string("GET ") + GetParam().path});
    ASSERT_EQ(sensor->queue.size(), 1u);
    const MeasurementRecord& record = sensor->queue.front();
    ASSERT_EQ(record.channelCount, 1);
    const ChannelRecord& c = record.channels[0];
    EXPECT_EQ(c.harmonicCount, 3);
    EXPECT_DOUBLE_EQ(c.frequency, 13560000.0);
    const quvixsim::RfLoadModel load = sim->state().model(0);
    for (int h = 0; h < c.harmonicCount; ++h) {
        SCOPED_TRACE(h);
        const std::complex<double> z = std::polar(c.voltage[h] / c.current[h], -c.phase[h] * M_PI / 180.0);
        const std::complex<double> expected = load.impedanceAt(0.0);
        EXPECT_NEAR(z.real(), expected.real(), 1e-9 * std::abs(expected));
        EXPECT_NEAR(z.imag(), expected.imag(), 1e-9 * std::abs(expected));
    }
    EXPECT_NEAR(c.power, load.powerAt(0.0), 1e-9);
    EXPECT_GT(c.power, 0.0);
    EXPECT_EQ(record.peak, 4096);
}

INSTANTIATE_TEST_SUITE_P(Firmware, DataEndpoints,
                         ::testing::Values(EndpointCase{"v5.6", "/quvix_service/data.cgi"},
                                           EndpointCase{"v5.22", "/quvix_service/data3.cgi"},
                                           EndpointCase{"v5.23", "/quvix_service/data3Short.cgi"}));

} // namespace
