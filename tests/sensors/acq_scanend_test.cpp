// How a scan changes hands and ends on a sensor whose loop runs on its own
// thread: every end of a measurement scan is announced once and registered
// once, a scan queued at any moment starts, and a scan stopped while its
// sensor was away stays stopped when the sensor returns.
#include "scans/cwscan.h"
#include "scans/scanhandler.h"
#include "sensors/quvixsensor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>

namespace {

constexpr int waitLimitMs = 30000;

// A sensor without a library: while attached, each read delivers one
// fundamental sample 2 ms after the last; once pulled, the read reports the
// sensor lost. The first time the loop builds a passive scan it can be held
// there (the scan asks the sensor's report rate while the loop builds it).
class PacedSensor : public QuvixSensor
{
public:
    PacedSensor()
    {
        m_serialNumber = QStringLiteral("PACED-1");
        m_frequencies = {13.56};
        m_availableHarmonics = {1};
        m_selectedHarmonics = {1};
        m_delayStepsPerMicrosecond = 1.0;
        connectToScanRegistry();
    }

    int getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                  int* remaining) override
    {
        if (!attached)
            return 0;
        QThread::msleep(2);
        const double sample[] = {13.56e6, 100.0, 50.0, 0.0, 1.0, 10.0, 0.0, 0.0};
        std::copy(std::begin(sample), std::end(sample), values);
        *count = static_cast<int>(std::size(sample));
        *timeStampDelta = 2 * 24000;
        *peak = 50.0;
        *delay = 0;
        *remaining = 0;
        return 1;
    }

    int reportRate() const override
    {
        if (holdPassiveScan && QThread::currentThread() == thread() && holdPassiveScan.exchange(false)) {
            loopBuildingPassiveScan.release();
            loopMayGoOn.acquire();
        }
        return QuvixSensor::reportRate();
    }

    bool parameterReload() override { return true; }

    mutable std::atomic<bool> holdPassiveScan{false};
    mutable QSemaphore loopBuildingPassiveScan;
    mutable QSemaphore loopMayGoOn;
    std::atomic<bool> attached{true};

protected:
    bool canReadData() const override { return true; }
};

// Counts each scan's ScanComplete as it is emitted, on whichever thread.
class CompletionCounter
{
public:
    explicit CompletionCounter(QuvixSensor* sensor)
    {
        QObject::connect(sensor, &QuvixSensor::ScanComplete, [this](BaseScan* scan) {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_counts[scan];
        });
    }

    int count(BaseScan* scan) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_counts.find(scan);
        return found == m_counts.end() ? 0 : found->second;
    }

private:
    mutable std::mutex m_mutex;
    std::map<BaseScan*, int> m_counts;
};

class ScanEndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(autosaveDir.isValid());
        sensor = new PacedSensor();
    }

    void TearDown() override
    {
        pull();
        sensor->finishCurrentScan();
        QCoreApplication::processEvents();
        delete sensor;
    }

    // A new thread runs the loop, as the sensor handler starts one.
    void startLoop()
    {
        thread = new QThread();
        sensor->moveToThread(thread);
        QObject::connect(thread.data(), &QThread::started, sensor, &QuvixSensor::process);
        QObject::connect(thread.data(), &QThread::finished, thread.data(), &QObject::deleteLater);
        thread->start();
    }

    // Unplugs the sensor and waits until its loop has ended.
    void pull()
    {
        sensor->attached = false;
        if (thread) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, waitLimitMs));
        }
    }

    // A scan that autosaves into the test's folder; the registry keeps it.
    CWScan* newScan(const QString& name)
    {
        auto* scan = new CWScan(sensor, name, 20);
        scan->setAutosaveTarget(autosaveDir.path(), name);
        return scan;
    }

    int savedFiles(const QString& name) const
    {
        return QDir(autosaveDir.path()).entryList({name + "*.dat"}, QDir::Files).size();
    }

    static bool recording(BaseScan* scan, int samples = 3)
    {
        return QTest::qWaitFor([&] { return scan->sampleCount(0) >= samples; }, waitLimitMs);
    }

    // Waits until the registry took the scan, then checks it took it once.
    void expectRegisteredOnce(BaseScan* scan, const QString& name)
    {
        ScanHandler* registry = ScanHandler::getInstance();
        ASSERT_TRUE(QTest::qWaitFor([&] { return registry->keptScans().contains(scan); }, waitLimitMs));
        QCoreApplication::processEvents();
        EXPECT_EQ(registry->keptScans().count(scan), 1);
        EXPECT_EQ(savedFiles(name), 1);
    }

    QTemporaryDir autosaveDir;
    PacedSensor* sensor = nullptr;
    QPointer<QThread> thread;
};

TEST_F(ScanEndTest, ScanQueuedWhileTheLoopBuildsItsPassiveScanStarts)
{
    sensor->holdPassiveScan = true;
    CompletionCounter completions(sensor);
    QSignalSpy started(sensor, &QuvixSensor::ScanStarted);
    startLoop();
    ASSERT_TRUE(sensor->loopBuildingPassiveScan.tryAcquire(1, waitLimitMs));
    CWScan* scan = newScan("queued");
    sensor->queueScan(scan);
    sensor->loopMayGoOn.release();

    ASSERT_TRUE(recording(scan));
    EXPECT_EQ(sensor->currentScan(), scan);
    EXPECT_EQ(sensor->pendingScan(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return started.count() >= 1; }, waitLimitMs));
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(started.at(0).at(0).value<BaseScan*>(), scan);
    sensor->stopScan();
    expectRegisteredOnce(scan, "queued");
    EXPECT_EQ(completions.count(scan), 1);
}

// Each way a measurement scan ends is announced through ScanComplete once,
// and the scan handler registers and autosaves the scan once.
TEST_F(ScanEndTest, StoppedScanIsAnnouncedAndRegisteredOnce)
{
    CompletionCounter completions(sensor);
    startLoop();
    CWScan* scan = newScan("stopped");
    sensor->queueScan(scan);
    ASSERT_TRUE(recording(scan));
    sensor->stopScan();
    expectRegisteredOnce(scan, "stopped");
    EXPECT_EQ(completions.count(scan), 1);
}

TEST_F(ScanEndTest, ScanOfASensorGoneTooLongIsAnnouncedAndRegisteredOnce)
{
    CompletionCounter completions(sensor);
    startLoop();
    CWScan* scan = newScan("gone");
    sensor->queueScan(scan);
    ASSERT_TRUE(recording(scan));
    pull();
    EXPECT_EQ(sensor->currentScan(), scan) << "kept for a quick return";
    // What the sensor handler's watchdog does, every second while it is away.
    sensor->finishCurrentScan();
    sensor->finishCurrentScan();
    expectRegisteredOnce(scan, "gone");
    EXPECT_EQ(completions.count(scan), 1);
}

// The overview's Stop reaches a scan whose sensor is away; the sensor comes
// back within the watchdog's delay.
TEST_F(ScanEndTest, ScanStoppedWhileTheSensorIsAwayStaysStoppedWhenItReturns)
{
    CompletionCounter completions(sensor);
    startLoop();
    CWScan* stopped = newScan("away");
    sensor->queueScan(stopped);
    ASSERT_TRUE(recording(stopped));
    pull();
    stopped->stop();
    const int recorded = stopped->sampleCount(0);
    CWScan* next = newScan("next");
    sensor->queueScan(next);

    sensor->attached = true;
    sensor->reconnect(2);
    startLoop();
    ASSERT_TRUE(recording(next));
    EXPECT_TRUE(stopped->isFinished());
    EXPECT_EQ(stopped->sampleCount(0), recorded);
    expectRegisteredOnce(stopped, "away");
    EXPECT_EQ(completions.count(stopped), 1);

    sensor->stopScan();
    expectRegisteredOnce(next, "next");
    EXPECT_EQ(completions.count(next), 1);
}

TEST_F(ScanEndTest, ScanStillRunningResumesWhenTheSensorReturns)
{
    CompletionCounter completions(sensor);
    startLoop();
    CWScan* scan = newScan("resumed");
    sensor->queueScan(scan);
    ASSERT_TRUE(recording(scan));
    pull();
    const int recorded = scan->sampleCount(0);

    sensor->attached = true;
    sensor->reconnect(2);
    startLoop();
    ASSERT_TRUE(recording(scan, recorded + 3));
    EXPECT_EQ(completions.count(scan), 0);
    sensor->stopScan();
    expectRegisteredOnce(scan, "resumed");
    EXPECT_EQ(completions.count(scan), 1);
}

} // namespace
