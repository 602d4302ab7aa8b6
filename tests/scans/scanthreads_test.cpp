#include "scans/basescan.h"
#include "scans/cwscan.h"
#include "scans/processvalues.h"
#include "scans/pulsetrendscan.h"
#include "scans/scanhandler.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include <atomic>
#include <thread>

using namespace scantest;

// The sensor's thread appends and trims while the GUI thread copies: every
// copy is whole (times and values of the same samples) and numbered in order.
TEST(ScanThreads, AppendsAndCopiesFromTwoThreads)
{
    FakeSensor sensor({13.56}, {2});
    BaseScan scan(&sensor, "Default");
    scan.start();
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            std::vector<double> sample = sampleFor(sensor, 100.0, 20.0, i);
            scan.addData(sample.data(), static_cast<int>(sample.size()), 0.0, 10 * ticksPerMs);
            scan.afterSample(0);
        }
        done = true;
    });

    qint64 next = 0;
    double lastValue = -1.0;
    int copies = 0;
    while (!done || copies == 0) {
        const SeriesCopy copy = scan.copySeries(Voltage, 0, 0, 0, next);
        ASSERT_EQ(copy.values.size(), copy.time.size());
        ASSERT_GE(copy.firstSampleNumber, next);
        for (double v : copy.values) {
            ASSERT_GT(v, lastValue);
            lastValue = v;
        }
        next = copy.firstSampleNumber + static_cast<qint64>(copy.time.size());
        scan.latestValue(Voltage, 0, 1, 0);
        BaseScan::series(&scan, 0, 0, 0);
        if (++copies % 50 == 0)
            delete scan.treeItem();
    }
    writer.join();
    const SeriesCopy tail = scan.copySeries(Voltage, 0, 0, 0, next);
    if (!tail.values.empty())
        lastValue = tail.values.back();
    EXPECT_EQ(lastValue, 19999.0);
    EXPECT_EQ(scan.dataSets.front()->nextSampleNumber(), 20000);
}

// The sensor's thread moves a pulse trend's points while the GUI thread shows
// them: each read is one of the points the trend had.
TEST(ScanThreads, PulseTrendPointsAreReadWhileTheSensorMovesThem)
{
    FakeSensor sensor({13.56}, {1});
    PulseTrendScan scan(&sensor, "pt", {50.0, 10.0}, 1.0, 100.0, 0.0, 0.0, 1.0, 1, {1, 0});
    std::atomic<bool> done{false};
    std::thread sensorThread([&] {
        scan.start();
        for (int i = 0; i < 2000; ++i)
            runPass(scan, sensor, sampleFor(sensor, i % 2 ? 100.0 : 200.0, 20.0), ticksPerMs);
        done = true;
    });
    int reads = 0;
    while (!done || reads == 0) {
        const int first = scan.trendTime(0);
        ASSERT_TRUE(first == 0 || first == 50 || first == 100) << first;
        ASSERT_EQ(scan.trendTime(1) % 10, 0);
        ++reads;
    }
    sensorThread.join();
    EXPECT_EQ(scan.trendTime(1), 10);
    EXPECT_EQ(scan.trendTime(2), 0);
}

// Events recorded on the sensor's thread are saved there and reach the
// registry on the GUI thread, queued.
TEST(ScanThreads, TriggeredEventsReachTheRegistryFromTheSensorThread)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    applicationVersionString = softwareIdentification("Quvix", 2, 8, 0);
    ScanHandler* registry = ScanHandler::getInstance();
    FakeSensor sensor({13.56}, {1});
    CWScan scan(&sensor, "auto", 100);
    scan.setAutosaveTarget(dir.path(), "event_<eventNumber>");
    scan.setTriggerRecording(Voltage, 10, true, Voltage, 5, false, 1, 0, 0, true, 0, nullptr);
    std::thread sensorThread([&] {
        scan.start();
        for (int event = 0; event < 4; ++event)
            for (double v : {1.0, 1.0, 20.0, 20.0, 1.0})
                runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, v), 2400000);
    });
    sensorThread.join();
    QCoreApplication::sendPostedEvents();
    const QList<BaseScan*> kept = registry->keptScans();
    ASSERT_EQ(kept.size(), 4);
    for (BaseScan* event : kept) {
        EXPECT_EQ(event->thread(), QCoreApplication::instance()->thread());
        EXPECT_FALSE(event->unsavedData);
    }
    qDeleteAll(kept);
}
