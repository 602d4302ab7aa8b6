#pragma once

#include "web_dll/measurementrecord.h"
#include "web_dll/sensorstate.h"

#include <cstddef>

// Turns the sensor's JSON replies into state. Each parse splits the reply
// with jsmn (at most 1024 tokens) and walks the tokens; numbers and texts are
// read from bounded copies, and every count is held to the fixed fields it
// fills. Stateless; callers hold the lock of the state they pass.
class ReplyParser
{
public:
    static constexpr int maxTokens = 1024;

    enum class SampleResult { Failed, Duplicate, Queued };

    // info.cgi: identity into the reported block, then copied to the
    // requested block; model, capabilities and (once) the data endpoint.
    static bool parseIdentity(const char* reply, size_t length, SensorState& state);
    // config.cgi: refresh rate, selected harmonics and signal lock into both blocks.
    static bool parseSettings(const char* reply, size_t length, SensorState& state);
    // fpga.cgi: the trigger settings; clears the pulse flag.
    static bool parseTrigger(const char* reply, size_t length, SensorState& state);
    // data3.cgi and data3Short.cgi: one sample object. Queued fills `record`
    // and moves state.lastQueuedTimestamp on; Duplicate leaves both alone.
    static SampleResult parseSample(const char* reply, size_t length, SensorState& state,
                                    MeasurementRecord& record);
    // data.cgi of older firmware: an array of channel objects.
    static SampleResult parseOldSample(const char* reply, size_t length, SensorState& state,
                                       MeasurementRecord& record);
};
