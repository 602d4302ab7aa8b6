#pragma once

#include <cstdint>

// The sensor's trigger settings in its raw units (Trigger_Level 8192 = 100 %),
// named as the sensor names them. A plain value guarded by its connection.
struct TriggerSettings {
    std::int32_t Accumulations = 0;
    std::int32_t Trigger_Level = 0;
    std::int32_t Trigger_Holdoff = 0;
    std::int32_t Trigger_Delay = 0;
    std::int32_t External_trigger = 0;
    bool pulse = false; // send to the pulse-mode address
};
