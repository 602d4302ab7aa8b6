#pragma once

#include "web_dll/sensorstate.h"

#include <cstdint>

// What the library derives from a sensor's firmware texts. Pure functions.
class FirmwareInfo
{
public:
    enum Model : std::int32_t { Unknown = 0, Tavi = 1, Renu = 3, Kadro = 4 };

    // The version in a revision text such as "v5.23" or "FW v4.10b".
    static int major(const char* revision);
    static int minor(const char* revision);
    // The first model word found in the firmware text decides.
    static std::int32_t model(const char* firmware);
    static const char* capabilityText(std::int32_t model);
    static DataEndpoint dataEndpoint(int major, int minor);
    // The model word a caller is shown: "Tavi", "Kadro", else "Renu".
    static const char* variantWord(std::int32_t model);
};
