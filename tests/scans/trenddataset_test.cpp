#include "scans/trenddataset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

struct RecordSpec {
    double frequency;
    int harmonics;
};

std::unique_ptr<TrendDataSet> makeSet(const std::vector<RecordSpec>& specs, int sensorType = 1)
{
    auto set = std::make_unique<TrendDataSet>(sensorType, 0.0, 0);
    for (const RecordSpec& s : specs)
        set->addRecord(s.frequency, s.harmonics);
    return set;
}

// A sample of exactly the layout's length; the values of a group follow the
// frequency so that tests can tell which group a record read.
std::vector<double> sampleFor(const std::vector<RecordSpec>& specs, double period, double onTime,
                              double seed = 1.0)
{
    std::vector<double> sample;
    for (const RecordSpec& s : specs) {
        sample.push_back(s.frequency);
        sample.push_back(-7.0);
        for (int h = 0; h < s.harmonics; ++h)
            sample.insert(sample.end(), {seed * 100.0 + h, 10.0 * h, seed + h, 20.0 + h});
    }
    sample.push_back(period);
    sample.push_back(onTime);
    return sample;
}

// Appends a sample held in a buffer of exactly `count` doubles, so that the
// sanitizer stage catches any read past what the sensor delivered.
bool appendExact(TrendDataSet& set, std::vector<double> values, int count, double delay, int ticks)
{
    values.resize(static_cast<size_t>(count), 0.0);
    std::unique_ptr<double[]> exact(new double[values.size()]);
    std::copy(values.begin(), values.end(), exact.get());
    return set.appendSample(exact.get(), count, delay, ticks);
}

} // namespace

// ---- the sample-layout walk -------------------------------------------------

struct WalkCase {
    const char* name;
    std::vector<RecordSpec> records;
    bool delayMode;
    double delayOffset;
    int countAdjust; // delivered count minus layout length
    std::vector<int> ticks;
    std::vector<double> delays;
    double period, onTime;
    std::vector<double> expectedTimes; // empty: the samples are dropped
    double expectedPulseFrequency, expectedDutyCycle;
};

class LayoutWalk : public ::testing::TestWithParam<WalkCase>
{
};

TEST_P(LayoutWalk, TimeAxisAndPulseSeries)
{
    const WalkCase& c = GetParam();
    auto set = makeSet(c.records);
    set->setDelayMode(c.delayMode);
    set->setDelayOffset(c.delayOffset);
    const std::vector<double> sample = sampleFor(c.records, c.period, c.onTime);
    const int count = static_cast<int>(sample.size()) + c.countAdjust;
    for (size_t i = 0; i < c.ticks.size(); ++i)
        EXPECT_TRUE(appendExact(*set, sample, count, c.delays[i], c.ticks[i]));

    ASSERT_EQ(set->time.size(), c.expectedTimes.size());
    for (size_t i = 0; i < c.expectedTimes.size(); ++i)
        EXPECT_DOUBLE_EQ(set->time[i], c.expectedTimes[i]) << "sample " << i;
    for (const Series* s : {&set->pulsePeriod, &set->pulseOnTime, &set->pulseFrequency, &set->pulseDutyCycle})
        EXPECT_EQ(s->size(), c.expectedTimes.size());
    for (const auto& record : set->records)
        EXPECT_EQ(record->sampleCount(), c.expectedTimes.size());
    if (c.expectedTimes.empty())
        return;
    EXPECT_DOUBLE_EQ(set->pulsePeriod.back(), c.period);
    EXPECT_DOUBLE_EQ(set->pulseOnTime.back(), c.onTime);
    EXPECT_DOUBLE_EQ(set->pulseFrequency.back(), c.expectedPulseFrequency);
    EXPECT_DOUBLE_EQ(set->pulseDutyCycle.back(), c.expectedDutyCycle);
}

const std::vector<RecordSpec> twoRecords{{13.56, 2}, {2.0, 1}};
const std::vector<RecordSpec> tooWide{{13.56, 62}, {27.12, 60}}; // 250 + 242 + 2 = 494 doubles

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutWalk,
    ::testing::Values(
        WalkCase{"NoRecordsReadsPulsePair", {}, false, 0.0, 0, {0}, {0.0}, 50.0, 10.0, {0.0}, 20000.0, 20.0},
        WalkCase{"FirstSampleAtZeroWhateverTheTicks",
                 twoRecords,
                 false,
                 0.0,
                 0,
                 {5000000},
                 {0.0},
                 100.0,
                 25.0,
                 {0.0},
                 10000.0,
                 25.0},
        WalkCase{"TwentyFourMillionTicksIsOneSecond",
                 twoRecords,
                 false,
                 0.0,
                 0,
                 {0, 24000000, 12000000},
                 {0.0, 0.0, 0.0},
                 100.0,
                 25.0,
                 {0.0, 1.0, 1.5},
                 10000.0,
                 25.0},
        WalkCase{"NegativeTicksStepBackwards",
                 twoRecords,
                 false,
                 0.0,
                 0,
                 {0, 24000000, -48000000},
                 {0.0, 0.0, 0.0},
                 100.0,
                 25.0,
                 {0.0, 1.0, -1.0},
                 10000.0,
                 25.0},
        WalkCase{"DelayModeFromTheFirstSample",
                 twoRecords,
                 true,
                 2.5,
                 0,
                 {24000000, 24000000},
                 {4.0, 6.0},
                 100.0,
                 25.0,
                 {6.5, 8.5},
                 10000.0,
                 25.0},
        WalkCase{"PeriodZeroGivesZeroFrequencyAndDuty",
                 twoRecords,
                 false,
                 0.0,
                 0,
                 {0},
                 {0.0},
                 0.0,
                 5.0,
                 {0.0},
                 0.0,
                 0.0},
        WalkCase{"LongerCountReadAsTheLayout",
                 twoRecords,
                 false,
                 0.0,
                 5,
                 {0, 24000000},
                 {0.0, 0.0},
                 100.0,
                 25.0,
                 {0.0, 1.0},
                 10000.0,
                 25.0},
        WalkCase{"ShorterCountDropped",
                 twoRecords,
                 false,
                 0.0,
                 -1,
                 {0, 24000000},
                 {0.0, 0.0},
                 100.0,
                 25.0,
                 {},
                 0.0,
                 0.0},
        WalkCase{"EmptyCountDropped", twoRecords, false, 0.0, -16, {0}, {0.0}, 100.0, 25.0, {}, 0.0, 0.0},
        WalkCase{"LayoutBeyondTheSensorBufferDropped",
                 tooWide,
                 false,
                 0.0,
                 0,
                 {0},
                 {0.0},
                 100.0,
                 25.0,
                 {},
                 0.0,
                 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayoutWalk, EachRecordReadsItsOwnGroup)
{
    auto set = makeSet(twoRecords);
    const std::vector<double> sample = sampleFor(twoRecords, 100.0, 25.0, 3.0);
    ASSERT_TRUE(appendExact(*set, sample, static_cast<int>(sample.size()), 0.0, 0));
    const FrequencyRecord& first = *set->records[0];
    const FrequencyRecord& second = *set->records[1];
    EXPECT_DOUBLE_EQ(first.frequencies[0], 13.56);
    EXPECT_DOUBLE_EQ(first.voltage[1][0], 301.0);
    EXPECT_DOUBLE_EQ(first.currentPhase[1][0], 21.0);
    EXPECT_DOUBLE_EQ(second.frequencies[0], 2.0);
    EXPECT_DOUBLE_EQ(second.voltage[0][0], 300.0);
    EXPECT_EQ(set->expectedSampleLength(), 2 + 10 + 6);
}

// ---- parameterSeries --------------------------------------------------------

class ParameterSeriesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        set = makeSet(records, 3);
        const std::vector<double> sample = sampleFor(records, 100.0, 25.0);
        set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, 0);
    }
    const std::vector<RecordSpec> records{{13.56, 3}, {2.0, 1}};
    std::unique_ptr<TrendDataSet> set;
};

TEST_F(ParameterSeriesTest, EveryIdReadsItsSeries)
{
    const FrequencyRecord& r = *set->records[0];
    const int h = 2;
    const std::vector<std::pair<std::vector<int>, const Series*>> table{
        {{0, 29}, &r.voltage[h]},
        {{1, 23}, &r.current[h]},
        {{2, 24}, &r.currentPhase[h]},
        {{3, 25}, &r.impedanceMagnitude[h]},
        {{5}, &r.power},
        {{6}, &r.forwardPower},
        {{7}, &r.reflectedPower},
        {{9}, &r.swr},
        {{10}, &r.ionFlux},
        {{15}, &r.gammaReal[h]},
        {{16}, &r.gammaImaginary[h]},
        {{17}, &r.gammaPhase[h]},
        {{18}, &r.gammaMagnitude[h]},
        {{19}, &r.impedanceReal[h]},
        {{20}, &r.impedanceImaginary[h]},
        {{21}, &r.currentReal[h]},
        {{22}, &r.currentImaginary[h]},
        {{26}, &r.impedancePhase[h]},
        {{27}, &r.voltageReal[h]},
        {{28}, &r.voltageImaginary[h]},
        {{30}, &r.voltagePhase[h]},
        {{31}, &r.voltagePhase[1]},
        {{33}, &r.energy},
        {{34}, &set->pulsePeriod},
        {{35}, &set->pulseOnTime},
        {{36}, &set->pulseFrequency},
        {{37}, &set->pulseDutyCycle},
        {{4, 8, 11, 12, 13, 14, 32, 38, 99, -3}, &r.frequencies},
    };
    std::set<int> covered;
    for (const auto& [ids, expected] : table) {
        for (int id : ids) {
            EXPECT_EQ(&set->parameterSeries(id, 0, h), expected) << "id " << id;
            covered.insert(id);
        }
    }
    for (int id = 0; id < parameterCount; ++id)
        EXPECT_TRUE(covered.count(id)) << "id " << id << " not in the table";
}

TEST_F(ParameterSeriesTest, RecordAndHarmonicRules)
{
    const FrequencyRecord& first = *set->records[0];
    const FrequencyRecord& second = *set->records[1];
    // A record index at or past the record count reads the first record.
    EXPECT_EQ(&set->parameterSeries(Voltage, 2, 0), &first.voltage[0]);
    EXPECT_EQ(&set->parameterSeries(Power, 7, 0), &first.power);
    // The harmonic phase id reads the second harmonic whatever is asked.
    for (int h : {0, 1, 2})
        EXPECT_EQ(&set->parameterSeries(Harmonic, 0, h), &first.voltagePhase[1]);
    // A fundamental-only record takes harmonic 1 as the fundamental.
    EXPECT_EQ(&set->parameterSeries(Voltage, 1, 1), &second.voltage[0]);
    EXPECT_EQ(&set->parameterSeries(Harmonic, 1, 1), &second.voltagePhase[0]);
}

TEST_F(ParameterSeriesTest, OutOfRangeGivesEmptyNeverAStrayRead)
{
    struct Case {
        int id, record, harmonic;
    };
    for (const Case& c :
         {Case{Voltage, -1, 0}, Case{Power, -5, 0}, Case{Frequency, -1, 0}, Case{Voltage, 0, 3},
          Case{GammaReal, 0, 40}, Case{Current, 0, -1}, Case{Voltage, 1, 2}, Case{Harmonic, 1, 5}}) {
        EXPECT_TRUE(set->parameterSeries(c.id, c.record, c.harmonic).empty())
            << c.id << " " << c.record << " " << c.harmonic;
        EXPECT_EQ(set->latestValue(c.id, c.record, c.harmonic), 0.0);
    }
    // Pulse series belong to the set, not to a record.
    EXPECT_EQ(&set->parameterSeries(PulsePeriod, -1, 0), &set->pulsePeriod);

    TrendDataSet empty(1, 0.0, 0);
    EXPECT_TRUE(empty.parameterSeries(Voltage, 0, 0).empty());
    EXPECT_EQ(empty.frequencyAt(0, 1.0), 0.0);
    EXPECT_TRUE(empty.harmonicValues(0, 0, -1.0).empty());
    EXPECT_TRUE(empty.latestHarmonicValues(0, 0).empty());
}

TEST_F(ParameterSeriesTest, LatestValueIsTheLastEntry)
{
    EXPECT_DOUBLE_EQ(set->latestValue(Voltage, 0, 1), 101.0);
    EXPECT_DOUBLE_EQ(set->latestValue(PulseDutyCycle, 0, 0), 25.0);
}

// ---- time lookups -----------------------------------------------------------

class TimeLookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        set = makeSet(specs);
        // Samples at 0, 1, 2, 3 s with frequencies 10, 11, 12, 13 MHz.
        for (int i = 0; i < 4; ++i) {
            std::vector<double> sample = sampleFor(specs, 100.0, 25.0, i + 1.0);
            sample[0] = 10.0 + i;
            set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, i == 0 ? 0 : 24000000);
        }
    }
    const std::vector<RecordSpec> specs{{10.0, 2}};
    std::unique_ptr<TrendDataSet> set;
};

TEST_F(TimeLookup, FrequencyAtFindsTheFirstTimeNotBeforeT)
{
    const std::vector<std::pair<double, double>> table{{-5.0, 10.0}, {0.0, 10.0}, {0.5, 11.0}, {1.0, 11.0},
                                                       {2.9, 13.0},  {3.0, 13.0}, {99.0, 13.0}};
    for (const auto& [t, expected] : table)
        EXPECT_DOUBLE_EQ(set->frequencyAt(0, t), expected) << "t " << t;
    EXPECT_DOUBLE_EQ(set->frequencyAt(5, 1.0), 11.0);
    EXPECT_EQ(set->frequencyAt(-1, 1.0), 0.0);
}

TEST_F(TimeLookup, HarmonicValuesPerQuantity)
{
    // Sample 2 (t = 1 s) was seeded 2: voltages 200, 201; currents 2, 3.
    EXPECT_EQ(set->harmonicValues(0, 0, 1.0), (std::vector<double>{200.0, 201.0}));
    EXPECT_EQ(set->harmonicValues(1, 0, 1.0), (std::vector<double>{2.0, 3.0}));
    EXPECT_EQ(set->harmonicValues(2, 0, 1.0), (std::vector<double>{20.0, 21.0}));
    EXPECT_EQ(set->harmonicValues(34, 0, 1.0), (std::vector<double>{0.0, 10.0}));
    // The newest sample has a call of its own; a time before the first
    // sample is a time like any other and names the first.
    EXPECT_EQ(set->latestHarmonicValues(0, 0), (std::vector<double>{400.0, 401.0}));
    EXPECT_EQ(set->latestHarmonicValues(34, 0), (std::vector<double>{0.0, 10.0}));
    EXPECT_EQ(set->harmonicValues(0, 0, -1.0), (std::vector<double>{100.0, 101.0}));
    EXPECT_TRUE(set->harmonicValues(5, 0, 1.0).empty());
    EXPECT_TRUE(set->latestHarmonicValues(5, 0).empty());
    EXPECT_TRUE(set->harmonicValues(0, -2, 1.0).empty());
    EXPECT_EQ(set->harmonicValues(0, 9, -1.0).size(), 2u);
    EXPECT_EQ(set->latestHarmonicValues(0, 9).size(), 2u);
}

namespace {

// The first sample at or after t as a plain walk from the start of the axis:
// what every lookup must find, however it searches.
size_t walkedIndex(const Series& time, double t)
{
    if (time.size() < 2 || !(t > time.front()))
        return 0;
    for (size_t i = 1; i < time.size(); ++i)
        if (time[i] >= t)
            return i;
    return time.size() - 1;
}

// A set whose frequency at sample i is i (until a trim), on the given axis.
std::unique_ptr<TrendDataSet> setOnAxis(const Series& axis)
{
    const std::vector<RecordSpec> specs{{0.0, 1}};
    auto set = makeSet(specs);
    for (size_t i = 0; i < axis.size(); ++i) {
        std::vector<double> sample = sampleFor(specs, 100.0, 25.0, static_cast<double>(i));
        sample[0] = static_cast<double>(i);
        set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, 0);
    }
    set->time = axis;
    return set;
}

void expectLookupsWalk(const TrendDataSet& set, const std::string& name)
{
    std::vector<double> probes{-1e9, -2.0, -0.5, 0.0, 1e-12, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 7.0, 1e9};
    for (double t : set.time)
        probes.insert(probes.end(), {t, std::nextafter(t, -1e300), std::nextafter(t, 1e300)});
    for (double t : probes) {
        if (set.time.empty()) {
            EXPECT_EQ(set.frequencyAt(0, t), 0.0) << name;
            continue;
        }
        const size_t expected = walkedIndex(set.time, t);
        EXPECT_EQ(set.frequencyAt(0, t), set.records[0]->frequencies[expected]) << name << ", t " << t;
        const double voltage = set.records[0]->voltage[0][expected];
        EXPECT_EQ(set.harmonicValues(0, 0, t), std::vector<double>{voltage}) << name << ", t " << t;
    }
}

} // namespace

TEST(TimeLookupSearch, FindsWhatTheWalkFindsOnEveryAxis)
{
    const std::vector<std::pair<std::string, Series>> axes{
        {"empty", {}},
        {"one sample", {1.0}},
        {"two samples", {0.0, 1.0}},
        {"rising", {0.0, 0.5, 1.0, 1.5, 2.0, 2.5, 3.0}},
        {"equal times", {0.0, 1.0, 1.0, 1.0, 2.0, 2.0, 3.0}},
        {"all equal", {2.0, 2.0, 2.0, 2.0}},
        {"negative start", {-3.0, -2.0, -1.0, 0.0, 1.0}},
        {"shifted by a trigger", {-1.25, -0.75, -0.25, 0.25, 0.75}},
        {"falling step", {0.0, 1.0, 2.0, 1.5, 3.0, 2.5, 4.0}},
        {"falling", {3.0, 2.0, 1.0, 0.0}},
        {"not a number inside", {0.0, 1.0, std::nan(""), 2.0, 3.0}},
    };
    for (const auto& [name, axis] : axes)
        expectLookupsWalk(*setOnAxis(axis), name);
}

TEST(TimeLookupSearch, FollowsTheAxisAsItGrowsShiftsAndShrinks)
{
    auto set = setOnAxis({0.0, 1.0, 2.0, 3.0, 4.0});
    expectLookupsWalk(*set, "before growing");

    // Appends after a lookup: a step back later must still be noticed.
    const std::vector<RecordSpec> specs{{0.0, 1}};
    for (double dt : {1.0, -2.5, 1.0}) {
        std::vector<double> sample = sampleFor(specs, 100.0, 25.0);
        sample[0] = static_cast<double>(set->sampleCount());
        set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0,
                          static_cast<qint64>(dt * TrendDataSet::ticksPerSecond));
        expectLookupsWalk(*set, "appended " + std::to_string(dt));
    }

    // Trimming the step back away orders the axis again.
    set->removeBefore(5.0);
    expectLookupsWalk(*set, "trimmed");
    set->shiftTime(2.0);
    expectLookupsWalk(*set, "shifted");
    set->time = {0.0, 3.0, 1.0};
    expectLookupsWalk(*set, "replaced");
}

TEST_F(TimeLookup, RemoveBeforeBeyondTheEndEmptiesEverything)
{
    set->removeBefore(1.5);
    EXPECT_DOUBLE_EQ(set->firstTime(), 2.0);
    EXPECT_DOUBLE_EQ(set->records[0]->frequencies.front(), 12.0);
    set->removeBefore(0.0); // nothing older than 0 is left
    EXPECT_EQ(set->sampleCount(), 2u);
    set->removeBefore(100.0);
    for (const Series* s : set->allSeries())
        EXPECT_TRUE(s->empty());
    EXPECT_EQ(set->lastTime(), 0.0);
    EXPECT_EQ(set->firstTime(), 0.0);
}

// ---- alignment under random edits ---------------------------------------------

namespace {

// Series that legitimately stay empty: ion flux off type 3 sensors, and the
// fundamental's series of a record without harmonics.
std::set<const Series*> alwaysEmpty(const TrendDataSet& set)
{
    std::set<const Series*> empty;
    for (const auto& r : set.records) {
        if (r->sensorType != FrequencyRecord::ionFluxSensorType || r->harmonicCount == 0)
            empty.insert(&r->ionFlux);
        if (r->harmonicCount == 0)
            for (const Series* s : {&r->power, &r->forwardPower, &r->reflectedPower, &r->swr, &r->energy})
                empty.insert(s);
    }
    return empty;
}

} // namespace

class RandomEdits : public ::testing::TestWithParam<int>
{
};

TEST_P(RandomEdits, EverySeriesStaysAligned)
{
    const int sensorType = GetParam();
    const std::vector<RecordSpec> specs{{13.56, 2}, {27.12, 0}, {2.0, 1}};
    auto set = makeSet(specs, sensorType);
    const std::set<const Series*> empty = alwaysEmpty(*set);
    std::mt19937 random(1234u + static_cast<unsigned>(sensorType));
    std::uniform_int_distribution<int> pick(0, 99);
    // Shadow model: the time and a serial number of every sample kept.
    std::deque<double> times;
    std::deque<int> serials;
    int serial = 0;

    for (int step = 0; step < 3000; ++step) {
        const int op = pick(random);
        if (op < 70) {
            std::vector<double> sample = sampleFor(specs, 50.0 + op, 10.0);
            sample[0] = 10.0 + (serial % 900);
            const int ticks = 24000 * (1 + pick(random));
            set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, ticks);
            times.push_back(times.empty() ? 0.0 : times.back() + ticks / 24000000.0);
            serials.push_back(serial++);
        } else if (op < 85 && !times.empty()) {
            const double cut = times.front() + (times.back() - times.front()) * pick(random) / 80.0;
            set->removeBefore(cut);
            while (!times.empty() && times.front() < cut) {
                times.pop_front();
                serials.pop_front();
            }
        } else if (op < 95) {
            const double shift = pick(random) / 10.0;
            set->shiftTime(shift);
            for (double& t : times)
                t -= shift;
        } else {
            set->clearValues();
        }

        ASSERT_EQ(set->time.size(), times.size());
        size_t held = 0;
        for (const Series* s : set->allSeries()) {
            const size_t expected = empty.count(s) ? 0 : times.size();
            ASSERT_EQ(s->size(), expected) << "step " << step;
            held += s->size();
        }
        ASSERT_EQ(held, set->doublesPerSample() * set->sampleCount());
        ASSERT_EQ(set->nextSampleNumber(), serial);
        if (!serials.empty()) {
            ASSERT_EQ(set->firstSampleNumber(), serials.front());
        }
        if (!times.empty()) {
            ASSERT_NEAR(set->firstTime(), times.front(), 1e-9);
            ASSERT_NEAR(set->lastTime(), times.back(), 1e-9);
            ASSERT_DOUBLE_EQ(set->records[0]->frequencies.front(), 10.0 + (serials.front() % 900));
            ASSERT_DOUBLE_EQ(set->records[2]->frequencies.back(), 2.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SensorTypes, RandomEdits, ::testing::Values(1, 3));

// ---- clearing, energies, modes --------------------------------------------------

TEST(TrendValues, ClearValuesZeroesValuesButKeepsTimeFrequencyAndPulses)
{
    const std::vector<RecordSpec> specs{{13.56, 2}};
    auto set = makeSet(specs, 3);
    for (int i = 0; i < 3; ++i) {
        const std::vector<double> sample = sampleFor(specs, 100.0, 25.0, i + 1.0);
        set->appendSample(sample.data(), static_cast<int>(sample.size()), 0.0, 24000000);
    }
    const FrequencyRecord& r = *set->records[0];
    ASSERT_NE(r.energyTotal, 0.0);
    set->clearValues();
    EXPECT_EQ(set->sampleCount(), 3u);
    EXPECT_DOUBLE_EQ(set->lastTime(), 2.0);
    EXPECT_DOUBLE_EQ(r.frequencies[2], 13.56);
    EXPECT_DOUBLE_EQ(set->pulsePeriod[2], 100.0);
    EXPECT_EQ(r.energyTotal, 0.0);
    for (const Series* s : const_cast<FrequencyRecord&>(r).allSeries()) {
        if (s == &r.frequencies)
            continue;
        EXPECT_EQ(s->size(), 3u);
        for (double v : *s)
            EXPECT_EQ(v, 0.0);
    }
}

TEST(TrendValues, EnergiesGoToAsManyRecordsAsBothHave)
{
    auto set = makeSet({{1.0, 1}, {2.0, 1}, {3.0, 1}});
    set->setEnergies({5.0, 6.0});
    EXPECT_EQ(set->energyTotals(), (std::vector<double>{5.0, 6.0, 0.0}));
    set->setEnergies({1.0, 2.0, 3.0, 4.0});
    EXPECT_EQ(set->energyTotals(), (std::vector<double>{1.0, 2.0, 3.0}));
    set->resetEnergies();
    EXPECT_EQ(set->energyTotals(), (std::vector<double>{0.0, 0.0, 0.0}));

    set->setIonFluxFactors(2.0, 3.0, 4.0);
    for (const auto& r : set->records) {
        EXPECT_EQ(r->seriesResistance, 2.0);
        EXPECT_EQ(r->voltageDrop, 3.0);
        EXPECT_EQ(r->electrodeArea, 4.0);
    }
}

TEST(TrendValues, ModeTexts)
{
    const std::vector<std::tuple<int, QString, QString>> table{
        {0, QString::fromUtf8("Time \xC2\xB5s"), QString::fromUtf8("\xC2\xB5s")},
        {1, "Pulse Period %", "%"},
        {2, "Pulse On time %", "%"},
        {3, "Pulse Off time %", "%"},
        {4, "INVALID", "%"},
        {-1, "INVALID", "%"},
    };
    for (const auto& [mode, label, unit] : table) {
        EXPECT_EQ(TrendDataSet::modeLabel(mode), label) << mode;
        EXPECT_EQ(TrendDataSet::modeUnit(mode), unit) << mode;
    }
    EXPECT_STREQ(trendMeasurementText, "Trend Measurement");
    EXPECT_STREQ(endTrendText, "END TREND");
    EXPECT_STREQ(trendModeText, "Trend Mode");
}
