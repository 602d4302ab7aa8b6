#pragma once

#include "web_dll/pulsemonitorsettings.h"
#include "web_dll/sensoridentity.h"
#include "web_dll/triggersettings.h"

#include <cstdint>

enum class DataEndpoint { None, Data, Data3, Data3Short };

// Everything the replies of one sensor write and the requests read: the
// connection's state apart from its transport, queue and threads. The
// connection guards it with its lock; the parsers and body builders work on
// it without locking.
struct SensorState {
    static constexpr int capabilitySize = 100;

    SensorIdentity reported;
    SensorIdentity requested;
    TriggerSettings trigger;
    PulseMonitorSettings pulseMonitor;
    DataEndpoint endpoint = DataEndpoint::None;
    std::int32_t model = 0;
    char capabilities[capabilitySize] = {};
    // The time stamp of the last sample queued; none before the first one.
    bool hasQueuedTimestamp = false;
    std::int64_t lastQueuedTimestamp = 0;
    // Per frequency, the harmonics a sample is delivered with: the caller's
    // selection once the sensor took it (the sensor's own at open). A sensor
    // that sends more is cut to it; one that sends fewer is refused.
    std::int32_t sampleLayout[SensorIdentity::maxFrequencies] = {};
};
