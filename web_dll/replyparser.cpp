#include "web_dll/replyparser.h"

#include "web_dll/firmwareinfo.h"
#include "web_dll/numbertext.h"

// The one translation unit that compiles jsmn's bodies.
#include <jsmn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double pi = 3.14159265358979323846;

// The tokens of one reply and the text they point into.
class TokenList
{
public:
    TokenList(const char* reply, size_t length)
        : text(reply)
    {
        jsmn_parser parser;
        jsmn_init(&parser);
        count = jsmn_parse(&parser, reply, length, tokens, ReplyParser::maxTokens);
    }

    bool failed() const { return count < 0; }
    int size() const { return count < 0 ? 0 : count; }
    const jsmntok_t& operator[](int i) const { return tokens[i]; }
    const char* start(int i) const { return text + tokens[i].start; }
    size_t length(int i) const { return static_cast<size_t>(tokens[i].end - tokens[i].start); }

    bool isKey(int i, const char* name) const
    {
        return i < size() && tokens[i].type == JSMN_STRING && length(i) == std::strlen(name) &&
               std::memcmp(start(i), name, length(i)) == 0;
    }
    bool has(int i, jsmntype_t type) const { return i < size() && tokens[i].type == type; }

    // The index just past token i and everything inside it. A key's size is
    // 1 (its value), an object's the number of its keys, an array's the
    // number of its elements.
    int skip(int i) const
    {
        if (i >= size())
            return size();
        int next = i + 1;
        for (int k = 0; k < tokens[i].size && next < size(); ++k)
            next = skip(next);
        return next;
    }

    // A bare or quoted value that reads as one number as a whole.
    bool isNumber(int i) const
    {
        return (has(i, JSMN_PRIMITIVE) || has(i, JSMN_STRING)) && NumberText::isNumber(start(i), length(i));
    }
    std::int32_t toInt(int i) const { return NumberText::toInt(start(i), length(i)); }
    std::int64_t toInt64(int i) const { return NumberText::toInt64(start(i), length(i)); }
    double toDouble(int i) const { return NumberText::toDouble(start(i), length(i)); }
    void copyText(int i, char* field, size_t fieldSize) const
    {
        std::memset(field, 0, fieldSize);
        std::memcpy(field, start(i), std::min(length(i), fieldSize - 1));
    }

private:
    const char* text;
    jsmntok_t tokens[ReplyParser::maxTokens];
    int count = 0;
};

void report(const char* line)
{
    std::fputs(line, stdout);
    std::fflush(stdout);
}

// Reads an array of integers into at most `capacity` fields, negatives as 0.
// Returns the index after the array.
int readCounts(const TokenList& tokens, int array, std::int32_t* first, std::int32_t* second, int capacity)
{
    int element = array + 1;
    for (int e = 0; e < tokens[array].size && element < tokens.size(); ++e) {
        if (e < capacity) {
            const std::int32_t n = std::max(tokens.toInt(element), 0);
            first[e] = n;
            if (second)
                second[e] = n;
        }
        element = tokens.skip(element);
    }
    return element;
}

bool readStringInto(const TokenList& tokens, int value, char* field)
{
    if (!tokens.has(value, JSMN_STRING))
        return false;
    tokens.copyText(value, field, SensorIdentity::textSize);
    return true;
}

void finishIdentity(SensorState& state)
{
    state.requested = state.reported;
    state.model = FirmwareInfo::model(state.reported.firmware);
    std::memset(state.capabilities, 0, sizeof state.capabilities);
    std::strncpy(state.capabilities, FirmwareInfo::capabilityText(state.model),
                 sizeof state.capabilities - 1);
    if (state.endpoint == DataEndpoint::None) {
        const char* revision = state.reported.firmwareRevision;
        state.endpoint =
            FirmwareInfo::dataEndpoint(FirmwareInfo::major(revision), FirmwareInfo::minor(revision));
    }
}

std::int32_t harmonicCountFor(const SensorState& state, int channel)
{
    if (channel < 0 || channel >= SensorIdentity::maxFrequencies)
        return 0;
    return std::clamp(state.sampleLayout[channel], 0, ChannelRecord::maxHarmonics);
}

// Reads an array of bare numbers into a harmonic array; -1 when the value is
// no array or holds anything but numbers (a word such as null or true is no
// reading), else the number of elements. An infinite reading is as unusable
// as NaN and is stored as NaN.
int readHarmonicArray(const TokenList& tokens, int value, double* field)
{
    if (!tokens.has(value, JSMN_ARRAY))
        return -1;
    const int elements = tokens[value].size;
    for (int e = 0; e < elements; ++e) {
        const int element = value + 1 + e;
        if (!tokens.has(element, JSMN_PRIMITIVE) || !tokens.isNumber(element))
            return -1;
        if (e < ChannelRecord::maxHarmonics) {
            const double reading = tokens.toDouble(element);
            field[e] = std::isinf(reading) ? std::nan("") : reading;
        }
    }
    return elements;
}

double* harmonicArray(ChannelRecord& channel, const TokenList& tokens, int key)
{
    if (tokens.isKey(key, "voltage"))
        return channel.voltage;
    if (tokens.isKey(key, "current"))
        return channel.current;
    if (tokens.isKey(key, "phase_V"))
        return channel.phaseV;
    if (tokens.isKey(key, "phase"))
        return channel.phase;
    return nullptr;
}

// What one channel object held: the shortest harmonic array (-1 while one
// of the four is missing) and whether frequency and power came as numbers.
struct ChannelReadings {
    int arrayLengths[4] = {-1, -1, -1, -1};
    bool frequency = false;
    bool power = false;

    // Whether every reading of `harmonics` harmonics is there.
    bool cover(int harmonics) const
    {
        if (harmonics <= 0)
            return true;
        return frequency && power && *std::min_element(arrayLengths, arrayLengths + 4) >= harmonics;
    }
};

int arrayIndex(const TokenList& tokens, int key)
{
    const char* const names[] = {"voltage", "current", "phase_V", "phase"};
    for (int i = 0; i < 4; ++i) {
        if (tokens.isKey(key, names[i]))
            return i;
    }
    return -1;
}

// One channel object of a sample reply. Returns the index after it, or -1.
int readChannel(const TokenList& tokens, int object, ChannelRecord& channel, ChannelReadings& readings)
{
    int key = object + 1;
    for (int k = 0; k < tokens[object].size; ++k) {
        if (!tokens.has(key, JSMN_STRING)) {
            report("channel sub-items must be named.\n");
            return -1;
        }
        const int value = key + 1;
        if (value >= tokens.size())
            return -1;
        if (tokens.isKey(key, "frequency")) {
            channel.frequency = static_cast<double>(tokens.toInt64(value));
            readings.frequency = tokens.isNumber(value);
        } else if (tokens.isKey(key, "power")) {
            channel.power = tokens.toDouble(value);
            readings.power = tokens.isNumber(value);
        } else if (double* field = harmonicArray(channel, tokens, key)) {
            const int length = readHarmonicArray(tokens, value, field);
            if (length < 0)
                return -1;
            readings.arrayLengths[arrayIndex(tokens, key)] = length;
        }
        key = tokens.skip(value);
    }
    return key;
}

// The "channel" array of a sample reply. False on any fault in it, and when
// a channel lacks a reading the delivered sample would hold: a missing
// reading must never be delivered as 0.
bool readChannels(const TokenList& tokens, int array, const SensorState& state, MeasurementRecord& record)
{
    if (!tokens.has(array, JSMN_ARRAY) || tokens[array].size < 1 ||
        tokens[array].size > MeasurementRecord::maxChannels)
        return false;
    record.channelCount = tokens[array].size;
    int element = array + 1;
    for (int j = 0; j < record.channelCount; ++j) {
        if (!tokens.has(element, JSMN_OBJECT))
            return false;
        ChannelReadings readings;
        element = readChannel(tokens, element, record.channels[j], readings);
        if (element < 0)
            return false;
        record.channels[j].harmonicCount = harmonicCountFor(state, j);
        if (!readings.cover(record.channels[j].harmonicCount))
            return false;
    }
    for (int j = record.channelCount; j < MeasurementRecord::maxChannels; ++j) {
        if (harmonicCountFor(state, j) > 0)
            return false;
    }
    return true;
}

// Reads the elements of a numeric array into a harmonic array of the older
// reply; returns the index after the array.
int readOldArray(const TokenList& tokens, int value, double* field)
{
    if (!tokens.has(value, JSMN_ARRAY))
        return value;
    int element = value + 1;
    for (int e = 0; e < tokens[value].size && element < tokens.size(); ++e) {
        if (field && e < ChannelRecord::maxHarmonics)
            field[e] = tokens.toDouble(element);
        element = tokens.skip(element);
    }
    return element;
}

} // namespace

bool ReplyParser::parseIdentity(const char* reply, size_t length, SensorState& state)
{
    const TokenList tokens(reply, length);
    if (tokens.failed())
        return false;
    SensorIdentity& id = state.reported;
    int i = 1;
    while (i < tokens.size()) {
        const int value = i + 1;
        if (tokens.isKey(i, "serial_number") || tokens.isKey(i, "sensor_type") ||
            tokens.isKey(i, "firmware") || tokens.isKey(i, "firmware_rev") || tokens.isKey(i, "fpga_rev")) {
            char* field = tokens.isKey(i, "serial_number")  ? id.serialNumber
                          : tokens.isKey(i, "sensor_type")  ? id.sensorType
                          : tokens.isKey(i, "firmware")     ? id.firmware
                          : tokens.isKey(i, "firmware_rev") ? id.firmwareRevision
                                                            : id.fpgaRevision;
            if (!readStringInto(tokens, value, field))
                return false;
            i = value + 1;
        } else if (tokens.isKey(i, "frequencies")) {
            if (!tokens.has(value, JSMN_ARRAY))
                return false;
            const int elements = tokens[value].size;
            id.frequencyCount = std::min(elements, SensorIdentity::maxFrequencies);
            int element = value + 1;
            for (int e = 0; e < elements && element < tokens.size(); ++e) {
                if (e < SensorIdentity::maxFrequencies)
                    id.frequencies[e] = tokens.toDouble(element);
                element = tokens.skip(element);
            }
            i = element;
        } else if (tokens.isKey(i, "harmonics") && tokens.has(value, JSMN_ARRAY)) {
            i = readCounts(tokens, value, id.harmonics, nullptr, SensorIdentity::maxFrequencies);
        } else if (tokens.isKey(i, "delay_clock")) {
            if (!tokens.has(value, JSMN_STRING))
                return false;
            id.delayClock = tokens.toInt(value);
            i = value + 1;
        } else {
            ++i;
        }
    }
    finishIdentity(state);
    return true;
}

bool ReplyParser::parseSettings(const char* reply, size_t length, SensorState& state)
{
    const TokenList tokens(reply, length);
    if (tokens.failed())
        return false;
    int i = 1;
    while (i < tokens.size()) {
        const int value = i + 1;
        if (tokens.isKey(i, "refresh_rate") && value < tokens.size()) {
            state.reported.refreshRate = state.requested.refreshRate = tokens.toInt(value);
            i = value + 1;
        } else if (tokens.isKey(i, "selected_harmonics") && tokens.has(value, JSMN_ARRAY)) {
            i = readCounts(tokens, value, state.reported.selectedHarmonics, state.requested.selectedHarmonics,
                           SensorIdentity::maxFrequencies);
        } else if (tokens.isKey(i, "signal_lock") && value < tokens.size()) {
            if (tokens.length(value) > 0) {
                tokens.copyText(value, state.reported.signalLock, SensorIdentity::textSize);
                tokens.copyText(value, state.requested.signalLock, SensorIdentity::textSize);
            }
            i = value + 1;
        } else {
            ++i;
        }
    }
    return true;
}

bool ReplyParser::parseTrigger(const char* reply, size_t length, SensorState& state)
{
    const TokenList tokens(reply, length);
    if (tokens.failed())
        return false;
    TriggerSettings& t = state.trigger;
    const struct {
        const char* name;
        std::int32_t* field;
    } keys[] = {{"Accumulations", &t.Accumulations},
                {"Trigger_Delay", &t.Trigger_Delay},
                {"Trigger_Holdoff", &t.Trigger_Holdoff},
                {"Trigger_Level", &t.Trigger_Level},
                {"External_trigger", &t.External_trigger}};
    for (int i = 1; i < tokens.size(); ++i) {
        for (const auto& key : keys) {
            if (tokens.isKey(i, key.name) && i + 1 < tokens.size()) {
                *key.field = tokens.toInt(i + 1);
                ++i;
                break;
            }
        }
    }
    t.pulse = false;
    return true;
}

ReplyParser::SampleResult ReplyParser::parseSample(const char* reply, size_t length, SensorState& state,
                                                   MeasurementRecord& record)
{
    const TokenList tokens(reply, length);
    if (tokens.size() < 12 || tokens[0].type != JSMN_OBJECT)
        return SampleResult::Failed;
    record = MeasurementRecord();
    bool stamped = false;
    bool measured = false;
    int key = 1;
    for (int k = 0; k < tokens[0].size; ++k) {
        if (!tokens.has(key, JSMN_STRING)) {
            report("Data3 sub-items must be named.\n");
            return SampleResult::Failed;
        }
        const int value = key + 1;
        if (value >= tokens.size())
            return SampleResult::Failed;
        if (tokens.isKey(key, "timestamp")) {
            // A stamp that is no number would read as 0 and hide every
            // later sample as its duplicate.
            if (!tokens.isNumber(value))
                return SampleResult::Failed;
            record.timestamp = tokens.toInt64(value);
            if (state.hasQueuedTimestamp && record.timestamp == state.lastQueuedTimestamp)
                return SampleResult::Duplicate;
            stamped = true;
        } else if (tokens.isKey(key, "peak")) {
            record.peak = tokens.toInt(value);
        } else if (tokens.isKey(key, "delay")) {
            record.delay = tokens.toInt(value);
        } else if (tokens.isKey(key, "pulse_on_time_us")) {
            record.pulseOnTimeUs = static_cast<float>(tokens.toDouble(value));
        } else if (tokens.isKey(key, "pulse_period_us")) {
            record.pulsePeriodUs = static_cast<float>(tokens.toDouble(value));
        } else if (tokens.isKey(key, "channel")) {
            if (!readChannels(tokens, value, state, record))
                return SampleResult::Failed;
            measured = true;
        }
        key = tokens.skip(value);
    }
    if (!stamped || !measured)
        return SampleResult::Failed;
    state.lastQueuedTimestamp = record.timestamp;
    state.hasQueuedTimestamp = true;
    return SampleResult::Queued;
}

ReplyParser::SampleResult ReplyParser::parseOldSample(const char* reply, size_t length, SensorState& state,
                                                      MeasurementRecord& record)
{
    const TokenList tokens(reply, length);
    if (tokens.failed()) {
        report("Failed to parse\r\n");
        return SampleResult::Failed;
    }
    if (tokens.size() < 1 || tokens[0].type != JSMN_ARRAY || tokens[0].size < 1 ||
        tokens[0].size > MeasurementRecord::maxChannels)
        return SampleResult::Failed;
    record = MeasurementRecord();
    record.channelCount = tokens[0].size;
    std::int64_t firstTimestamp = 0;
    int channel = -1;
    const auto current = [&]() -> ChannelRecord* {
        return channel >= 0 && channel < record.channelCount ? &record.channels[channel] : nullptr;
    };
    int i = 1;
    while (i < tokens.size()) {
        const int value = i + 1;
        if (tokens[i].type == JSMN_OBJECT || value >= tokens.size()) {
            ++i;
            continue;
        }
        ChannelRecord* target = nullptr;
        if (tokens.isKey(i, "timestamp")) {
            ++channel;
            record.timestamp = tokens.toInt64(value);
            if (channel == 0) {
                firstTimestamp = record.timestamp;
                if (state.hasQueuedTimestamp && firstTimestamp == state.lastQueuedTimestamp)
                    return SampleResult::Duplicate;
            }
            i = value + 1;
        } else if (tokens.isKey(i, "frequency")) {
            if ((target = current()))
                target->frequency = tokens.toDouble(value);
            i = value + 1;
        } else if (tokens.isKey(i, "delay")) {
            record.delay = NumberText::truncate(tokens.toDouble(value));
            i = value + 1;
        } else if (tokens.isKey(i, "peak")) {
            record.peak = NumberText::truncate(tokens.toDouble(value));
            i = value + 1;
        } else if (tokens.isKey(i, "voltage") || tokens.isKey(i, "current") || tokens.isKey(i, "phase_V") ||
                   tokens.isKey(i, "phase")) {
            target = current();
            double* field = target ? harmonicArray(*target, tokens, i) : nullptr;
            const bool isPhase = tokens.isKey(i, "phase");
            i = readOldArray(tokens, value, field);
            if (target) {
                target->harmonicCount = harmonicCountFor(state, channel);
                if (isPhase)
                    target->power =
                        target->voltage[0] * target->current[0] * std::cos(target->phase[0] * pi / 180.0);
            }
        } else {
            ++i;
        }
    }
    state.lastQueuedTimestamp = firstTimestamp;
    state.hasQueuedTimestamp = true;
    return SampleResult::Queued;
}
