#pragma once

#include <cstdint>

// The pulse-monitor settings the caller asked for, with the two one-shot
// requests that go out with the next send. A plain value guarded by its
// connection.
struct PulseMonitorSettings {
    std::int32_t monitorPulse = 0;
    double thresholdPercent = 0.0;
    std::int32_t trim = 0;
    bool resetEnergyRequested = false;
    bool thresholdSet = false;
};
