#pragma once

#include <cstdint>

// One frequency's readings within a sample; arrays per harmonic.
struct ChannelRecord {
    static constexpr int maxHarmonics = 16;

    double frequency = 0.0;
    double power = 0.0;
    std::int32_t harmonicCount = 0; // never above maxHarmonics
    double voltage[maxHarmonics] = {};
    double current[maxHarmonics] = {};
    double phaseV[maxHarmonics] = {};
    double phase[maxHarmonics] = {};
};

// One sample of a sensor as its reply delivered it. Fixed size, so queueing
// and delivering it never allocates inside the record.
struct MeasurementRecord {
    static constexpr int maxChannels = 5;

    std::int64_t timestamp = 0;
    float pulsePeriodUs = 0.0f;
    float pulseOnTimeUs = 0.0f;
    std::int32_t delay = 0;
    std::int32_t peak = 0; // 8192 = 100 %
    std::int32_t channelCount = 0;
    ChannelRecord channels[maxChannels];
};
