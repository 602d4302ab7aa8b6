// The live feed of one series: what the extended series copy tells it, how
// it follows trims and time shifts, and a scan recorded on another thread
// while the feed updates, after which the feed holds exactly the scan's
// window.

#include "scans/basescan.h"
#include "scans/cwscan.h"
#include "scans/scanhandler.h"
#include "scans/seriesfeed.h"
#include "support/scanfactory.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <thread>

using namespace scantest;

namespace {

// One second between samples (whole-second times trim exactly), voltage =
// sample number.
void appendSamples(BaseScan& scan, const FakeSensor& sensor, int count)
{
    static int number = 0;
    for (int i = 0; i < count; ++i) {
        std::vector<double> sample = sampleFor(sensor, 100.0, 20.0, double(number++));
        scan.addData(sample.data(), static_cast<int>(sample.size()), 0.0, 1000 * ticksPerMs);
    }
}

void shiftTimes(BaseScan& scan, double t0)
{
    std::lock_guard<std::mutex> lock(scan.mutex);
    for (const auto& set : scan.dataSets)
        set->shiftTime(t0);
}

// The scan's own window of the followed series.
std::pair<Series, Series> window(BaseScan& scan, int parameterId)
{
    std::lock_guard<std::mutex> lock(scan.mutex);
    const TrendDataSet& set = *scan.dataSets.front();
    return {set.time, set.parameterSeries(parameterId, 0, 0)};
}

// The feed of the fundamental's voltage holds exactly the scan's window.
void expectHoldsWindow(const SeriesFeed& feed, BaseScan& scan)
{
    const auto [time, values] = window(scan, Voltage);
    EXPECT_EQ(feed.time(), time);
    EXPECT_EQ(feed.values(), values);
}

class FeedOnScan : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scan.start();
        appendSamples(scan, sensor, 100);
    }
    FakeSensor sensor{{13.56}, {1}};
    CWScan scan{&sensor, "feed", 100};
};

enum class Between { Nothing, TrimBehindFeed, TrimBeyondFeed, Shift };

struct CopyCase {
    const char* name;
    Between between;
    qint64 heldFirst;  // in the copy taken after it
    int shifts;        // in the copy taken after it
    qint64 copyFirst;  // first sample number of that copy
    size_t copyLength; // samples in it
};

class SeriesCopyFields : public FeedOnScan, public ::testing::WithParamInterface<CopyCase>
{
};

// The view has taken samples 0 .. 99; 20 more arrive, then the change.
TEST_P(SeriesCopyFields, TellWhatTheScanTrimmedAndShifted)
{
    const CopyCase& c = GetParam();
    appendSamples(scan, sensor, 20);
    switch (c.between) {
    case Between::Nothing:
        break;
    case Between::TrimBehindFeed:
        scan.trimWindow(5, 69); // drops 0 .. 49
        break;
    case Between::TrimBeyondFeed:
        scan.trimWindow(5, 9); // drops 0 .. 109
        break;
    case Between::Shift:
        shiftTimes(scan, 3.0);
        break;
    }
    const SeriesCopy copy = scan.copySeries(Voltage, 0, 0, 0, 100);
    EXPECT_EQ(copy.heldFirstSampleNumber, c.heldFirst) << c.name;
    EXPECT_EQ(copy.timeShiftCount, c.shifts) << c.name;
    EXPECT_EQ(copy.firstSampleNumber, c.copyFirst) << c.name;
    EXPECT_EQ(copy.time.size(), c.copyLength) << c.name;
    EXPECT_EQ(copy.values.size(), c.copyLength) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Changes, SeriesCopyFields,
                         ::testing::Values(CopyCase{"no trim", Between::Nothing, 0, 0, 100, 20},
                                           CopyCase{"trim behind", Between::TrimBehindFeed, 50, 0, 100, 20},
                                           CopyCase{"trim beyond", Between::TrimBeyondFeed, 110, 0, 110, 10},
                                           CopyCase{"shift", Between::Shift, 0, 1, 100, 20}));

TEST_F(FeedOnScan, TakesOnlyNewSamplesAndDropsTheTrimmedFront)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    SeriesFeed::Change change = feed.update(scan);
    EXPECT_TRUE(change.reset);
    EXPECT_EQ(change.appended, 100u);

    change = feed.update(scan);
    EXPECT_TRUE(change.isEmpty());

    appendSamples(scan, sensor, 20);
    scan.trimWindow(5, 69);
    change = feed.update(scan);
    EXPECT_FALSE(change.reset);
    EXPECT_EQ(change.dropped, 50u);
    EXPECT_EQ(change.appended, 20u);
    EXPECT_EQ(feed.firstSampleNumber(), 50);
    EXPECT_EQ(feed.nextSampleNumber(), 120);
    expectHoldsWindow(feed, scan);
}

TEST_F(FeedOnScan, TrimBeyondTheHeldSamplesStartsAfterTheGap)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    feed.update(scan);
    appendSamples(scan, sensor, 30);
    scan.trimWindow(5, 9);
    const SeriesFeed::Change change = feed.update(scan);
    EXPECT_FALSE(change.reset);
    EXPECT_EQ(change.dropped, 100u);
    EXPECT_EQ(feed.firstSampleNumber(), 120);
    expectHoldsWindow(feed, scan);
}

TEST_F(FeedOnScan, TakesAFullCopyAfterAShiftAndAfterASourceChange)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    feed.update(scan);
    shiftTimes(scan, 4.0);
    SeriesFeed::Change change = feed.update(scan);
    EXPECT_TRUE(change.reset);
    EXPECT_EQ(feed.time(), window(scan, Voltage).first);

    feed.setSource({Current, 0, 0, 0});
    EXPECT_TRUE(feed.time().empty());
    change = feed.update(scan);
    EXPECT_TRUE(change.reset);
    EXPECT_EQ(feed.values(), window(scan, Current).second);

    CWScan other(&sensor, "other", 100);
    change = feed.update(other);
    EXPECT_TRUE(change.reset);
    EXPECT_TRUE(feed.time().empty());
}

TEST_F(FeedOnScan, SeriesWithoutValuesKeepsTimesOnly)
{
    SeriesFeed feed({Voltage, 0, 5, 0}); // a harmonic the record does not have
    feed.update(scan);
    appendSamples(scan, sensor, 5);
    feed.update(scan);
    EXPECT_EQ(feed.time().size(), 105u);
    EXPECT_TRUE(feed.values().empty());
}

// A triggered recording on the sensor's thread trims while it waits and
// shifts its time axis at each event's start and end; the GUI thread's
// feed keeps up and ends with exactly the scan's window.
TEST(SeriesFeedThreads, FollowsAScanRecordedOnAnotherThread)
{
    ScanHandler* registry = ScanHandler::getInstance();
    FakeSensor sensor({13.56}, {2});
    CWScan scan(&sensor, "feed", 100);
    scan.setTriggerRecording(Voltage, 10, true, Voltage, 5, false, 1, 0, 0, true, 0, nullptr);
    std::atomic<bool> done{false};
    std::atomic<bool> feeding{false};
    std::thread sensorThread([&] {
        // Recording starts once the feed runs, so a fast recording on a busy
        // machine cannot end before the feed has read the scan even once.
        while (!feeding)
            std::this_thread::yield();
        scan.start();
        const int tenthOfASecond = 100 * ticksPerMs;
        for (int event = 0; event < 30; ++event) {
            // Waiting: trims to the last second. The event: shifted at its
            // start. Back below the level: ends, shifted again.
            fill(scan, sensor, 60, Load{1.0}, {}, 1e-3, tenthOfASecond);
            fill(scan, sensor, 40, Load{20.0}, {}, 1.0, tenthOfASecond);
            fill(scan, sensor, 1, Load{1.0}, {}, 0.0, tenthOfASecond);
        }
        done = true;
    });

    SeriesFeed voltage({Voltage, 0, 0, 0});
    SeriesFeed secondHarmonic({Voltage, 0, 1, 0});
    int updates = 0;
    do {
        voltage.update(scan);
        secondHarmonic.update(scan);
        feeding = true;
        ASSERT_EQ(voltage.values().size(), voltage.time().size());
        ++updates;
    } while (!done);
    sensorThread.join();
    voltage.update(scan);
    secondHarmonic.update(scan);

    expectHoldsWindow(voltage, scan);
    EXPECT_EQ(voltage.firstSampleNumber(), scan.dataSets.front()->firstSampleNumber());
    EXPECT_EQ(secondHarmonic.time(), window(scan, Voltage).first);
    {
        std::lock_guard<std::mutex> lock(scan.mutex);
        EXPECT_EQ(secondHarmonic.values(), scan.dataSets.front()->parameterSeries(Voltage, 0, 1));
        EXPECT_GT(scan.dataSets.front()->timeShiftCount(), 0);
    }
    EXPECT_GT(updates, 0);

    QCoreApplication::sendPostedEvents();
    qDeleteAll(registry->keptScans());
}

} // namespace
