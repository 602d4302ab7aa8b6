#pragma once

#include <cstdint>

// The frequency band a sensor works in: low, base and high frequency in Hz,
// kept in sensor memory at 0x2000 as three little-endian u32 (12 bytes).
// A plain value; any thread.
class SensorFrequency
{
public:
    SensorFrequency() { setDefault(); }

    void setDefault();
    // Row 0 to 12 of the range table (row 12: unlocked); false beyond.
    bool setFromRange(unsigned row);

    static int size() { return 12; }
    bool fromBytes(const uint8_t* bytes, int count);
    bool toBytes(uint8_t* bytes, int count) const;

    static constexpr unsigned kRangeCount = 13;
    static constexpr unsigned kUnlockedRow = 12;
    // The range table row, or null beyond it.
    static const float* rangeRow(unsigned row);

    uint32_t low = 0;
    uint32_t base = 0;
    uint32_t high = 0;
};
