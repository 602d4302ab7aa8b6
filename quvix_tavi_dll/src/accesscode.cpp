#include "accesscode.h"

namespace {

std::array<char, 8> digitsOf(unsigned long seed, unsigned long step)
{
    std::array<char, 8> code{};
    unsigned long value = seed;
    for (char& digit : code) {
        digit = static_cast<char>('0' + value % 10);
        value = value / 10 + step;
    }
    return code;
}

} // namespace

std::array<char, 8> calibrationAccessCode()
{
    return digitsOf(73519UL * 1301UL, 7UL);
}

std::array<char, 8> serviceAccessCode()
{
    return digitsOf(60013UL * 977UL, 3UL);
}
