// Every command sender of the device class, byte for byte as the simulated
// sensor logged it, and the refusals that send nothing.

#include "quvix2_base.h"
#include "simulatedsensors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// The device class with the model-specific parts left empty.
class BareDevice : public quvix2_base
{
public:
    using quvix2_base::quvix2_base;
    int getModel() override { return 0; }
    int getSensorDataHR(double*, int*, double*, int*, int*, int*) override { return 1; }
    const char* getCapabilities() override { return ""; }
    int setScaleFactors(double, int, int, int, int, int) override { return kNotSupported; }
    void setTypeText(const std::string& text) { m_typeText = text; }
};

using Bytes = std::vector<uint8_t>;

struct SenderCase {
    const char* name;
    std::function<int(BareDevice&)> send;
    int result;
    std::vector<Bytes> sent;
};

class CommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sensors.addSensor("a", {{"serial", "QX1"}});
        device = std::make_unique<BareDevice>(usb_comm_device::open("QX1"));
        ASSERT_TRUE(device->isOpen());
        sensors.clearCommands();
    }

    std::vector<Bytes> sent() const
    {
        std::vector<Bytes> all;
        for (const auto& command : sensors.commands())
            all.push_back(command.bytes());
        return all;
    }

    SimulatedSensors sensors;
    std::unique_ptr<BareDevice> device;
};

} // namespace

TEST_F(CommandsTest, EverySenderSendsItsBytes)
{
    Bytes raw252(252, 0x5A);
    Bytes raw252Sent(255, 0x5A);
    raw252Sent[0] = '>';
    raw252Sent[1] = 255;
    raw252Sent[2] = 0;
    Bytes trigger{'s', 8, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x10, 0xE8, 0x03};
    Bytes triggerHoldoff{'s', 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0x14, 0x05};

    const std::vector<SenderCase> cases = {
        {"normal mode", [](BareDevice& d) { return d.setNormalMode(); }, 1, {{'N'}}},
        {"low signal mode", [](BareDevice& d) { return d.setLowSignalMode(); }, 1, {{'L'}}},
        {"accumulations low byte",
         [](BareDevice& d) { return d.setAccumulations(0x1234); },
         1,
         {{'A', 0x34}}},
        {"harmonic range capped",
         [](BareDevice& d) { return d.setHarmonicRange(2, 100); },
         1,
         {{'B', 2, 0, 63}}},
        {"harmonic range",
         [](BareDevice& d) { return d.setHarmonicRange(0x102, 0x105); },
         1,
         {{'B', 2, 1, 3}}},
        {"harmonic range reversed", [](BareDevice& d) { return d.setHarmonicRange(5, 3); }, 0, {}},
        {"report rate 0", [](BareDevice& d) { return int(d.setReportRate(0)); }, 1, {{'R', 0, 0}}},
        {"report rate 10", [](BareDevice& d) { return int(d.setReportRate(10)); }, 1, {{'R', 10, 0}}},
        {"report rate 5000",
         [](BareDevice& d) { return int(d.setReportRate(5000)); },
         1,
         {{'R', 0x88, 0x13}}},
        {"report rate 9", [](BareDevice& d) { return int(d.setReportRate(9)); }, 0, {}},
        {"report rate 5001", [](BareDevice& d) { return int(d.setReportRate(5001)); }, 0, {}},
        {"command x", [](BareDevice& d) { return d.sendCommandX(7); }, 1, {{'x', 7}}},
        {"command t", [](BareDevice& d) { return d.sendCommandT(99); }, 1, {{'t'}}},
        {"command P", [](BareDevice& d) { return d.sendCommandP(); }, 1, {{'P'}}},
        {"command <", [](BareDevice& d) { return d.sendCommandLess(); }, 1, {{'<'}}},
        {"raw 252",
         [raw252](BareDevice& d) { return int(d.sendRawCommand(raw252.data(), 252)); },
         1,
         {raw252Sent}},
        {"raw 253",
         [](BareDevice& d) {
             Bytes b(253);
             return int(d.sendRawCommand(b.data(), 253));
         },
         0,
         {}},
        {"word config firmware 4",
         [](BareDevice& d) {
             d.setTypeText("Renu V4.17");
             return d.setWordConfig(1, 2);
         },
         0,
         {}},
        {"word config firmware 5",
         [](BareDevice& d) {
             d.setTypeText("Renu V5.1");
             return d.setWordConfig(0x102, 0x304);
         },
         1,
         {{'c', 2, 1, 4, 3}}},
        {"trigger without holdoff",
         [](BareDevice& d) { return d.configureFPGA(true, 1000, 50.0, 7, 0); },
         1,
         {trigger}},
        {"trigger with holdoff",
         [](BareDevice& d) { return d.configureFPGA(false, 0x0514, 0.0, 0, 5); },
         1,
         {triggerHoldoff, {'p'}}},
        {"holdoff alone never sends p",
         [](BareDevice& d) { return d.setTriggerHoldoff(5); },
         1,
         {{'s', 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0x14, 0x05}}},
        {"close",
         [](BareDevice& d) {
             d.close();
             d.close();
             return int(d.isOpen());
         },
         0,
         {{'N'}, {'*'}}},
    };
    for (const SenderCase& c : cases) {
        SCOPED_TRACE(c.name);
        device.reset();
        SetUp();
        EXPECT_EQ(c.send(*device), c.result);
        EXPECT_EQ(sent(), c.sent);
    }
}

TEST_F(CommandsTest, AccessCodesAreEightDigits)
{
    device->enterCalibrationMode();
    device->enterServiceMode();
    const auto commands = sensors.commands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].letter, 'C');
    EXPECT_EQ(commands[1].letter, 'U');
    for (const auto& command : commands) {
        ASSERT_EQ(command.arguments.size(), 8u);
        for (const uint8_t digit : command.arguments)
            EXPECT_TRUE(digit >= '0' && digit <= '9');
    }
    EXPECT_NE(commands[0].arguments, commands[1].arguments);
}

TEST_F(CommandsTest, TriggerLevelIsScaledTowardZero)
{
    for (const auto& [percent, level] :
         std::vector<std::pair<double, int>>{{50.0, 4096}, {12.345, 1011}, {100.0, 8192}, {-12.345, -1011}}) {
        device->configureFPGA(false, 1300, percent, 0, 0);
        EXPECT_EQ(device->triggerLevel(), level) << percent;
    }
    EXPECT_EQ(device->getNumberOfAccumulations(), 1300);
    device->setTriggerValue(77);
    EXPECT_EQ(device->triggerLevel(), 77) << "the raw level is kept unscaled";
}

TEST_F(CommandsTest, SimpleSendersReportAFailedWrite)
{
    sensors.setSetting("a", "failwrite", "1");
    EXPECT_EQ(device->setNormalMode(), 0);
    EXPECT_EQ(device->setLowSignalMode(), 0);
    EXPECT_EQ(device->setAccumulations(3), 0);
    EXPECT_EQ(device->enterCalibrationMode(), 0);
    EXPECT_EQ(device->sendCommandT(0), 0);
    EXPECT_EQ(device->sendCommandP(), 0);
    EXPECT_FALSE(device->setReportRate(100));
    EXPECT_EQ(device->reportPeriod(), 100u) << "the period is kept only once sent";
    EXPECT_TRUE(device->isOpen()) << "a failed command never closes the device";
}

TEST_F(CommandsTest, AClosedDeviceSendsNothing)
{
    device->close();
    sensors.clearCommands();
    EXPECT_EQ(device->setNormalMode(), 0);
    EXPECT_EQ(device->sendTriggerConfig(), 0);
    EXPECT_FALSE(device->setReportRate(100));
    EXPECT_FALSE(device->requestInfo());
    EXPECT_TRUE(sensors.commands().empty());
}

TEST_F(CommandsTest, TakesTValuesOnlyFromAWholeFrame)
{
    const uint8_t shortFrame[14] = {'T', 11, 0};
    device->handlePacket(shortFrame, 14);
    EXPECT_EQ(device->getTValue1(), -300.0f);
    uint8_t frame[15] = {'T', 12, 0};
    const float values[3] = {1.5f, -2.0f, 30.25f};
    std::memcpy(frame + 3, values, sizeof values);
    device->handlePacket(frame, 15);
    EXPECT_EQ(device->getTValue1(), 1.5f);
    EXPECT_EQ(device->getTValue2(), -2.0f);
    EXPECT_EQ(device->getTValue3(), 30.25f);
}

TEST_F(CommandsTest, ProcessingConfigurationIsStoredOnly)
{
    EXPECT_EQ(device->setProcessingConfig(3, 1.5, 2.5, 3.5), 1);
    uint8_t mode = 0;
    double a = 0, c = 0;
    EXPECT_EQ(device->getProcessingConfig(&mode, &a, nullptr, &c), 1);
    EXPECT_EQ(mode, 3);
    EXPECT_EQ(a, 1.5);
    EXPECT_EQ(c, 3.5);
    EXPECT_TRUE(sensors.commands().empty());
}
