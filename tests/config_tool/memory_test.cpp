// Sensor memory through the device class: reads in pieces with 'g', paced
// writes with 'u', and the block writers, checked against the simulator's
// command log and memory image.

#include "opensensor.h"
#include "platform/pause.h"
#include "simulatedsensors.h"

#include <gtest/gtest.h>

namespace {

struct Piece {
    int address;
    int count;
    bool operator==(const Piece& other) const { return address == other.address && count == other.count; }
};

std::ostream& operator<<(std::ostream& out, const Piece& piece)
{
    return out << piece.count << "@" << piece.address;
}

class MemoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousHook = Pause::setHook([this](int ms) { pauses.push_back(ms); });
        sensors.addSensor("a", {{"serial", "QX1"}, {"type", "Renu V5.16"}});
        QByteArray image(0x4000, 0);
        for (int i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i % 253);
        sensors.setMemory("a", image);
        device = openSensor("QX1");
        ASSERT_NE(device, nullptr);
        sensors.clearCommands();
        pauses.clear();
    }
    void TearDown() override
    {
        device.reset();
        Pause::setHook(previousHook);
    }

    // Address and count of every logged command with this letter.
    std::vector<Piece> pieces(char letter) const
    {
        std::vector<Piece> found;
        for (const auto& command : sensors.commands())
            if (command.letter == letter && command.arguments.size() >= 3)
                found.push_back({command.arguments[0] | (command.arguments[1] << 8), command.arguments[2]});
        return found;
    }
    std::string letters() const
    {
        std::string all;
        for (const auto& command : sensors.commands())
            all += command.letter;
        return all;
    }

    SimulatedSensors sensors;
    std::unique_ptr<quvix2_base> device;
    std::vector<int> pauses;
    Pause::Hook previousHook;
};

} // namespace

TEST_F(MemoryTest, ReadsAreRangeCheckedBeforeAnythingIsSent)
{
    uint8_t buffer[300] = {};
    struct Case {
        int address;
        int count;
        bool sent;
    };
    for (const Case& c :
         {Case{0x3FFF, 1, true}, Case{0x3FFF, 2, false}, Case{0, 255, true}, Case{0, 256, false},
          Case{0, 0, false}, Case{0x4000, 1, false}, Case{-1, 4, false}}) {
        sensors.clearCommands();
        EXPECT_EQ(device->readMemory(c.address, c.count, buffer), c.sent) << c.count << "@" << c.address;
        EXPECT_EQ(sensors.commands().size(), c.sent ? 1u : 0u) << c.count << "@" << c.address;
    }
    ASSERT_TRUE(device->readMemory(1000, 4, buffer));
    EXPECT_EQ(buffer[0], 1000 % 253);
    EXPECT_EQ(buffer[3], 1003 % 253);
}

TEST_F(MemoryTest, BlockReadsGoInPiecesOf128)
{
    uint8_t buffer[300] = {};
    ASSERT_TRUE(device->readMemoryBlock(0x100, 300, buffer));
    EXPECT_EQ(pieces('g'), (std::vector<Piece>{{0x100, 128}, {0x180, 128}, {0x200, 44}}));
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(buffer[i], (0x100 + i) % 253) << i;
    sensors.clearCommands();
    EXPECT_TRUE(device->readMemoryBlock(0, 0, buffer));
    EXPECT_TRUE(sensors.commands().empty());
}

TEST_F(MemoryTest, WritesArePacedPiecesUpToEach64ByteBoundary)
{
    std::vector<uint8_t> data(100);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(0xA0 + i);
    EXPECT_EQ(device->writeMemory(40, 100, data.data()), 100);
    EXPECT_EQ(pieces('u'), (std::vector<Piece>{{40, 24}, {64, 64}, {128, 12}}));
    EXPECT_EQ(letters(), "iuiuiug") << "the written range is read back at the end";
    EXPECT_EQ(pieces('g'), (std::vector<Piece>{{40, 100}}));
    EXPECT_EQ(pauses, (std::vector<int>{500, 100, 500, 100, 500, 100, 100}));
    const QByteArray image = sensors.memory("a");
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(static_cast<uint8_t>(image[40 + i]), data[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(static_cast<uint8_t>(image[39]), 39) << "nothing before the write changed";
    EXPECT_EQ(static_cast<uint8_t>(image[140]), 140) << "nothing after it";

    for (const Piece& single : {Piece{48, 16}, Piece{0x3000, 64}}) {
        sensors.clearCommands();
        EXPECT_EQ(device->writeMemory(single.address, single.count, data.data()), single.count);
        EXPECT_EQ(pieces('u'), std::vector<Piece>{single});
    }
}

TEST_F(MemoryTest, CheckedWritesStayInsideTheMemory)
{
    std::vector<uint8_t> data(65, 0x11);
    EXPECT_EQ(device->writeMemoryChecked(0x3FC0, 64, data.data()), 64);
    sensors.clearCommands();
    EXPECT_EQ(device->writeMemoryChecked(0x3FC0, 65, data.data()), -1);
    EXPECT_EQ(device->writeMemoryChecked(0x4000, 1, data.data()), -1);
    EXPECT_FALSE(device->writeMemoryBlock(0x3FC0, 65, data.data()));
    EXPECT_TRUE(sensors.commands().empty());
}

TEST_F(MemoryTest, AWriteThatFailsMidwayReportsWhatWasWritten)
{
    // 'i', 'u' and 'i' go out; the second piece's 'u' fails.
    sensors.setSetting("a", "failwrite_after", "3");
    std::vector<uint8_t> data(100, 0x22);
    EXPECT_EQ(device->writeMemory(40, 100, data.data()), 24);
    EXPECT_FALSE(device->writeMemoryBlock(40, 100, data.data()));
}

TEST_F(MemoryTest, AWriteTheSensorDidNotStoreIsAFailure)
{
    sensors.setSetting("a", "writeprotect", "1");
    const QByteArray before = sensors.memory("a");
    std::vector<uint8_t> data(100, 0x22);
    EXPECT_EQ(device->writeMemory(40, 100, data.data()), 0);
    EXPECT_FALSE(device->writeMemoryBlock(40, 100, data.data()));
    // What the sensor already held counts, up to the first byte it did not take.
    for (int i = 0; i < 30; ++i)
        data[static_cast<size_t>(i)] = static_cast<uint8_t>((40 + i) % 253);
    EXPECT_EQ(device->writeMemory(40, 100, data.data()), 30);

    SensorFrequency triple;
    triple.setFromRange(9);
    device->setFrequencies(triple);
    EXPECT_FALSE(device->writeFrequencies());
    CalibrationTable& table = device->calibrationTable();
    table.setDefaults("40mhz");
    table.addPoint(0, 0, CalibrationPoint{});
    EXPECT_FALSE(device->writeCalibration());
    EXPECT_EQ(sensors.memory("a"), before);

    sensors.setSetting("a", "writeprotect", "0");
    EXPECT_TRUE(device->writeMemoryBlock(40, 100, data.data()));
    EXPECT_TRUE(device->writeFrequencies());
}

TEST_F(MemoryTest, FrequencyTripleAndCalibrationBlockLandAtTheirAddresses)
{
    SensorFrequency triple;
    triple.setFromRange(9);
    device->setFrequencies(triple);
    ASSERT_TRUE(device->writeFrequencies());
    const QByteArray image = sensors.memory("a");
    std::vector<uint8_t> bytes(12);
    triple.toBytes(bytes.data(), 12);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes.data()), 12), image.mid(0x2000, 12));

    EXPECT_FALSE(device->writeCalibration()) << "an empty table would not read back";
    CalibrationTable& table = device->calibrationTable();
    table.setDefaults("40mhz");
    CalibrationPoint point;
    point.key = 115;
    point.values[3] = 6.5;
    table.addPoint(0, 0, point);
    ASSERT_TRUE(device->writeCalibration());
    const QByteArray written = sensors.memory("a");
    CalibrationTable back;
    ASSERT_TRUE(back.read(reinterpret_cast<const uint8_t*>(written.constData()), size_t(written.size())));
    EXPECT_EQ(back.frequency(0), 40000000.0);
    EXPECT_EQ(back.findPoint(0, 0, 115).values[3], 6.5);
    EXPECT_FALSE(device->writeCalibrationSingle());
}

TEST_F(MemoryTest, ACalibrationBlockThatWouldReachTheTripleIsRefused)
{
    CalibrationTable& table = device->calibrationTable();
    table.setDefaults("13mhz");
    // 16 frequencies of 5 harmonics with 20 points each: far beyond 4 KB.
    for (int f = 0; f < 16; ++f) {
        const int index = f == 0 ? 0 : table.addFrequency(13560000.0);
        for (int k = 0; k < 5; ++k) {
            if (f != 0)
                table.addHarmonic(index, 0, 1);
            for (int p = 0; p < 20; ++p)
                table.addPoint(index, k, CalibrationPoint{});
        }
    }
    EXPECT_FALSE(device->writeCalibration());
    EXPECT_TRUE(pieces('u').empty());
}
