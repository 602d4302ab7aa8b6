#pragma once

#include "scans/frequencyrecord.h"

#include <cmath>
#include <cstddef>
#include <random>

namespace scantest {

// A slow sine wave with Gaussian noise (sigma 0.05), one sample per
// millisecond: a long curve whose reduction must keep its noise band.
// `seed` picks the noise, so that a run draws the same curve every time.
inline void noisyWave(std::size_t count, unsigned seed, Series& time, Series& values)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 0.05);
    time.resize(count);
    values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        time[i] = i * 1e-3;
        values[i] = std::sin(time[i] * 0.02) + noise(random);
    }
}

} // namespace scantest
