#pragma once

#include <cstdint>
#include <cstring>

// Numbers in sensor frames and sensor memory are little-endian; these read
// and write them from byte buffers whatever the host's order.
namespace le {

inline uint16_t u16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t u32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline float f32(const uint8_t* at)
{
    const uint32_t bits = u32(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double f64(const uint8_t* at)
{
    const uint64_t bits = static_cast<uint64_t>(u32(at)) | (static_cast<uint64_t>(u32(at + 4)) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void putU16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void putU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void putF32(uint8_t* at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(at, bits);
}

inline void putF64(uint8_t* at, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(at, static_cast<uint32_t>(bits));
    putU32(at + 4, static_cast<uint32_t>(bits >> 32));
}

} // namespace le
