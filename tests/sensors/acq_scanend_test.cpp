// How a scan changes hands and ends on a sensor whose loop runs on its own
// thread: every end of a measurement scan is announced once and registered
// once, a scan queued at any moment starts, and a scan stopped while its
// sensor was away stays stopped when the sensor returns.
#include "loopthread.h"
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
#include <optional>

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
        if (holdRead.exchange(false)) {
            loopReading.release();
            readMayReturn.acquire();
        }
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
    // The next read waits, once, until the test lets it return its sample.
    std::atomic<bool> holdRead{false};
    QSemaphore loopReading;
    QSemaphore readMayReturn;

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
        completions.emplace(sensor);
    }

    void TearDown() override
    {
        pull();
        sensor->finishCurrentScan();
        QCoreApplication::processEvents();
        delete sensor;
    }

    // A new thread runs the loop, as the sensor handler starts one.
    void startLoop() { thread = startLoopThread(sensor); }

    // Plugs the sensor back in within the watchdog's delay; a new loop runs.
    void replug()
    {
        sensor->attached = true;
        sensor->reconnect(2);
        startLoop();
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

    // Queues a new scan on the running loop; null unless it records.
    CWScan* recordingScan(const QString& name)
    {
        CWScan* scan = newScan(name);
        sensor->queueScan(scan);
        return recording(scan) ? scan : nullptr;
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

    // Registered once, and announced through ScanComplete once.
    void expectEndedOnce(BaseScan* scan, const QString& name)
    {
        expectRegisteredOnce(scan, name);
        EXPECT_EQ(completions->count(scan), 1);
    }

    QTemporaryDir autosaveDir;
    PacedSensor* sensor = nullptr;
    QPointer<QThread> thread;
    // Outlives the sensor's last emission in TearDown.
    std::optional<CompletionCounter> completions;
};

TEST_F(ScanEndTest, ScanQueuedWhileTheLoopBuildsItsPassiveScanStarts)
{
    sensor->holdPassiveScan = true;
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
    expectEndedOnce(scan, "queued");
}

// Each way a measurement scan ends is announced through ScanComplete once,
// and the scan handler registers and autosaves the scan once.
TEST_F(ScanEndTest, StoppedScanIsAnnouncedAndRegisteredOnce)
{
    startLoop();
    CWScan* scan = recordingScan("stopped");
    ASSERT_NE(scan, nullptr);
    sensor->stopScan();
    expectEndedOnce(scan, "stopped");
}

TEST_F(ScanEndTest, ScanOfASensorGoneTooLongIsAnnouncedAndRegisteredOnce)
{
    startLoop();
    CWScan* scan = recordingScan("gone");
    ASSERT_NE(scan, nullptr);
    pull();
    EXPECT_EQ(sensor->currentScan(), scan) << "kept for a quick return";
    // What the sensor handler's watchdog does, every second while it is away.
    sensor->finishCurrentScan();
    sensor->finishCurrentScan();
    expectEndedOnce(scan, "gone");
}

// A scan finished from the GUI thread while the loop waits for a read (a
// network sensor closed from the sensors dialog, the watchdog) is out of the
// loop's hands: the sample that read brings lands nowhere, and the passive
// scan, deleted meanwhile, is never touched again.
TEST_F(ScanEndTest, ScanFinishedDuringAReadGetsNoSampleFromIt)
{
    startLoop();
    CWScan* measured = recordingScan("during-read");
    ASSERT_NE(measured, nullptr);
    sensor->holdRead = true;
    ASSERT_TRUE(sensor->loopReading.tryAcquire(1, waitLimitMs));
    sensor->finishCurrentScan();
    const int recorded = measured->sampleCount(0);
    sensor->readMayReturn.release();
    expectEndedOnce(measured, "during-read");

    QPointer<BaseScan> passive;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            passive = sensor->currentScan();
            return passive && passive->sampleCount(0) >= 3;
        },
        waitLimitMs));
    EXPECT_EQ(measured->sampleCount(0), recorded);

    sensor->holdRead = true;
    ASSERT_TRUE(sensor->loopReading.tryAcquire(1, waitLimitMs));
    sensor->finishCurrentScan();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(passive.isNull()) << "the passive scan is deleted at once";
    sensor->readMayReturn.release();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const BaseScan* next = sensor->currentScan();
            return next && next->sampleCount(0) >= 3;
        },
        waitLimitMs));
}

// The overview's Stop reaches a scan whose sensor is away; the sensor comes
// back within the watchdog's delay.
TEST_F(ScanEndTest, ScanStoppedWhileTheSensorIsAwayStaysStoppedWhenItReturns)
{
    startLoop();
    CWScan* stopped = recordingScan("away");
    ASSERT_NE(stopped, nullptr);
    pull();
    stopped->stop();
    const int recorded = stopped->sampleCount(0);
    CWScan* next = newScan("next");
    sensor->queueScan(next);

    replug();
    ASSERT_TRUE(recording(next));
    EXPECT_TRUE(stopped->isFinished());
    EXPECT_EQ(stopped->sampleCount(0), recorded);
    expectEndedOnce(stopped, "away");

    sensor->stopScan();
    expectEndedOnce(next, "next");
}

TEST_F(ScanEndTest, ScanStillRunningResumesWhenTheSensorReturns)
{
    startLoop();
    CWScan* scan = recordingScan("resumed");
    ASSERT_NE(scan, nullptr);
    pull();
    const int recorded = scan->sampleCount(0);

    replug();
    ASSERT_TRUE(recording(scan, recorded + 3));
    EXPECT_EQ(completions->count(scan), 0);
    sensor->stopScan();
    expectEndedOnce(scan, "resumed");
}

} // namespace
