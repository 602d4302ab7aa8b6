#include "sensorfrequency.h"

#include "littleendian.h"

#include <cassert>

namespace {

const float kRanges[SensorFrequency::kRangeCount][3] = {
    {300000.0f, 350000.0f, 400000.0f},       {380000.0f, 400000.0f, 420000.0f},
    {410000.0f, 450000.0f, 490000.0f},       {800000.0f, 1000000.0f, 1200000.0f},
    {1800000.0f, 2000000.0f, 2200000.0f},    {2800000.0f, 3200000.0f, 3600000.0f},
    {11800000.0f, 12880000.0f, 13900000.0f}, {12560000.0f, 13560000.0f, 14560000.0f},
    {25120000.0f, 27120000.0f, 29120000.0f}, {39680000.0f, 40680000.0f, 41680000.0f},
    {58000000.0f, 60000000.0f, 62000000.0f}, {119000000.0f, 120000000.0f, 123000000.0f},
    {100000.0f, 13560000.0f, 150000000.0f},
};

} // namespace

void SensorFrequency::setDefault()
{
    low = 12560000;
    base = 13560000;
    high = 14560000;
}

const float* SensorFrequency::rangeRow(unsigned row)
{
    return row < kRangeCount ? kRanges[row] : nullptr;
}

bool SensorFrequency::setFromRange(unsigned row)
{
    const float* values = rangeRow(row);
    if (!values)
        return false;
    low = static_cast<uint32_t>(values[0]);
    base = static_cast<uint32_t>(values[1]);
    high = static_cast<uint32_t>(values[2]);
    return true;
}

bool SensorFrequency::fromBytes(const uint8_t* bytes, int count)
{
    assert(count == size() && "Expected data passed to have same size as class");
    if (count != size() || !bytes)
        return false;
    low = le::u32(bytes);
    base = le::u32(bytes + 4);
    high = le::u32(bytes + 8);
    return true;
}

bool SensorFrequency::toBytes(uint8_t* bytes, int count) const
{
    assert(count == size() && "Expected data passed to have same size as class");
    if (count != size() || !bytes)
        return false;
    le::putU32(bytes, low);
    le::putU32(bytes + 4, base);
    le::putU32(bytes + 8, high);
    return true;
}
