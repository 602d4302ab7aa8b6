// Measurement frames as each model decodes them, the single and averaged
// reads built on them, and the simulated sensor's frames end to end.

#include "framebuilder.h"
#include "opensensor.h"
#include "platform/debugoutput.h"
#include "platform/pause.h"
#include "sensormodelcode.h"
#include "simulatedsensors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const HarmonicParts kUnitVoltageQuarterTurnCurrent{1.0f, 0.0f, 0.0f, 1.0f};

class DecodingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousSink = DebugOutput::setSink([this](const std::string& line) { debugLines.push_back(line); });
        previousHook = Pause::setHook([this](int ms) { pauses.push_back(ms); });
    }
    void TearDown() override
    {
        device.reset();
        DebugOutput::setSink(previousSink);
        Pause::setHook(previousHook);
    }

    quvix2_base& open(const std::string& type, SimulatedSensors::Settings extra = {})
    {
        device.reset();
        extra["serial"] = "QX1";
        extra["type"] = type;
        sensors.addSensor("a", extra);
        device = openSensor("QX1");
        EXPECT_NE(device, nullptr);
        return *device;
    }

    void feed(const std::vector<uint8_t>& frame) { device->handlePacket(frame.data(), int(frame.size())); }

    struct Read {
        int result = 0;
        std::vector<double> values;
        double peak = -1;
        int increment = -1;
        int delay = -1;
        int remaining = -1;
    };
    Read read(int capacity = 64)
    {
        Read r;
        r.values.assign(static_cast<size_t>(std::max(capacity, 1)), -7.0);
        int count = capacity;
        r.result =
            device->getSensorDataHR(r.values.data(), &count, &r.peak, &r.increment, &r.delay, &r.remaining);
        r.values.resize(static_cast<size_t>(count));
        return r;
    }

    SimulatedSensors sensors;
    std::unique_ptr<quvix2_base> device;
    std::vector<std::string> debugLines;
    std::vector<int> pauses;
    DebugOutput::Sink previousSink;
    Pause::Hook previousHook;
};

} // namespace

TEST_F(DecodingTest, TimeIncrementsFollowTheCounterOfTheSameLetter)
{
    open("Renu V5.16");
    feed(measurementFrame('D', 0, 65530, 0, {}));
    feed(measurementFrame('D', 0, 4, 0, {}));
    EXPECT_EQ(read().increment, 0) << "the first frame has nothing to follow";
    EXPECT_EQ(read().increment, 240000);
    EXPECT_TRUE(debugLines.empty());

    feed(measurementFrame('D', 0, 100, 0, {}));
    feed(measurementFrame('D', 0, 10101, 0, {}));
    read();
    EXPECT_EQ(read().increment, 240024000);
    EXPECT_EQ(debugLines,
              std::vector<std::string>{"Quvix_renu getSensorDataHR() time increment too large. "});

    feed(measurementFrame('P', 0, 7, 11, {}));
    feed(measurementFrame('P', 0, 9, 12, {}));
    EXPECT_EQ(read().increment, 0) << "a change of letter restarts the bookkeeping";
    const Read second = read();
    EXPECT_EQ(second.increment, 48000);
    EXPECT_EQ(second.delay, 12);

    debugLines.clear();
    feed(measurementFrame('H', 0, 0, 5000, {}));
    feed(measurementFrame('H', 0, 0, 4000, {}));
    read();
    const Read backwards = read();
    EXPECT_EQ(backwards.increment, -1000);
    EXPECT_EQ(backwards.delay, 0);
    EXPECT_EQ(debugLines,
              std::vector<std::string>{"Quvix_renu getSensorDataHR() time increment is negative. "});
}

TEST_F(DecodingTest, KadroReportsIncrementsUnderItsOwnName)
{
    open("Kadro V5.16");
    feed(measurementFrame('D', 0, 0, 0, {}));
    feed(measurementFrame('D', 0, 20000, 0, {}));
    read();
    read();
    EXPECT_EQ(debugLines,
              std::vector<std::string>{"Quvix_kadro getSensorDataHR() time increment too large. "});
}

TEST_F(DecodingTest, PeakIsAPercentageOfFullScale)
{
    open("Renu V5.16");
    for (const auto& [raw, percent] :
         std::vector<std::pair<uint16_t, double>>{{8192, 100.0}, {4096, 50.0}, {0, 0.0}}) {
        feed(measurementFrame('D', raw, 0, 0, {}));
        EXPECT_DOUBLE_EQ(read().peak, percent);
    }
}

TEST_F(DecodingTest, SingleFrequencyModelsDecodeOneHarmonic)
{
    const std::vector<FrequencyBlockParts> block{{2.5f, {kUnitVoltageQuarterTurnCurrent}}};
    struct Case {
        const char* type;
        char letter;
        int capacity;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"Tavi V4.9", 'D', 3, {2.5}},
        {"Tavi V4.9", 'D', 5, {2.5, 1.0, 0.0, 1.0, 90.0}},
        {"Tavi V4.9", 'P', 64, {2.5, 1.0, 0.0, 1.0, 90.0}},
        {"Morvek 5.1", 'D', 7, {2.5, 1.0, 0.0, 1.0, 90.0, 0.0, 0.0}},
        {"Morvek 5.1", 'P', 7, {2.5, 1.0, 0.0, 1.0, 90.0, 3.5, 4.5}},
        {"Morvek 5.1", 'P', 6, {2.5, 1.0, 0.0, 1.0, 90.0}},
        {"Morvek 5.1", 'P', 4, {2.5, 3.5, 4.5}},
        {"Morvek 5.1", 'P', 2, {2.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.letter << " capacity " << c.capacity);
        open(c.type);
        const bool morvek = std::string(c.type).find("Morvek") != std::string::npos;
        feed(measurementFrame(c.letter, 0, 0, 0, block, 3.5f, 4.5f,
                              morvek ? BlockLayout::Morvek : BlockLayout::Standard));
        const Read r = read(c.capacity);
        EXPECT_EQ(r.result, 1);
        ASSERT_EQ(r.values.size(), c.values.size());
        for (size_t i = 0; i < c.values.size(); ++i)
            EXPECT_NEAR(r.values[i], c.values[i], 1e-5) << i;
        EXPECT_EQ(r.remaining, 0);
    }
    // A 'P' frame without any block still carries the pulse header values.
    open("Morvek 5.1");
    feed(measurementFrame('P', 0, 0, 0, {}, 3.5f, 4.5f));
    EXPECT_EQ(read(2).values, (std::vector<double>{3.5, 4.5}));
}

TEST_F(DecodingTest, MorvekPulseFramesCarryTheHarmonicRightAfterTheLeadingValue)
{
    // Frame bytes 11 and 15: the pulse header; 19: the count byte; 20: the
    // leading value; 24 to 39: the harmonic, with no gap before it.
    FrameBuilder exact('P');
    exact.u16(0).u16(0).u32(0).f32(3.5f).f32(4.5f);
    exact.u8(1).f32(2.5f).f32(3.0f).f32(4.0f).f32(0.0f).f32(2.0f);
    ASSERT_EQ(exact.size(), 40u);
    FrameBuilder longer = exact;
    longer.f32(99.0f).f32(99.0f).f32(99.0f).f32(99.0f); // bytes a wrong offset would take

    const std::vector<double> expected{2.5, 5.0, 0.0, 2.0, 36.869898};
    for (FrameBuilder* frame : {&exact, &longer}) {
        SCOPED_TRACE(testing::Message() << frame->size() << " bytes");
        open("Morvek 5.1");
        feed(frame->done());
        const Read r = read(7);
        ASSERT_EQ(r.values.size(), 7u);
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(r.values[i], expected[i], 1e-4) << i;
        EXPECT_EQ(r.values[5], 3.5) << "the pulse header values follow the harmonic";
        EXPECT_EQ(r.values[6], 4.5);
    }
}

TEST_F(DecodingTest, ZeroVoltagePhaseIsZeroExceptForMorvek)
{
    const std::vector<FrequencyBlockParts> block{{1.0f, {{0.0f, 0.0f, 1.0f, 0.0f}}}};
    for (const char* type : {"Tavi V4.9", "Renu V5.16", "Kadro V5.16"}) {
        open(type);
        feed(measurementFrame('D', 0, 0, 0, block));
        const Read r = read();
        ASSERT_GE(r.values.size(), 5u) << type;
        EXPECT_EQ(r.values[4], 0.0) << type;
    }
    open("Morvek 5.1");
    feed(measurementFrame('D', 0, 0, 0, block));
    const Read r = read();
    ASSERT_GE(r.values.size(), 5u);
    EXPECT_TRUE(std::isnan(r.values[4])) << "the IEEE quotient by a complex zero, kept unguarded";
}

TEST_F(DecodingTest, MultiFrequencyBlocksAreCutByCapacity)
{
    FrequencyBlockParts block{
        7.0f,
        {kUnitVoltageQuarterTurnCurrent, kUnitVoltageQuarterTurnCurrent, kUnitVoltageQuarterTurnCurrent}};
    struct Case {
        int capacity;
        size_t written;
    };
    for (const Case& c : {Case{26, 26}, Case{64, 26}, Case{18, 18}, Case{15, 14}, Case{13, 13}, Case{1, 1}}) {
        open("Renu V5.16");
        feed(measurementFrame('D', 0, 0, 0, {block, block}));
        const Read r = read(c.capacity);
        EXPECT_EQ(r.values.size(), c.written) << "capacity " << c.capacity;
        if (r.values.size() >= 18) {
            EXPECT_EQ(r.values[13], 7.0) << "the second block's leading value";
            EXPECT_NEAR(r.values[17], 90.0, 1e-5);
        }
    }
    // A block that announces more harmonics than the frame holds ends the decoding.
    open("Renu V5.16");
    FrequencyBlockParts lying = block;
    lying.announced = 9;
    feed(measurementFrame('D', 0, 0, 0, {lying}));
    EXPECT_EQ(read().values.size(), 13u);
}

TEST_F(DecodingTest, KadroGivesEachHarmonicsVoltagePhase)
{
    open("Kadro V5.16");
    FrequencyBlockParts block{1.0f, {{0.0f, 1.0f, 0.0f, 1.0f}, {-1.0f, 0.0f, 1.0f, 0.0f}}};
    feed(measurementFrame('D', 0, 0, 0, {block}));
    const Read r = read();
    ASSERT_EQ(r.values.size(), 9u);
    EXPECT_EQ(r.values[2], 0.0) << "the fundamental is the reference";
    EXPECT_NEAR(r.values[6], 0.0, 1e-4) << "V2 = -1 against twice the fundamental's -90 degrees";
    EXPECT_NEAR(std::fabs(r.values[8]), 180.0, 1e-4);

    FrequencyBlockParts dead{1.0f, {{0.0f, 0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 1.0f, 0.0f}}};
    feed(measurementFrame('D', 0, 0, 0, {dead}));
    const Read nan = read();
    ASSERT_EQ(nan.values.size(), 9u);
    EXPECT_TRUE(std::isnan(nan.values[6])) << "no reference angle without a fundamental voltage";
}

TEST_F(DecodingTest, EmptyQueueAsksTheSensorAndReportsNothing)
{
    open("Renu V5.16");
    sensors.clearCommands();
    const Read r = read();
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.values.empty());
    EXPECT_EQ(r.remaining, 0);
    EXPECT_EQ(r.peak, -1) << "untouched";
    ASSERT_EQ(sensors.commands().size(), 1u);
    EXPECT_EQ(sensors.commands()[0].letter, 'S');

    sensors.setPresent("a", false);
    EXPECT_EQ(read().result, kNoData);
    device->close();
    EXPECT_EQ(read().result, kNoData);
}

TEST_F(DecodingTest, SingleReadsCarryTicksBetweenCalls)
{
    open("Renu V5.16");
    const FrequencyBlockParts block{1.0f, {kUnitVoltageQuarterTurnCurrent}};
    for (uint32_t n = 0; n < 6; ++n)
        feed(measurementFrame('H', 0, 0, n * 30000, {block}));
    std::vector<int> ticks;
    for (int n = 0; n < 6; ++n) {
        double values[16];
        int count = 16, tick = -1, status = 100;
        ASSERT_EQ(device->getSensorData(values, &count, nullptr, &tick, nullptr, &status), 1);
        ticks.push_back(tick);
        EXPECT_EQ(status, n < 5 ? 0 : 1);
    }
    EXPECT_EQ(ticks, (std::vector<int>{0, 1, 1, 1, 1, 2}));
}

TEST_F(DecodingTest, AveragedReadTakesTheMeanOverFramesWithData)
{
    open("Renu V5.16");
    auto harmonics = [](int count, float scale) {
        std::vector<HarmonicParts> parts;
        for (int k = 0; k < count; ++k)
            parts.push_back({scale * (k + 1), scale, 2 * scale, 3 * scale});
        return parts;
    };
    feed(measurementFrame('D', 0, 0, 0, {{2.0f, harmonics(5, 1.0f)}}));
    feed(measurementFrame('D', 0, 0, 0, {{4.0f, harmonics(3, 3.0f)}}));
    FrequencyBlockParts cut{100.0f, harmonics(2, 50.0f), 6};
    feed(measurementFrame('D', 0, 0, 0, {cut})); // announces more than it holds: not used
    feed(FrameBuilder('D').u16(0).done());       // no data at all: not used

    double voltage[32] = {}, current[32] = {};
    int count = 8;
    uint64_t stamp = 99;
    float leading = 0;
    ASSERT_EQ(device->doSyncRed(voltage, nullptr, current, nullptr, &count, &stamp, &leading), 1);
    EXPECT_EQ(count, 3);
    EXPECT_DOUBLE_EQ(voltage[0], 2.0);
    EXPECT_DOUBLE_EQ(voltage[2], 6.0);
    EXPECT_DOUBLE_EQ(current[1], 4.0);
    EXPECT_FLOAT_EQ(leading, 3.0f);
    EXPECT_EQ(stamp, 0u);
    EXPECT_EQ(device->queuedPackets(), 0u);

    for (int n = 0; n < 3; ++n)
        feed(measurementFrame('P', 0, 0, 0, {{-2.7f, harmonics(40, 1.0f)}}));
    int wide = 100, meanLeading = 0;
    ASSERT_EQ(device->getAveragedData(voltage, nullptr, nullptr, nullptr, &wide, nullptr, &meanLeading), 1);
    EXPECT_EQ(wide, 32) << "no more than the sums can hold";
    EXPECT_EQ(meanLeading, -2);
    EXPECT_DOUBLE_EQ(voltage[31], 32.0);
}

TEST_F(DecodingTest, AveragedReadAndDecoderTakeTheSameHarmonicForEveryModel)
{
    const FrequencyBlockParts block{2.5f, {{3.0f, 4.0f, 0.0f, 2.0f}}};
    for (const char* type : {"Tavi V4.9", "Renu V5.16", "Kadro V5.16", "Morvek 5.1"}) {
        const BlockLayout layout = std::string(type).find("Morvek") != std::string::npos
                                       ? BlockLayout::Morvek
                                       : BlockLayout::Standard;
        for (const char letter : {'D', 'P'}) {
            SCOPED_TRACE(testing::Message() << type << " " << letter);
            open(type);
            const std::vector<uint8_t> frame = measurementFrame(letter, 0, 0, 0, {block}, 3.5f, 4.5f, layout);
            feed(frame);
            feed(frame);
            const Read decoded = read(7);
            ASSERT_GE(decoded.values.size(), 5u);
            EXPECT_NEAR(decoded.values[1], 5.0, 1e-5) << "|V| of the harmonic";
            EXPECT_NEAR(decoded.values[3], 2.0, 1e-5) << "|I| of the harmonic";

            double parts[4][1] = {{-1}, {-1}, {-1}, {-1}};
            int count = 1;
            float leading = 0;
            ASSERT_EQ(device->doSyncRed(parts[0], parts[1], parts[2], parts[3], &count, nullptr, &leading),
                      1);
            EXPECT_EQ(count, 1);
            EXPECT_FLOAT_EQ(leading, 2.5f);
            EXPECT_EQ((std::vector<double>{parts[0][0], parts[1][0], parts[2][0], parts[3][0]}),
                      (std::vector<double>{3.0, 4.0, 0.0, 2.0}));
        }
    }
}

TEST_F(DecodingTest, AveragedReadWithoutDataFailsAndLeavesItsOutputs)
{
    open("Renu V5.16");
    sensors.clearCommands();
    pauses.clear();
    double voltage[4] = {42, 42, 42, 42};
    int count = 4;
    EXPECT_EQ(device->doSyncRed(voltage, nullptr, nullptr, nullptr, &count, nullptr, nullptr), 0);
    EXPECT_EQ(voltage[0], 42);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(sensors.commands().size(), 100u);
    EXPECT_EQ(pauses, std::vector<int>(99, 10));

    sensors.setPresent("a", false);
    testing::internal::CaptureStdout();
    EXPECT_EQ(device->doSyncRed(voltage, nullptr, nullptr, nullptr, &count, nullptr, nullptr), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("doSyncRed failed."), std::string::npos);
}

TEST_F(DecodingTest, SimulatedLoadComesBackDecoded)
{
    quvix2_base& renu = open("Renu V5.16", {{"rows", "13560000:3:1,27120000:3:0"},
                                            {"load", "2:0.5:30,1:0.25:-45"},
                                            {"status_frames", "2"},
                                            {"leading", "1.25"}});
    double values[64];
    int count = 64;
    ASSERT_EQ(renu.waitForData(values, &count, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(count, 2 * (1 + 4 * 2));
    const double expected[] = {1.25, 2.0, 0.0, 0.5, 30.0, 1.0, 0.0, 0.25, -45.0};
    for (int i = 0; i < 18; ++i)
        EXPECT_NEAR(values[i], expected[i % 9], 1e-4) << i;

    quvix2_base& kadro = open("Kadro V5.16", {{"load", "2:0.5:30:20,1:0.25:-45:70"}, {"status_frames", "1"}});
    count = 64;
    ASSERT_EQ(kadro.waitForData(values, &count, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(count, 9);
    EXPECT_NEAR(values[2], 0.0, 1e-4);
    EXPECT_NEAR(values[6], 70.0 - 2 * 20.0, 1e-3) << "relative to twice the fundamental's phase";
}

TEST_F(DecodingTest, SimulatedPulseFramesComeBackDecodedForEverySingleFrequencyModel)
{
    for (const char* type : {"Tavi V4.9", "Morvek 5.1"}) {
        SCOPED_TRACE(type);
        quvix2_base& sensor = open(type, {{"load", "2:0.5:30"},
                                          {"frame_letter", "P"},
                                          {"status_frames", "1"},
                                          {"leading", "1.25"},
                                          {"pulse_period", "100"},
                                          {"pulse_on", "25"}});
        double values[7];
        int count = 7;
        ASSERT_EQ(sensor.waitForData(values, &count, nullptr, nullptr, nullptr), 1);
        const bool morvek = std::string(type).find("Morvek") != std::string::npos;
        ASSERT_EQ(count, morvek ? 7 : 5);
        const double expected[] = {1.25, 2.0, 0.0, 0.5, 30.0, 100.0, 25.0};
        for (int i = 0; i < count; ++i)
            EXPECT_NEAR(values[i], expected[i], 1e-4) << i;
    }
}

TEST_F(DecodingTest, TheSharedRfLoadReadsAsItsImpedance)
{
    quvix2_base& kadro =
        open("Kadro V5.16", {{"rfload", "50,-20,100,0.5"}, {"harmonics", "3"}, {"status_frames", "1"}});
    double values[64];
    int count = 64;
    ASSERT_EQ(kadro.waitForData(values, &count, nullptr, nullptr, nullptr), 1);
    ASSERT_EQ(count, 1 + 4 * 3);
    const double impedance = std::hypot(50.0, -20.0);
    const double currentPhase = std::atan2(20.0, 50.0) * 180.0 / 3.14159265358979;
    for (int k = 0; k < 3; ++k) {
        const double voltage = 100.0 * std::pow(0.5, k);
        EXPECT_NEAR(values[1 + 4 * k], voltage, 1e-3) << k;
        EXPECT_NEAR(values[2 + 4 * k], 30.0 * k, 1e-3) << "the load's harmonic voltage phase " << k;
        EXPECT_NEAR(values[3 + 4 * k], voltage / impedance, 1e-4) << k;
        EXPECT_NEAR(values[4 + 4 * k], currentPhase, 1e-3) << k;
    }
}
