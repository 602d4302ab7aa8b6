#pragma once

#include "web_dll/pulsemonitorsettings.h"
#include "web_dll/sensoridentity.h"
#include "web_dll/triggersettings.h"

// The three POST bodies that carry settings to the sensor, composed into a
// caller's buffer with bounded formatting. Each returns the body's length
// (the text, without its NUL) or -1 when it would not fit. Stateless.
class RequestBodies
{
public:
    static constexpr int bufferSize = 1024;

    // Refresh rate, the first `frequencyCount` selected harmonics, signal lock.
    static int config(char* buffer, int size, const SensorIdentity& requested, int frequencyCount);
    static int fpga(char* buffer, int size, const TriggerSettings& trigger);
    // Clears the one-shot requests it writes into the body.
    static int data3(char* buffer, int size, PulseMonitorSettings& settings);
};
