#pragma once

#include <array>

// The 8-digit codes that unlock the sensor's calibration and service modes.
// They are assembled at run time so that they never stand whole in the binary.
std::array<char, 8> calibrationAccessCode();
std::array<char, 8> serviceAccessCode();
