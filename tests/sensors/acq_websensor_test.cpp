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
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 10; }, 15000));
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 3; }, 15000));

    server->stop();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Disconnected, 1, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 10000)) << "thread not finished";
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 3; }, 15000));

    // Closed on this thread while the loop reads; the loop then ends on the
    // closed handle and must not report the sensor lost a second time.
    sensor->close();
    EXPECT_TRUE(scan->isFinished());
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 20000)) << "thread not finished";
    EXPECT_EQ(recorder.eventsOf(LoopEvent::Disconnected).size(), 1u);
    EXPECT_FALSE(sensor->isConnected());
}

} // namespace
