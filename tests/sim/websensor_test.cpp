// The simulated network sensor: its command line, its settings and samples,
// its discovery answers and the program as scripts start it.

#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensoroptions.h"
#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QProcess>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

using namespace quvixsim;

TEST(WebSensorOptions, CommandLine)
{
    WebSensorOptions o;
    std::string error;
    bool help = false;
    ASSERT_TRUE(parseWebSensorOptions({"--address",
                                       "192.0.2.3",
                                       "--port",
                                       "8080",
                                       "--serial",
                                       "QX9",
                                       "--frequencies",
                                       "13.56,27120000",
                                       "--harmonics",
                                       "3",
                                       "--load",
                                       "30,40;75",
                                       "--drift",
                                       "0",
                                       "--pulse",
                                       "200,50",
                                       "--discovery",
                                       "--not-found",
                                       "POST:/quvix_service/config.cgi",
                                       "--refresh",
                                       "20"},
                                      o, error, help))
        << error;
    EXPECT_EQ(o.address, "192.0.2.3");
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.serial, "QX9");
    EXPECT_EQ(o.frequenciesHz, (std::vector<double>{13.56e6, 27.12e6}));
    EXPECT_EQ(o.harmonics, (std::vector<int>{3, 3}));
    EXPECT_EQ(o.loadFor(0).reactance, 40.0);
    EXPECT_EQ(o.loadFor(1).resistance, 75.0);
    EXPECT_EQ(o.loadFor(5).resistance, 75.0);
    EXPECT_EQ(o.loadFor(1).reactance, 0.0);
    EXPECT_EQ(o.loadFor(0).driftFraction, 0.0);
    EXPECT_EQ(o.pulse.periodMicroseconds, 200.0);
    EXPECT_TRUE(o.discovery);
    EXPECT_EQ(o.refreshMs, 20);
    EXPECT_EQ(o.faults.notFound.count("POST /quvix_service/config.cgi"), 1u);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port", "x"},
                                                {"--bogus"},
                                                {"--frequencies", "1,2,3,4,5,6,7"},
                                                {"--harmonics", "17"},
                                                {"--serial", "123456789012345678901"},
                                                {"--refresh"}}) {
        WebSensorOptions ignored;
        EXPECT_FALSE(parseWebSensorOptions(bad, ignored, error, help)) << bad[0];
    }
}

TEST(WebSensorState, PostsChangeWhatGetsAnswer)
{
    WebSensorOptions o;
    o.frequenciesHz = {13.56e6, 27.12e6};
    o.harmonics = {5, 3};
    WebSensorState state(o);
    const std::string body = "{\r\n\"refresh_rate\":\"250\",\r\n\"selected_harmonics\":[2,9],\r\n"
                             "\"signal_lock\":\"I\"\r\n}\r\n";
    ASSERT_TRUE(state.applyConfig(body + std::string(1, '\0')));
    EXPECT_EQ(state.configJson(), R"({"refresh_rate":"250","selected_harmonics":[2,3],"signal_lock":"I"})");
    EXPECT_FALSE(state.applyConfig("refresh_rate=5"));
    ASSERT_TRUE(state.applyFpga("{\"Trigger_Level\":\"4096\",\"Trigger_Holdoff\":\"3\"}", true));
    EXPECT_EQ(state.trigger().triggerLevel, 4096);
    EXPECT_TRUE(state.trigger().pulseTriggered);
    ASSERT_TRUE(state.applyData3("{\r\n\"monitor_pulse\":\"1\",\r\n\"reset_accumulated_energy\":\"1\"\r\n}"));
    EXPECT_EQ(state.pulseMonitor().energyResets, 1);
}

TEST(WebSensorState, TimestampsStepByTheRefreshRate)
{
    WebSensorOptions o;
    o.refreshMs = 10;
    WebSensorState state(o);
    using Format = WebSensorState::SampleFormat;
    const std::int64_t first = state.sample(Format::Data3Short, false, false).timestamp;
    std::int64_t last = first;
    // Wait for the next sample on the sensor's own clock, not on a timer.
    while (last == first)
        last = state.sample(Format::Data3Short, false, false).timestamp;
    EXPECT_EQ((last - first) % 10, 0);
    EXPECT_GT(first, 0);
    EXPECT_EQ(state.sample(Format::Data, true, false).timestamp, first) << "repeat fault";
    const std::string longArrays = state.sample(Format::Data3, false, true).json;
    EXPECT_NE(longArrays.find("\"phase_V\":[0,30,"), std::string::npos);
    EXPECT_NE(longArrays.find(",540,570]"), std::string::npos) << "twenty voltage phases";
}

class LabNetwork : public ::testing::Test
{
protected:
    void SetUp() override { QUVIX_REQUIRE_NETLAB(); }
};

TEST_F(LabNetwork, DiscoveryRequestGetsSerialFromSensorAddress)
{
    // A port of its own (per process), so other discovery in the namespace
    // neither reaches this responder nor hears its answers.
    const int testPort = 18000 + static_cast<int>(getpid() % 1000);
    DiscoveryResponder responder("QX0815", "192.0.2.3", {}, testPort);
    ASSERT_TRUE(responder.start()) << responder.error();
    EXPECT_EQ(responder.listenAddress(), "192.0.2.255");

    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(sock, 0);
    const int on = 1;
    setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in own{};
    own.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.1", &own.sin_addr);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&own), sizeof own), 0);
    socklen_t ownLength = sizeof own;
    getsockname(sock, reinterpret_cast<sockaddr*>(&own), &ownLength);
    const std::uint16_t port = ntohs(own.sin_port);

    const unsigned char notForUs[8] = {
        'R', 'P', 192, 0, 2, 1, static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port)};
    const unsigned char request[8] = {
        'R', 'Q', 192, 0, 2, 1, static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port)};
    sockaddr_in broadcast{};
    broadcast.sin_family = AF_INET;
    broadcast.sin_port = htons(testPort);
    inet_pton(AF_INET, "192.0.2.255", &broadcast.sin_addr);
    ASSERT_EQ(sendto(sock, notForUs, 8, 0, reinterpret_cast<sockaddr*>(&broadcast), sizeof broadcast), 8);
    ASSERT_EQ(sendto(sock, request, 8, 0, reinterpret_cast<sockaddr*>(&broadcast), sizeof broadcast), 8);

    pollfd wait{sock, POLLIN, 0};
    ASSERT_EQ(poll(&wait, 1, 5000), 1);
    unsigned char reply[64] = {};
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got =
        recvfrom(sock, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    close(sock);
    ASSERT_GE(got, 12);
    EXPECT_EQ(std::memcmp(reply, "RPXVUQ", 6), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(reply + 6), "QX0815");
    char sender[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
    EXPECT_STREQ(sender, "192.0.2.3");
    // The responder counts a reply after sendto returns, which may be after
    // we read it; the "RP" datagram came first, so one count is final.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (responder.repliesSent() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_EQ(responder.repliesSent(), 1u) << "the RP datagram got no answer";
}

TEST_F(LabNetwork, ServerAnswersLogsAndStopsAfterSamples)
{
    WebSensorOptions o;
    o.address = "192.0.2.2";
    o.port = 0;
    o.refreshMs = 10;
    o.faults.notFound = {"/quvix_service/info.cgi"};
    o.faults.stopAfterSamples = 2;
    WebSensorServer server(o);
    ASSERT_TRUE(server.start());
    httplib::Client client("192.0.2.2", server.port());
    EXPECT_EQ(client.Get("/quvix_service/info.cgi")->status, 404);
    EXPECT_EQ(client.Get("/quvix_service/nothing.cgi")->status, 404);
    const auto posted =
        client.Post("/quvix_service/config.cgi", std::string("{\"refresh_rate\":\"30\"}\0", 22),
                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->body, R"({"refresh_rate":"30","selected_harmonics":[5],"signal_lock":"auto"})");
    ASSERT_TRUE(client.Get("/quvix_service/data3Short.cgi"));
    ASSERT_TRUE(client.Get("/quvix_service/data.cgi"));
    server.wait();
    EXPECT_FALSE(client.Get("/quvix_service/data.cgi")) << "stopped after two samples";
    const std::vector<LoggedRequest> log = server.requests();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2].body.size(), 22u);
    EXPECT_EQ(log[2].body.back(), '\0');
    EXPECT_GE(server.servedSamples(), 1);
}

TEST_F(LabNetwork, ProgramStartsFromTheCommandLineAndAnswersIdentity)
{
    QProcess sim;
    sim.start(testenv::binaryDir() + "/quvix-sensor-sim",
              {"--address", "192.0.2.2", "--port", "0", "--serial", "QX2024", "--discovery",
               // heard only when asked directly, not by other tests' broadcasts
               "--discovery-address", "192.0.2.2"});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(10000)) << sim.readAllStandardError().toStdString();
    const QString line = QString::fromLatin1(sim.readLine()).trimmed();
    const QRegularExpressionMatch m =
        QRegularExpression("^listening http://192\\.0\\.2\\.2:(\\d+)/$").match(line);
    ASSERT_TRUE(m.hasMatch()) << line.toStdString();

    httplib::Client client("192.0.2.2", m.captured(1).toInt());
    const auto info = client.Get("/quvix_service/info.cgi");
    ASSERT_TRUE(info);
    EXPECT_NE(info->body.find(R"("serial_number":"QX2024")"), std::string::npos) << info->body;
    EXPECT_NE(info->body.find(R"("delay_clock":"34764706")"), std::string::npos);

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
}

} // namespace
