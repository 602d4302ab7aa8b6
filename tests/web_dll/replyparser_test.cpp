// Reply parsing, firmware rules and request bodies, from fixture replies.

#include "web_dll/firmwareinfo.h"
#include "web_dll/replyparser.h"
#include "web_dll/requestbodies.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

namespace {

using Result = ReplyParser::SampleResult;

const std::string goodInfo =
    R"({"serial_number":"QX1","sensor_type":"VI","frequencies":[13560000,27120000],)"
    R"("harmonics":[5,3],"firmware":"Renu VI","firmware_rev":"v5.23","fpga_rev":"3.1",)"
    R"("delay_clock":"40000000"})";

bool parseIdentity(const std::string& reply, SensorState& state)
{
    return ReplyParser::parseIdentity(reply.data(), reply.size(), state);
}

Result parseSample(const std::string& reply, SensorState& state, MeasurementRecord& record)
{
    return ReplyParser::parseSample(reply.data(), reply.size(), state, record);
}

Result parseOld(const std::string& reply, SensorState& state, MeasurementRecord& record)
{
    return ReplyParser::parseOldSample(reply.data(), reply.size(), state, record);
}

std::string numbers(int count)
{
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += (i > 1 ? "," : "") + std::to_string(i);
    return out;
}

std::string sampleWith(const std::string& channels, long long timestamp = 7)
{
    return R"({"timestamp":)" + std::to_string(timestamp) +
           R"(,"peak":4096,"delay":3,"pulse_on_time_us":12.5,"pulse_period_us":100,"channel":[)" + channels +
           "]}";
}

const std::string oneChannel = R"({"frequency":13560000,"power":10,"voltage":[1,2,3],"current":[4,5,6],)"
                               R"("phase_V":[0,30,60],"phase":[10,20,30]})";

TEST(IdentityReply, StoresEveryFieldAndDerivesTheRest)
{
    SensorState state;
    ASSERT_TRUE(parseIdentity(goodInfo, state));
    const SensorIdentity& id = state.reported;
    EXPECT_STREQ(id.serialNumber, "QX1");
    EXPECT_STREQ(id.sensorType, "VI");
    EXPECT_STREQ(id.firmware, "Renu VI");
    EXPECT_STREQ(id.firmwareRevision, "v5.23");
    EXPECT_STREQ(id.fpgaRevision, "3.1");
    EXPECT_EQ(id.frequencyCount, 2);
    EXPECT_DOUBLE_EQ(id.frequencies[1], 27120000.0);
    EXPECT_EQ(id.harmonics[0], 5);
    EXPECT_EQ(id.harmonics[1], 3);
    EXPECT_EQ(id.delayClock, 40000000);
    EXPECT_STREQ(state.requested.serialNumber, "QX1");
    EXPECT_EQ(state.requested.frequencyCount, 2);
    EXPECT_EQ(state.model, FirmwareInfo::Renu);
    EXPECT_STREQ(state.capabilities, "Pulse=Y\nMultipleFrequency=Y\nExt=Y\nVi=N\n");
    EXPECT_EQ(state.endpoint, DataEndpoint::Data3Short);
}

struct IdentityCase {
    const char* name;
    std::string reply;
    bool parses;
};

class IdentityReplyCases : public ::testing::TestWithParam<IdentityCase>
{
};

TEST_P(IdentityReplyCases, ParsesOrFails)
{
    SensorState state;
    EXPECT_EQ(parseIdentity(GetParam().reply, state), GetParam().parses);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentityReplyCases,
    ::testing::Values(
        IdentityCase{"BareDelayClock", R"({"serial_number":"A","delay_clock":40000000})", false},
        IdentityCase{"BareSerial", R"({"serial_number":5})", false},
        IdentityCase{"FrequenciesNotArray", R"({"frequencies":13560000})", false},
        IdentityCase{"HarmonicsNotArray", R"({"harmonics":5,"serial_number":"A"})", true},
        IdentityCase{"Truncated", R"({"serial_number":"A")", false},
        IdentityCase{"UnknownKeysPassedOver", R"({"x":{"y":[1,2]},"serial_number":"A"})", true}),
    [](const auto& info) { return info.param.name; });

TEST(IdentityReply, CapsFrequenciesAtSixAndTextsAt63Characters)
{
    SensorState state;
    const std::string longText(100, 'S');
    ASSERT_TRUE(parseIdentity(R"({"frequencies":[1,2,3,4,5,6,7,8],"harmonics":[1,2,3,4,5,6,7,-2],)"
                              R"("serial_number":")" +
                                  longText + R"("})",
                              state));
    EXPECT_EQ(state.reported.frequencyCount, 6);
    EXPECT_DOUBLE_EQ(state.reported.frequencies[5], 6.0);
    EXPECT_EQ(state.reported.harmonics[5], 6);
    EXPECT_EQ(std::strlen(state.reported.serialNumber), 63u);
}

TEST(IdentityReply, HarmonicsThatAreNoArrayStayZero)
{
    SensorState state;
    ASSERT_TRUE(parseIdentity(R"({"harmonics":5,"frequencies":[1]})", state));
    EXPECT_EQ(state.reported.harmonics[0], 0);
    EXPECT_EQ(state.reported.frequencyCount, 1);
}

TEST(IdentityReply, EndpointChoiceStaysOnceMade)
{
    SensorState state;
    ASSERT_TRUE(parseIdentity(R"({"firmware_rev":"v4.30"})", state));
    ASSERT_TRUE(parseIdentity(R"({"firmware_rev":"v6.0"})", state));
    EXPECT_EQ(state.endpoint, DataEndpoint::Data);
}

TEST(FirmwareInfo, VersionsAndEndpoints)
{
    const struct {
        const char* revision;
        int major;
        int minor;
        DataEndpoint endpoint;
    } cases[] = {
        {"v5.23", 5, 23, DataEndpoint::Data3Short}, {"v5.22", 5, 22, DataEndpoint::Data3},
        {"v5.6", 5, 6, DataEndpoint::Data},         {"v6.0", 6, 0, DataEndpoint::Data3Short},
        {"v4.30", 4, 30, DataEndpoint::Data},       {"FW v4.10b", 4, 10, DataEndpoint::Data},
        {"v5.7.1", 5, 7, DataEndpoint::Data3},      {"5.9", 5, 9, DataEndpoint::Data3},
        {"v7", 7, 0, DataEndpoint::Data3Short},     {"", 0, 0, DataEndpoint::Data},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.revision);
        EXPECT_EQ(FirmwareInfo::major(c.revision), c.major);
        EXPECT_EQ(FirmwareInfo::minor(c.revision), c.minor);
        EXPECT_EQ(FirmwareInfo::dataEndpoint(c.major, c.minor), c.endpoint);
    }
}

TEST(FirmwareInfo, ModelWordsAndCapabilities)
{
    EXPECT_EQ(FirmwareInfo::model("Tavi 2"), FirmwareInfo::Tavi);
    EXPECT_EQ(FirmwareInfo::model("Kadro Renu"), FirmwareInfo::Renu);
    EXPECT_EQ(FirmwareInfo::model("Kadro"), FirmwareInfo::Kadro);
    EXPECT_EQ(FirmwareInfo::model("other"), FirmwareInfo::Unknown);
    EXPECT_STREQ(FirmwareInfo::capabilityText(FirmwareInfo::Tavi), "Pulse=Y\nMultipleFrequency=N\nVi=N\n");
    EXPECT_STREQ(FirmwareInfo::capabilityText(FirmwareInfo::Unknown), "");
    EXPECT_STREQ(FirmwareInfo::variantWord(FirmwareInfo::Unknown), "Renu");
    EXPECT_STREQ(FirmwareInfo::variantWord(FirmwareInfo::Kadro), "Kadro");
}

TEST(SettingsReply, StoresIntoBothBlocks)
{
    SensorState state;
    std::strcpy(state.reported.signalLock, "V");
    const std::string reply =
        R"({"refresh_rate":"250","selected_harmonics":[3,-1,2,2,2,2,9],"signal_lock":""})";
    ASSERT_TRUE(ReplyParser::parseSettings(reply.data(), reply.size(), state));
    EXPECT_EQ(state.reported.refreshRate, 250);
    EXPECT_EQ(state.requested.refreshRate, 250);
    EXPECT_EQ(state.reported.selectedHarmonics[0], 3);
    EXPECT_EQ(state.requested.selectedHarmonics[1], 0);
    EXPECT_EQ(state.reported.selectedHarmonics[5], 2);
    EXPECT_STREQ(state.reported.signalLock, "V") << "an empty lock keeps the previous one";

    const std::string locked = R"({"signal_lock":"I"})";
    ASSERT_TRUE(ReplyParser::parseSettings(locked.data(), locked.size(), state));
    EXPECT_STREQ(state.requested.signalLock, "I");
}

TEST(TriggerReply, StoresRawSettingsAndClearsPulse)
{
    SensorState state;
    state.trigger.pulse = true;
    const std::string reply = R"({"Accumulations":"4","Trigger_Delay":"10","Trigger_Holdoff":"2",)"
                              R"("Trigger_Level":"4096","External_trigger":"1"})";
    ASSERT_TRUE(ReplyParser::parseTrigger(reply.data(), reply.size(), state));
    EXPECT_EQ(state.trigger.Accumulations, 4);
    EXPECT_EQ(state.trigger.Trigger_Delay, 10);
    EXPECT_EQ(state.trigger.Trigger_Holdoff, 2);
    EXPECT_EQ(state.trigger.Trigger_Level, 4096);
    EXPECT_EQ(state.trigger.External_trigger, 1);
    EXPECT_FALSE(state.trigger.pulse);
}

class SampleReply : public ::testing::Test
{
protected:
    void SetUp() override { state.sampleLayout[0] = 3; }
    SensorState state;
    MeasurementRecord record;
};

TEST_F(SampleReply, ReadsTheRecord)
{
    ASSERT_EQ(parseSample(sampleWith(oneChannel), state, record), Result::Queued);
    EXPECT_EQ(record.timestamp, 7);
    EXPECT_EQ(state.lastQueuedTimestamp, 7);
    EXPECT_EQ(record.peak, 4096);
    EXPECT_EQ(record.delay, 3);
    EXPECT_FLOAT_EQ(record.pulseOnTimeUs, 12.5f);
    EXPECT_FLOAT_EQ(record.pulsePeriodUs, 100.0f);
    ASSERT_EQ(record.channelCount, 1);
    const ChannelRecord& c = record.channels[0];
    EXPECT_DOUBLE_EQ(c.frequency, 13560000.0);
    EXPECT_DOUBLE_EQ(c.power, 10.0);
    EXPECT_EQ(c.harmonicCount, 3);
    EXPECT_DOUBLE_EQ(c.voltage[2], 3.0);
    EXPECT_DOUBLE_EQ(c.current[0], 4.0);
    EXPECT_DOUBLE_EQ(c.phaseV[1], 30.0);
    EXPECT_DOUBLE_EQ(c.phase[2], 30.0);
}

// The program that loads the library may run under a decimal-comma locale
// (the windows set it from the user's); the sensor's numbers stay C numbers.
TEST_F(SampleReply, ReadsPointNumbersUnderADecimalCommaLocale)
{
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not generated here (scripts/install-deps.sh makes it)";
    const std::string channel =
        R"({"frequency":13560000,"power":10.25,"voltage":[1.5,2,3],"current":[4,5,6],)"
        R"("phase_V":[0,30,60],"phase":[10,20,30]})";
    const Result result = parseSample(sampleWith(channel), state, record);
    std::setlocale(LC_NUMERIC, previous.c_str());
    ASSERT_EQ(result, Result::Queued);
    EXPECT_FLOAT_EQ(record.pulseOnTimeUs, 12.5f);
    EXPECT_DOUBLE_EQ(record.channels[0].power, 10.25);
    EXPECT_DOUBLE_EQ(record.channels[0].voltage[0], 1.5);
}

TEST_F(SampleReply, SameTimestampQueuesOnce)
{
    ASSERT_EQ(parseSample(sampleWith(oneChannel, 9), state, record), Result::Queued);
    EXPECT_EQ(parseSample(sampleWith(oneChannel, 9), state, record), Result::Duplicate);
    EXPECT_EQ(parseSample(sampleWith(oneChannel, 10), state, record), Result::Queued);
}

TEST_F(SampleReply, CapsHarmonicCountAndArraysAtSixteen)
{
    const std::string twenty = "[" + numbers(20) + "]";
    const std::string wide = R"({"frequency":"13.56","power":1,"voltage":)" + twenty + R"(,"current":)" +
                             twenty + R"(,"phase_V":)" + twenty + R"(,"phase":)" + twenty + "}";
    state.sampleLayout[1] = 40; // more than a channel holds
    ASSERT_EQ(parseSample(sampleWith(oneChannel + "," + wide), state, record), Result::Queued);
    const ChannelRecord& c = record.channels[1];
    EXPECT_EQ(c.harmonicCount, 16);
    EXPECT_DOUBLE_EQ(c.voltage[15], 16.0);
    EXPECT_DOUBLE_EQ(c.frequency, 13.0) << "the sample frequency is an integer";
}

struct SampleCase {
    const char* name;
    std::string reply;
    Result result;
    int channels;
};

class SampleReplyCases : public ::testing::TestWithParam<SampleCase>
{
};

TEST_P(SampleReplyCases, Result)
{
    SensorState state;
    MeasurementRecord record;
    ASSERT_EQ(parseSample(GetParam().reply, state, record), GetParam().result);
    if (GetParam().result == Result::Queued) {
        EXPECT_EQ(record.channelCount, GetParam().channels);
    }
}

std::string channels(int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += (i ? "," : "") + oneChannel;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SampleReplyCases,
    ::testing::Values(SampleCase{"FiveChannels", sampleWith(channels(5)), Result::Queued, 5},
                      SampleCase{"SixChannels", sampleWith(channels(6)), Result::Failed, 0},
                      SampleCase{"NoChannel", sampleWith(""), Result::Failed, 0},
                      SampleCase{"EmptyChannelIsZeros", sampleWith("{}"), Result::Queued, 1},
                      SampleCase{"QuotedArrayValue", sampleWith(R"({"voltage":["1"]})"), Result::Failed, 0},
                      SampleCase{"ArrayNotArray", sampleWith(R"({"voltage":1})"), Result::Failed, 0},
                      SampleCase{"ChannelNotObject", sampleWith("[1]"), Result::Failed, 0},
                      SampleCase{"UnnamedChannelItem", sampleWith(R"({1:2})"), Result::Failed, 0},
                      SampleCase{"UnnamedItem",
                                 R"({"timestamp":1,"peak":2,"delay":3,4:5,"channel":[{"frequency":1}]})",
                                 Result::Failed, 0},
                      SampleCase{"TooFewTokens", R"({"timestamp":1})", Result::Failed, 0},
                      SampleCase{"NotAnObject", "[1,2,3,4,5,6,7,8,9,10,11,12,13]", Result::Failed, 0},
                      SampleCase{"Truncated", sampleWith(oneChannel).substr(0, 80), Result::Failed, 0},
                      SampleCase{"TooManyTokens",
                                 "{\"timestamp\":1,\"x\":[" + numbers(1100) + "],\"channel\":[{}]}",
                                 Result::Failed, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(SampleReply, TimestampZeroIsANewSample)
{
    ASSERT_EQ(parseSample(sampleWith(oneChannel, 0), state, record), Result::Queued);
    EXPECT_EQ(parseSample(sampleWith(oneChannel, 0), state, record), Result::Duplicate);
    SensorState fresh;
    const std::string old = R"([{"timestamp":0,"frequency":13.56,"voltage":[1]}])";
    EXPECT_EQ(parseOld(old, fresh, record), Result::Queued);
    EXPECT_EQ(parseOld(old, fresh, record), Result::Duplicate);
}

TEST_F(SampleReply, TheCallersLayoutCutsLongerArrays)
{
    state.sampleLayout[0] = 1;
    state.sampleLayout[1] = 0;
    ASSERT_EQ(parseSample(sampleWith(oneChannel + "," + oneChannel), state, record), Result::Queued);
    EXPECT_EQ(record.channels[0].harmonicCount, 1);
    EXPECT_EQ(record.channels[1].harmonicCount, 0);
    state.sampleLayout[1] = 1;
    EXPECT_EQ(parseSample(sampleWith(oneChannel, 8), state, record), Result::Failed)
        << "the second frequency's readings are missing";
}

// Replies that lack a reading the sample would deliver, for a layout of two
// harmonics on the first frequency: each is refused rather than read as 0.
struct MissingCase {
    const char* name;
    std::string reply;
};

class MissingReadings : public ::testing::TestWithParam<MissingCase>
{
};

TEST_P(MissingReadings, AreRefused)
{
    SensorState state;
    state.sampleLayout[0] = 2;
    MeasurementRecord record;
    EXPECT_EQ(parseSample(GetParam().reply, state, record), Result::Failed);
    EXPECT_FALSE(state.hasQueuedTimestamp);
}

std::string channelWith(const std::string& voltage,
                        const std::string& rest = R"("current":[4,5],)"
                                                  R"("phase_V":[0,30],"phase":[10,20])")
{
    return R"({"frequency":13560000,"power":10,"voltage":)" + voltage + (rest.empty() ? "" : "," + rest) +
           "}";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, MissingReadings,
    ::testing::Values(
        MissingCase{"NoVoltage",
                    sampleWith(R"({"frequency":1,"power":1,"current":[1,2],"phase_V":[1,2],"phase":[1,2]})")},
        MissingCase{"NoCurrent", sampleWith(channelWith("[1,2]", R"("phase_V":[0,30],"phase":[10,20])"))},
        MissingCase{"ShorterThanTheLayout", sampleWith(channelWith("[1]"))},
        MissingCase{"Null", sampleWith(channelWith("[1,null]"))},
        MissingCase{"True", sampleWith(channelWith("[true,1]"))},
        MissingCase{"BareWord", sampleWith(channelWith("[1,later]"))},
        MissingCase{"EmptyChannel", sampleWith("{}")},
        MissingCase{
            "NoFrequency",
            sampleWith(R"({"power":1,"voltage":[1,2],"current":[1,2],"phase_V":[1,2],"phase":[1,2]})")},
        MissingCase{
            "WordForFrequency",
            sampleWith(
                R"({"frequency":"later","power":1,"voltage":[1,2],"current":[1,2],"phase_V":[1,2],"phase":[1,2]})")},
        MissingCase{"NoChannelKey",
                    R"({"timestamp":1,"peak":2,"delay":3,"pulse_on_time_us":1,"pulse_period_us":2})"},
        MissingCase{"WordForTimestamp",
                    R"({"timestamp":"later","peak":1,"delay":1,"channel":[)" + channelWith("[1,2]") + "]}"}),
    [](const auto& info) { return info.param.name; });

TEST_F(SampleReply, InfinityIsStoredLikeNaN)
{
    const std::string channel = R"({"frequency":1,"power":1,"voltage":[Infinity,-inf,NaN],"current":[1,2,3],)"
                                R"("phase_V":[1,2,3],"phase":[1,2,3]})";
    ASSERT_EQ(parseSample(sampleWith(channel), state, record), Result::Queued);
    EXPECT_TRUE(std::isnan(record.channels[0].voltage[0]));
    EXPECT_TRUE(std::isnan(record.channels[0].voltage[1]));
    EXPECT_TRUE(std::isnan(record.channels[0].voltage[2]));
}

TEST_F(SampleReply, OldFormatReadsChannelsAndDerivesPower)
{
    const std::string reply =
        R"([{"timestamp":5,"frequency":13.56,"delay":2.9,"peak":100.7,"voltage":[10,1],"current":[2,1],)"
        R"("phase_V":[0,5],"phase":[60,1]},{"timestamp":5,"frequency":27.12,"voltage":[1],"current":[1],"phase":[0]}])";
    state.sampleLayout[1] = 40; // more than a channel holds
    ASSERT_EQ(parseOld(reply, state, record), Result::Queued);
    EXPECT_EQ(record.channelCount, 2);
    EXPECT_EQ(record.timestamp, 5);
    EXPECT_EQ(record.delay, 2);
    EXPECT_EQ(record.peak, 100);
    EXPECT_NEAR(record.channels[0].power, 10.0, 1e-9);
    EXPECT_EQ(record.channels[0].harmonicCount, 3);
    EXPECT_EQ(record.channels[1].harmonicCount, 16);
    EXPECT_DOUBLE_EQ(record.channels[0].phaseV[1], 5.0);
    EXPECT_EQ(parseOld(reply, state, record), Result::Duplicate);
}

TEST_F(SampleReply, OldFormatStaysInsideItsChannels)
{
    const std::string reply =
        R"([{"voltage":[1]},{"timestamp":1,"voltage":[)" + numbers(40) +
        R"(]},{"timestamp":2},{"timestamp":3},{"timestamp":4},{"timestamp":5,"voltage":[9]}])";
    ASSERT_EQ(parseOld(reply, state, record), Result::Failed) << "six elements";
    const std::string fits = R"([{"voltage":[7]},{"timestamp":1,"current":[)" + numbers(40) +
                             R"(]},{"timestamp":2,"timestamp":3,"timestamp":4,"voltage":[9]}])";
    ASSERT_EQ(parseOld(fits, state, record), Result::Queued);
    EXPECT_EQ(record.channels[0].voltage[0], 0.0) << "values before the first timestamp are dropped";
    EXPECT_DOUBLE_EQ(record.channels[0].current[15], 16.0);
    EXPECT_EQ(record.channels[0].current[0], 1.0);
    EXPECT_EQ(record.channels[2].voltage[0], 0.0) << "a fourth timestamp names no channel";
    EXPECT_EQ(record.timestamp, 4);
}

TEST(OldSampleReply, MalformedFailsWithMessage)
{
    SensorState state;
    MeasurementRecord record;
    testing::internal::CaptureStdout();
    EXPECT_EQ(parseOld("[{\"timestamp\":1", state, record), Result::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to parse\r\n");
    EXPECT_EQ(parseOld("{}", state, record), Result::Failed);
    EXPECT_EQ(parseOld("[]", state, record), Result::Failed);
}

TEST(SampleReplyMessages, NameTheUnnamedLevel)
{
    SensorState state;
    MeasurementRecord record;
    testing::internal::CaptureStdout();
    parseSample(sampleWith(R"({1:2})"), state, record);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "channel sub-items must be named.\n");
    testing::internal::CaptureStdout();
    parseSample(R"({"timestamp":1,"peak":2,"delay":3,4:5,"channel":[{"frequency":1}]})", state, record);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Data3 sub-items must be named.\n");
}

TEST(SampleReplyBounds, NumbersAreNotReadPastTheReply)
{
    // The reply ends in the middle of a number; the bytes after it must not
    // extend it.
    const std::string buffer = sampleWith(oneChannel, 42) + "999";
    SensorState state;
    MeasurementRecord record;
    const size_t cut = buffer.size() - 3;
    ASSERT_EQ(ReplyParser::parseSample(buffer.data(), cut, state, record), Result::Queued);
    EXPECT_EQ(record.timestamp, 42);
    const std::string trailing = R"({"refresh_rate":12)";
    const std::string withMore = trailing + "34}";
    EXPECT_FALSE(ReplyParser::parseSettings(withMore.data(), trailing.size(), state))
        << "incomplete JSON fails";
}

TEST(RequestBodies, ConfigBody)
{
    SensorIdentity requested;
    requested.refreshRate = 100;
    requested.selectedHarmonics[0] = 3;
    requested.selectedHarmonics[1] = 1;
    std::strcpy(requested.signalLock, "auto");
    char body[RequestBodies::bufferSize];
    const int length = RequestBodies::config(body, sizeof body, requested, 2);
    EXPECT_EQ(std::string(body, length), "{\r\n\"refresh_rate\":\"100\",\r\n\"selected_harmonics\":[3,1],"
                                         "\r\n\"signal_lock\":\"auto\"\r\n}\r\n");
    requested.selectedHarmonics[0] = 16;
    RequestBodies::config(body, sizeof body, requested, 1);
    EXPECT_NE(std::string(body).find("\"selected_harmonics\":[16],\r\n"), std::string::npos);
    RequestBodies::config(body, sizeof body, requested, 0);
    EXPECT_NE(std::string(body).find("\"selected_harmonics\":[],\r\n"), std::string::npos);
    EXPECT_EQ(RequestBodies::config(body, 20, requested, 2), -1) << "too small a buffer fails";
}

TEST(RequestBodies, FpgaBody)
{
    TriggerSettings t;
    t.Accumulations = 1;
    t.Trigger_Delay = 2;
    t.Trigger_Holdoff = 3;
    t.Trigger_Level = 4096;
    t.External_trigger = 1;
    char body[RequestBodies::bufferSize];
    const int length = RequestBodies::fpga(body, sizeof body, t);
    EXPECT_EQ(std::string(body, length), "{\r\n\"Accumulations\":\"1\",\r\n\"Trigger_Delay\":\"2\",\r\n"
                                         "\"Trigger_Holdoff\":\"3\",\r\n\"Trigger_Level\":\"4096\"\r\n,\r\n"
                                         "\"External_trigger\":\"1\"\r\n}\r\n");
}

TEST(RequestBodies, Data3Body)
{
    char body[RequestBodies::bufferSize];
    PulseMonitorSettings plain;
    plain.monitorPulse = 1;
    EXPECT_EQ(std::string(body, RequestBodies::data3(body, sizeof body, plain)),
              "{\r\n\"monitor_pulse\":\"1\"\r\n}");

    const struct {
        double threshold;
        const char* sent;
    } thresholds[] = {{12.9, "12"}, {-0.5, "0"}, {1e300, "2147483647"}};
    for (const auto& c : thresholds) {
        PulseMonitorSettings all;
        all.resetEnergyRequested = true;
        all.thresholdSet = true;
        all.thresholdPercent = c.threshold;
        all.trim = 7;
        const int length = RequestBodies::data3(body, sizeof body, all);
        EXPECT_EQ(std::string(body, length),
                  std::string("{\r\n\"monitor_pulse\":\"0\",\r\n\"reset_accumulated_energy\":"
                              "\"1\",\r\n\"pulse_threshold_percent\":\"") +
                      c.sent + "\",\r\n\"pulse_trim\":\"7\"\r\n}");
        EXPECT_FALSE(all.resetEnergyRequested);
        EXPECT_FALSE(all.thresholdSet);
    }
}

} // namespace
