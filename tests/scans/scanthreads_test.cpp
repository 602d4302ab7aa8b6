#include "scans/basescan.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

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
