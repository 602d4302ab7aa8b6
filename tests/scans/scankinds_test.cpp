#include "scans/cwscan.h"
#include "scans/pulseprofilescan.h"
#include "scans/pulsetrendscan.h"
#include "scans/scanlog.h"
#include "scantesthelpers.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <functional>
#include <memory>

using namespace scantest;

struct CwSkipCase {
    int rate;
    int keptOfSix;
};

class CwSkip : public ::testing::TestWithParam<CwSkipCase>
{
};

TEST_P(CwSkip, RateZeroDropsTheFirstThreeSamples)
{
    FakeSensor sensor({13.56}, {1});
    CWScan scan(&sensor, "cw", GetParam().rate);
    scan.start();
    EXPECT_EQ(sensor.calls,
              (QStringList{"holdoff 0", "value 0", "delay 0", QStringLiteral("rate %1").arg(GetParam().rate),
                           QStringLiteral("rate %1").arg(GetParam().rate), "external 0"}));
    for (int i = 0; i < 6; ++i)
        runPass(scan, sensor, sampleFor(sensor, 100.0, 20.0, i), ticksPerMs);
    ASSERT_EQ(scan.sampleCount(0), GetParam().keptOfSix);
    EXPECT_EQ(scan.latestValue(Voltage, 0, 0, 0), 5.0);
    EXPECT_EQ(scan.copySeries(Voltage, 0, 0, 0).values.front(), 6.0 - GetParam().keptOfSix);
    EXPECT_FALSE(scan.isPassive());
    scan.preempt();
    EXPECT_FALSE(scan.isFinished());
}

INSTANTIATE_TEST_SUITE_P(Rates, CwSkip, ::testing::Values(CwSkipCase{0, 3}, CwSkipCase{100, 6}));

namespace {

// Collects the scan log lines while a test runs.
class LogCapture
{
public:
    LogCapture()
    {
        setScanLogSink([this](const QString& line) { lines << line; });
    }
    ~LogCapture() { setScanLogSink({}); }
    QStringList lines;
};

// What every refused configuration shows once started: one configuration
// error, the scan finished, and nothing asked of the sensor.
void expectStartRefused(BaseScan& scan, const FakeSensor& sensor)
{
    QSignalSpy errors(&scan, &BaseScan::errorOcurred);
    scan.start();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front().front().toInt(), ScanConfigurationError);
    EXPECT_TRUE(scan.isFinished());
    EXPECT_TRUE(sensor.calls.isEmpty());
}

} // namespace

TEST(PulseTrend, PointsFollowTheMeasuredPeriodAndOnTime)
{
    FakeSensor sensor({13.56}, {1});
    LogCapture log;
    PulseTrendScan scan(&sensor, "pt", {50.0, 50.0}, 1.5, 100.0, 0.0, 50.0, 2.0, 16, {1, 3});
    ASSERT_EQ(scan.dataSets.size(), 2u);
    EXPECT_EQ(scan.trendCount, 2);
    EXPECT_EQ(scan.dataSets[1]->mode, 3);
    EXPECT_EQ(scan.typeText, "Pulse Trend");
    scan.start();
    EXPECT_EQ(log.lines,
              (QStringList{"PULSE Trend; Accumulations :: 16 UseExtTrigger :: 0 Trigger Level :: 1.5 "
                           "Trigger Delay :: 50 Trigger Holdoff :: 90"}));
    EXPECT_EQ(sensor.configuredDelay, 50);
    EXPECT_EQ(sensor.configuredHoldoff, 90);

    // Two samples are dropped while the trends settle; the sensor has not
    // measured an on time yet, so trend 1 first takes half the period.
    const std::vector<double> sample = sampleFor(sensor, 100.0, 20.0);
    for (int i = 0; i < 4; ++i)
        runPass(scan, sensor, sample, ticksPerMs);
    EXPECT_EQ(scan.trendDelays, (QVector<int>{50, 75}));
    runPass(scan, sensor, sample, ticksPerMs);
    runPass(scan, sensor, sample, ticksPerMs);
    EXPECT_EQ(scan.trendDelays, (QVector<int>{50, 60}));
    EXPECT_EQ(scan.trendDelaySteps, (QVector<int>{50, 60}));

    // Each sample went to the trend its delay belongs to; each trend's time
    // advances by the ticks of both samples since its previous one.
    EXPECT_EQ(scan.sampleCount(0), 2);
    EXPECT_EQ(scan.sampleCount(1), 2);
    EXPECT_EQ(scan.dataSets[0]->time, (Series{0.0, 0.002}));
    EXPECT_DOUBLE_EQ(scan.lastDelay, 60.0);

    // A delay that matches no trend lands in the first.
    std::vector<double> stray = sample;
    scan.addData(stray.data(), static_cast<int>(stray.size()), 999.0, ticksPerMs);
    EXPECT_EQ(scan.sampleCount(0), 3);
}

TEST(PulseTrend, WithoutMeasuredPulseKeepsTheGivenPeriod)
{
    FakeSensor sensor({13.56}, {1});
    PulseTrendScan scan(&sensor, "pt", {10.0, 40.0, 50.0}, 1.0, 200.0, 0.0, 0.0, 1.0, 1, {0, 2, 1});
    scan.start();
    const std::vector<double> noPulse = sampleFor(sensor, 0.0, 0.0);
    for (int i = 0; i < 6; ++i)
        runPass(scan, sensor, noPulse, ticksPerMs);
    // Mode 0 is a plain time; on time 0 counts as half the period.
    EXPECT_EQ(scan.trendDelays, (QVector<int>{10, 40, 100}));
    EXPECT_DOUBLE_EQ(scan.pulsePeriod, 200.0);
}

TEST(PulseTrend, MismatchedTrendListsAreRefused)
{
    for (const auto& [values, modes] :
         std::vector<std::pair<QVector<double>, QVector<int>>>{{{1.0, 2.0}, {0}}, {{}, {}}, {{1.0}, {}}}) {
        FakeSensor sensor({13.56}, {1});
        PulseTrendScan scan(&sensor, "pt", values, 1.0, 100.0, 0.0, 0.0, 1.0, 1, modes);
        EXPECT_EQ(scan.dataSets.size(), 1u);
        ASSERT_NO_FATAL_FAILURE(expectStartRefused(scan, sensor));
        std::vector<double> sample = sampleFor(sensor);
        scan.preSample(0, 0.0); // a loop pass before it is collected does no harm
        EXPECT_TRUE(sensor.calls.isEmpty());
    }
}

TEST(PulseProfile, SweepsFromStartPastTheEndThenFinishes)
{
    FakeSensor sensor({13.56}, {1});
    LogCapture log;
    PulseProfileScan scan(&sensor, "pp", 2.0, 20.0, 0.0, 10.0, 2.0, 8, 0.5);
    EXPECT_EQ(scan.timeAxisText, "time (us)");
    scan.start();
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines.front().startsWith("PULSE PROFILE; Accumulations :: 8 UseExtTrigger :: 0"));
    EXPECT_EQ(sensor.configuredHoldoff, 18);
    const std::vector<double> sample = sampleFor(sensor);
    int passes = 0;
    while (!scan.isFinished() && passes < 100) {
        runPass(scan, sensor, sample, ticksPerMs);
        ++passes;
    }
    EXPECT_EQ(passes, 8); // one dropped, then 0, 2, ... 12
    EXPECT_EQ(scan.dataSets.front()->time, (Series{0.5, 2.5, 4.5, 6.5, 8.5, 10.5, 12.5}));
}

TEST(PulseProfile, FractionalStepsUseTheReportedDelay)
{
    FakeSensor sensor({13.56}, {1}, 1, 4.0); // 4 delay steps per µs
    PulseProfileScan scan(&sensor, "pp", 2.0, 20.0, 0.0, 1.0, 0.3, 8, 0.0);
    scan.start();
    const std::vector<double> sample = sampleFor(sensor);
    while (!scan.isFinished())
        runPass(scan, sensor, sample, ticksPerMs);
    // Steps of 1.2 configure 0, 1, 2, 3 and 4 (4.8 is past the end of 4); the
    // axis is the reported delay in µs.
    EXPECT_EQ(scan.dataSets.front()->time, (Series{0.0, 0.25, 0.5, 0.75, 1.0}));
}

TEST(PulseProfile, StepNotAboveZeroIsRefused)
{
    for (double step : {0.0, -1.0}) {
        FakeSensor sensor({13.56}, {1});
        PulseProfileScan scan(&sensor, "pp", 2.0, 20.0, 0.0, 10.0, step, 8, 0.0);
        ASSERT_NO_FATAL_FAILURE(expectStartRefused(scan, sensor));
    }
}

// The ceiling on stored data, reached in each kind, takes the data-limit path.
struct LimitCase {
    const char* name;
    std::function<std::unique_ptr<BaseScan>(FakeSensor*)> make;
};

class DataLimit : public ::testing::TestWithParam<LimitCase>
{
};

TEST_P(DataLimit, EndsTheScanKeepingWhatWasStored)
{
    FakeSensor sensor({13.56, 2.0}, {2, 1});
    std::unique_ptr<BaseScan> scan = GetParam().make(&sensor);
    scan->start();
    size_t perSample = 0;
    for (const auto& set : scan->dataSets)
        perSample = std::max(perSample, set->doublesPerSample());
    scan->setStorageLimit(static_cast<qint64>(5 * perSample * sizeof(double)));
    QSignalSpy errors(scan.get(), &BaseScan::errorOcurred);
    QSignalSpy stopped(scan.get(), &BaseScan::acquisitionStopped);
    const std::vector<double> sample = sampleFor(sensor);
    for (int i = 0; i < 40 && !scan->isFinished(); ++i)
        runPass(*scan, sensor, sample, ticksPerMs);
    EXPECT_TRUE(scan->dataLimitReached);
    EXPECT_TRUE(scan->isFinished());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.front().front().toInt(), ScanDataLimitError);
    EXPECT_EQ(stopped.size(), 1);
    int stored = 0;
    for (int i = 0; i < scan->trendCount; ++i)
        stored += scan->sampleCount(i);
    EXPECT_EQ(stored, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DataLimit,
    ::testing::Values(
        LimitCase{"ContinuousWave", [](FakeSensor* s) { return std::make_unique<CWScan>(s, "cw", 100); }},
        LimitCase{"PulseTrend",
                  [](FakeSensor* s) {
                      return std::make_unique<PulseTrendScan>(s, "pt", QVector<double>{10.0, 20.0}, 1.0,
                                                              100.0, 0.0, 0.0, 1.0, 1, QVector<int>{0, 0});
                  }},
        LimitCase{"PulseProfile",
                  [](FakeSensor* s) {
                      return std::make_unique<PulseProfileScan>(s, "pp", 1.0, 20.0, 0.0, 1000.0, 1.0, 1, 0.0);
                  }}),
    [](const auto& info) { return std::string(info.param.name); });
