// The USB transport against simulated sensors: the bus walk, the per-serial
// lock, and the cutting of the IN byte stream into frames.

#include "foreignholder.h"
#include "simulatedsensors.h"
#include "usb_comm_device.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class TransportTest : public ::testing::Test
{
protected:
    void plug(const QString& stem, const std::string& serial, SimulatedSensors::Settings extra = {})
    {
        extra["serial"] = serial;
        sensors.addSensor(stem, extra);
    }

    std::vector<SensorListEntry> enumerate()
    {
        std::vector<SensorListEntry> list;
        enumerateSensors(list);
        return list;
    }

    // A memory image whose byte n is n modulo 251, so any misplaced byte shows.
    void fillPattern(const QString& stem)
    {
        QByteArray image(0x4000, 0);
        for (int i = 0; i < image.size(); ++i)
            image[i] = static_cast<char>(i % 251);
        sensors.setMemory(stem, image);
    }

    static bool requestMemory(usb_comm_device& device, int address, int count)
    {
        const uint8_t command[4] = {'g', static_cast<uint8_t>(address & 0xFF),
                                    static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(count)};
        return device.write(command, 4);
    }

    SimulatedSensors sensors;
    uint8_t frame[kMaxFrameSize] = {};
    int size = 0;
};

} // namespace

TEST_F(TransportTest, ListsSensorsInBusOrderWithTheirAvailability)
{
    plug("a", "QXA", {{"bus", "2"}});
    plug("b", "QXB", {{"bus", "1"}});
    plug("c", "QXC", {{"bus", "1"}, {"vendor", "0x1234"}});
    plug("d", "QXD", {{"bus", "1"}, {"openfail", "1"}});

    ForeignHolder holder(sensorLockName("QXA"));
    ASSERT_EQ(NamedMutex::probe(sensorLockName("QXA")), NamedMutex::Presence::Held);

    const std::vector<SensorListEntry> list = enumerate();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STREQ(list[0].serial, "QXB");
    EXPECT_TRUE(list[0].available);
    // A device that cannot be opened is listed without a serial, unavailable.
    EXPECT_STREQ(list[1].serial, "");
    EXPECT_FALSE(list[1].available);
    EXPECT_STREQ(list[2].serial, "QXA");
    EXPECT_FALSE(list[2].available) << "held by another process";
    EXPECT_EQ(usb_comm_device::open("QXA"), nullptr);
}

TEST_F(TransportTest, OpensOnlyTheExactSerialAndHoldsItForThisProcess)
{
    plug("a", "QX1");
    plug("b", "QX10");

    EXPECT_EQ(usb_comm_device::open("QX"), nullptr);
    std::unique_ptr<usb_comm_device> device = usb_comm_device::open("QX10");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->inEndpoint(), 0x81);
    EXPECT_EQ(device->outEndpoint(), 0x01);

    // The setup's resynchronisation went to QX10 alone.
    const auto commands = sensors.commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].serial, "QX10");
    EXPECT_EQ(commands[0].letter, '*');

    const std::vector<SensorListEntry> list = enumerate();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].available);
    EXPECT_FALSE(list[1].available) << "open in this very process";
    EXPECT_EQ(usb_comm_device::open("QX10"), nullptr) << "a second open in the same process";

    device->close();
    EXPECT_TRUE(enumerate()[1].available) << "closing releases the lock";
}

TEST_F(TransportTest, ListsATwentyCharacterSerialCutAndCannotOpenIt)
{
    plug("a", "ABCDEFGHIJ0123456789");
    const std::vector<SensorListEntry> list = enumerate();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].serial, "ABCDEFGHIJ012345678");
    EXPECT_EQ(usb_comm_device::open(list[0].serial), nullptr);
}

TEST_F(TransportTest, RefusesSerialsThatCannotNameALock)
{
    for (const std::string& serial :
         {std::string("../../etc/passwd"), std::string("a/b"), std::string(23, 'Q'), std::string(""),
          std::string("QX 1"), std::string("QX\\1")}) {
        plug("a", serial);
        EXPECT_TRUE(sensorLockName(serial).empty()) << serial;
        EXPECT_EQ(usb_comm_device::open(serial.c_str()), nullptr) << serial;
        if (serial.size() < 20) {
            EXPECT_FALSE(enumerate().front().available) << serial;
        }
    }
    EXPECT_EQ(sensorLockName(std::string(22, 'Q')), "quorvane_" + std::string(22, 'Q'));
    EXPECT_EQ(usb_comm_device::open(nullptr), nullptr);
}

TEST_F(TransportTest, RefusesAnInterfaceWithoutOneEndpointEachWay)
{
    plug("a", "QX1", {{"endpoints", "0x81,0x82"}});
    testing::internal::CaptureStdout();
    EXPECT_EQ(usb_comm_device::open("QX1"), nullptr);
    const std::string trace = testing::internal::GetCapturedStdout();
    EXPECT_NE(trace.find("Invalid interface endpoints.\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Setup fail\n"), std::string::npos);
    EXPECT_TRUE(enumerate().front().available) << "a failed open releases the lock";
}

TEST_F(TransportTest, DeliversTwoFramesOfOneTransferWithoutAnotherRead)
{
    plug("a", "QX1");
    fillPattern("a");
    auto device = usb_comm_device::open("QX1");
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(requestMemory(*device, 0, 10));
    ASSERT_TRUE(requestMemory(*device, 100, 20));

    ASSERT_TRUE(device->read_packet(frame, &size));
    EXPECT_EQ(size, 13);
    EXPECT_EQ(frame[0], 'g');
    // With the cable gone, only bytes already received can still arrive.
    sensors.setPresent("a", false);
    ASSERT_TRUE(device->read_packet(frame, &size));
    EXPECT_EQ(size, 23);
    EXPECT_EQ(frame[3], 100);
    EXPECT_FALSE(device->read_packet(frame, &size));
}

TEST_F(TransportTest, JoinsFramesSplitAcrossTransfersAndAcrossTheRingEnd)
{
    plug("a", "QX1", {{"split", "97"}});
    fillPattern("a");
    auto device = usb_comm_device::open("QX1");
    ASSERT_NE(device, nullptr);
    // 80 frames of 258 bytes run through the 16 KB ring more than once.
    for (int n = 0; n < 80; ++n) {
        const int address = (n * 131) % (0x4000 - 255);
        ASSERT_TRUE(requestMemory(*device, address, 255));
        ASSERT_TRUE(device->read_packet(frame, &size)) << n;
        ASSERT_EQ(size, 258);
        ASSERT_EQ(frame[0], 'g');
        for (int i = 0; i < 255; ++i)
            ASSERT_EQ(frame[3 + i], (address + i) % 251) << "frame " << n << " byte " << i;
    }
}

TEST_F(TransportTest, AnInvalidLengthFailsEveryReadUntilSetUpAnew)
{
    for (const char* length : {"0", "1001"}) {
        plug("a", "QX1");
        auto device = usb_comm_device::open("QX1");
        ASSERT_NE(device, nullptr);
        sensors.setSetting("a", "badlength", length);
        ASSERT_TRUE(requestMemory(*device, 0, 8));
        EXPECT_FALSE(device->read_packet(frame, &size)) << length;
        sensors.setSetting("a", "badlength", "-1");
        ASSERT_TRUE(requestMemory(*device, 0, 8));
        EXPECT_FALSE(device->read_packet(frame, &size)) << "the bad frame still blocks the ring";
        device->close();
        device = usb_comm_device::open("QX1");
        ASSERT_NE(device, nullptr);
        ASSERT_TRUE(requestMemory(*device, 0, 8));
        EXPECT_TRUE(device->read_packet(frame, &size)) << "a new setup drains the stale bytes";
    }
}

TEST_F(TransportTest, InfoRequestSkipsOtherFramesAndLimitsTheFrameLength)
{
    plug("a", "QX1", {{"stray", "1"}, {"info_length", "127"}});
    auto device = usb_comm_device::open("QX1");
    ASSERT_NE(device, nullptr);
    uint8_t info[kMaxInfoFrameSize] = {};
    int length = 0;
    ASSERT_TRUE(requestSensorInfo(*device, info, &length));
    EXPECT_EQ(length, 130);
    EXPECT_EQ(info[0], 'i');

    sensors.setSetting("a", "info_length", "128");
    length = 0;
    EXPECT_FALSE(requestSensorInfo(*device, info, &length));
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(requestSensorInfo(static_cast<usb_comm_device*>(nullptr), info, &length));
}

TEST_F(TransportTest, AWriteSucceedsOnlyWhenEveryByteWentOut)
{
    plug("a", "QX1");
    auto device = usb_comm_device::open("QX1");
    ASSERT_NE(device, nullptr);
    const uint8_t command[2] = {'A', 5};
    EXPECT_TRUE(device->write(command, 2));
    sensors.setSetting("a", "shortwrite", "1");
    EXPECT_FALSE(device->write(command, 2));
    sensors.setSetting("a", "shortwrite", "0");
    sensors.setSetting("a", "failwrite", "1");
    EXPECT_FALSE(device->write(command, 2));
    device->close();
    EXPECT_FALSE(device->write(command, 2));
    EXPECT_FALSE(device->read_packet(frame, &size));
}
