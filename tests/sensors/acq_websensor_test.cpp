// The network sensor object and its acquisition loop against the network
// sensor library and a simulated network sensor in the private namespace.
#include "acq_sensorloop.h"
#include "scans/cwscan.h"
#include "scans/parameternames.h"
#include "sensors/quvixsensorweb.h"
#include "sim/websensor/websensorserver.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QThread>

#include <chrono>
#include <cmath>
#include <future>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr double loadResistance = 35.0;
constexpr double loadReactance = 12.0;

class NetworkSensorLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        ASSERT_TRUE(loadWebSensorLibrary());
        quvixsim::WebSensorOptions options;
        options.address = "192.0.2.2";
        options.port = 0;
        options.serial = "NETLOOP1";
        options.refreshMs = 20;
        options.harmonics = {3};
        quvixsim::RfLoadSettings load;
        load.resistance = loadResistance;
        load.reactance = loadReactance;
        options.loads = {load};
        server = std::make_unique<quvixsim::WebSensorServer>(options);
        ASSERT_TRUE(server->start());
    }

    void TearDown() override
    {
        if (thread) {
            server->stop();
            EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 20000));
        }
        delete sensor;
        QCoreApplication::sendPostedEvents();
        for (const QPointer<CWScan>& scan : scans)
            delete scan.data();
    }

    // Opens the simulated sensor through the library and runs its loop.
    quvixSensorWeb* openAndRun()
    {
        const std::string url = server->baseUrl();
        const int handle = webSensorApi().quvixWebOpen(url.c_str());
        if (handle < 0)
            return nullptr;
        sensor = new quvixSensorWeb(handle, QString(), "NETLOOP1", QString::fromStdString(url));
        recorder.attach(sensor);
        thread = startLoopThread(sensor);
        return sensor;
    }

    // A CW scan for the loop. The test stands in for the scan handler, which
    // keeps every measurement scan the loop hands on; they go with the
    // fixture, after the loop and the sensor.
    CWScan* newScan(const QString& name)
    {
        scans.push_back(new CWScan(sensor, name, 20));
        return scans.back();
    }

    // Guarded: the sensor itself deletes a scan replaced in its queue.
    std::vector<QPointer<CWScan>> scans;
    std::unique_ptr<quvixsim::WebSensorServer> server;
    quvixSensorWeb* sensor = nullptr;
    QPointer<QThread> thread;
    LoopRecorder recorder;
};

TEST_F(NetworkSensorLoopTest, SamplesReachACwScanWithTheLoad)
{
    ASSERT_NE(openAndRun(), nullptr);
    EXPECT_EQ(sensor->frequencies().size(), 1);
    EXPECT_EQ(sensor->selectedHarmonics().front(), 1);
    // Completed, it goes to the scan handler, which keeps it.
    auto* scan = newScan(QStringLiteral("net"));
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 10; }, 30000));
    sensor->stopScan();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Complete, 1));

    const SeriesCopy real = scan->copySeries(ImpedanceReal, 0, 0, 0);
    const SeriesCopy imaginary = scan->copySeries(ImpedanceImag, 0, 0, 0);
    ASSERT_GE(real.values.size(), 10u);
    for (size_t i = 0; i < real.values.size(); ++i) {
        EXPECT_NEAR(real.values[i], loadResistance, 1e-9 * loadResistance);
        EXPECT_NEAR(imaginary.values[i], loadReactance, 1e-9 * loadReactance);
    }
    EXPECT_TRUE(sensor->isConnected());
}

TEST_F(NetworkSensorLoopTest, LowSignalModeIsNotOffered)
{
    ASSERT_NE(openAndRun(), nullptr);
    EXPECT_FALSE(sensor->hasLowSignalMode());
    EXPECT_EQ(sensor->setLowSignalMode(), -6);
    EXPECT_EQ(sensor->setNormalMode(), -6);
    EXPECT_EQ(sensor->refreshPulseMonitorMode(), 0);
}

TEST_F(NetworkSensorLoopTest, StoppedSimulatorEndsTheLoopAndFinishesTheScan)
{
    ASSERT_NE(openAndRun(), nullptr);
    // Handed to the scan handler when the sensor is lost.
    auto* scan = newScan(QStringLiteral("lost"));
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 3; }, 30000));

    server->stop();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Disconnected, 1, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000)) << "thread not finished";
    EXPECT_EQ(sensor->thread(), QCoreApplication::instance()->thread());
    EXPECT_TRUE(scan->isFinished());
    EXPECT_EQ(sensor->currentScan(), nullptr);
    EXPECT_FALSE(sensor->isConnected());
}

TEST_F(NetworkSensorLoopTest, RepeatedTimeStampsBlockNeitherTheScanNorTheSetters)
{
    quvixsim::WebSensorFaults repeat;
    repeat.repeatTimestamps = true;
    server->setFaults(repeat);
    ASSERT_NE(openAndRun(), nullptr);
    auto* scan = newScan(QStringLiteral("stuck"));
    sensor->queueScan(scan);
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Started, 1, 20000));

    // The loop keeps reading a sensor that never brings a new sample; a
    // setter on another thread still gets the sensor between two reads.
    std::future<void> setter = std::async(std::launch::async, [&] { sensor->setVoltageLock(1); });
    const bool setterReturned = setter.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!setterReturned)
        server->stop(); // lets a blocked read end, so the test can
    ASSERT_TRUE(setterReturned);

    sensor->stopScan();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Complete, 1, 20000))
        << "the stopped scan was never handed on";
    EXPECT_EQ(recorder.eventsOf(LoopEvent::Complete).front().scan, scan);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sensor->isConnected(); }, 30000)) << "not reported stalled";

    server->setFaults({});
    EXPECT_TRUE(QTest::qWaitFor([&] { return sensor->isConnected(); }, 30000))
        << "fresh samples end the stall";
}

TEST_F(NetworkSensorLoopTest, ClosedByTheUserWhileItsLoopRunsIsAnnouncedOnce)
{
    ASSERT_NE(openAndRun(), nullptr);
    auto* scan = newScan(QStringLiteral("closed"));
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 3; }, 30000));

    // Closed on this thread while the loop reads; the loop then ends on the
    // closed handle and must not report the sensor lost a second time.
    sensor->close();
    EXPECT_TRUE(scan->isFinished());
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 20000)) << "thread not finished";
    EXPECT_EQ(recorder.eventsOf(LoopEvent::Disconnected).size(), 1u);
    EXPECT_FALSE(sensor->isConnected());
}

// Three frequencies with several harmonics each, a selection that leaves the
// middle one out, and every sample endpoint of the firmware generations: each
// value the simulated sensor reports must land at its frequency and harmonic.
struct EndpointCase {
    const char* firmwareRevision;
    bool reportsPulseTiming;
};

class NetworkSensorSampleLayoutTest : public ::testing::TestWithParam<EndpointCase>
{
protected:
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        ASSERT_TRUE(loadWebSensorLibrary());
        quvixsim::WebSensorOptions options;
        options.address = "192.0.2.2";
        options.port = 0;
        options.serial = "NETLAYOUT";
        options.firmwareRevision = GetParam().firmwareRevision;
        options.refreshMs = 20;
        options.frequenciesHz = {13560000.0, 27120000.0, 40680000.0};
        options.harmonics = {4, 3, 2};
        options.loads.clear();
        for (const auto& [resistance, reactance, volts] :
             {std::tuple{35.0, 12.0, 100.0}, std::tuple{20.0, -8.0, 60.0}, std::tuple{75.0, 30.0, 40.0}}) {
            quvixsim::RfLoadSettings load;
            load.resistance = resistance;
            load.reactance = reactance;
            load.voltage = volts;
            load.driftFraction = 0.0; // the same readings at every time stamp
            options.loads.push_back(load);
        }
        options.pulse.periodMicroseconds = 200.0;
        options.pulse.onTimeMicroseconds = 50.0;
        server = std::make_unique<quvixsim::WebSensorServer>(options);
        ASSERT_TRUE(server->start());
    }

    void TearDown() override
    {
        if (thread) {
            server->stop();
            EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 20000));
        }
        delete sensor;
        QCoreApplication::sendPostedEvents();
        delete scan.data();
    }

    std::unique_ptr<quvixsim::WebSensorServer> server;
    quvixSensorWeb* sensor = nullptr;
    QPointer<QThread> thread;
    QPointer<CWScan> scan;
    LoopRecorder recorder;
};

TEST_P(NetworkSensorSampleLayoutTest, ScanHoldsEachReportedValueAtItsFrequencyAndHarmonic)
{
    const std::string url = server->baseUrl();
    const int handle = webSensorApi().quvixWebOpen(url.c_str());
    ASSERT_GE(handle, 0);
    sensor = new quvixSensorWeb(handle, QString(), "NETLAYOUT", QString::fromStdString(url));
    recorder.attach(sensor);
    thread = startLoopThread(sensor);

    // Changed while the loop already reads, as the user does in a tab.
    const QVector<int> selection{3, 0, 2};
    ASSERT_TRUE(sensor->setSelectedHarmonics(selection));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return server->state().selectedHarmonics() == std::vector<int>{3, 0, 2};
        },
        15000));
    scan = new CWScan(sensor, QStringLiteral("layout"), 20);
    EXPECT_EQ(scan->sampleLength(), (2 + 4 * 3) + (2 + 4 * 2) + 2);
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 10; }, 30000))
        << "samples recorded: " << scan->sampleCount(0);
    sensor->stopScan();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Complete, 1));

    const struct {
        int record;
        size_t frequencyIndex;
        int harmonics;
    } places[] = {{0, 0, 3}, {1, 2, 2}};
    for (const auto& place : places) {
        const quvixsim::RfLoadModel load = server->state().model(place.frequencyIndex);
        for (int h = 0; h < place.harmonics; ++h) {
            const quvixsim::HarmonicReading sent = load.harmonicAt(h, 0.0);
            const struct {
                int parameter;
                double value;
            } expected[] = {{Voltage, sent.voltage},
                            {VoltagePhi, sent.voltagePhase},
                            {Current, sent.current},
                            {Phase, sent.currentPhase}};
            for (const auto& quantity : expected) {
                const SeriesCopy held = scan->copySeries(quantity.parameter, place.record, h, 0);
                ASSERT_GE(held.values.size(), 10u);
                for (double value : held.values)
                    ASSERT_DOUBLE_EQ(value, quantity.value) << "record " << place.record << " harmonic " << h
                                                            << " parameter " << quantity.parameter;
            }
        }
    }
    const double period = GetParam().reportsPulseTiming ? 200.0 : 0.0;
    const double onTime = GetParam().reportsPulseTiming ? 50.0 : 0.0;
    for (double value : scan->copySeries(PulsePeriod, 0, 0, 0).values)
        ASSERT_DOUBLE_EQ(value, period);
    for (double value : scan->copySeries(PulseOnTime, 0, 0, 0).values)
        ASSERT_DOUBLE_EQ(value, onTime);
}

INSTANTIATE_TEST_SUITE_P(SampleEndpoints, NetworkSensorSampleLayoutTest,
                         ::testing::Values(EndpointCase{"v5.23", true}, EndpointCase{"v5.10", true},
                                           EndpointCase{"v4.30", false}));

} // namespace
