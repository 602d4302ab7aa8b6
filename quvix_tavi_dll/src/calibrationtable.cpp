#include "calibrationtable.h"

#include "littleendian.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

const CalibrationHarmonic kEmptyHarmonic{};
const CalibrationPoint kEmptyPoint{};

constexpr double kMinReference = 1000000.0;
constexpr double kMaxReference = 1000000000.0;
constexpr double kMinFrequency = 10000.0;
constexpr double kMaxFrequency = 1000000000.0;
constexpr int kHeaderSize4 = 28;
constexpr int kHeaderSize2 = 36;
constexpr int kFrequencyRecord = 10;
constexpr int kHarmonicRecord = 6;
constexpr int kPointRecord = 34;
constexpr int kLegacyRecord = 30;
constexpr int kMaxLegacyRecords = 270;

struct Window {
    int start;
    int end;
};

struct DefaultsRow {
    const char* name;
    double frequency;
    bool pulsed;
    int harmonics;
    std::vector<Window> windows;
};

const std::vector<DefaultsRow>& defaultsTable()
{
    static const std::vector<DefaultsRow> rows = {
        {"13mhz", 13560000, false, 5, {{127, 137}, {242, 252}, {111, 121}, {11, 21}, {143, 153}}},
        {"40mhz", 40000000, false, 3, {{111, 121}, {227, 237}, {160, 170}}},
        {"1mhz", 1000000, false, 5, {{8, 11}, {17, 22}, {24, 34}, {34, 44}, {44, 54}}},
        {"2mhz", 2000000, false, 5, {{14, 24}, {34, 44}, {53, 63}, {73, 83}, {92, 102}}},
        {"3.39mhz", 3390000, false, 5, {{27, 37}, {61, 71}, {94, 104}, {127, 137}, {160, 170}}},
        {"6.78mhz", 6780000, false, 5, {{61, 71}, {127, 137}, {193, 203}, {242, 252}, {176, 186}}},
        {"8mhz", 8000000, false, 5, {{73, 83}, {151, 161}, {229, 239}, {195, 205}, {117, 127}}},
        {"10mhz", 10000000, false, 5, {{92, 102}, {190, 200}, {215, 225}, {117, 127}, {20, 30}}},
        {"12mhz", 12560000, false, 5, {{117, 127}, {239, 249}, {140, 150}, {17, 27}, {95, 105}}},
        {"27mhz", 27120000, false, 3, {{244, 254}, {9, 19}, {230, 240}}},
        // Five harmonics, windows known for the first three only.
        {"81mhz", 81000000, false, 5, {{227, 237}, {44, 54}, {178, 188}}},
        {"60mhz", 60000000, false, 3, {{67, 77}, {130, 149}, {200, 222}}},
        {"13mhz+p", 13560000, true, 5, {{65, 69}, {120, 124}, {53, 57}, {11, 15}, {78, 82}}},
        {"2mhz+p", 2000000, true, 5, {{7, 12}, {17, 22}, {27, 32}, {37, 42}, {47, 52}}},
        {"80mhz+p", 80000000, true, 3, {{114, 118}, {23, 27}, {89, 93}}},
        {"40mhz+p", 40680000, true, 3, {{52, 56}, {107, 111}, {90, 94}}},
    };
    return rows;
}

bool sameNameIgnoringCase(const std::string& a, const char* b)
{
    const std::string other = b;
    if (a.size() != other.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(other[i])))
            return false;
    return true;
}

bool fitsS16(long long value)
{
    return value >= -32768 && value <= 32767;
}

// Reads little-endian fields from the image, refusing anything past its end.
class ImageReader
{
public:
    ImageReader(const uint8_t* image, size_t size)
        : m_image(image)
        , m_size(size)
    {
    }
    bool has(size_t at, size_t bytes) const { return m_image && at <= m_size && bytes <= m_size - at; }
    int s16(size_t at) const { return static_cast<int16_t>(le::u16(m_image + at)); }
    uint16_t u16(size_t at) const { return le::u16(m_image + at); }
    uint32_t u32(size_t at) const { return le::u32(m_image + at); }
    float f32(size_t at) const { return le::f32(m_image + at); }
    double f64(size_t at) const { return le::f64(m_image + at); }
    uint8_t byte(size_t at) const { return m_image[at]; }

private:
    const uint8_t* m_image;
    size_t m_size;
};

// The shift register of the block scrambling.
class ScrambleState
{
public:
    explicit ScrambleState(int seed)
        : m_state(static_cast<uint32_t>(seed))
    {
    }
    uint32_t step()
    {
        const uint32_t feedback = ((m_state >> 1) ^ (m_state >> 16)) & 1u;
        m_state = (m_state << 1) | feedback;
        return m_state;
    }

private:
    uint32_t m_state;
};

std::vector<size_t> permutation(ScrambleState& state, size_t n)
{
    std::vector<size_t> p(n);
    for (size_t i = 0; i < n; ++i)
        p[i] = i;
    for (size_t j = 0; j + 1 < n; ++j) {
        const uint32_t value = state.step();
        const size_t k = j + value % (n - j);
        std::swap(p[j], p[k]);
    }
    return p;
}

bool rangeInside(size_t size, size_t offset, size_t length)
{
    return offset <= size && length <= size - offset;
}

// The walk that scrambling and unscrambling share, so both draw the shift
// register in the same order: the block in pieces of 32 bytes (the last may
// be shorter), each given its permutation and then its key bytes.
template <typename Mix>
void forEachScramblePiece(uint8_t* data, size_t size, int seed, size_t offset, size_t length, Mix mix)
{
    if (!data || !rangeInside(size, offset, length))
        return;
    ScrambleState state(seed);
    for (size_t start = 0; start < length; start += 32) {
        const size_t n = std::min<size_t>(32, length - start);
        const std::vector<size_t> p = permutation(state, n);
        std::vector<uint8_t> key(n);
        for (uint8_t& byte : key)
            byte = static_cast<uint8_t>(state.step() & 0xFF);
        mix(data + offset + start, p, key);
    }
}

} // namespace

void CalibrationTable::clear()
{
    m_referenceFrequency = 0.0;
    m_frequencies.clear();
    m_coefficientA = 0.0f;
    m_coefficientB = 0.0f;
}

int CalibrationTable::addFrequency(double frequency)
{
    m_frequencies.push_back(CalibrationFrequency{frequency, {}});
    return static_cast<int>(m_frequencies.size()) - 1;
}

int CalibrationTable::addHarmonic(int frequencyIndex, int windowStart, int windowEnd)
{
    if (frequencyIndex < 0 || frequencyIndex >= frequencyCount())
        return -1;
    auto& harmonics = m_frequencies[static_cast<size_t>(frequencyIndex)].harmonics;
    harmonics.push_back(CalibrationHarmonic{windowStart, windowEnd, {}, false});
    return static_cast<int>(harmonics.size()) - 1;
}

void CalibrationTable::addPoint(int frequencyIndex, int harmonicIndex, const CalibrationPoint& point)
{
    if (harmonicIndex < 0 || harmonicIndex >= harmonicCount(frequencyIndex))
        return;
    m_frequencies[static_cast<size_t>(frequencyIndex)]
        .harmonics[static_cast<size_t>(harmonicIndex)]
        .points.push_back(point);
}

void CalibrationTable::setFrequency(int index, double frequency)
{
    if (index >= 0 && index < frequencyCount())
        m_frequencies[static_cast<size_t>(index)].frequency = frequency;
}

double CalibrationTable::frequency(int index) const
{
    return index >= 0 && index < frequencyCount() ? m_frequencies[static_cast<size_t>(index)].frequency : 0.0;
}

int CalibrationTable::harmonicCount(int frequencyIndex) const
{
    if (frequencyIndex < 0 || frequencyIndex >= frequencyCount())
        return 0;
    return static_cast<int>(m_frequencies[static_cast<size_t>(frequencyIndex)].harmonics.size());
}

const CalibrationHarmonic& CalibrationTable::harmonic(int frequencyIndex, int harmonicIndex) const
{
    if (harmonicIndex < 0 || harmonicIndex >= harmonicCount(frequencyIndex))
        return kEmptyHarmonic;
    return m_frequencies[static_cast<size_t>(frequencyIndex)].harmonics[static_cast<size_t>(harmonicIndex)];
}

const CalibrationPoint& CalibrationTable::findPoint(unsigned frequencyIndex, unsigned harmonicIndex,
                                                    int key) const
{
    if (frequencyIndex >= m_frequencies.size() ||
        harmonicIndex >= m_frequencies[frequencyIndex].harmonics.size())
        return kEmptyPoint;
    const auto& points = m_frequencies[frequencyIndex].harmonics[harmonicIndex].points;
    if (points.empty())
        return kEmptyPoint;
    const CalibrationPoint* nearest = &points.front();
    long long nearestDistance = std::llabs(static_cast<long long>(nearest->key) - key);
    for (const CalibrationPoint& point : points) {
        if (point.key == key)
            return point;
        const long long distance = std::llabs(static_cast<long long>(point.key) - key);
        if (distance < nearestDistance) {
            nearest = &point;
            nearestDistance = distance;
        }
    }
    return *nearest;
}

bool CalibrationTable::enableHarmonic(unsigned frequencyIndex, unsigned harmonicIndex)
{
    if (frequencyIndex >= m_frequencies.size() ||
        harmonicIndex >= m_frequencies[frequencyIndex].harmonics.size())
        return false;
    m_frequencies[frequencyIndex].harmonics[harmonicIndex].enabled = true;
    return true;
}

bool CalibrationTable::disableAllHarmonics()
{
    for (CalibrationFrequency& frequency : m_frequencies)
        for (CalibrationHarmonic& harmonic : frequency.harmonics)
            harmonic.enabled = false;
    return true;
}

void CalibrationTable::setCoefficients(float a, float b)
{
    m_coefficientA = a;
    m_coefficientB = b;
}

bool CalibrationTable::setDefaults(const char* variantName)
{
    m_referenceFrequency = 52570000.0;
    if (m_frequencies.empty())
        m_frequencies.push_back(CalibrationFrequency{});
    m_frequencies.resize(1);
    const std::string name = variantName ? variantName : "";
    const auto& rows = defaultsTable();
    const auto row = std::find_if(rows.begin(), rows.end(), [&name](const DefaultsRow& r) {
        return sameNameIgnoringCase(name, r.name);
    });
    if (row == rows.end()) {
        m_frequencies.clear();
        return false;
    }
    if (row->pulsed)
        m_referenceFrequency = 51800000.0;
    CalibrationFrequency& first = m_frequencies.front();
    first.frequency = row->frequency;
    // Fresh harmonics: nothing of an earlier table survives, not even in
    // harmonics for which the row has no window.
    first.harmonics.assign(static_cast<size_t>(row->harmonics), CalibrationHarmonic{});
    for (size_t k = 0; k < row->windows.size(); ++k) {
        first.harmonics[k].windowStart = row->windows[k].start;
        first.harmonics[k].windowEnd = row->windows[k].end;
    }
    for (CalibrationHarmonic& harmonic : first.harmonics)
        harmonic.enabled = true;
    return true;
}

bool CalibrationTable::serializable() const
{
    for (const CalibrationFrequency& frequency : m_frequencies) {
        if (!(frequency.frequency >= kMinFrequency && frequency.frequency <= kMaxFrequency))
            return false;
        if (frequency.harmonics.size() > static_cast<size_t>(kMaxHarmonics))
            return false;
        for (const CalibrationHarmonic& harmonic : frequency.harmonics) {
            if (!fitsS16(harmonic.windowStart) || !fitsS16(harmonic.windowEnd))
                return false;
            if (harmonic.points.size() > static_cast<size_t>(kMaxPoints))
                return false;
            for (const CalibrationPoint& point : harmonic.points)
                if (point.key < 0 ||
                    !fitsS16(point.negative ? -static_cast<long long>(point.key) : point.key))
                    return false;
        }
    }
    return true;
}

bool CalibrationTable::isReadable() const
{
    return m_referenceFrequency >= kMinReference && m_referenceFrequency <= kMaxReference && serializable();
}

int CalibrationTable::writeBlock(uint8_t* buffer, int size, bool single)
{
    if (!buffer || size < 32 || !serializable() || (single && m_frequencies.empty()))
        return -1;
    size_t length = single ? kHeaderSize2 : kHeaderSize4;
    const size_t written = single ? 1 : m_frequencies.size();
    for (size_t f = 0; f < written; ++f) {
        length += single ? 0 : kFrequencyRecord;
        for (const CalibrationHarmonic& harmonic : m_frequencies[f].harmonics)
            length += kHarmonicRecord + kPointRecord * harmonic.points.size();
    }
    if (length > static_cast<size_t>(size) || length > 0xFFFF)
        return -1;

    m_timestamp = static_cast<uint32_t>(std::time(nullptr));
    uint8_t* at = buffer;
    auto u16 = [&at](uint16_t v) { le::putU16(at, v), at += 2; };
    auto u32 = [&at](uint32_t v) { le::putU32(at, v), at += 4; };
    auto f32 = [&at](float v) { le::putF32(at, v), at += 4; };
    auto f64 = [&at](double v) { le::putF64(at, v), at += 8; };
    u16(0);
    u16(static_cast<uint16_t>(length));
    u16(single ? 2 : 4);
    u32(m_timestamp);
    f32(single ? 0.0f : m_coefficientA);
    f32(single ? 0.0f : m_coefficientB);
    f64(m_referenceFrequency);
    if (!single)
        u16(static_cast<uint16_t>(m_frequencies.size()));
    for (size_t f = 0; f < written; ++f) {
        f64(m_frequencies[f].frequency);
        u16(static_cast<uint16_t>(m_frequencies[f].harmonics.size()));
        for (const CalibrationHarmonic& harmonic : m_frequencies[f].harmonics) {
            u16(static_cast<uint16_t>(harmonic.windowStart));
            u16(static_cast<uint16_t>(harmonic.windowEnd));
            u16(static_cast<uint16_t>(harmonic.points.size()));
            for (const CalibrationPoint& point : harmonic.points) {
                u16(static_cast<uint16_t>(point.negative ? -point.key : point.key));
                f32(static_cast<float>(point.values[1]));
                f32(static_cast<float>(point.values[0]));
                for (int v = 2; v < 8; ++v)
                    f32(static_cast<float>(point.values[v]));
            }
        }
    }
    return static_cast<int>(length);
}

int CalibrationTable::serialize(uint8_t* buffer, int size)
{
    return writeBlock(buffer, size, false);
}

int CalibrationTable::serializeSingle(uint8_t* buffer, int size)
{
    return writeBlock(buffer, size, true);
}

bool CalibrationTable::read(const uint8_t* image, size_t imageSize)
{
    const ImageReader in(image, imageSize);
    if (!in.has(kBlockAddress, 2))
        return false;
    if (in.u16(kBlockAddress) != 0)
        return readLegacy(image, imageSize);
    if (!in.has(68, 24))
        return false;
    const int version = in.s16(68);
    if (version != 2 && version != 3 && version != 4)
        return false;

    CalibrationTable next = *this;
    next.m_timestamp = in.u32(70);
    next.m_coefficientA = in.f32(74);
    next.m_coefficientB = in.f32(78);
    next.m_referenceFrequency = in.f64(82);
    if (!(next.m_referenceFrequency >= kMinReference && next.m_referenceFrequency <= kMaxReference))
        return false;
    size_t position = 90;
    int frequencies = 1;
    if (version != 2) {
        if (!in.has(90, 2))
            return false;
        frequencies = in.s16(90);
        position = 92;
    }
    next.m_frequencies.resize(static_cast<size_t>(std::max(frequencies, 0)));
    for (CalibrationFrequency& frequency : next.m_frequencies) {
        if (!in.has(position, 10))
            return false;
        frequency.frequency = in.f64(position);
        if (!(frequency.frequency >= kMinFrequency && frequency.frequency <= kMaxFrequency))
            return false;
        const int harmonics = in.s16(position + 8);
        position += 10;
        if (harmonics > kMaxHarmonics)
            return false;
        frequency.harmonics.resize(static_cast<size_t>(std::max(harmonics, 0)));
        for (CalibrationHarmonic& harmonic : frequency.harmonics) {
            if (!in.has(position, 6))
                return false;
            harmonic.windowStart = in.s16(position);
            harmonic.windowEnd = in.s16(position + 2);
            const int points = in.s16(position + 4);
            position += 6;
            if (points > kMaxPoints)
                return false;
            harmonic.points.resize(static_cast<size_t>(std::max(points, 0)));
            for (CalibrationPoint& point : harmonic.points) {
                if (!in.has(position, kPointRecord))
                    return false;
                const int signedKey = in.s16(position);
                point.key = std::abs(signedKey);
                point.negative = signedKey < 0;
                point.values[1] = in.f32(position + 2);
                point.values[0] = in.f32(position + 6);
                for (int v = 2; v < 8; ++v)
                    point.values[v] = in.f32(position + 2 + 4 * static_cast<size_t>(v));
                position += kPointRecord;
            }
            if (position > static_cast<size_t>(kBlockLimit))
                return false;
        }
        if (frequency.harmonics.empty() && position > static_cast<size_t>(kBlockLimit))
            return false;
    }
    if (!next.m_frequencies.empty()) {
        auto& first = next.m_frequencies.front().harmonics;
        const size_t enabled = version == 2 ? first.size() : std::min<size_t>(first.size(), 5);
        for (size_t k = 0; k < enabled; ++k)
            first[k].enabled = true;
    }
    *this = std::move(next);
    return true;
}

bool CalibrationTable::readLegacy(const uint8_t* image, size_t imageSize)
{
    const ImageReader in(image, imageSize);
    if (!in.has(24, 8) || !in.has(kBlockAddress, 2))
        return false;
    std::string name;
    for (size_t i = 24; i < 32 && in.byte(i) != 0 && in.byte(i) != 0xFF; ++i)
        name += static_cast<char>(in.byte(i));
    CalibrationTable next = *this;
    if (!next.setDefaults(name.c_str()))
        return false;
    const uint16_t records = in.u16(kBlockAddress);
    if (records != 0 && records != 0xFFFF) {
        size_t position = 66;
        for (int n = 0; n < records; ++n) {
            if (!in.has(position, kLegacyRecord))
                return false;
            const int signedKey = in.s16(position);
            CalibrationPoint point;
            point.key = std::abs(signedKey);
            point.negative = signedKey < 0;
            for (int v = 1; v < 8; ++v)
                point.values[v] = in.f32(position + 2 + 4 * static_cast<size_t>(v - 1));
            position += kLegacyRecord;
            for (CalibrationHarmonic& harmonic : next.m_frequencies.front().harmonics) {
                if (point.key >= harmonic.windowStart && point.key <= harmonic.windowEnd) {
                    harmonic.points.push_back(point);
                    break;
                }
            }
            if (n + 1 > kMaxLegacyRecords)
                return false;
        }
    }
    *this = std::move(next);
    return true;
}

void scrambleBlock(uint8_t* data, size_t size, int seed, size_t offset, size_t length)
{
    forEachScramblePiece(data, size, seed, offset, length,
                         [](uint8_t* piece, const std::vector<size_t>& p, const std::vector<uint8_t>& key) {
                             std::vector<uint8_t> mixed(p.size());
                             for (size_t j = 0; j < p.size(); ++j)
                                 mixed[p[j]] = static_cast<uint8_t>(piece[j] ^ key[j]);
                             std::copy(mixed.begin(), mixed.end(), piece);
                         });
}

void unscrambleBlock(uint8_t* data, size_t size, int seed, size_t offset, size_t length)
{
    forEachScramblePiece(data, size, seed, offset, length,
                         [](uint8_t* piece, const std::vector<size_t>& p, const std::vector<uint8_t>& key) {
                             std::vector<uint8_t> plain(p.size());
                             for (size_t j = 0; j < p.size(); ++j)
                                 plain[j] = static_cast<uint8_t>(piece[p[j]] ^ key[j]);
                             std::copy(plain.begin(), plain.end(), piece);
                         });
}
