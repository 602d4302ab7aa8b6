// The acquisition loop against the stand-in USB driver library.
#include "acq_sensorloop.h"
#include "scans/cwscan.h"
#include "scans/parameternames.h"
#include "scans/scanhandler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

const char* const loadResistance = "30";
const char* const loadReactance = "-15";

QByteArray sensorConfig(const char* fault = "none")
{
    return QByteArray("[sensor]\nserial = ACQ-1\nfrequency = 13560000 3 ") + loadResistance + " " +
           loadReactance + "\nfault = " + fault + "\n";
}

class AcquisitionLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(control.isComplete());
        ASSERT_TRUE(loadUsbSensorLibrary());
    }

    // Opens the configured sensor and records its loop (not yet started).
    QuvixSensor* open(const QByteArray& config, int reportRateMs = 20)
    {
        EXPECT_EQ(control.configure(config.constData()), 1);
        QuvixSensor* sensor = loop.open(reportRateMs);
        if (sensor)
            recorder.attach(sensor, [this] { return loop.delivered(); });
        return sensor;
    }

    // A CW scan for the loop; once it ends, the scan handler has it.
    CWScan* newScan(QuvixSensor* sensor, int rateMs = 20)
    {
        return new CWScan(sensor, QStringLiteral("scan"), rateMs);
    }

    // Opens the configured sensor, queues a CW scan on it and starts the
    // loop. The scan, or null when the sensor did not open.
    CWScan* startWithScan(const QByteArray& config)
    {
        QuvixSensor* sensor = open(config);
        if (!sensor)
            return nullptr;
        CWScan* scan = newScan(sensor);
        sensor->queueScan(scan);
        loop.start();
        return scan;
    }

    // Stops a running measurement scan and waits until the loop gave it up.
    bool finishScan(QuvixSensor* sensor, BaseScan* scan)
    {
        const auto complete = [scan](const std::vector<LoopEvent>& events) {
            return std::any_of(events.begin(), events.end(), [scan](const LoopEvent& event) {
                return event.kind == LoopEvent::Complete && event.scan == scan;
            });
        };
        if (sensor->currentScan() == scan)
            sensor->stopScan();
        return recorder.waitFor(complete);
    }

    UsbSimControl control;
    LoopRecorder recorder;
    SensorLoop loop{control};
};

TEST_F(AcquisitionLoopTest, NanValuesAreStoredAsZero)
{
    CWScan* scan = startWithScan(sensorConfig("nan"));
    ASSERT_NE(scan, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 3; }, 30000));
    ASSERT_TRUE(finishScan(sensor, scan));

    // The stand-in spoils the fundamental's voltage of every sample.
    const SeriesCopy voltage = scan->copySeries(Voltage, 0, 0, 0);
    ASSERT_GE(voltage.values.size(), 3u);
    for (double value : voltage.values)
        EXPECT_EQ(value, 0.0);
    EXPECT_GT(scan->latestValue(Current, 0, 0, 0), 0.0);
}

TEST_F(AcquisitionLoopTest, ReadsThatLeaveRemainingAt100AreDiscarded)
{
    QuvixSensor* sensor = open(sensorConfig("noremaining"));
    ASSERT_NE(sensor, nullptr);
    loop.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loop.delivered() >= 5; }, 30000));
    BaseScan* passive = sensor->currentScan();
    ASSERT_NE(passive, nullptr);
    EXPECT_EQ(passive->sampleCount(0), 0);
    EXPECT_TRUE(recorder.eventsOf(LoopEvent::Monitoring).empty());
}

TEST_F(AcquisitionLoopTest, OversizedSampleIsDroppedAndTheScanGoesOn)
{
    static std::mutex logMutex;
    static QStringList log;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            std::lock_guard<std::mutex> lock(logMutex);
            log.append(text);
        });
    CWScan* scan = startWithScan(sensorConfig("overcount"));
    ASSERT_NE(scan, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loop.delivered() >= 5; }, 30000));
    EXPECT_EQ(scan->sampleCount(0), 0);

    auto setFault = reinterpret_cast<int (*)(const char*, const char*)>(
        QLibrary(QCoreApplication::applicationDirPath() + "/libquvix3.so").resolve("quvix3SimSetFault"));
    ASSERT_NE(setFault, nullptr);
    setFault("ACQ-1", "none");
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 2; }, 30000));
    EXPECT_TRUE(recorder.eventsOf(LoopEvent::Disconnected).empty());
    ASSERT_TRUE(finishScan(sensor, scan));
    qInstallMessageHandler(previous);

    std::lock_guard<std::mutex> lock(logMutex);
    const auto oversized = std::count_if(log.begin(), log.end(), [](const QString& line) {
        return line.contains("ACQ-1") && line.contains("dropped");
    });
    EXPECT_EQ(oversized, 1);
}

TEST_F(AcquisitionLoopTest, MonitoringUpdatesComeMoreThan100MsApart)
{
    // Taken before the sensor is built: building it (settings, library
    // calls) may take a while on a loaded machine.
    const qint64 constructedAt = recorder.elapsedMs();
    QuvixSensor* sensor = open(sensorConfig(), 10);
    ASSERT_NE(sensor, nullptr);
    std::atomic<int> announced{0};
    QObject::connect(sensor, &QuvixSensor::sensorConnected, [&announced](QuvixSensor*) { ++announced; });
    loop.start();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 4));
    EXPECT_EQ(announced.load(), 1) << "the sensor is announced once";

    const std::vector<LoopEvent> updates = recorder.eventsOf(LoopEvent::Monitoring);
    EXPECT_GE(updates.front().atMs - constructedAt, 100);
    for (size_t i = 1; i < updates.size(); ++i)
        EXPECT_GE(updates[i].atMs - updates[i - 1].atMs, 100) << "update " << i;
    // Many samples were read meanwhile, not one per update.
    EXPECT_GT(loop.delivered(), static_cast<long long>(updates.size()) * 3);
}

TEST_F(AcquisitionLoopTest, ScanQueuedDuringPassiveScanReplacesIt)
{
    QuvixSensor* sensor = open(sensorConfig());
    ASSERT_NE(sensor, nullptr);
    loop.start();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 1));
    BaseScan* passive = sensor->currentScan();
    ASSERT_NE(passive, nullptr);
    EXPECT_TRUE(passive->isPassive());
    QPointer<BaseScan> watchedPassive = passive;
    EXPECT_EQ(sensor->scanState(), 0);
    EXPECT_FALSE(sensor->isMeasuring());

    CWScan* scan = newScan(sensor);
    sensor->queueScan(scan);
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Started, 1));
    const std::vector<LoopEvent> events = recorder.events();
    const auto removed = std::find_if(events.begin(), events.end(), [](const LoopEvent& event) {
        return event.kind == LoopEvent::ToBeRemoved;
    });
    const auto started = std::find_if(events.begin(), events.end(), [](const LoopEvent& event) {
        return event.kind == LoopEvent::Started;
    });
    ASSERT_NE(removed, events.end());
    EXPECT_EQ(removed->scan, passive);
    EXPECT_LT(removed - events.begin(), started - events.begin());
    EXPECT_EQ(started->scan, scan);
    EXPECT_TRUE(sensor->isMeasuring());
    // The passive scan is deleted on this thread once its signals are handled.
    EXPECT_TRUE(QTest::qWaitFor([&] { return watchedPassive.isNull(); }, 30000));
    EXPECT_NE(sensor->scanState(), 0);
    ASSERT_TRUE(finishScan(sensor, scan));
}

TEST_F(AcquisitionLoopTest, ScanQueuedBeforeTheFirstPassStartsAtOnce)
{
    CWScan* scan = startWithScan(sensorConfig());
    ASSERT_NE(scan, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Started, 1));
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 1));
    EXPECT_EQ(recorder.eventsOf(LoopEvent::Started).front().scan, scan);
    EXPECT_EQ(recorder.eventsOf(LoopEvent::Monitoring).front().scan, scan);
    EXPECT_TRUE(recorder.eventsOf(LoopEvent::ToBeRemoved).empty());
    ASSERT_TRUE(finishScan(sensor, scan));
}

TEST_F(AcquisitionLoopTest, SecondQueuedScanReplacesTheFirstWhileAScanRuns)
{
    CWScan* running = startWithScan(sensorConfig());
    ASSERT_NE(running, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Started, 1));

    QPointer<BaseScan> replaced = new CWScan(sensor, QStringLiteral("replaced"), 20);
    CWScan* next = newScan(sensor);
    sensor->queueScan(replaced);
    sensor->queueScan(next);
    // A measurement scan is not preempted by a queued one.
    ASSERT_TRUE(QTest::qWaitFor([&] { return running->sampleCount(0) >= 3; }, 30000));
    EXPECT_FALSE(running->isFinished());
    EXPECT_EQ(sensor->pendingScan(), next);
    EXPECT_TRUE(replaced.isNull()); // deleted on this thread, never started

    ASSERT_TRUE(finishScan(sensor, running));
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Started, 2));
    const std::vector<LoopEvent> started = recorder.eventsOf(LoopEvent::Started);
    EXPECT_EQ(started[1].scan, next);
    ASSERT_TRUE(finishScan(sensor, next));
}

TEST_F(AcquisitionLoopTest, EnergiesCarryIntoTheNextPassiveScan)
{
    CWScan* scan = startWithScan(sensorConfig());
    ASSERT_NE(scan, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 20; }, 30000));
    ASSERT_TRUE(finishScan(sensor, scan));
    const QVector<QVector<double>> completed = scan->energies();
    ASSERT_FALSE(completed.empty());
    ASSERT_FALSE(completed[0].empty());
    ASSERT_GT(completed[0][0], 0.0);

    ASSERT_TRUE(recorder.waitFor([scan](const std::vector<LoopEvent>& events) {
        return std::any_of(events.begin(), events.end(), [scan](const LoopEvent& event) {
            return event.kind == LoopEvent::Monitoring && event.scan != scan;
        });
    }));
    BaseScan* passive = sensor->currentScan();
    ASSERT_NE(passive, nullptr);
    ASSERT_TRUE(passive->isPassive());
    // Fewer samples than the completed scan, yet at least its energy.
    EXPECT_LT(passive->sampleCount(0), scan->sampleCount(0));
    const QVector<QVector<double>> carried = passive->energies();
    ASSERT_EQ(carried.size(), completed.size());
    for (int i = 0; i < completed[0].size(); ++i)
        EXPECT_GE(carried[0][i], completed[0][i]) << "record " << i;
}

TEST_F(AcquisitionLoopTest, LostSensorEndsTheLoopAndTheThread)
{
    CWScan* scan = startWithScan(sensorConfig());
    ASSERT_NE(scan, nullptr);
    QuvixSensor* sensor = loop.sensor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 2; }, 30000));
    QPointer<QThread> thread = loop.thread();

    control.setAttached(loop.serial().constData(), 0);
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Disconnected, 1));
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000)) << "thread not finished";
    EXPECT_EQ(sensor->thread(), QCoreApplication::instance()->thread());
    EXPECT_FALSE(sensor->isConnected());
    EXPECT_TRUE(sensor->disconnectTime().isValid());
    // A USB sensor keeps its scan for a quick return.
    EXPECT_EQ(sensor->currentScan(), scan);
    EXPECT_FALSE(scan->isFinished());
    // Finishing it hands it to the scan registry on this thread (queued).
    sensor->finishCurrentScan();
    EXPECT_TRUE(scan->isFinished());
    EXPECT_EQ(sensor->currentScan(), nullptr);
    const ScanHandler* registry = ScanHandler::getInstance();
    EXPECT_FALSE(registry->keptScans().contains(scan)) << "not queued";
    EXPECT_TRUE(QTest::qWaitFor([&] { return registry->keptScans().contains(scan); }, 30000));
    ASSERT_TRUE(loop.stop());
}

TEST_F(AcquisitionLoopTest, TimedScanHoldsEverySampleReadAndTheLoad)
{
    QuvixSensor* sensor = open(sensorConfig(), 20);
    ASSERT_NE(sensor, nullptr);
    CWScan* scan = newScan(sensor, 20);
    scan->timed = true;
    scan->duration = 2.0;
    loop.start();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 1));
    sensor->queueScan(scan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->isFinished(); }, 30000));
    ASSERT_TRUE(finishScan(sensor, scan));

    const std::vector<LoopEvent> started = recorder.eventsOf(LoopEvent::Started);
    const std::vector<LoopEvent> complete = recorder.eventsOf(LoopEvent::Complete);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_EQ(complete.size(), 1u);
    const long long handedOut = complete[0].delivered - started[0].delivered;
    EXPECT_GT(handedOut, 50);
    EXPECT_EQ(scan->sampleCount(0), handedOut);

    const double resistance = std::atof(loadResistance);
    const double reactance = std::atof(loadReactance);
    const SeriesCopy real = scan->copySeries(ImpedanceReal, 0, 0, 0);
    const SeriesCopy imaginary = scan->copySeries(ImpedanceImag, 0, 0, 0);
    ASSERT_EQ(static_cast<long long>(real.values.size()), handedOut);
    ASSERT_EQ(imaginary.values.size(), real.values.size());
    for (size_t i = 0; i < real.values.size(); ++i) {
        EXPECT_NEAR(real.values[i], resistance, 1e-9 * std::abs(resistance)) << "sample " << i;
        EXPECT_NEAR(imaginary.values[i], reactance, 1e-9 * std::abs(reactance)) << "sample " << i;
    }
}

TEST_F(AcquisitionLoopTest, ReloadStartedOnTheGuiThreadIsRepeatedOnceByTheLoop)
{
    QuvixSensor* sensor = open(sensorConfig());
    ASSERT_NE(sensor, nullptr);
    loop.start();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 1));
    const int before = control.callCount("ACQ-1", "quvixParameterReload");

    ASSERT_TRUE(sensor->setSelectedHarmonics({2}));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return control.callCount("ACQ-1", "quvixParameterReload") == before + 2; }, 5000));
    const size_t updates = recorder.eventsOf(LoopEvent::Monitoring).size();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, updates + 2));
    EXPECT_EQ(control.callCount("ACQ-1", "quvixParameterReload"), before + 2);
}

TEST_F(AcquisitionLoopTest, HarmonicChangesWhileTheLoopRecords)
{
    QuvixSensor* sensor = open(sensorConfig());
    ASSERT_NE(sensor, nullptr);
    loop.start();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, 1));
    // Each change ends the passive scan; the loop builds the next one from
    // the selection while this thread changes it again.
    for (int round = 0; round < 40; ++round)
        ASSERT_TRUE(sensor->setSelectedHarmonics({1 + round % 3}));
    const size_t updates = recorder.eventsOf(LoopEvent::Monitoring).size();
    ASSERT_TRUE(recorder.waitForCount(LoopEvent::Monitoring, updates + 2));
    EXPECT_TRUE(sensor->isConnected());
    EXPECT_EQ(sensor->selectedHarmonics().front(), 1 + 39 % 3);
}

} // namespace
