#pragma once

#include <cstdint>

// The per-model rules that turn one measurement frame ('D', 'H', 'P',
// header included) into a flat array of doubles. Each gives the number of
// values written, never more than capacity, and reads nothing past size.
// Pure functions; any thread.
namespace MeasurementDecoding {

// Where a model's frames put a block's harmonics.
enum class FrameLayout {
    // 'P' blocks carry four undecoded bytes between the leading value and
    // the harmonics.
    Standard,
    // The morvek sensor's blocks have no such gap, whatever the letter.
    Morvek,
};

// Leading value, then |V|, 0.0, |I|, phase of the one harmonic.
int singleFrequency(const uint8_t* frame, int size, double* values, int capacity);
// Per block: leading value, then per harmonic |V|, 0.0, |I|, phase.
int multiFrequency(const uint8_t* frame, int size, double* values, int capacity);
// As multiFrequency with each harmonic's voltage phase in place of 0.0.
int kadro(const uint8_t* frame, int size, double* values, int capacity);
// As singleFrequency, then the two pulse header values.
int morvek(const uint8_t* frame, int size, double* values, int capacity);

// The offset of the first frequency block: 19 for 'P' frames, else 11.
int dataOffset(uint8_t letter);
// The offset of a block's first harmonic from the block's start, for a
// model's layout and a frame letter. The decoders and the averaged read
// both take it from here, so that they cannot disagree.
int harmonicsOffset(FrameLayout layout, uint8_t letter);

} // namespace MeasurementDecoding
