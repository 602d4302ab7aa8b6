#pragma once

#include <cstdint>

// What the library knows of a sensor's identity and settings: once as the
// sensor last reported it, once as the caller wants it sent. Fixed fields, so
// a reply can never make the library write past them. A plain value; the
// connection that holds it guards it with its lock.
struct SensorIdentity {
    static constexpr int maxFrequencies = 6;
    static constexpr int textSize = 64; // 63 characters and a NUL

    std::int32_t refreshRate = 0; // milliseconds
    char signalLock[textSize] = {};
    std::int32_t frequencyCount = 0;
    double frequencies[maxFrequencies] = {};
    std::int32_t harmonics[maxFrequencies] = {};
    std::int32_t selectedHarmonics[maxFrequencies] = {};
    char serialNumber[textSize] = {};
    char sensorType[textSize] = {};
    char firmware[textSize] = {};
    char firmwareRevision[textSize] = {};
    char fpgaRevision[textSize] = {};
    std::int32_t delayClock = 0; // Hz; 0 when not reported
};
