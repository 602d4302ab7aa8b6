#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One calibration point: the magnitude of its signed key, the key's sign
// and eight values.
struct CalibrationPoint {
    int key = 0;
    bool negative = false;
    double values[8] = {};
};

// One harmonic of a calibration frequency: a window of point keys and the
// points that lie in it.
struct CalibrationHarmonic {
    int windowStart = 0;
    int windowEnd = 0;
    std::vector<CalibrationPoint> points;
    bool enabled = false;
};

struct CalibrationFrequency {
    double frequency = 0.0;
    std::vector<CalibrationHarmonic> harmonics;
};

// A sensor's calibration data as the host holds it, with the block formats
// in which it lies in sensor memory from 0x0040: format 4 (any number of
// frequencies), format 2 (one frequency), and an older unversioned form
// that is only read. A plain value owned by its device object; one thread.
// A read or serialisation that fails leaves the table as it was.
class CalibrationTable
{
public:
    static constexpr int kBlockAddress = 0x0040;
    static constexpr int kBlockLimit = 0x2000; // a block must end by here
    static constexpr int kMaxHarmonics = 20;
    static constexpr int kMaxPoints = 20;

    void clear();
    int addFrequency(double frequency);
    int addHarmonic(int frequencyIndex, int windowStart, int windowEnd);
    void addPoint(int frequencyIndex, int harmonicIndex, const CalibrationPoint& point);
    void setFrequency(int index, double frequency);
    double frequency(int index) const;
    int frequencyCount() const { return static_cast<int>(m_frequencies.size()); }
    int harmonicCount(int frequencyIndex) const;
    const CalibrationHarmonic& harmonic(int frequencyIndex, int harmonicIndex) const;
    const CalibrationPoint& findPoint(unsigned frequencyIndex, unsigned harmonicIndex, int key) const;
    bool enableHarmonic(unsigned frequencyIndex, unsigned harmonicIndex);
    bool disableAllHarmonics();
    void setCoefficients(float a, float b);
    bool setDefaults(const char* variantName);

    double referenceFrequency() const { return m_referenceFrequency; }
    float coefficientA() const { return m_coefficientA; }
    float coefficientB() const { return m_coefficientB; }
    uint32_t timestamp() const { return m_timestamp; }

    // Format 4 / format 2 into buffer: the block's length, or -1 when it
    // does not fit or holds what a read would refuse.
    int serialize(uint8_t* buffer, int size);
    int serializeSingle(uint8_t* buffer, int size);
    // Whether a block written now would read back (reference frequency in range).
    bool isReadable() const;

    // Reads the block at 0x0040 of an image of sensor memory from address 0.
    bool read(const uint8_t* image, size_t imageSize);
    bool readLegacy(const uint8_t* image, size_t imageSize);

private:
    bool serializable() const;
    int writeBlock(uint8_t* buffer, int size, bool single);

    std::vector<CalibrationFrequency> m_frequencies;
    double m_referenceFrequency = 0.0;
    float m_coefficientA = 0.0f;
    float m_coefficientB = 0.0f;
    uint32_t m_timestamp = 0;
};

// Scrambles and unscrambles bytes offset..offset+length of a block in place
// with a seeded shift register; nothing happens when the range does not lie
// inside the block. unscrambleBlock with the same seed undoes scrambleBlock.
void scrambleBlock(uint8_t* data, size_t size, int seed, size_t offset, size_t length);
void unscrambleBlock(uint8_t* data, size_t size, int seed, size_t offset, size_t length);
