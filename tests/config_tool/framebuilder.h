#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Builds sensor frames byte by byte for tests: type letter, u16 length
// (filled in by done()), payload.
class FrameBuilder
{
public:
    explicit FrameBuilder(char letter)
        : m_bytes{static_cast<uint8_t>(letter), 0, 0}
    {
    }

    FrameBuilder& u8(uint8_t value)
    {
        m_bytes.push_back(value);
        return *this;
    }
    FrameBuilder& u16(uint16_t value)
    {
        u8(static_cast<uint8_t>(value & 0xFF));
        return u8(static_cast<uint8_t>(value >> 8));
    }
    FrameBuilder& u32(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<uint8_t>(value >> (8 * i)));
        return *this;
    }
    FrameBuilder& f32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return u32(bits);
    }
    FrameBuilder& text(const std::string& value, size_t width)
    {
        for (size_t i = 0; i < width; ++i)
            u8(i < value.size() ? static_cast<uint8_t>(value[i]) : 0);
        return *this;
    }
    FrameBuilder& zeros(size_t count)
    {
        m_bytes.insert(m_bytes.end(), count, 0);
        return *this;
    }
    // Pads or cuts the whole frame to size bytes.
    FrameBuilder& resize(size_t size)
    {
        m_bytes.resize(size, 0);
        return *this;
    }
    size_t size() const { return m_bytes.size(); }
    uint8_t& at(size_t index) { return m_bytes[index]; }

    std::vector<uint8_t> done() const
    {
        std::vector<uint8_t> frame = m_bytes;
        const size_t length = frame.size() - 3;
        frame[1] = static_cast<uint8_t>(length & 0xFF);
        frame[2] = static_cast<uint8_t>(length >> 8);
        return frame;
    }

private:
    std::vector<uint8_t> m_bytes;
};

// One harmonic as it travels: voltage real, imaginary, current real, imaginary.
using HarmonicParts = std::array<float, 4>;

struct FrequencyBlockParts {
    float leading = 1.0f;
    std::vector<HarmonicParts> harmonics;
    int announced = -1; // the count byte; -1: the number of harmonics
};

// How a sensor lays out the blocks of its 'P' frames: most put four
// undecoded bytes after the leading value, the morvek sensor does not.
enum class BlockLayout { Standard, Morvek };

// A measurement frame: peak, tick counter, delay or time stamp, the 'P'
// header values and the frequency blocks.
inline std::vector<uint8_t> measurementFrame(char letter, uint16_t peak, uint16_t tick, uint32_t delayOrTime,
                                             const std::vector<FrequencyBlockParts>& blocks, float x1 = 0.0f,
                                             float x2 = 0.0f, BlockLayout layout = BlockLayout::Standard)
{
    FrameBuilder frame(letter);
    frame.u16(peak).u16(tick).u32(delayOrTime);
    if (letter == 'P')
        frame.f32(x1).f32(x2);
    for (const FrequencyBlockParts& block : blocks) {
        frame.u8(static_cast<uint8_t>(block.announced >= 0 ? block.announced : int(block.harmonics.size())));
        frame.f32(block.leading);
        if (letter == 'P' && layout == BlockLayout::Standard)
            frame.u32(0);
        for (const HarmonicParts& harmonic : block.harmonics)
            for (const float part : harmonic)
                frame.f32(part);
    }
    return frame.done();
}

// An info frame: type text, identity, capabilities, row count, then the tail.
inline FrameBuilder infoFrame(const std::string& type, uint8_t rows, uint8_t capabilities = 0x10,
                              const std::string& identity = "QX-ID")
{
    FrameBuilder frame('i');
    frame.text(type, 20).text(identity, 19).u8(capabilities).u8(rows);
    return frame;
}
