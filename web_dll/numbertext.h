#pragma once

#include <cstddef>
#include <cstdint>

// Reads numbers from the start of a span of text that need not be
// NUL-terminated, never looking past its end: strtol, strtoll and strtod
// semantics on a bounded copy, in the C locale whatever the process's.
// Integers out of range saturate. Any thread.
class NumberText
{
public:
    static std::int32_t toInt(const char* text, size_t length);
    static std::int64_t toInt64(const char* text, size_t length);
    static double toDouble(const char* text, size_t length);
    // Whether the whole span reads as one number (strtod; leading blanks
    // allowed), so that a word or an empty text is never taken for 0.
    static bool isNumber(const char* text, size_t length);
    // Truncates toward zero, saturating at the int32 range; NaN gives 0.
    static std::int32_t truncate(double value);
};
