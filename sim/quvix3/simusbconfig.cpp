#include "sim/quvix3/simusbconfig.h"

#include <cstdlib>
#include <sstream>

namespace quvixsim {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parseDouble(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

bool parseInt(const std::string& text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    value = static_cast<int>(parsed);
    return end != text.c_str() && *end == '\0';
}

bool parseBool(const std::string& text, bool& value)
{
    if (text == "yes" || text == "1" || text == "true") {
        value = true;
        return true;
    }
    if (text == "no" || text == "0" || text == "false") {
        value = false;
        return true;
    }
    return false;
}

// "frequency = Hz harmonics [resistance reactance [voltage]]"
bool parseFrequency(const std::string& text, SimFrequency& frequency)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    if (words.size() < 2 || words.size() > 5 || words.size() == 3)
        return false;
    bool ok = parseDouble(words[0], frequency.hz) && parseInt(words[1], frequency.harmonics);
    if (words.size() >= 4)
        ok = ok && parseDouble(words[2], frequency.load.resistance) &&
             parseDouble(words[3], frequency.load.reactance);
    if (words.size() == 5)
        ok = ok && parseDouble(words[4], frequency.load.voltage);
    return ok && frequency.harmonics >= 0 && frequency.harmonics <= 16;
}

// Sensor-wide load keys apply to every frequency, given before or after it.
struct LoadDefaults {
    double harmonicDecay = 0.3;
    double driftFraction = 0.0;
    double driftPeriodSeconds = 60.0;
};

bool applyKey(SimUsbSensorConfig& sensor, LoadDefaults& load, const std::string& key,
              const std::string& value)
{
    if (key == "serial")
        sensor.serial = value;
    else if (key == "model")
        return parseInt(value, sensor.model);
    else if (key == "firmwareMajor")
        return parseInt(value, sensor.firmwareMajor);
    else if (key == "firmwareMinor")
        return parseInt(value, sensor.firmwareMinor);
    else if (key == "firmwareRevision")
        sensor.firmwareRevision = value;
    else if (key == "fpgaRevision")
        sensor.fpgaRevision = value;
    else if (key == "capabilities")
        sensor.capabilities = value;
    else if (key == "variant")
        sensor.variant = value;
    else if (key == "allowedHarmonics")
        sensor.allowedHarmonics = value;
    else if (key == "delayResolution")
        return parseDouble(value, sensor.delayResolution);
    else if (key == "lowSignal")
        return parseBool(value, sensor.lowSignalMode);
    else if (key == "frequency") {
        SimFrequency frequency;
        if (!parseFrequency(value, frequency))
            return false;
        sensor.frequencies.push_back(frequency);
    } else if (key == "harmonicDecay")
        return parseDouble(value, load.harmonicDecay);
    else if (key == "drift")
        return parseDouble(value, load.driftFraction);
    else if (key == "driftPeriod")
        return parseDouble(value, load.driftPeriodSeconds);
    else if (key == "pulsePeriod")
        return parseDouble(value, sensor.pulse.periodMicroseconds);
    else if (key == "pulseOnTime")
        return parseDouble(value, sensor.pulse.onTimeMicroseconds);
    else if (key == "presence")
        sensor.presenceFile = value;
    else if (key == "attached")
        return parseBool(value, sensor.attached);
    else if (key == "fault") {
        const auto fault = usbFaultFromName(value);
        if (!fault)
            return false;
        sensor.fault = *fault;
    } else
        return false;
    return true;
}

void finishSensor(SimUsbSensorConfig& sensor, const LoadDefaults& load)
{
    for (SimFrequency& frequency : sensor.frequencies) {
        frequency.load.harmonicDecay = load.harmonicDecay;
        frequency.load.driftFraction = load.driftFraction;
        frequency.load.driftPeriodSeconds = load.driftPeriodSeconds;
    }
}

} // namespace

std::optional<UsbFault> usbFaultFromName(const std::string& name)
{
    if (name == "none")
        return UsbFault::None;
    if (name == "nan")
        return UsbFault::NanValues;
    if (name == "shortcount")
        return UsbFault::ShortCount;
    if (name == "overcount")
        return UsbFault::OverCount;
    if (name == "noremaining")
        return UsbFault::NoRemaining;
    if (name == "readfail")
        return UsbFault::ReadFail;
    return std::nullopt;
}

std::optional<std::vector<SimUsbSensorConfig>> SimUsbConfig::parse(const std::string& text,
                                                                   std::string& error)
{
    std::vector<SimUsbSensorConfig> sensors;
    std::vector<LoadDefaults> loads;
    std::istringstream in(text);
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        line = trimmed(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        if (line == "[sensor]") {
            sensors.emplace_back();
            loads.emplace_back();
            sensors.back().serial = "QVXSIM" + std::to_string(sensors.size());
            continue;
        }
        const auto equals = line.find('=');
        if (sensors.empty() || equals == std::string::npos ||
            !applyKey(sensors.back(), loads.back(), trimmed(line.substr(0, equals)),
                      trimmed(line.substr(equals + 1)))) {
            error = "line " + std::to_string(lineNumber) + ": cannot use \"" + line + "\"";
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < sensors.size(); ++i)
        finishSensor(sensors[i], loads[i]);
    return sensors;
}

std::vector<SimUsbSensorConfig> SimUsbConfig::defaultSensors()
{
    SimUsbSensorConfig sensor;
    sensor.serial = "QVXSIM0001";
    SimFrequency frequency;
    frequency.load.driftFraction = 0.05;
    frequency.load.driftPeriodSeconds = 120.0;
    sensor.frequencies.push_back(frequency);
    sensor.pulse.periodMicroseconds = 1000.0;
    sensor.pulse.onTimeMicroseconds = 400.0;
    return {sensor};
}

} // namespace quvixsim
