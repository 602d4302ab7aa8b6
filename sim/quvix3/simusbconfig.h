#pragma once

#include "sim/rfload/rfloadmodel.h"

#include <optional>
#include <string>
#include <vector>

namespace quvixsim {

// Faults a simulated USB sensor can be switched into.
enum class UsbFault { None, NanValues, ShortCount, OverCount, NoRemaining, ReadFail };

std::optional<UsbFault> usbFaultFromName(const std::string& name);

struct SimFrequency {
    double hz = 13560000.0;
    int harmonics = 5;
    RfLoadSettings load;
};

// Identity and behaviour of one simulated USB sensor.
struct SimUsbSensorConfig {
    std::string serial;
    int model = 3;
    int firmwareMajor = 5;
    int firmwareMinor = 18;
    std::string firmwareRevision = "Renu v5.18.2";
    std::string fpgaRevision = "FPGA 2.7";
    std::string capabilities = "Pulse=Y;Vi=Y;MultipleFrequency=N";
    std::string variant = "Renu";
    std::string allowedHarmonics = "31";
    double delayResolution = 1.0 / 34764706.0;
    bool lowSignalMode = true;
    std::vector<SimFrequency> frequencies;
    PulseTiming pulse;
    std::string presenceFile; // attached only while this file exists, when set
    bool attached = true;
    UsbFault fault = UsbFault::None;
};

// The configuration text: "#" comments, "[sensor]" opens a sensor, then
// "key = value" lines (sim/quvix3/README.md lists the keys).
class SimUsbConfig
{
public:
    // Parses the text; on failure returns nothing and sets error.
    static std::optional<std::vector<SimUsbSensorConfig>> parse(const std::string& text, std::string& error);
    // The sensor presented when no configuration is given.
    static std::vector<SimUsbSensorConfig> defaultSensors();
};

} // namespace quvixsim
