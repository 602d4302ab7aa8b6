#include "measurementdecoding.h"

#include "littleendian.h"

#include <cmath>
#include <complex>
#include <vector>

namespace {

using Complex = std::complex<float>;

constexpr float kDegreesPerRadian = 180.0f / 3.14159265358979f;

Complex voltageAt(const uint8_t* harmonic)
{
    return Complex(le::f32(harmonic), le::f32(harmonic + 4));
}

Complex currentAt(const uint8_t* harmonic)
{
    return Complex(le::f32(harmonic + 8), le::f32(harmonic + 12));
}

// arg(I / V) in degrees; 0.0 without a voltage to refer to.
float guardedPhase(Complex voltage, Complex current)
{
    if (!(std::abs(voltage) > 0.0f))
        return 0.0f;
    return std::arg(current / voltage) * kDegreesPerRadian;
}

void writeHarmonic(double* out, Complex voltage, Complex current, double second, float phase)
{
    out[0] = std::abs(voltage);
    out[1] = second;
    out[2] = std::abs(current);
    out[3] = phase;
}

bool holds(int size, int offset, int bytes)
{
    return offset >= 0 && offset + bytes <= size;
}

// Both multi-frequency models: blocks in turn until the capacity or the
// frame ends. A block cut for lack of capacity, or one that the frame does
// not hold whole, ends the decoding (its successor's start is unknown).
template <typename VoltagePhase>
int decodeBlocks(const uint8_t* frame, int size, double* values, int capacity, VoltagePhase voltagePhase)
{
    const uint8_t letter = frame[0];
    int position = MeasurementDecoding::dataOffset(letter);
    int written = 0;
    while (position < size && written < capacity) {
        if (!holds(size, position, 5))
            break;
        values[written++] = le::f32(frame + position + 1);
        const int announced = frame[position];
        const int first = position + MeasurementDecoding::harmonicsOffset(
                                         MeasurementDecoding::FrameLayout::Standard, letter);
        const int inFrame = first <= size ? (size - first) / 16 : 0;
        const int room = (capacity - written) / 4;
        int decoded = announced;
        if (decoded > room)
            decoded = room;
        if (decoded > inFrame)
            decoded = inFrame;
        std::vector<Complex> voltages;
        for (int k = 0; k < decoded; ++k) {
            const uint8_t* harmonic = frame + first + 16 * k;
            const Complex voltage = voltageAt(harmonic);
            const Complex current = currentAt(harmonic);
            voltages.push_back(voltage);
            writeHarmonic(values + written, voltage, current, voltagePhase(voltages),
                          guardedPhase(voltage, current));
            written += 4;
        }
        if (decoded < announced)
            break;
        position = first + 16 * decoded;
    }
    return written;
}

} // namespace

int MeasurementDecoding::dataOffset(uint8_t letter)
{
    return letter == 'P' ? 19 : 11;
}

int MeasurementDecoding::harmonicsOffset(FrameLayout layout, uint8_t letter)
{
    return layout == FrameLayout::Standard && letter == 'P' ? 9 : 5;
}

int MeasurementDecoding::singleFrequency(const uint8_t* frame, int size, double* values, int capacity)
{
    const int data = dataOffset(frame[0]);
    if (capacity <= 0 || size <= data || !holds(size, data + 1, 4))
        return 0;
    values[0] = le::f32(frame + data + 1);
    const int harmonic = data + harmonicsOffset(FrameLayout::Standard, frame[0]);
    if (capacity < 5 || !holds(size, harmonic, 16))
        return 1;
    const Complex voltage = voltageAt(frame + harmonic);
    const Complex current = currentAt(frame + harmonic);
    writeHarmonic(values + 1, voltage, current, 0.0, guardedPhase(voltage, current));
    return 5;
}

int MeasurementDecoding::multiFrequency(const uint8_t* frame, int size, double* values, int capacity)
{
    return decodeBlocks(frame, size, values, capacity, [](const std::vector<Complex>&) { return 0.0; });
}

int MeasurementDecoding::kadro(const uint8_t* frame, int size, double* values, int capacity)
{
    // Each harmonic's voltage phase relative to k times the fundamental's.
    // A block whose fundamental voltage is zero has no reference angle: the
    // phases of that block come out as NaN, which is what the sensor's own
    // software shows for it, so it is kept rather than hidden as 0.
    return decodeBlocks(frame, size, values, capacity, [](const std::vector<Complex>& voltages) -> double {
        const size_t k = voltages.size();
        if (k == 1)
            return 0.0;
        const Complex fundamental = voltages.front();
        const float reference = std::arg(Complex(std::abs(fundamental), 0.0f) / fundamental);
        const float angle = static_cast<float>(k) * reference;
        const Complex turn(std::cos(angle), std::sin(angle));
        return std::arg(turn * voltages.back()) * kDegreesPerRadian;
    });
}

int MeasurementDecoding::morvek(const uint8_t* frame, int size, double* values, int capacity)
{
    const uint8_t letter = frame[0];
    const bool pulse = letter == 'P';
    const double x1 = pulse && holds(size, 11, 4) ? le::f32(frame + 11) : 0.0;
    const double x2 = pulse && holds(size, 15, 4) ? le::f32(frame + 15) : 0.0;
    const int data = dataOffset(letter);
    if (size <= data || !holds(size, data + 1, 4)) {
        if (capacity < 2)
            return 0;
        values[0] = x1;
        values[1] = x2;
        return 2;
    }
    if (capacity <= 0)
        return 0;
    int written = 0;
    values[written++] = le::f32(frame + data + 1);
    const int harmonic = data + harmonicsOffset(FrameLayout::Morvek, letter);
    if (capacity >= 5 && holds(size, harmonic, 16)) {
        const Complex voltage = voltageAt(frame + harmonic);
        const Complex current = currentAt(frame + harmonic);
        // No zero-voltage guard in this model: a zero voltage gives the
        // IEEE quotient's angle (NaN or +-180/0), as the sensor family's
        // software reports it for this model.
        writeHarmonic(values + written, voltage, current, 0.0,
                      std::arg(current / voltage) * kDegreesPerRadian);
        written += 4;
        if (capacity >= 7) {
            values[written++] = x1;
            values[written++] = x2;
        }
        return written;
    }
    if (capacity >= 3) {
        values[written++] = x1;
        values[written++] = x2;
    }
    return written;
}
