// Network discovery and connection through the sensor handler, with
// simulated network sensors answering on the private namespace's test
// interfaces (192.0.2.2 and 192.0.2.3, port 80, as discovery reaches them).
#include "sensors/discoveryprotocol.h"
#include "sensors/quvixsensor.h"
#include "sensors/quvixsensorweb.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sensors/sensorlibraries.h"
#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensorserver.h"
#include "support/sanitizedbuild.h"
#include "support/testenvironment.h"
#include "usbsimcontrol.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// One simulated network sensor with its discovery responder.
struct SimulatedNetworkSensor {
    SimulatedNetworkSensor(const std::string& address, const std::string& serial)
        : server(optionsFor(address, serial))
        , responder(serial, address)
    {
    }

    static quvixsim::WebSensorOptions optionsFor(const std::string& address, const std::string& serial)
    {
        quvixsim::WebSensorOptions options;
        options.address = address;
        options.port = 80;
        options.serial = serial;
        options.refreshMs = 20;
        return options;
    }

    bool start() { return server.start() && responder.start(); }

    int infoRequests() const
    {
        const std::vector<quvixsim::LoggedRequest> log = server.requests();
        return static_cast<int>(std::count_if(log.begin(), log.end(), [](const quvixsim::LoggedRequest& r) {
            return r.path.find("info.cgi") != std::string::npos;
        }));
    }

    quvixsim::WebSensorServer server;
    quvixsim::DiscoveryResponder responder;
};

// The longest time the thread's event loop went without serving a timer,
// from construction on.
class EventLoopStallMeter
{
public:
    EventLoopStallMeter()
    {
        m_clock.start();
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_tick.start(5);
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// What the handler's thread may spend on one discovery event; sanitizer
// builds run several times slower.
#ifdef QUVIX_SANITIZED
constexpr qint64 longestAllowedStallMs = 500;
#else
constexpr qint64 longestAllowedStallMs = 100;
#endif

bool detected(const QString& serial, const char* address)
{
    const QVector<DetectedSensor> list = SensorHandler::getInstance()->detectedAddresses();
    return list.contains(DetectedSensor(serial, QHostAddress(address)));
}

class SensorHandlerNetworkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        // CTest runs each of these tests in a process of its own; a run of the
        // whole binary can only give the first one a fair start.
        static int testsStarted = 0;
        if (++testsStarted > 1)
            GTEST_SKIP() << "runs only in a process of its own (run it alone with --gtest_filter): the "
                            "sensor handler is one per process, reads the remembered sensors and starts "
                            "discovery only when it is built, and keeps the sensors, addresses and "
                            "timers an earlier test left behind";
        // The stand-in USB driver beside the test presents a sensor of its
        // own, which the handler would open at its first poll and keep; these
        // tests count network sensors only.
        UsbSimControl usb;
        ASSERT_TRUE(usb.isComplete());
        ASSERT_EQ(usb.configure(""), 0);
    }

    // The simulators are gone by now: every loop ends, and what the loops
    // left for this thread is handled before the process ends.
    void TearDown() override
    {
        if (!testenv::isNetworkIsolated())
            return;
        SensorHandler* handler = SensorHandler::getInstance();
        EXPECT_TRUE(QTest::qWaitFor([&] { return handler->sensors().isEmpty(); }, 30000));
        QCoreApplication::sendPostedEvents();
    }

    // The sensor the handler lists under `serial` within the time, or null.
    static QuvixSensor* waitForListed(const char* serial, int timeoutMs)
    {
        QuvixSensor* sensor = nullptr;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                sensor = SensorHandler::getInstance()->findSensor(serial);
                return sensor != nullptr;
            },
            timeoutMs));
        return sensor;
    }
};

TEST_F(SensorHandlerNetworkTest, SensorNotRememberedIsOnlyListed)
{
    SimulatedNetworkSensor sim("192.0.2.2", "NETSIM-A");
    ASSERT_TRUE(sim.start()) << sim.responder.error();
    SensorHandler* handler = SensorHandler::getInstance();
    QSignalSpy seen(handler, &SensorHandler::sensorsDetected);
    ASSERT_TRUE(QTest::qWaitFor([] { return detected("NETSIM-A", "192.0.2.2"); }, 12000));
    EXPECT_GE(seen.count(), 1);
    EXPECT_TRUE(handler->sensors().isEmpty());
    EXPECT_EQ(sim.infoRequests(), 0) << "a sensor nobody remembered was opened";
}

TEST_F(SensorHandlerNetworkTest, RememberedSensorIsOpenedOnceAndLostWhenItStops)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    RememberedNetworkSensors::remember("NETSIM-B", "http://192.0.2.3/");
    RememberedNetworkSensors::remember("NETSIM-GONE", "http://192.0.2.9/");
    QSettings().setValue(RememberedNetworkSensors::group + "/lastaddr", "192.0.2.3");
    auto sim = std::make_unique<SimulatedNetworkSensor>("192.0.2.3", "NETSIM-B");
    ASSERT_TRUE(sim->start()) << sim->responder.error();

    SensorHandler* handler = SensorHandler::getInstance();
    QuvixSensor* const sensor = waitForListed("NETSIM-B", 12000);
    ASSERT_NE(sensor, nullptr);
    EXPECT_NE(qobject_cast<quvixSensorWeb*>(sensor), nullptr);
    EXPECT_TRUE(handler->networkSensors().contains(sensor));
    EXPECT_EQ(sensor->address(), "http://192.0.2.3/");
    EXPECT_TRUE(detected("NETSIM-B", "192.0.2.3"));
    EXPECT_FALSE(handler->unavailableSensors().contains("NETSIM-B"));
    EXPECT_TRUE(handler->unavailableSensors().contains("NETSIM-GONE"));
    EXPECT_FALSE(handler->unavailableSensors().contains("lastaddr"));
    const int opened = sim->infoRequests();

    // Later replies while it stays connected open nothing.
    QSignalSpy seen(handler, &SensorHandler::sensorsDetected);
    handler->scanNetwork();
    handler->scanNetwork();
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen.count() >= 1; }, 12000));
    QTest::qWait(500); // the rest of the round's replies
    EXPECT_EQ(sim->infoRequests(), opened);
    EXPECT_EQ(handler->sensors().count(sensor), 1);
    EXPECT_FALSE(handler->unavailableSensors().contains("NETSIM-B"));

    sim.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler->findSensor("NETSIM-B") == nullptr; }, 30000));
    EXPECT_TRUE(handler->waitingWebSensors().contains(sensor));
    EXPECT_FALSE(handler->networkSensors().contains(sensor));
}

TEST_F(SensorHandlerNetworkTest, NetworkScanningOnTwiceDoesNotDoubleThePasses)
{
    SensorHandler* handler = SensorHandler::getInstance();
    auto* discoveryTimer = handler->findChild<QTimer*>("discoveryTimer");
    ASSERT_NE(discoveryTimer, nullptr);
    EXPECT_EQ(discoveryTimer->interval(), 15000);

    // Every pass replaces the two discovery sockets.
    const auto socketsReplacedByOneTick = [&] {
        int destroyed = 0;
        std::vector<QMetaObject::Connection> watches;
        for (QUdpSocket* socket : handler->findChildren<QUdpSocket*>())
            watches.push_back(QObject::connect(socket, &QObject::destroyed, [&] { ++destroyed; }));
        QMetaObject::invokeMethod(discoveryTimer, "timeout");
        for (const auto& watch : watches)
            QObject::disconnect(watch);
        return destroyed;
    };
    EXPECT_EQ(socketsReplacedByOneTick(), 2);
    handler->setNetworkScanning(true);
    handler->setNetworkScanning(true);
    EXPECT_EQ(socketsReplacedByOneTick(), 2);
    handler->setNetworkScanning(false);
    EXPECT_EQ(socketsReplacedByOneTick(), 0);
    handler->setNetworkScanning(true);
    EXPECT_EQ(socketsReplacedByOneTick(), 2);
}

TEST_F(SensorHandlerNetworkTest, OpeningByUrlRemembersAndASecondOpenOnlyListsTheAddress)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    SimulatedNetworkSensor sim("192.0.2.2", "NETSIM-D");
    ASSERT_TRUE(sim.start());
    SensorHandler* handler = SensorHandler::getInstance();
    const QUrl url("http://192.0.2.2/");

    const int handle = connectWebSensor(url, true);
    ASSERT_GE(handle, 0);
    QuvixSensor* sensor = handler->findSensor("NETSIM-D");
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->handle(), handle);
    EXPECT_EQ(RememberedNetworkSensors::urlTextOf("NETSIM-D"), "http://192.0.2.2/");
    EXPECT_TRUE(detected("NETSIM-D", "192.0.2.2"));

    // Already open in the library: listed with no serial, no second object.
    EXPECT_EQ(connectWebSensor(url, true), -10);
    EXPECT_TRUE(detected("", "192.0.2.2"));
    EXPECT_EQ(handler->sensors().size(), 1);
}

// Another spelling of the address of a connected sensor reaches the same
// sensor, whether the open runs on this thread or on a connection worker: it
// is closed again, no second object runs a loop on the sensor, and the
// remembered address stays.
TEST_F(SensorHandlerNetworkTest, ASensorConnectedOnceIsNotOpenedAgainUnderAnotherSpelling)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    SimulatedNetworkSensor sim("192.0.2.2", "NETSIM-T");
    ASSERT_TRUE(sim.server.start());
    SensorHandler* handler = SensorHandler::getInstance();
    ASSERT_GE(connectWebSensor(QUrl("http://192.0.2.2/"), true), 0);
    QuvixSensor* const sensor = handler->findSensor("NETSIM-T");
    ASSERT_NE(sensor, nullptr);

    const QUrl otherSpelling("http://192.0.2.2:80/");
    EXPECT_EQ(connectWebSensor(otherSpelling, true), WebSensorApi::alreadyOpen);
    EXPECT_EQ(RememberedNetworkSensors::urlTextOf("NETSIM-T"), "http://192.0.2.2/");
    // As discovery opens: its news reaches this thread queued.
    std::thread worker([&] { connectWebSensor(otherSpelling, false); });
    worker.join();
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(handler->sensors(), QList<QuvixSensor*>{sensor});
    EXPECT_EQ(handler->networkSensors(), QList<QuvixSensor*>{sensor});
    EXPECT_EQ(sensor->address(), "http://192.0.2.2/");
    // Both second handles were closed: the library could open that spelling
    // again (it answers -10 for a spelling it holds open).
    const int probe = webSensorApi().quvixWebOpen("http://192.0.2.2:80/");
    EXPECT_GE(probe, 0);
    webSensorApi().quvixClose(probe);
    sensor->close();
}

TEST_F(SensorHandlerNetworkTest, RememberedSensorsAreOpenedOnConnectionWorkers)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    RememberedNetworkSensors::remember("NETSIM-E", "http://192.0.2.3/");
    SensorHandler* handler = SensorHandler::getInstance();
    // Not there at start: it is unavailable.
    ASSERT_TRUE(handler->unavailableSensors().contains("NETSIM-E"));

    SimulatedNetworkSensor sim("192.0.2.3", "NETSIM-E");
    ASSERT_TRUE(sim.server.start());
    handler->connectRememberedSensors();
    QuvixSensor* const sensor = waitForListed("NETSIM-E", 30000);
    ASSERT_NE(sensor, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !handler->unavailableSensors().contains("NETSIM-E"); }, 30000));
    EXPECT_TRUE(handler->networkSensors().contains(sensor));
}

TEST_F(SensorHandlerNetworkTest, StallingRememberedSensorIsOpenedOnAWorkerOnceAtATime)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    RememberedNetworkSensors::remember("NETSIM-S", "http://192.0.2.3/");
    SimulatedNetworkSensor sim("192.0.2.3", "NETSIM-S");
    quvixsim::WebSensorFaults stall;
    stall.replyDelayMs = 6000; // beyond the library's 5 s time-out
    sim.server.setFaults(stall);
    ASSERT_TRUE(sim.start()) << sim.responder.error();

    SensorHandler* handler = SensorHandler::getInstance();
    // The stand-in USB sensor plays no part here.
    handler->findChild<QTimer*>("pollTimer")->stop();
    QSignalSpy attempts(handler, &SensorHandler::updateAvailableList);
    QSignalSpy replies(handler, &SensorHandler::sensorsDetected);
    const EventLoopStallMeter meter;
    handler->scanNetwork();
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.count() >= 1; }, 12000));
    // More replies while the first open still waits for the sensor.
    handler->scanNetwork();
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies.count() >= 2; }, 12000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return attempts.count() >= 1; }, 30000));
    QTest::qWait(200); // the worker's last word reaches this thread

    // An open on this thread would hold it for the library's 5 s time-out;
    // the bound leaves a loaded machine its scheduling delays.
    constexpr qint64 farBelowTheOpenTimeoutMs = 2000;
    EXPECT_LT(meter.longestMs(), farBelowTheOpenTimeoutMs);
    EXPECT_EQ(attempts.count(), 1) << "one open in flight per address";
    EXPECT_LT(attempts.front().front().toInt(), 0);
    EXPECT_EQ(handler->findSensor("NETSIM-S"), nullptr);
}

// The socket the handler waits for discovery replies on, null when none.
QUdpSocket* replySocketOf(SensorHandler* handler)
{
    for (QUdpSocket* socket : handler->findChildren<QUdpSocket*>()) {
        const quint16 port = socket->localPort();
        if (port >= DiscoveryProtocol::firstReplyPort && port <= DiscoveryProtocol::lastReplyPort)
            return socket;
    }
    return nullptr;
}

// Sends discovery replies from 192.0.2.2 to the handler's reply socket in
// batches, serving this thread's events between them: each batch waits until
// the handler has read the one before (or stopped listening), so the
// receive buffer never overflows however late the handler gets its turn.
void sendReplies(QUdpSocket* receiver, const std::vector<QByteArray>& serials)
{
    constexpr size_t batch = 20;
    const QPointer<QUdpSocket> listening(receiver); // a new round replaces it
    const auto drained = [&listening] {
        return !listening || listening->state() != QAbstractSocket::BoundState ||
               !listening->hasPendingDatagrams();
    };
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, "192.0.2.2", &from.sin_addr);
    ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
    sockaddr_in to = from;
    to.sin_port = htons(receiver->localPort());
    for (size_t i = 0; i < serials.size(); ++i) {
        const QByteArray reply = QByteArray("RPXVUQ") + serials[i];
        ::sendto(fd, reply.constData(), static_cast<size_t>(reply.size()), 0,
                 reinterpret_cast<sockaddr*>(&to), sizeof to);
        if (i % batch == batch - 1 || i + 1 == serials.size())
            EXPECT_TRUE(QTest::qWaitFor(drained, 30000)) << "replies left unread";
    }
    ::close(fd);
}

TEST_F(SensorHandlerNetworkTest, DiscoveryRepliesAreCheckedListedOnceAndCappedPerRound)
{
    SensorHandler* handler = SensorHandler::getInstance();
    handler->findChild<QTimer*>("pollTimer")->stop();
    handler->scanNetwork();
    QUdpSocket* const receiver = replySocketOf(handler);
    ASSERT_NE(receiver, nullptr);
    QSignalSpy seen(handler, &SensorHandler::sensorsDetected);

    std::vector<QByteArray> replies(300, "FLOOD-1");
    for (const char* bad : {"QX\x01\x02", "\x1b[2J", "../../etc", "<b>QX</b>"})
        replies.push_back(bad);
    for (int i = 0; i < 3 * SensorHandler::maxDetectedPerRound; ++i)
        replies.push_back("FLOOD-X" + QByteArray::number(i));
    const EventLoopStallMeter meter;
    sendReplies(receiver, replies);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return handler->detectedAddresses().size() >= SensorHandler::maxDetectedPerRound; }, 30000));

    const QVector<DetectedSensor> listed = handler->detectedAddresses();
    EXPECT_EQ(listed.count(DetectedSensor("FLOOD-1", QHostAddress("192.0.2.2"))), 1);
    EXPECT_EQ(listed.size(), SensorHandler::maxDetectedPerRound);
    for (const DetectedSensor& entry : listed)
        EXPECT_TRUE(DiscoveryProtocol::isAcceptableSerial(entry.first)) << entry.first.toStdString();
    EXPECT_LE(seen.count(), SensorHandler::maxDetectedPerRound + 1);
    EXPECT_LT(meter.longestMs(), longestAllowedStallMs);

    // The next round listens again.
    handler->scanNetwork();
    QUdpSocket* const nextReceiver = replySocketOf(handler);
    ASSERT_NE(nextReceiver, nullptr);
    sendReplies(nextReceiver, {"FLOOD-2"});
    EXPECT_TRUE(QTest::qWaitFor([] { return detected("FLOOD-2", "192.0.2.2"); }, 12000));
}

TEST_F(SensorHandlerNetworkTest, SensorWithAnImplausibleSerialIsNotKept)
{
    if (!loadWebSensorLibrary())
        GTEST_SKIP() << "the network sensor library is not built";
    SimulatedNetworkSensor sim("192.0.2.2", "../../etc");
    ASSERT_TRUE(sim.server.start());
    SensorHandler* handler = SensorHandler::getInstance();
    EXPECT_EQ(connectWebSensor(QUrl("http://192.0.2.2/"), true), WebSensorApi::cannotConnect);
    EXPECT_TRUE(handler->sensors().isEmpty());
    EXPECT_TRUE(RememberedNetworkSensors::serials().isEmpty());
    EXPECT_EQ(connectWebSensor(QUrl("http://192.0.2.2/"), true), WebSensorApi::cannotConnect)
        << "the refused connection was closed again";
}

} // namespace
