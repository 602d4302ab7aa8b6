// The sensor models: which one the factory makes, how each reads its info
// record, and the info-derived operations of the device class.

#include "framebuilder.h"
#include "morvek.h"
#include "opensensor.h"
#include "platform/pause.h"
#include "quvix_kadro.h"
#include "quvix_renu.h"
#include "quvix_tavi.h"
#include "sensormodelcode.h"
#include "simulatedsensors.h"

#include <gtest/gtest.h>

namespace {

class ModelTest : public ::testing::Test
{
protected:
    std::unique_ptr<quvix2_base> open(const std::string& type, SimulatedSensors::Settings extra = {})
    {
        extra["serial"] = "QX1";
        extra["type"] = type;
        sensors.addSensor("a", extra);
        return openSensor("QX1");
    }

    SimulatedSensors sensors;
};

// A single-frequency info frame of the given length with two rows.
std::vector<uint8_t> singleInfo(size_t length, uint8_t firstMax = 3, uint8_t secondMax = 0)
{
    FrameBuilder frame = infoFrame("Tavi V4.9", 2);
    frame.u8(1); // default row
    frame.f32(13560000.0f).u8(firstMax);
    frame.f32(2000000.5f).u8(secondMax);
    frame.resize(length);
    if (length > 76) {
        frame.at(75) = 2;
        frame.at(76) = 7;
    }
    for (int i = 0; i < 4; ++i) {
        if (length > 80)
            frame.at(77 + i) = static_cast<uint8_t>(40000000u >> (8 * i));
        if (length > 84)
            frame.at(81 + i) = static_cast<uint8_t>(50000000u >> (8 * i));
    }
    return frame.done();
}

std::vector<uint8_t> multiInfo(uint8_t rows, size_t length)
{
    FrameBuilder frame = infoFrame("Renu V5.16", rows);
    frame.u8(0);
    for (uint8_t k = 0; k < rows; ++k)
        frame.f32(13560000.0f * (k + 1)).u8(k == 0 ? 3 : 0).u8(k == 0 ? 1 : 0);
    frame.resize(length);
    const uint8_t tail[] = {3, 9, 0x00, 0x5A, 0x62, 0x02, 0x80, 0xF0, 0xFA, 0x02};
    for (size_t i = 0; i < sizeof tail && 81 + i < length; ++i)
        if (45 + 6u * rows <= 81)
            frame.at(81 + i) = tail[i];
    return frame.done();
}

} // namespace

TEST_F(ModelTest, FactoryChoosesTheModelByTheFirstWordFound)
{
    struct Case {
        const char* type;
        int model;
        const char* variant;
        const char* line;
    };
    const Case cases[] = {
        {"Tavi V4.9", SingleFrequencyModel, "Tavi", "Tavi Device"},
        {"Renu V5.16", MultiFrequencyModel, "Renu", "Renu Device"},
        {"Kadro V5.16", KadroModel, "Kadro", "Kadro Device"},
        {"Quvix Upload App", MultiFrequencyModel, "Renu", "Quvix Upload App"},
        {"Morvek 5.1", SingleFrequencyModel, "Tavi", "Morvek Device"},
        {"Renu Tavi 2", SingleFrequencyModel, "Tavi", "Tavi Device"},
        {"Kadro Renu 5.2", MultiFrequencyModel, "Renu", "Renu Device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        testing::internal::CaptureStdout();
        std::unique_ptr<quvix2_base> device = open(c.type);
        const std::string trace = testing::internal::GetCapturedStdout();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->getModel(), c.model);
        EXPECT_EQ(device->variantText(), c.variant);
        EXPECT_NE(trace.find(std::string(c.line) + "\n"), std::string::npos) << trace;
        EXPECT_STREQ(device->getFirmwareRevision(), c.type);
    }
    EXPECT_STREQ(open("Morvek 5.1")->getCapabilities(), "Harmonics=1\nPulse=N\nMultipleFrequency=N\nVi=N\n");
    EXPECT_STREQ(open("Kadro 5.1")->getCapabilities(), "Pulse=Y\nMultipleFrequency=Y\nExt=Y\nVi=N\n");
}

TEST_F(ModelTest, FactoryAsksForTheInfoThenEntersCalibrationMode)
{
    std::unique_ptr<quvix2_base> device = open("Renu V5.16", {{"identity", "QX-0042"}});
    ASSERT_NE(device, nullptr);
    EXPECT_STREQ(device->getSerial(), "QX-0042");
    const auto commands = sensors.commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].letter, '*');
    EXPECT_EQ(commands[1].letter, 'i');
    EXPECT_EQ(commands[2].letter, 'C');
    EXPECT_EQ(commands[2].arguments.size(), 8u);
    device.reset();
    const auto closing = sensors.commands();
    EXPECT_EQ(closing[closing.size() - 2].letter, 'N');
    EXPECT_EQ(closing.back().letter, '*');
}

TEST_F(ModelTest, FactoryRefusesUnknownModelsAndShortInfoFrames)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(open("Gizmo 1.0"), nullptr);
    EXPECT_EQ(open("Renu V5.16", {{"info_length", "19"}}), nullptr) << "a 22-byte info frame";
    EXPECT_EQ(open("Renu V5.16", {{"drop", "1"}}), nullptr) << "no answer";
    const std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_NE(trace.find("Quvix type[Gizmo 1.0] not recognised\n"), std::string::npos);
    EXPECT_NE(trace.find("Unable to get Quvix ID"), std::string::npos);
    sensors.setSetting("a", "drop", "0");
    EXPECT_NE(openSensor("QX1"), nullptr) << "every refusal released the sensor";
}

TEST_F(ModelTest, InfoFramesThatHoldTheTypeTextOpenWithoutRows)
{
    const Pause::Hook previousHook = Pause::setHook([](int) {});
    // Payload lengths: frames of 23, 30 and 44 bytes.
    for (const char* payload : {"20", "27", "41"}) {
        SCOPED_TRACE(testing::Message() << "payload " << payload);
        sensors.setMemory("a", SimulatedSensors::erasedMemory());
        std::unique_ptr<quvix2_base> device = open("Renu V5.16", {{"info_length", payload}});
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->getModel(), 3);
        EXPECT_EQ(device->frequencyCount(), 0u);
        EXPECT_EQ(device->frequency(0), 0u);

        const uint8_t written[6] = {'Q', 'X', 0x12, 0x34, 0x56, 0x78};
        ASSERT_TRUE(device->writeMemoryBlock(48, 6, written));
        uint8_t back[6] = {};
        ASSERT_TRUE(device->readMemory(48, 6, back));
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(back), 6),
                  QByteArray(reinterpret_cast<const char*>(written), 6));
        EXPECT_TRUE(device->requestInfo()) << "the sensor still answers the presence check";
    }
    Pause::setHook(previousHook);
}

TEST_F(ModelTest, SingleFrequencyRowsAreClampedAndMultiFrequencyRowsKept)
{
    quvix_tavi tavi(nullptr);
    const std::vector<uint8_t> single = singleInfo(85);
    ASSERT_TRUE(tavi.parseInfo(single.data(), int(single.size())));
    EXPECT_EQ(tavi.frequencyCount(), 2u);
    EXPECT_EQ(tavi.maxHarmonics(0), 1u);
    EXPECT_EQ(tavi.maxHarmonics(1), 0u);
    EXPECT_EQ(tavi.frequency(1), 2000000u) << "whole hertz, truncated";
    EXPECT_EQ(tavi.isDefaultFrequency(0), 0u);
    EXPECT_EQ(tavi.isDefaultFrequency(1), 1u);
    EXPECT_EQ(tavi.frequency(2), 0u);
    EXPECT_EQ(tavi.frequency(20), 0u);

    quvix_renu renu(nullptr);
    const std::vector<uint8_t> multi = multiInfo(2, 91);
    ASSERT_TRUE(renu.parseInfo(multi.data(), int(multi.size())));
    EXPECT_EQ(renu.maxHarmonics(0), 3u);
    EXPECT_EQ(renu.maxHarmonics(1), 0u);
    EXPECT_EQ(renu.frequency(1), 27120000u);
    EXPECT_EQ(renu.isDefaultFrequency(0), 1u);
}

TEST_F(ModelTest, InfoFieldsAreTakenOnlyWhenTheFrameHoldsThem)
{
    struct Case {
        size_t length;
        const char* fpga;
        uint32_t clock1;
        uint32_t clock2;
    };
    // The morvek model takes each field as soon as the frame holds it; the
    // single-frequency model only a whole tail (version and both clocks).
    struct SingleCase {
        Case morvek;
        Case tavi;
    };
    const SingleCase singleCases[] = {
        {{76, "---", 0, 0}, {76, "---", 0, 0}},
        {{77, "2.7", 0, 0}, {77, "---", 0, 0}},
        {{81, "2.7", 40000000, 0}, {81, "---", 0, 0}},
        {{84, "2.7", 40000000, 0}, {84, "---", 0, 0}},
        {{85, "2.7", 40000000, 50000000}, {85, "2.7", 40000000, 50000000}},
    };
    for (const SingleCase& both : singleCases) {
        for (int model = 0; model < 2; ++model) {
            std::unique_ptr<quvix_tavi> device =
                model == 0 ? std::make_unique<quvix_tavi>(nullptr) : std::make_unique<morvek>(nullptr);
            const Case& c = model == 0 ? both.tavi : both.morvek;
            const std::vector<uint8_t> frame = singleInfo(c.length);
            SCOPED_TRACE(testing::Message() << "length " << c.length << (model == 0 ? " tavi" : " morvek"));
            ASSERT_TRUE(device->parseInfo(frame.data(), int(frame.size())));
            EXPECT_STREQ(device->getFPGARevision(), c.fpga);
            EXPECT_EQ(device->clock1(), c.clock1);
            EXPECT_EQ(device->clock2(), c.clock2);
        }
    }
    for (const Case& c : {Case{82, "---", 0, 0}, Case{83, "3.9", 0, 0}, Case{87, "3.9", 40000000, 0},
                          Case{91, "3.9", 40000000, 50000000}}) {
        quvix_renu renu(nullptr);
        const std::vector<uint8_t> frame = multiInfo(2, c.length);
        SCOPED_TRACE(c.length);
        ASSERT_TRUE(renu.parseInfo(frame.data(), int(frame.size())));
        EXPECT_STREQ(renu.getFPGARevision(), c.fpga);
        EXPECT_EQ(renu.clock1(), c.clock1);
        EXPECT_EQ(renu.clock2(), c.clock2);
        EXPECT_EQ(renu.fpgaValue(), c.length > 82 ? 3 | (9 << 8) : 0);
    }
    quvix_renu sixRows(nullptr);
    const std::vector<uint8_t> six = multiInfo(6, 100);
    ASSERT_TRUE(sixRows.parseInfo(six.data(), int(six.size())));
    EXPECT_STREQ(sixRows.getFPGARevision(), "---");
    EXPECT_EQ(sixRows.clock1(), 0u);
}

TEST_F(ModelTest, RejectsInfoFramesTooShortForTheirRowsOrWithTooManyRows)
{
    quvix_tavi tavi(nullptr);
    const std::vector<uint8_t> shortRows = singleInfo(58);
    EXPECT_FALSE(tavi.parseInfo(shortRows.data(), int(shortRows.size())));
    EXPECT_EQ(tavi.frequencyCount(), 0u);

    quvix_renu renu(nullptr);
    std::vector<uint8_t> many = multiInfo(21, 45 + 6 * 21);
    EXPECT_FALSE(renu.parseInfo(many.data(), int(many.size())));
    EXPECT_EQ(renu.frequencyCount(), 0u);
    EXPECT_EQ(renu.frequency(0), 0u);

    // The fixed header alone: 44 bytes are ignored, 45 parsed.
    quvix_renu header(nullptr);
    std::vector<uint8_t> frame = infoFrame("ABCDEFGHIJKLMNOPQRST", 0).u8(0).done();
    ASSERT_EQ(frame.size(), 45u);
    EXPECT_FALSE(header.parseInfo(frame.data(), 44));
    EXPECT_STREQ(header.getFirmwareRevision(), "");
    EXPECT_TRUE(header.parseInfo(frame.data(), 45));
    EXPECT_STREQ(header.getFirmwareRevision(), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(header.hasLowSignalMode(), 1);
}

TEST_F(ModelTest, DelayResolutionFollowsFirmwareAndClocks)
{
    struct Case {
        const char* type;
        uint32_t clock1;
        uint32_t clock2;
        double seconds;
    };
    const Case cases[] = {
        {"Renu V5.16", 0, 40000000, 25e-9},     {"Renu V5.16", 30000000, 0, 1.0 / 34764706.0},
        {"Renu V5.15", 0, 0, 1.0 / 34764706.0}, {"Renu V4.9", 0, 0, 1.0 / 37588235.0},
        {"Renu V3.0", 0, 0, 1.0 / 37818181.0},  {"Renu V5.15", 40000000, 0, 25e-9},
    };
    for (const Case& c : cases) {
        FrameBuilder frame = infoFrame(c.type, 1);
        frame.u8(0).f32(13560000.0f).u8(1).u8(1).resize(91);
        for (int i = 0; i < 4; ++i) {
            frame.at(83 + i) = static_cast<uint8_t>(c.clock1 >> (8 * i));
            frame.at(87 + i) = static_cast<uint8_t>(c.clock2 >> (8 * i));
        }
        quvix_renu renu(nullptr);
        const std::vector<uint8_t> bytes = frame.done();
        ASSERT_TRUE(renu.parseInfo(bytes.data(), int(bytes.size())));
        EXPECT_DOUBLE_EQ(renu.getDelayResolution(), c.seconds)
            << c.type << " " << c.clock1 << " " << c.clock2;
    }
    quvix_renu versions(nullptr);
    const std::vector<uint8_t> frame = infoFrame("Renu V4.17", 0).u8(0).done();
    versions.parseInfo(frame.data(), int(frame.size()));
    EXPECT_EQ(versions.firmwareMajor(), 4);
    EXPECT_EQ(versions.firmwareMinor(), 17);
}

TEST_F(ModelTest, HarmonicSelectionIsCheckedAndSentWithF)
{
    std::unique_ptr<quvix2_base> device = open("Renu V5.16", {{"rows", "13560000:3:1,27120000:31:0"}});
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->enableParameters(0, 3));
    EXPECT_FALSE(device->enableParameters(0, 4));
    EXPECT_FALSE(device->enableParameters(2, 1)) << "no third row";
    EXPECT_TRUE(device->enableParameters(1, 29));
    sensors.clearCommands();
    EXPECT_FALSE(device->parameterReload()) << "3 + 29 exceeds the allowed 31";
    EXPECT_TRUE(sensors.commands().empty());
    EXPECT_TRUE(device->enableParameters(1, 28));
    EXPECT_TRUE(device->parameterReload());
    const auto commands = sensors.commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].bytes(), (std::vector<uint8_t>{'F', 2, 3, 28}));
    EXPECT_EQ(commands[1].letter, 'i');
    EXPECT_EQ(device->frequency(1), 27120000u);

    device.reset();
    std::unique_ptr<quvix2_base> tavi = open("Tavi V4.9");
    tavi->disableParameters();
    sensors.clearCommands();
    EXPECT_TRUE(tavi->parameterReload());
    EXPECT_EQ(sensors.commands()[0].bytes(), (std::vector<uint8_t>{'F', 1, 0}));
}

TEST_F(ModelTest, ModelsKeepTheFramesTheyOwnInBoundedQueues)
{
    const std::vector<uint8_t> q = FrameBuilder('Q').u32(7).done();
    const std::vector<uint8_t> y = FrameBuilder('y').u8(5).done();
    const std::vector<uint8_t> bigY = FrameBuilder('Y').u8(6).done();
    const std::vector<uint8_t> w = FrameBuilder('W').u32(1).done();

    quvix_tavi tavi(nullptr);
    testing::internal::CaptureStdout();
    tavi.handlePacket(q.data(), int(q.size()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "parsing package : Q 7 \n");
    EXPECT_EQ(tavi.queuedQPackets(), 1u);

    quvix_kadro kadro(nullptr);
    kadro.handlePacket(y.data(), int(y.size()));
    kadro.handlePacket(bigY.data(), int(bigY.size()));
    kadro.handlePacket(w.data(), int(w.size()));
    kadro.handlePacket(q.data(), int(q.size()));
    EXPECT_EQ(kadro.yBytes(), (std::deque<uint8_t>{5, 6}));
    EXPECT_EQ(kadro.queuedWaveforms(), 1u);

    const std::vector<uint8_t> data = measurementFrame('D', 0, 0, 0, {});
    for (int i = 0; i < 1100; ++i)
        kadro.handlePacket(data.data(), int(data.size()));
    EXPECT_EQ(kadro.queuedPackets(), quvix2_base::kMaxQueuedFrames);
    EXPECT_EQ(kadro.droppedPackets(), 1100 - quvix2_base::kMaxQueuedFrames);
}

TEST_F(ModelTest, KadroScaleFactorsAndWaveformMode)
{
    std::unique_ptr<quvix2_base> device = open("Kadro V5.16");
    ASSERT_NE(device, nullptr);
    auto& kadro = dynamic_cast<quvix_kadro&>(*device);
    EXPECT_EQ(kadro.scaleFactors(), (std::array<double, 4>{5.0, 12.0, 127.0, 14.0}));
    EXPECT_EQ(kadro.setScaleFactors(1.5, 2, 3, 4, 5, 6), 1);
    EXPECT_EQ(kadro.scaleFactors(), (std::array<double, 4>{1.5, 2.0, 3.0, 4.0}));
    sensors.clearCommands();
    EXPECT_EQ(kadro.setWaveformMode(true), 0);
    EXPECT_EQ(kadro.setWaveformMode(false), 0);
    std::string letters;
    for (const auto& command : sensors.commands())
        letters += command.letter;
    EXPECT_EQ(letters, "WNp");
    device.reset();
    EXPECT_EQ(open("Renu V5.16")->setScaleFactors(1, 2, 3, 4, 5, 6), kNotSupported);
}
