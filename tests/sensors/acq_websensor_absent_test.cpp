// The network sensor object when its library answers "bad handle" to
// everything: a sensor whose connection is gone, or no library at all.
#include "loopthread.h"
#include "scans/cwscan.h"
#include "sensors/quvixsensorweb.h"
#include "sensors/sensorlibraries.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

class WebSensorWithoutConnection : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ASSERT_FALSE(loadWebSensorLibrary()); }
};

TEST_F(WebSensorWithoutConnection, ReportsNothingAndOnlyProbes)
{
    quvixSensorWeb sensor(7, QString(), "NET-1", "http://192.0.2.2/");
    EXPECT_EQ(sensor.connectionKind(), 1);
    EXPECT_EQ(sensor.handle(), 7);
    EXPECT_EQ(sensor.address(), "http://192.0.2.2/");
    EXPECT_TRUE(sensor.frequencies().isEmpty());
    EXPECT_TRUE(sensor.capabilities().isEmpty());
    EXPECT_FALSE(sensor.hasPulse() || sensor.hasVi() || sensor.isMultiFrequency());
    EXPECT_TRUE(sensor.variantInfo().isEmpty());
    EXPECT_TRUE(sensor.firmwareRevision().isEmpty());
    EXPECT_EQ(sensor.model(), -4);
    EXPECT_EQ(sensor.sensorType(), 0);
    EXPECT_EQ(sensor.firmwareMajor(), -4);
    EXPECT_FALSE(sensor.isConnected());
    EXPECT_FALSE(sensor.hasLowSignalMode());
    EXPECT_EQ(sensor.setLowSignalMode(), -4);
    // A gone connection is no successful reload.
    EXPECT_FALSE(sensor.parameterReload());
    // The probe of a sensor without frequencies fails, so its loop ends.
    EXPECT_LT(sensor.setTriggerDelay(0.0), 0);
    EXPECT_EQ(sensor.refreshPulseMonitorMode(), 0);
    EXPECT_EQ(sensor.pulseMonitorMode(), 0);
}

TEST_F(WebSensorWithoutConnection, CloseReportsTheDisconnection)
{
    quvixSensorWeb sensor(3, QString(), "NET-2", "http://192.0.2.3/");
    QSignalSpy disconnected(&sensor, &QuvixSensor::SensorDisconnected);
    sensor.close();
    ASSERT_EQ(disconnected.count(), 1);
    EXPECT_EQ(disconnected.at(0).at(0).value<QuvixSensor*>(), &sensor);
    EXPECT_TRUE(sensor.disconnectTime().isValid());
}

TEST_F(WebSensorWithoutConnection, LoopOfASensorWithoutFrequenciesEndsWhenTheProbeFails)
{
    auto* sensor = new quvixSensorWeb(5, QString(), "NET-3", "http://192.0.2.2/");
    QSignalSpy disconnected(sensor, &QuvixSensor::SensorDisconnected);
    const QPointer<QThread> thread = startLoopThread(sensor);
    ASSERT_TRUE(disconnected.wait(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000)) << "thread not finished";
    EXPECT_EQ(sensor->thread(), QCoreApplication::instance()->thread());
    delete sensor;
}

// A network sensor whose connection is gone ends its scan as it closes; the
// sensors dialog then finishes it once more. The scan is announced once and
// reaches the scan handler, which drops it for want of data.
TEST_F(WebSensorWithoutConnection, ClosingEndsTheScanWithOneAnnouncement)
{
    auto* sensor = new quvixSensorWeb(6, QString(), "NET-4", "http://192.0.2.2/");
    QPointer<BaseScan> scan = new CWScan(sensor, QStringLiteral("closed"), 20);
    sensor->queueScan(scan);
    QSignalSpy complete(sensor, &QuvixSensor::ScanComplete);
    QSignalSpy disconnected(sensor, &QuvixSensor::SensorDisconnected);
    const QPointer<QThread> thread = startLoopThread(sensor);
    ASSERT_TRUE(disconnected.wait(30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
    sensor->finishCurrentScan();
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan.isNull(); }, 30000)) << "not handed to the scan handler";
    ASSERT_EQ(complete.count(), 1);
    delete sensor;
}

} // namespace
