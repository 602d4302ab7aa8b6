// The live feed of one series: what the extended series copy tells it, how
// it follows trims and time shifts, and a scan recorded on another thread
// while the feed looks at it, through which the feed's count of the samples
// seen stays that of the scan's window, and each look hands the scan's own
// vectors, whole.

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

// A look at the fundamental's voltage sees exactly the scan's window, and
// the feed counts exactly the samples of that window.
void expectSeesWindow(SeriesFeed& feed, BaseScan& scan)
{
    const auto [time, values] = window(scan, Voltage);
    const SeriesFeed::Look look = feed.look();
    ASSERT_TRUE(look.time && look.values);
    EXPECT_EQ(*look.time, time);
    EXPECT_EQ(*look.values, values);
    EXPECT_EQ(feed.nextSampleNumber() - feed.firstSampleNumber(), static_cast<qint64>(time.size()));
}

SeriesFeed::Change lookAt(SeriesFeed& feed, const BaseScan& scan)
{
    feed.follow(scan);
    return feed.look().change;
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
    SeriesFeed::Change change = lookAt(feed, scan);
    EXPECT_TRUE(change.reset);
    EXPECT_EQ(change.appended, 100u);

    change = lookAt(feed, scan);
    EXPECT_TRUE(change.isEmpty());

    appendSamples(scan, sensor, 20);
    scan.trimWindow(5, 69);
    change = lookAt(feed, scan);
    EXPECT_FALSE(change.reset);
    EXPECT_EQ(change.dropped, 50u);
    EXPECT_EQ(change.appended, 20u);
    EXPECT_EQ(feed.firstSampleNumber(), 50);
    EXPECT_EQ(feed.nextSampleNumber(), 120);
    expectSeesWindow(feed, scan);
}

TEST_F(FeedOnScan, TrimBeyondTheHeldSamplesStartsAfterTheGap)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    lookAt(feed, scan);
    appendSamples(scan, sensor, 30);
    scan.trimWindow(5, 9);
    const SeriesFeed::Change change = lookAt(feed, scan);
    EXPECT_FALSE(change.reset);
    EXPECT_EQ(change.dropped, 100u);
    EXPECT_EQ(change.appended, 10u);
    EXPECT_EQ(feed.firstSampleNumber(), 120);
    expectSeesWindow(feed, scan);
}

TEST_F(FeedOnScan, StartsAgainAfterAShiftAndAfterASourceChange)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    lookAt(feed, scan);
    shiftTimes(scan, 4.0);
    SeriesFeed::Change change = lookAt(feed, scan);
    EXPECT_TRUE(change.reset);
    expectSeesWindow(feed, scan);

    feed.setSource({Current, 0, 0, 0});
    const Series current = window(scan, Current).second;
    const SeriesFeed::Look look = feed.look();
    EXPECT_TRUE(look.change.reset);
    EXPECT_EQ(*look.values, current);
}

TEST_F(FeedOnScan, AnotherScanOrNoneStartsAgain)
{
    SeriesFeed feed({Voltage, 0, 0, 0});
    lookAt(feed, scan);
    {
        CWScan other(&sensor, "other", 100);
        const SeriesFeed::Change change = lookAt(feed, other);
        EXPECT_TRUE(change.reset);
        EXPECT_EQ(change.appended, 0u);
    }
    // The scan followed is gone: nothing is left, and nothing locked.
    SeriesFeed::Look look = feed.look();
    EXPECT_TRUE(look.change.reset);
    EXPECT_EQ(look.time, nullptr);
    EXPECT_FALSE(look.lock.owns_lock());
    EXPECT_TRUE(feed.look().change.isEmpty());

    lookAt(feed, scan);
    feed.clear();
    look = feed.look();
    EXPECT_TRUE(look.change.reset);
    EXPECT_EQ(look.values, nullptr);
}

TEST_F(FeedOnScan, SeriesWithoutValuesKeepsTimesOnly)
{
    SeriesFeed feed({Voltage, 0, 5, 0}); // a harmonic the record does not have
    lookAt(feed, scan);
    appendSamples(scan, sensor, 5);
    const SeriesFeed::Look look = feed.look();
    EXPECT_EQ(look.change.appended, 5u);
    EXPECT_EQ(look.time->size(), 105u);
    EXPECT_TRUE(look.values->empty());
}

// A triggered recording on the sensor's thread trims while it waits and
// shifts its time axis at each event's start and end; the GUI thread's
// feed keeps up: at every look its count is the scan's, and it ends seeing
// exactly the scan's window.
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
    voltage.follow(scan);
    secondHarmonic.follow(scan);
    // The samples a reader of the looks would hold, kept up from the changes.
    qint64 held = 0;
    int updates = 0;
    do {
        {
            const SeriesFeed::Look look = voltage.look();
            held = look.change.reset ? static_cast<qint64>(look.change.appended)
                                     : held - static_cast<qint64>(look.change.dropped) +
                                           static_cast<qint64>(look.change.appended);
            ASSERT_EQ(look.values->size(), look.time->size());
            ASSERT_EQ(held, static_cast<qint64>(look.time->size()));
            ASSERT_EQ(voltage.firstSampleNumber(), scan.dataSets.front()->firstSampleNumber());
        }
        secondHarmonic.look();
        feeding = true;
        ++updates;
    } while (!done);
    sensorThread.join();

    expectSeesWindow(voltage, scan);
    EXPECT_EQ(voltage.firstSampleNumber(), scan.dataSets.front()->firstSampleNumber());
    const SeriesFeed::Look look = secondHarmonic.look();
    EXPECT_EQ(*look.time, scan.dataSets.front()->time);
    EXPECT_EQ(look.values, &scan.dataSets.front()->parameterSeries(Voltage, 0, 1));
    EXPECT_GT(scan.dataSets.front()->timeShiftCount(), 0);
    EXPECT_GT(updates, 0);

    QCoreApplication::sendPostedEvents();
    qDeleteAll(registry->keptScans());
}

} // namespace
