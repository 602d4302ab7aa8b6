#include "scans/basescan.h"

#include "scans/cwscan.h"
#include "scans/quantitytree.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTreeWidgetItem>

#include <memory>

using namespace scantest;

namespace {

class BaseScanTest : public ::testing::Test
{
protected:
    FakeSensor sensor{{13.56, 27.12, 2.0}, {2, 0, 1}};
};

} // namespace

TEST_F(BaseScanTest, ConstructionTakesTheSensorsEnabledFrequencies)
{
    sensor.setNickname("chamber");
    sensor.setReportRate(250);
    sensor.calls.clear();
    BaseScan scan(&sensor, "Default");
    ASSERT_EQ(scan.dataSets.size(), 1u);
    EXPECT_EQ(scan.trendCount, 1);
    const TrendDataSet& set = *scan.dataSets.front();
    ASSERT_EQ(set.records.size(), 2u);
    EXPECT_DOUBLE_EQ(set.records[0]->frequencyMHz, 13.56);
    EXPECT_EQ(set.records[0]->harmonicCount, 2);
    EXPECT_DOUBLE_EQ(set.records[1]->frequencyMHz, 2.0);
    EXPECT_EQ(set.records[1]->harmonicCount, 1);
    EXPECT_EQ(scan.serialNumber, "A123");
    EXPECT_EQ(scan.nickname, "chamber");
    EXPECT_EQ(scan.averages, 250);
    EXPECT_EQ(scan.typeText, "Passive");
    EXPECT_EQ(scan.timeAxisText, "time (s)");
    EXPECT_TRUE(scan.isPassive());
    EXPECT_TRUE(scan.isWaitingForTrigger());
    EXPECT_FALSE(scan.isStarted());
    EXPECT_NE(scan.created.timeSpec(), Qt::LocalTime); // the offset is fixed at creation

    FakeSensor noSteps({13.56}, {1}, 1, 0.0);
    EXPECT_EQ(BaseScan(&noSteps, "x").timeStep, 1.0);
    FakeSensor fine({13.56}, {1}, 1, 40.0);
    EXPECT_EQ(BaseScan(&fine, "x").timeStep, 40.0);
}

TEST_F(BaseScanTest, StartResetsTheTriggerAndSetsTheRate)
{
    BaseScan scan(&sensor, "Default");
    scan.averages = 50;
    scan.start();
    EXPECT_TRUE(scan.isStarted());
    EXPECT_EQ(sensor.calls, (QStringList{"holdoff 0", "value 0", "delay 0", "rate 50"}));
}

TEST_F(BaseScanTest, PassiveScanKeepsFiveToTenSeconds)
{
    BaseScan scan(&sensor, "Default");
    scan.start();
    const std::vector<double> sample = sampleFor(sensor);
    for (int i = 0; i < 120; ++i) {
        runPass(scan, sensor, sample, 100 * ticksPerMs);
        const TrendDataSet& set = *scan.dataSets.front();
        ASSERT_LE(set.lastTime() - set.firstTime(), 10.0 + 1e-9) << "sample " << i;
    }
    const TrendDataSet& set = *scan.dataSets.front();
    const double span = set.lastTime() - set.firstTime();
    EXPECT_GE(span, 5.0 - 1e-9);
    EXPECT_LE(span, 10.0 + 1e-9);
    EXPECT_NEAR(set.lastTime(), 11.9, 1e-9);
}

struct TimedCase {
    int averages;
    double finishesAfterSeconds;
};

class TimedScan : public ::testing::TestWithParam<TimedCase>
{
};

TEST_P(TimedScan, FinishesAtTheFirstSampleAfterDurationAndGrace)
{
    FakeSensor sensor({13.56}, {1});
    ManualClock clock;
    CWScan scan(&sensor, "timed", GetParam().averages);
    scan.setClock(clock.function());
    scan.timed = true;
    scan.duration = 10.0;
    scan.start();
    const std::vector<double> sample = sampleFor(sensor);
    double finishedAt = -1.0;
    for (int step = 1; step <= 150 && finishedAt < 0; ++step) {
        clock.now += 100;
        runPass(scan, sensor, sample, 100 * ticksPerMs);
        if (scan.isFinished())
            finishedAt = step / 10.0;
    }
    EXPECT_NEAR(finishedAt, GetParam().finishesAfterSeconds, 1e-9);
    EXPECT_EQ(scan.elapsedAtStop, static_cast<int>(finishedAt * 1000));
}

INSTANTIATE_TEST_SUITE_P(Averages, TimedScan, ::testing::Values(TimedCase{500, 10.6}, TimedCase{2000, 10.1}));

TEST_F(BaseScanTest, PollIntervalAndTexts)
{
    BaseScan scan(&sensor, "Default");
    for (const auto& [averages, interval] :
         std::vector<std::pair<int, int>>{{0, 1}, {1, 1}, {200, 101}, {1001, 501}}) {
        scan.averages = averages;
        EXPECT_EQ(scan.pollInterval(), interval) << averages;
    }
    EXPECT_EQ(scan.elapsedText(), "N/A");
    EXPECT_EQ(scan.durationText(), "N/A");

    ManualClock clock;
    scan.setClock(clock.function());
    scan.timed = true;
    scan.duration = 12.5;
    scan.start();
    clock.now += 3999;
    EXPECT_EQ(scan.elapsedText(), "3");
    EXPECT_EQ(scan.durationText(), "12.5");
}

TEST_F(BaseScanTest, ReconnectGapAddsOnceEvenBeyondThirtyTwoBits)
{
    BaseScan scan(&sensor, "Default");
    scan.passive = false; // no trimming
    scan.start();
    const std::vector<double> sample = sampleFor(sensor);
    runPass(scan, sensor, sample, 0);
    runPass(scan, sensor, sample, 1000 * ticksPerMs);
    scan.resumeAfterReconnect(3600 * 1000); // one hour: 8.64e10 ticks
    EXPECT_FALSE(scan.isStarted());
    EXPECT_FALSE(scan.isFinished());
    scan.start();
    runPass(scan, sensor, sample, 1000 * ticksPerMs);
    runPass(scan, sensor, sample, 1000 * ticksPerMs);
    const Series& time = scan.dataSets.front()->time;
    ASSERT_EQ(time.size(), 4u);
    EXPECT_NEAR(time[2] - time[1], 3601.0, 1e-6);
    EXPECT_NEAR(time[3] - time[2], 1.0, 1e-9);
}

// A scan resumed after its sensor returned runs on its own clock, so a timed
// scan ends on time, the gap included.
TEST_F(BaseScanTest, ResumedTimedScanKeepsItsClock)
{
    ManualClock clock;
    CWScan timed(&sensor, "timed", 2000); // no grace beyond the duration
    timed.setClock(clock.function());
    timed.timed = true;
    timed.duration = 10.0;
    timed.start();
    clock.now += 6000;
    clock.now += 3000; // the sensor is away
    timed.resumeAfterReconnect(3000);
    timed.start();
    EXPECT_EQ(timed.elapsedMilliseconds(), 9000);
    clock.now += 1001;
    timed.checkDuration();
    EXPECT_TRUE(timed.isFinished());
    EXPECT_EQ(timed.elapsedAtStop, 10001);
}

TEST_F(BaseScanTest, FiveValuesReadAsSevenWithoutReadingPastThem)
{
    FakeSensor bare({13.56}, {0});
    BaseScan scan(&bare, "Default");
    scan.dataSets.front()->addRecord(13.56, 0); // layout of 4: frequency, power, period, on time
    std::unique_ptr<double[]> five(new double[5]{13.56, 1.0, 100.0, 25.0, 9.0});
    scan.addData(five.get(), 5, 0.0, 0);
    ASSERT_EQ(scan.sampleCount(0), 1);
    EXPECT_DOUBLE_EQ(scan.dataSets.front()->pulsePeriod[0], 100.0);
    scan.addData(five.get(), 0, 0.0, 0); // nothing delivered
    EXPECT_EQ(scan.sampleCount(0), 1);
}

TEST_F(BaseScanTest, QueriesAreEmptyOrZeroWithoutData)
{
    BaseScan scan(&sensor, "Default");
    EXPECT_EQ(scan.latestValue(Voltage, 0, 0, 0), 0.0);
    EXPECT_EQ(scan.latestValue(Voltage, 0, 0, 5), 0.0);
    EXPECT_TRUE(BaseScan::series(&scan, 0, 0, 0).empty());
    EXPECT_TRUE(BaseScan::seriesFrom(&scan, 0, 0, 1.0, -1).empty());
    EXPECT_EQ(scan.sampleCount(3), 0);
}

TEST_F(BaseScanTest, LatestValuesAndHarmonicQueries)
{
    BaseScan scan(&sensor, "Default");
    scan.start();
    runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, 10.0), 0);
    runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, 12.0), 24000000);
    EXPECT_DOUBLE_EQ(scan.latestValue(Voltage, 0, 1, 0), 12.0);
    EXPECT_DOUBLE_EQ(scan.latestValue(PulseDutyCycle, 0, 0, 0), 20.0);
    EXPECT_EQ(BaseScan::series(&scan, 0, 0, 0), (std::vector<double>{12.0, 12.0}));
    EXPECT_EQ(BaseScan::seriesFrom(&scan, 0, 1, 0.0, 0), (std::vector<double>{10.0}));
}

TEST_F(BaseScanTest, CopiesOnlyTheNewerSamplesAcrossTrims)
{
    BaseScan scan(&sensor, "Default");
    scan.passive = false; // trimmed by hand below
    scan.start();
    for (int i = 0; i < 5; ++i)
        runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, i), 24000000);
    SeriesCopy all = scan.copySeries(Voltage, 0, 0, 0);
    EXPECT_EQ(all.firstSampleNumber, 0);
    EXPECT_EQ(all.values, (Series{0, 1, 2, 3, 4}));
    EXPECT_EQ(all.time, (Series{0, 1, 2, 3, 4}));

    const qint64 next = all.firstSampleNumber + static_cast<qint64>(all.time.size());
    for (int i = 5; i < 13; ++i)
        runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, i), 24000000);
    const SeriesCopy newer = scan.copySeries(Voltage, 0, 0, 0, next);
    EXPECT_EQ(newer.firstSampleNumber, 5);
    EXPECT_EQ(newer.values, (Series{5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(newer.time.front(), 5.0);

    // Trimming keeps the numbers: sample 7 is still number 7.
    scan.trimWindow(10, 5);
    const SeriesCopy fromTrimmed = scan.copySeries(Voltage, 0, 0, 0, 0);
    EXPECT_EQ(fromTrimmed.firstSampleNumber, 7);
    EXPECT_EQ(fromTrimmed.values, (Series{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(scan.copySeries(Voltage, 0, 0, 0, 12).values, (Series{12}));
    EXPECT_TRUE(scan.copySeries(Voltage, 0, 0, 0, 1000).values.empty());
    EXPECT_TRUE(scan.copySeries(Power, 0, 0, 4).time.empty());
}

TEST_F(BaseScanTest, EnergiesAndIonFluxFactorsReachEveryDataSet)
{
    BaseScan scan(&sensor, "Default");
    scan.setInitialEnergies({{1.5, 2.5}});
    EXPECT_EQ(scan.energies(), (QVector<QVector<double>>{{1.5, 2.5}}));
    scan.resetEnergy();
    EXPECT_EQ(scan.energies(), (QVector<QVector<double>>{{0.0, 0.0}}));
    scan.setIonFluxFactors(2.0, 3.0, 4.0);
    EXPECT_EQ(scan.dataSets.front()->records[1]->electrodeArea, 4.0);
    EXPECT_EQ(scan.electrodeArea, 4.0);
}

TEST_F(BaseScanTest, NameAndTreeItem)
{
    BaseScan scan(&sensor, "Default");
    EXPECT_EQ(scan.name(), "-A123");
    sensor.setNickname("probe");
    CWScan cw(&sensor, "cw", 100);
    cw.triggerHoldoff = 12.345;
    cw.averages = 100;
    cw.stop();
    std::unique_ptr<QTreeWidgetItem> item(cw.treeItem());
    EXPECT_EQ(item->text(0), "probe Continuous Wave 0 (time (s))");
    EXPECT_EQ(item->toolTip(0), " \n Holdoff 12.35 ; Level 0 ; Resolution 0 ; Averages 100");
    EXPECT_EQ(item->data(0, ScanRole).value<void*>(), static_cast<void*>(&cw));
    EXPECT_EQ(item->childCount(), 2); // the two enabled frequencies, no pulse data yet
    EXPECT_EQ(item->child(0)->text(0), "Frequency 13.56 (MHz)");
}

TEST_F(BaseScanTest, DataLimitEndsThePassiveScanToo)
{
    BaseScan scan(&sensor, "Default");
    scan.start();
    const std::vector<double> sample = sampleFor(sensor);
    scan.setStorageLimit(static_cast<qint64>(3 * scan.dataSets.front()->doublesPerSample() * sizeof(double)));
    QSignalSpy errors(&scan, &BaseScan::errorOcurred);
    QSignalSpy stopped(&scan, &BaseScan::acquisitionStopped);
    for (int i = 0; i < 4; ++i)
        runPass(scan, sensor, sample, ticksPerMs);
    EXPECT_TRUE(scan.dataLimitReached);
    EXPECT_TRUE(scan.isFinished());
    EXPECT_EQ(scan.sampleCount(0), 3);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front().front().toInt(), ScanDataLimitError);
    EXPECT_EQ(stopped.size(), 1);
    EXPECT_GE(BaseScan::defaultStorageLimit(), qint64(256) << 20);
}
