// The sensor handler's USB side against the stand-in USB driver library.
// Building the handler also runs a discovery pass, so these tests run only
// inside the private network namespace.
#include "scans/cwscan.h"
#include "scans/scanhandler.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "support/testenvironment.h"
#include "usbsimcontrol.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

const char* const serial = "USB-7";
// Generous enough for the sanitizer stages on a busy two-core machine.
constexpr int waitLimitMs = 30000;

class SensorHandlerUsbTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(control.isComplete());
        ASSERT_EQ(
            control.configure("[sensor]\nserial = USB-7\nfrequency = 13560000 2 50 10\nattached = no\n"), 1);
    }

    // Ends every sensor loop before the process (and the stand-in) goes away.
    void TearDown() override
    {
        if (!testenv::isNetworkIsolated())
            return;
        control.setAttached(serial, 0);
        EXPECT_TRUE(QTest::qWaitFor([] { return handler()->sensors().isEmpty(); }, waitLimitMs));
        for (const QPointer<QThread>& thread : threadsStarted())
            EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, waitLimitMs));
    }

    // Every sensor thread the handler started so far, as guarded pointers.
    std::vector<QPointer<QThread>>& threadsStarted() { return m_threads; }

    QuvixSensor* waitForListed(int timeoutMs = waitLimitMs)
    {
        QuvixSensor* found = nullptr;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                found = handler()->findSensor(serial);
                return found != nullptr;
            },
            timeoutMs));
        if (found)
            m_threads.push_back(found->thread());
        return found;
    }

    // Unplugs the sensor and waits until the handler no longer lists it.
    bool pullUntilUnlisted()
    {
        control.setAttached(serial, 0);
        return QTest::qWaitFor([] { return handler()->findSensor(serial) == nullptr; }, waitLimitMs);
    }

    static bool recording(const BaseScan* scan)
    {
        return QTest::qWaitFor([&] { return scan->sampleCount(0) >= 2; }, waitLimitMs);
    }

    // Waits until the scan registry keeps the scan, as it does each completed one.
    static bool registered(BaseScan* scan)
    {
        return QTest::qWaitFor([&] { return ScanHandler::getInstance()->keptScans().contains(scan); },
                               waitLimitMs);
    }

    static bool runsOnItsOwnThread(const QuvixSensor* sensor)
    {
        return sensor->thread() != QCoreApplication::instance()->thread() && sensor->thread()->isRunning();
    }

    static SensorHandler* handler() { return SensorHandler::getInstance(); }

    UsbSimControl control;
    std::vector<QPointer<QThread>> m_threads;
};

TEST_F(SensorHandlerUsbTest, AttachedSensorIsListedWithARunningThread)
{
    QUVIX_REQUIRE_NETLAB();
    QSignalSpy listed(handler(), &SensorHandler::updateSensorList);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr) << "not listed";
    EXPECT_EQ(handler()->sensors().front(), sensor);
    EXPECT_GE(listed.count(), 1);
    EXPECT_TRUE(runsOnItsOwnThread(sensor));
    EXPECT_EQ(control.callCount(serial, "quvixGetFirmwareMajor"), 1);
}

TEST_F(SensorHandlerUsbTest, ReturningSensorIsTheSameObjectWithANewHandleAndThread)
{
    QUVIX_REQUIRE_NETLAB();
    QSignalSpy disconnected(handler(), &SensorHandler::updateUnavailableSensors);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr);
    const int firstHandle = sensor->handle();
    QPointer<QThread> firstThread = sensor->thread();

    ASSERT_TRUE(pullUntilUnlisted());
    EXPECT_TRUE(handler()->unavailableSensors().contains(serial));
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstThread.isNull(); }, waitLimitMs))
        << "old thread not finished";

    control.setAttached(serial, 1);
    QuvixSensor* back = waitForListed();
    ASSERT_EQ(back, sensor);
    EXPECT_EQ(handler()->sensors().front(), sensor);
    EXPECT_NE(sensor->handle(), firstHandle);
    EXPECT_TRUE(runsOnItsOwnThread(sensor));
    EXPECT_EQ(control.callCount(serial, "quvixGetFirmwareMajor"), 2) << "firmware not asked again";
    // Back again: no longer unavailable.
    EXPECT_FALSE(handler()->unavailableSensors().contains(serial));
}

// The Sensors Hub rebuilds its table on this signal: a first arrival and a
// return are news to it as much as a departure.
TEST_F(SensorHandlerUsbTest, EveryArrivalAndDepartureIsAnnounced)
{
    QUVIX_REQUIRE_NETLAB();
    QSignalSpy changes(handler(), &SensorHandler::sensorsDetected);
    for (const char* visit : {"first arrival", "return"}) {
        const int before = changes.count();
        control.setAttached(serial, 1);
        ASSERT_NE(waitForListed(), nullptr) << visit;
        EXPECT_EQ(changes.count(), before + 1) << visit;
        ASSERT_TRUE(pullUntilUnlisted()) << visit;
        EXPECT_EQ(changes.count(), before + 2) << visit;
    }
}

TEST_F(SensorHandlerUsbTest, FailedSerialReadClosesTheHandle)
{
    QUVIX_REQUIRE_NETLAB();
    ASSERT_EQ(control.configure("[sensor]\nserial =\nfrequency = 13560000 1\n"), 1);
    handler();
    ASSERT_TRUE(QTest::qWaitFor([&] { return control.callCount("", "quvixClose") >= 1; }, waitLimitMs));
    EXPECT_TRUE(handler()->sensors().isEmpty());
}

TEST_F(SensorHandlerUsbTest, AutoStartIsRaisedOnEveryRegistration)
{
    QUVIX_REQUIRE_NETLAB();
    QSettings().setValue(QString(serial) + "/AutoStart", true);
    QSignalSpy autoStart(handler(), &SensorHandler::autoScanStart);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr);
    ASSERT_EQ(autoStart.count(), 1);
    EXPECT_EQ(autoStart.at(0).at(0).value<QuvixSensor*>(), sensor);

    ASSERT_TRUE(pullUntilUnlisted());
    control.setAttached(serial, 1);
    ASSERT_NE(waitForListed(), nullptr);
    EXPECT_EQ(autoStart.count(), 2);
}

TEST_F(SensorHandlerUsbTest, WatchdogFinishesTheScanOfASensorGoneTooLong)
{
    QUVIX_REQUIRE_NETLAB();
    handler()->setWatchdogDelay(3000);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr);
    auto owned = std::make_unique<CWScan>(sensor, QStringLiteral("watched"), 20);
    CWScan* scan = owned.get();
    sensor->queueScan(scan);
    ASSERT_TRUE(recording(scan));

    ASSERT_TRUE(pullUntilUnlisted());
    // Kept over a short absence, for a quick return.
    EXPECT_EQ(sensor->currentScan(), scan);
    EXPECT_FALSE(scan->isFinished());

    EXPECT_TRUE(QTest::qWaitFor([&] { return sensor->currentScan() == nullptr; }, waitLimitMs));
    EXPECT_TRUE(scan->isFinished());
    // Completed: the scan registry has it.
    EXPECT_TRUE(registered(scan));
}

TEST_F(SensorHandlerUsbTest, ScanResumesWhenTheSensorReturnsQuickly)
{
    QUVIX_REQUIRE_NETLAB();
    handler()->setWatchdogDelay(60000);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr);
    auto owned = std::make_unique<CWScan>(sensor, QStringLiteral("resumed"), 20);
    CWScan* scan = owned.get();
    sensor->queueScan(scan);
    ASSERT_TRUE(recording(scan));

    ASSERT_TRUE(pullUntilUnlisted());
    const int before = scan->sampleCount(0);
    control.setAttached(serial, 1);
    ASSERT_NE(waitForListed(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) > before + 2; }, waitLimitMs));
    EXPECT_EQ(sensor->currentScan(), scan);
    EXPECT_FALSE(scan->isFinished());
    sensor->stopScan();
    ASSERT_TRUE(pullUntilUnlisted());
    sensor->finishCurrentScan();
    EXPECT_TRUE(registered(scan));
}

// The overview's Stop reaches a scan whose sensor is away, and a new scan is
// queued; the sensor returns well within the watchdog's delay.
TEST_F(SensorHandlerUsbTest, ScanStoppedWhileTheSensorIsAwayIsNotResumed)
{
    QUVIX_REQUIRE_NETLAB();
    handler()->setWatchdogDelay(60000);
    control.setAttached(serial, 1);
    QuvixSensor* sensor = waitForListed();
    ASSERT_NE(sensor, nullptr);
    auto* stopped = new CWScan(sensor, QStringLiteral("stopped away"), 20);
    sensor->queueScan(stopped);
    ASSERT_TRUE(recording(stopped));

    ASSERT_TRUE(pullUntilUnlisted());
    stopped->stop();
    const int recorded = stopped->sampleCount(0);
    auto* next = new CWScan(sensor, QStringLiteral("next"), 20);
    sensor->queueScan(next);
    QSignalSpy completed(sensor, &QuvixSensor::ScanComplete);

    control.setAttached(serial, 1);
    ASSERT_NE(waitForListed(), nullptr);
    ASSERT_TRUE(recording(next));
    EXPECT_TRUE(stopped->isFinished());
    EXPECT_EQ(stopped->sampleCount(0), recorded);
    EXPECT_EQ(completed.count(), 1);
    EXPECT_TRUE(registered(stopped));

    sensor->stopScan();
    EXPECT_TRUE(registered(next));
}

} // namespace
