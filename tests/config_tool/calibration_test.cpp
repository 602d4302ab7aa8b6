// The calibration table: defaults by variant name, look-ups, the block
// formats and their round trips, the older form, and the scrambling.

#include "calibrationtable.h"
#include "littleendian.h"
#include "sensorfrequency.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

CalibrationPoint point(int key, bool negative, double base)
{
    CalibrationPoint p;
    p.key = key;
    p.negative = negative;
    for (int v = 0; v < 8; ++v)
        p.values[v] = base + v;
    return p;
}

std::vector<uint8_t> imageWithBlock(const std::vector<uint8_t>& block)
{
    std::vector<uint8_t> image(0x4000, 0xFF);
    std::copy(block.begin(), block.end(), image.begin() + CalibrationTable::kBlockAddress);
    return image;
}

} // namespace

TEST(SensorFrequency, RangeRowsAndBytes)
{
    SensorFrequency triple;
    EXPECT_TRUE(triple.setFromRange(12));
    EXPECT_EQ(triple.low, 100000u);
    EXPECT_EQ(triple.base, 13560000u);
    EXPECT_EQ(triple.high, 150000000u);
    EXPECT_FALSE(triple.setFromRange(13));
    EXPECT_EQ(triple.high, 150000000u) << "unchanged";

    triple.setDefault();
    uint8_t bytes[12];
    ASSERT_TRUE(triple.toBytes(bytes, SensorFrequency::size()));
    EXPECT_EQ(le::u32(bytes), 12560000u);
    EXPECT_EQ(le::u32(bytes + 4), 13560000u);
    EXPECT_EQ(le::u32(bytes + 8), 14560000u);
    SensorFrequency back;
    back.setFromRange(0);
    ASSERT_TRUE(back.fromBytes(bytes, 12));
    EXPECT_EQ(back.base, 13560000u);
}

TEST(CalibrationTable, DefaultsByVariantName)
{
    CalibrationTable table;
    ASSERT_TRUE(table.setDefaults("40MHZ+P"));
    EXPECT_EQ(table.frequencyCount(), 1);
    EXPECT_EQ(table.frequency(0), 40680000.0);
    EXPECT_EQ(table.referenceFrequency(), 51800000.0);
    ASSERT_EQ(table.harmonicCount(0), 3);
    const int windows[3][2] = {{52, 56}, {107, 111}, {90, 94}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(table.harmonic(0, k).windowStart, windows[k][0]);
        EXPECT_EQ(table.harmonic(0, k).windowEnd, windows[k][1]);
        EXPECT_TRUE(table.harmonic(0, k).enabled);
        EXPECT_TRUE(table.harmonic(0, k).points.empty());
    }
    EXPECT_FALSE(table.setDefaults("13 mhz"));
    EXPECT_EQ(table.frequencyCount(), 0);
    EXPECT_TRUE(table.setDefaults("12mhz"));
    EXPECT_EQ(table.frequency(0), 12560000.0);
    EXPECT_EQ(table.referenceFrequency(), 52570000.0);
}

TEST(CalibrationTable, EightyOneMegahertzDefaultsKeepNothingStale)
{
    CalibrationTable table;
    table.setDefaults("13mhz");
    table.addPoint(0, 3, point(15, false, 1.0));
    table.addPoint(0, 4, point(150, false, 1.0));
    ASSERT_TRUE(table.setDefaults("81mhz"));
    ASSERT_EQ(table.harmonicCount(0), 5);
    for (int k = 3; k < 5; ++k) {
        EXPECT_EQ(table.harmonic(0, k).windowStart, 0);
        EXPECT_EQ(table.harmonic(0, k).windowEnd, 0);
        EXPECT_TRUE(table.harmonic(0, k).points.empty());
        EXPECT_TRUE(table.harmonic(0, k).enabled);
    }
}

TEST(CalibrationTable, LookupsGiveNeutralResultsOutOfRange)
{
    CalibrationTable table;
    table.addFrequency(13560000.0);
    table.addHarmonic(0, 0, 100);
    for (const int key : {10, 20, 30})
        table.addPoint(0, 0, point(key, false, key));
    EXPECT_EQ(table.findPoint(0, 0, 25).key, 20);
    EXPECT_EQ(table.findPoint(0, 0, 31).key, 30);
    EXPECT_EQ(table.findPoint(0, 0, 15).key, 10) << "the earliest among equals";
    EXPECT_EQ(table.findPoint(0, 1, 15).key, 0);
    EXPECT_EQ(table.findPoint(1, 0, 15).key, 0);
    EXPECT_EQ(table.harmonic(0, -1).windowEnd, 0);
    EXPECT_EQ(table.frequency(3), 0.0);
    EXPECT_EQ(table.addHarmonic(4, 0, 1), -1);
    EXPECT_FALSE(table.enableHarmonic(0, 1));
}

TEST(CalibrationTable, SerialisedSizes)
{
    CalibrationTable empty;
    uint8_t buffer[4096];
    EXPECT_EQ(empty.serialize(buffer, 31), -1);
    ASSERT_EQ(empty.serialize(buffer, 4096), 28);
    EXPECT_EQ(le::u16(buffer + 2), 28);
    EXPECT_EQ(le::u16(buffer + 4), 4);
    EXPECT_EQ(le::u16(buffer + 26), 0);
    EXPECT_EQ(empty.serializeSingle(buffer, 4096), -1);

    CalibrationTable single;
    single.addFrequency(13560000.0);
    single.addHarmonic(0, 0, 50);
    single.addPoint(0, 0, point(5, true, 1.0));
    single.addPoint(0, 0, point(7, false, 9.0));
    EXPECT_EQ(single.serialize(buffer, 4096), 112);
    EXPECT_EQ(single.serialize(buffer, 111), -1);
    EXPECT_EQ(single.serializeSingle(buffer, 4096), 110);
    EXPECT_EQ(le::u16(buffer + 2), 110);
    EXPECT_EQ(le::u16(buffer + 4), 2);
    EXPECT_EQ(static_cast<int16_t>(le::u16(buffer + 36 + 6)), -5) << "a negative key is stored signed";
}

TEST(CalibrationTable, RefusesToSerialiseWhatCouldNotBeReadBack)
{
    uint8_t buffer[4096];
    auto base = [] {
        CalibrationTable table;
        table.addFrequency(13560000.0);
        table.addHarmonic(0, 0, 50);
        return table;
    };
    CalibrationTable manyHarmonics = base();
    for (int k = 0; k < 20; ++k)
        manyHarmonics.addHarmonic(0, 0, 1);
    CalibrationTable manyPoints = base();
    for (int k = 0; k < 21; ++k)
        manyPoints.addPoint(0, 0, point(k, false, 0));
    CalibrationTable wideKey = base();
    wideKey.addPoint(0, 0, point(40000, false, 0));
    CalibrationTable wideWindow = base();
    wideWindow.addHarmonic(0, -40000, 1);
    CalibrationTable lowFrequency = base();
    lowFrequency.setFrequency(0, 9999.0);
    for (CalibrationTable* table : {&manyHarmonics, &manyPoints, &wideKey, &wideWindow, &lowFrequency}) {
        EXPECT_EQ(table->serialize(buffer, 4096), -1);
        EXPECT_EQ(table->serializeSingle(buffer, 4096), -1);
    }
    CalibrationTable fine = base();
    EXPECT_GT(fine.serialize(buffer, 4096), 0);
    EXPECT_FALSE(fine.isReadable()) << "no reference frequency yet";
    fine.setDefaults("2mhz");
    EXPECT_TRUE(fine.isReadable());
}

TEST(CalibrationTable, FormatsRoundTrip)
{
    CalibrationTable table;
    table.setDefaults("13mhz+p");
    table.setCoefficients(1.25f, -3.5f);
    table.addPoint(0, 0, point(66, false, 10.0));
    table.addPoint(0, 0, point(5, true, 20.0));
    const int second = table.addFrequency(27120000.0);
    for (int k = 0; k < 7; ++k)
        table.addHarmonic(second, k, k + 10);

    for (const bool single : {false, true}) {
        SCOPED_TRACE(single ? "format 2" : "format 4");
        std::vector<uint8_t> block(4096);
        const int length =
            single ? table.serializeSingle(block.data(), 4096) : table.serialize(block.data(), 4096);
        ASSERT_GT(length, 0);
        block.resize(static_cast<size_t>(length));
        const std::vector<uint8_t> image = imageWithBlock(block);
        CalibrationTable back;
        ASSERT_TRUE(back.read(image.data(), image.size()));
        EXPECT_EQ(back.frequencyCount(), single ? 1 : 2);
        EXPECT_EQ(back.referenceFrequency(), 51800000.0);
        EXPECT_EQ(back.coefficientA(), single ? 0.0f : 1.25f);
        EXPECT_EQ(back.coefficientB(), single ? 0.0f : -3.5f);
        EXPECT_EQ(back.timestamp(), table.timestamp());
        const CalibrationPoint& negative = back.findPoint(0, 0, 5);
        EXPECT_EQ(negative.key, 5);
        EXPECT_TRUE(negative.negative);
        for (int v = 0; v < 8; ++v)
            EXPECT_EQ(negative.values[v], 20.0 + v) << v;
        for (int k = 0; k < 5; ++k)
            EXPECT_TRUE(back.harmonic(0, k).enabled);
        if (!single) {
            EXPECT_EQ(back.harmonicCount(1), 7);
            EXPECT_EQ(back.harmonic(1, 6).windowEnd, 16);
            EXPECT_FALSE(back.harmonic(1, 0).enabled) << "only the first frequency is enabled";
        }
    }
}

TEST(CalibrationTable, ReadEnablesOnlyTheFirstFiveHarmonicsOfFormat4)
{
    CalibrationTable table;
    table.setDefaults("2mhz");
    for (int k = 0; k < 2; ++k)
        table.addHarmonic(0, 1, 2);
    std::vector<uint8_t> block(4096);
    block.resize(static_cast<size_t>(table.serialize(block.data(), 4096)));
    const std::vector<uint8_t> image = imageWithBlock(block);
    CalibrationTable back;
    ASSERT_TRUE(back.read(image.data(), image.size()));
    ASSERT_EQ(back.harmonicCount(0), 7);
    for (int k = 0; k < 7; ++k)
        EXPECT_EQ(back.harmonic(0, k).enabled, k < 5) << k;
}

TEST(CalibrationTable, AFailedReadLeavesTheTableAsItWas)
{
    CalibrationTable table;
    table.setDefaults("13mhz");
    table.addPoint(0, 0, point(130, false, 1.0));
    std::vector<uint8_t> block(4096);
    block.resize(static_cast<size_t>(table.serialize(block.data(), 4096)));

    struct Damage {
        const char* what;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const std::vector<Damage> damages = {
        {"version", 4, {5, 0}},
        {"reference frequency", 18, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"frequency", 28, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"harmonic count", 36, {21, 0}},
        {"point count", 38 + 4, {21, 0}},
    };
    for (const Damage& damage : damages) {
        std::vector<uint8_t> broken = block;
        std::copy(damage.bytes.begin(), damage.bytes.end(),
                  broken.begin() + static_cast<long>(damage.offset));
        const std::vector<uint8_t> image = imageWithBlock(broken);
        CalibrationTable target;
        target.setDefaults("27mhz");
        EXPECT_FALSE(target.read(image.data(), image.size())) << damage.what;
        EXPECT_EQ(target.frequency(0), 27120000.0) << damage.what;
        EXPECT_EQ(target.harmonicCount(0), 3) << damage.what;
    }
    // An image that ends inside the block.
    const std::vector<uint8_t> image = imageWithBlock(block);
    CalibrationTable target;
    EXPECT_FALSE(target.read(image.data(), 0x40 + 50));
    EXPECT_FALSE(target.read(image.data(), 10));
    EXPECT_EQ(target.frequencyCount(), 0);
}

TEST(CalibrationTable, ReadsTheOlderFormThroughTheVariantDefaults)
{
    std::vector<uint8_t> image(0x4000, 0xFF);
    const char variant[] = "40mhz";
    std::copy(variant, variant + 5, image.begin() + 24);
    auto record = [&image](int n, int16_t key, float first) {
        uint8_t* at = image.data() + 66 + 30 * n;
        le::putU16(at, static_cast<uint16_t>(key));
        for (int v = 0; v < 7; ++v)
            le::putF32(at + 2 + 4 * v, first + v);
    };
    le::putU16(image.data() + 0x40, 3);
    record(0, -115, 1.0f); // window 111-121
    record(1, 230, 2.0f);  // window 227-237
    record(2, 500, 3.0f);  // in no window: skipped
    CalibrationTable table;
    ASSERT_TRUE(table.read(image.data(), image.size()));
    ASSERT_EQ(table.harmonic(0, 0).points.size(), 1u);
    const CalibrationPoint& first = table.harmonic(0, 0).points.front();
    EXPECT_EQ(first.key, 115);
    EXPECT_TRUE(first.negative);
    EXPECT_EQ(first.values[0], 0.0);
    EXPECT_EQ(first.values[1], 1.0);
    EXPECT_EQ(first.values[7], 7.0);
    EXPECT_EQ(table.harmonic(0, 1).points.size(), 1u);
    EXPECT_EQ(table.harmonic(0, 2).points.size(), 0u);

    le::putU16(image.data() + 0x40, 271);
    CalibrationTable tooMany;
    EXPECT_FALSE(tooMany.read(image.data(), image.size()));
    le::putU16(image.data() + 0x40, 0xFFFF);
    EXPECT_TRUE(tooMany.read(image.data(), image.size()));
    image[24] = 'x';
    le::putU16(image.data() + 0x40, 1);
    EXPECT_FALSE(tooMany.read(image.data(), image.size())) << "unknown variant";
}

TEST(CalibrationTable, UnscrambleUndoesScramble)
{
    std::vector<uint8_t> block(200);
    std::iota(block.begin(), block.end(), 0);
    const std::vector<uint8_t> original = block;
    for (const int seed : {1, 0x1234567, -99}) {
        scrambleBlock(block.data(), block.size(), seed, 10, 150);
        EXPECT_NE(block, original);
        EXPECT_TRUE(std::equal(original.begin(), original.begin() + 10, block.begin()))
            << "outside the range";
        EXPECT_TRUE(std::equal(original.begin() + 160, original.end(), block.begin() + 160));
        unscrambleBlock(block.data(), block.size(), seed, 10, 150);
        EXPECT_EQ(block, original) << seed;
    }
    scrambleBlock(block.data(), block.size(), 7, 100, 101);
    scrambleBlock(block.data(), block.size(), 7, SIZE_MAX - 5, 10);
    EXPECT_EQ(block, original) << "ranges past the block's end do nothing";
}
