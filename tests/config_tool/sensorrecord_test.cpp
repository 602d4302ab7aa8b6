// The configuration tool's record of a sensor's memory: its reads, the
// encoding of every field, and the two writes that send it back.

#include "opensensor.h"
#include "platform/pause.h"
#include "sensor.h"
#include "simulatedsensors.h"

#include <gtest/gtest.h>

namespace {

class SensorRecordTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousHook = Pause::setHook([](int) {});
        sensors.addSensor("a", {{"serial", "QX1"}, {"type", "Renu V5.16"}});
    }
    void TearDown() override
    {
        device.reset();
        Pause::setHook(previousHook);
    }

    std::unique_ptr<Sensor> openRecord(const QByteArray& image)
    {
        sensors.setMemory("a", image);
        device = openSensor("QX1");
        EXPECT_NE(device, nullptr);
        sensors.clearCommands();
        return std::make_unique<Sensor>(device.get());
    }

    static QByteArray demoImage()
    {
        QByteArray image = SimulatedSensors::erasedMemory();
        image.replace(0, 68, QByteArray(68, 0));
        image.replace(0, 8, "ABCDEFGH");
        image.replace(8, 4, "2412");
        image[46] = char(0x5A);
        image[47] = char(0xA5);
        return image;
    }

    SimulatedSensors sensors;
    std::unique_ptr<quvix2_base> device;
    Pause::Hook previousHook;
};

} // namespace

TEST_F(SensorRecordTest, ErasedMemoryReadsAsEmptyTextsAndDhcp)
{
    std::unique_ptr<Sensor> record = openRecord(SimulatedSensors::erasedMemory());
    ASSERT_TRUE(record->isValid());
    EXPECT_EQ(record->productId(), "");
    EXPECT_EQ(record->variant(), "");
    EXPECT_EQ(record->sensorType(), 0xFF);
    EXPECT_FALSE(record->usesLvds());
    EXPECT_FALSE(record->adcOutputsDisabled());
    EXPECT_EQ(record->adcGainA(), 7.5);
    EXPECT_EQ(record->temperatureCoefficientX(), -1);
    EXPECT_EQ(record->defaultFrequencyIndex(), 255);
    EXPECT_FALSE(record->httpWatchdog());
    EXPECT_TRUE(record->debugInfo());
    EXPECT_TRUE(record->pulseMonitor());
    EXPECT_EQ(record->ipAddress(), 0xFFFFFFFFu);
    EXPECT_EQ(record->dnsServer(), 0xFFFFFFFFu);
    EXPECT_EQ(record->frequencies().base, 0xFFFFFFFFu);

    std::string reads;
    for (const auto& command : sensors.commands())
        reads += std::to_string(command.arguments[0] | (command.arguments[1] << 8)) + ":" +
                 std::to_string(command.arguments[2]) + " ";
    EXPECT_EQ(reads, "0:32 32:14 48:20 8192:12 ");
}

TEST_F(SensorRecordTest, TextsAreCutToTheirFieldsAndNotJoined)
{
    std::unique_ptr<Sensor> record = openRecord(demoImage());
    EXPECT_EQ(record->productId(), "ABCDEFGH") << "a full field has no terminator";
    EXPECT_EQ(record->date(), "2412");
    record->setProductId("123456789");
    EXPECT_EQ(record->productId(), "12345678");
    record->setProductId("XYZ");
    EXPECT_EQ(record->productId(), "XYZ");
    EXPECT_EQ(record->date(), "2412");
}

TEST_F(SensorRecordTest, FieldEncodings)
{
    std::unique_ptr<Sensor> record = openRecord(demoImage());
    struct GainCase {
        double in;
        double out;
    };
    for (const GainCase& c : {GainCase{2.5, 2.5}, GainCase{7.5, 7.5}, GainCase{8.0, 7.5}, GainCase{0.25, 0.0},
                              GainCase{-3.0, 0.0}, GainCase{3.9, 3.5}}) {
        record->setAdcGains(c.in, 1.0);
        EXPECT_EQ(record->adcGainA(), c.out) << c.in;
        EXPECT_EQ(record->adcGainB(), 1.0);
    }
    record->setUsesLvds(true);
    record->setAdcOutputsDisabled(true);
    record->setUsesLvds(false);
    EXPECT_FALSE(record->usesLvds());
    EXPECT_TRUE(record->adcOutputsDisabled());
    record->setTemperatureCoefficients(-5000, 4321);
    EXPECT_EQ(record->temperatureCoefficientX(), -5000);
    EXPECT_EQ(record->temperatureCoefficientY(), 4321);
    record->setNetwork(false, 1, 0xC0A8010A, 0xFFFFFF00, 0xC0A80101, 0x08080808);
    EXPECT_TRUE(record->httpWatchdog());
    EXPECT_EQ(record->ipAddress(), 0xC0A8010Au);
    record->setNetwork(true, 1, 1, 2, 3, 4);
    EXPECT_EQ(record->ipAddress(), 0u);
    EXPECT_EQ(record->gateway(), 0u);
    EXPECT_TRUE(record->httpWatchdog());
    record->setNetwork(true, 7, 1, 2, 3, 4);
    EXPECT_FALSE(record->httpWatchdog()) << "only 1 means on";
}

TEST_F(SensorRecordTest, WriteIdentityChangesOnlyTheBytesItWrites)
{
    std::unique_ptr<Sensor> record = openRecord(demoImage());
    const QByteArray before = sensors.memory("a");
    record->setProductId("RE201");
    record->setAdcGains(2.5, 7.5);
    record->setNetwork(false, 1, 0xC0A8010A, 0xFFFFFF00, 0xC0A80101, 0x08080808);
    record->setFrequencies(1, 2, 3);
    ASSERT_TRUE(record->writeIdentity());

    const auto commands = sensors.commands();
    std::vector<std::pair<int, int>> writes;
    for (const auto& command : commands)
        if (command.letter == 'u')
            writes.push_back({command.arguments[0] | (command.arguments[1] << 8), command.arguments[2]});
    EXPECT_EQ(writes, (std::vector<std::pair<int, int>>{{0, 46}, {48, 16}}));

    const QByteArray after = sensors.memory("a");
    ASSERT_EQ(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        const bool written = i < 46 || (i >= 48 && i < 64);
        if (!written) {
            ASSERT_EQ(after[i], before[i]) << "byte " << i << " must not change";
        }
    }
    EXPECT_EQ(after.mid(0, 8), QByteArray("RE201\0\0\0", 8));
    EXPECT_EQ(static_cast<uint8_t>(after[32]), 0x50);
    EXPECT_EQ(static_cast<uint8_t>(after[33]), 0xF0);
    EXPECT_EQ(after.mid(48, 4), QByteArray("\x0A\x01\xA8\xC0", 4)) << "192.168.1.10, little-endian";
}

TEST_F(SensorRecordTest, EraseBootMenuFillsItWithOnes)
{
    QByteArray image = demoImage();
    image.replace(0x2FF0, 0x60, QByteArray(0x60, 0));
    std::unique_ptr<Sensor> record = openRecord(image);
    ASSERT_TRUE(record->eraseBootMenu());
    const QByteArray after = sensors.memory("a");
    EXPECT_EQ(after.mid(0x3000, 64), QByteArray(64, char(0xFF)));
    EXPECT_EQ(after[0x3000 - 1], char(0));
    EXPECT_EQ(after[0x3040], char(0));
}

TEST_F(SensorRecordTest, WritesTheSensorIgnoresAreReportedAsFailed)
{
    QByteArray image = demoImage();
    image.replace(0x3000, 64, QByteArray(64, 0));
    std::unique_ptr<Sensor> record = openRecord(image);
    sensors.setSetting("a", "writeprotect", "1");
    const QByteArray before = sensors.memory("a");
    record->setProductId("RE201");
    record->setNetwork(false, 1, 0xC0A8010A, 0xFFFFFF00, 0xC0A80101, 0x08080808);
    EXPECT_FALSE(record->writeIdentity());
    EXPECT_FALSE(record->eraseBootMenu());
    EXPECT_EQ(sensors.memory("a"), before);
}

TEST_F(SensorRecordTest, EachBlockWriteIsReportedAndTheRecordReadsBackWhatWasStored)
{
    struct Case {
        const char* protectFrom;
        const char* protectTo;
        bool identityStored;
        bool networkStored;
    };
    const Case cases[] = {
        {"16384", "16384", true, true},
        {"48", "64", true, false},
        {"0", "46", false, true},
        {"0", "16384", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "protected " << c.protectFrom << " to " << c.protectTo);
        device.reset();
        std::unique_ptr<Sensor> record = openRecord(demoImage());
        sensors.setSetting("a", "writeprotect_from", c.protectFrom);
        sensors.setSetting("a", "writeprotect_to", c.protectTo);
        record->setProductId("RE201");
        record->setNetwork(false, 1, 0xC0A8010A, 0xFFFFFF00, 0xC0A80101, 0x08080808);
        record->setFrequencies(1, 2, 3);
        const Sensor::BlockWrites writes = record->writeBlocks();
        EXPECT_EQ(writes.identityStored, c.identityStored);
        EXPECT_EQ(writes.networkStored, c.networkStored);
        EXPECT_EQ(writes.complete(), c.identityStored && c.networkStored);

        ASSERT_TRUE(record->readBack());
        EXPECT_EQ(record->productId(), c.identityStored ? "RE201" : "ABCDEFGH");
        EXPECT_EQ(record->httpWatchdog(), c.identityStored);
        EXPECT_EQ(record->ipAddress(), c.networkStored ? 0xC0A8010Au : 0u);
        EXPECT_EQ(record->frequencies().base, 0xFFFFFFFFu) << "the triple as the sensor holds it";
        EXPECT_TRUE(device->isOpen());
        sensors.setSetting("a", "writeprotect_from", "16384");
    }
    // A sensor that stopped answering leaves the record as it was.
    device.reset();
    std::unique_ptr<Sensor> record = openRecord(demoImage());
    record->setProductId("XYZ");
    sensors.setSetting("a", "drop", "1");
    EXPECT_FALSE(record->readBack());
    EXPECT_EQ(record->productId(), "XYZ");
}

TEST_F(SensorRecordTest, AFailedReadMakesTheRecordInvalidAndClosesTheDevice)
{
    sensors.setMemory("a", demoImage());
    device = openSensor("QX1");
    ASSERT_NE(device, nullptr);
    sensors.setSetting("a", "drop", "1");
    Sensor record(device.get());
    EXPECT_FALSE(record.isValid());
    EXPECT_FALSE(device->isOpen());
    const auto commands = sensors.commands();
    EXPECT_EQ(commands[commands.size() - 2].letter, 'N');
    EXPECT_EQ(commands.back().letter, '*');
}

TEST_F(SensorRecordTest, RefreshClosesASensorThatStoppedAnswering)
{
    std::unique_ptr<Sensor> record = openRecord(demoImage());
    EXPECT_TRUE(record->refresh());
    sensors.setPresent("a", false);
    EXPECT_FALSE(record->refresh());
    EXPECT_FALSE(device->isOpen());
    EXPECT_FALSE(record->writeIdentity());
}
