#include "sim/websensor/websensorstate.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>

namespace quvixsim {

namespace {

constexpr int shortestRefreshMs = 10;

// The POSTed settings are flat objects of "key":"value" and "key":[n,n]
// pairs; that is all the sensor needs to read.
std::map<std::string, std::string> flatObject(const std::string& rawBody, bool& ok)
{
    std::string body = rawBody;
    while (!body.empty() && (body.back() == '\0' || std::isspace(static_cast<unsigned char>(body.back()))))
        body.pop_back();
    const size_t first = body.find_first_not_of(" \t\r\n");
    ok = first != std::string::npos && body[first] == '{' && body.back() == '}' &&
         body.find('\0') == std::string::npos;
    std::map<std::string, std::string> pairs;
    if (!ok)
        return pairs;
    static const std::regex pair(R"re("([A-Za-z_0-9]+)"\s*:\s*("([^"]*)"|\[([^\]]*)\]|(-?[0-9.eE+-]+)))re");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), pair); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        pairs[m[1]] = m[3].matched ? m[3].str() : m[4].matched ? m[4].str() : m[5].str();
    }
    return pairs;
}

bool readInt(const std::map<std::string, std::string>& pairs, const char* key, int& value)
{
    const auto it = pairs.find(key);
    if (it == pairs.end())
        return false;
    value = static_cast<int>(std::strtol(it->second.c_str(), nullptr, 10));
    return true;
}

std::string number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

template <typename T, typename Format> std::string array(const std::vector<T>& values, Format format)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + format(values[i]);
    return out + "]";
}

} // namespace

WebSensorState::WebSensorState(const WebSensorOptions& sensorOptions)
    : options(sensorOptions)
    , start(std::chrono::steady_clock::now())
    , refresh(std::max(sensorOptions.refreshMs, shortestRefreshMs))
    , selected(sensorOptions.harmonics)
{
    for (size_t i = 0; i < options.frequenciesHz.size(); ++i)
        models.emplace_back(options.loadFor(i));
}

std::string WebSensorState::infoJson() const
{
    std::string json = "{\"serial_number\":" + quoted(options.serial) +
                       ",\"sensor_type\":" + quoted(options.sensorType) +
                       ",\"frequencies\":" + array(options.frequenciesHz, number) +
                       ",\"harmonics\":" + array(options.harmonics, [](int n) { return std::to_string(n); }) +
                       ",\"firmware\":" + quoted(options.firmwareText()) +
                       ",\"firmware_rev\":" + quoted(options.firmwareRevision) +
                       ",\"fpga_rev\":" + quoted(options.fpgaRevision);
    if (options.delayClockHz > 0)
        json += ",\"delay_clock\":" + quoted(std::to_string(options.delayClockHz));
    return json + "}";
}

std::string WebSensorState::configJson(const std::string& refreshText) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return "{\"refresh_rate\":\"" + (refreshText.empty() ? std::to_string(refresh) : refreshText) +
           "\",\"selected_harmonics\":" + array(selected, [](int n) { return std::to_string(n); }) +
           ",\"signal_lock\":" + quoted(lock) + "}";
}

std::string WebSensorState::fpgaJson() const
{
    std::lock_guard<std::mutex> guard(mutex);
    const TriggerState& t = triggerState;
    return "{\"Accumulations\":\"" + std::to_string(t.accumulations) + "\",\"Trigger_Delay\":\"" +
           std::to_string(t.triggerDelay) + "\",\"Trigger_Holdoff\":\"" + std::to_string(t.triggerHoldoff) +
           "\",\"Trigger_Level\":\"" + std::to_string(t.triggerLevel) + "\",\"External_trigger\":\"" +
           std::to_string(t.externalTrigger) + "\"}";
}

bool WebSensorState::applyConfig(const std::string& body)
{
    bool ok = false;
    const auto pairs = flatObject(body, ok);
    if (!ok)
        return false;
    std::lock_guard<std::mutex> guard(mutex);
    int rate = 0;
    if (readInt(pairs, "refresh_rate", rate) && rate > 0) {
        const std::int64_t now = currentTimestampLocked();
        anchorElapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        anchorTimestamp = now;
        refresh = std::max(rate, shortestRefreshMs);
    }
    if (const auto it = pairs.find("selected_harmonics"); it != pairs.end()) {
        std::istringstream in(it->second);
        std::string item;
        for (size_t i = 0; i < selected.size() && std::getline(in, item, ','); ++i) {
            const int n = static_cast<int>(std::strtol(item.c_str(), nullptr, 10));
            selected[i] = std::clamp(n, 0, options.harmonics[i]);
        }
    }
    if (const auto it = pairs.find("signal_lock"); it != pairs.end() && !it->second.empty())
        lock = it->second;
    return true;
}

bool WebSensorState::applyFpga(const std::string& body, bool pulse)
{
    bool ok = false;
    const auto pairs = flatObject(body, ok);
    if (!ok)
        return false;
    std::lock_guard<std::mutex> guard(mutex);
    readInt(pairs, "Accumulations", triggerState.accumulations);
    readInt(pairs, "Trigger_Delay", triggerState.triggerDelay);
    readInt(pairs, "Trigger_Holdoff", triggerState.triggerHoldoff);
    readInt(pairs, "Trigger_Level", triggerState.triggerLevel);
    readInt(pairs, "External_trigger", triggerState.externalTrigger);
    triggerState.pulseTriggered = pulse;
    return true;
}

bool WebSensorState::applyData3(const std::string& body)
{
    bool ok = false;
    const auto pairs = flatObject(body, ok);
    if (!ok)
        return false;
    std::lock_guard<std::mutex> guard(mutex);
    readInt(pairs, "monitor_pulse", pulseState.monitorPulse);
    int reset = 0;
    if (readInt(pairs, "reset_accumulated_energy", reset) && reset)
        ++pulseState.energyResets;
    readInt(pairs, "pulse_threshold_percent", pulseState.thresholdPercent);
    readInt(pairs, "pulse_trim", pulseState.trim);
    return true;
}

std::int64_t WebSensorState::currentTimestampLocked()
{
    const std::int64_t elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    return anchorTimestamp + (elapsed - anchorElapsedMs) / refresh * refresh;
}

double WebSensorState::secondsAt(std::int64_t timestamp)
{
    return static_cast<double>(timestamp) / 1000.0;
}

std::string WebSensorState::channelJson(size_t index, std::int64_t timestamp, int values, bool withTimestamp,
                                        bool integerFrequency) const
{
    const RfLoadModel& load = models[index];
    const double t = secondsAt(timestamp);
    std::vector<HarmonicReading> readings;
    for (int h = 0; h < values; ++h)
        readings.push_back(load.harmonicAt(h, t));
    const auto field = [&](double HarmonicReading::*member) {
        std::vector<double> column;
        for (const HarmonicReading& r : readings)
            column.push_back(r.*member);
        return array(column, number);
    };
    std::string json = "{";
    if (withTimestamp)
        json += "\"timestamp\":" + std::to_string(timestamp) + ",";
    const double frequency = options.frequenciesHz[index];
    json += "\"frequency\":" +
            (integerFrequency ? std::to_string(static_cast<long long>(frequency)) : number(frequency));
    if (!withTimestamp)
        json += ",\"power\":" + number(load.powerAt(t));
    json += ",\"voltage\":" + field(&HarmonicReading::voltage) +
            ",\"current\":" + field(&HarmonicReading::current) +
            ",\"phase_V\":" + field(&HarmonicReading::voltagePhase) +
            ",\"phase\":" + field(&HarmonicReading::currentPhase);
    return json + "}";
}

WebSensorState::Sample WebSensorState::sample(SampleFormat format, bool repeatTimestamps, bool longArrays)
{
    std::unique_lock<std::mutex> guard(mutex);
    std::int64_t timestamp = currentTimestampLocked();
    if (firstTimestamp < 0)
        firstTimestamp = timestamp;
    if (repeatTimestamps)
        timestamp = firstTimestamp;
    const std::vector<int> harmonicsSent = selected;
    const TriggerState trig = triggerState;
    guard.unlock();

    const int peak = static_cast<int>(options.peakPercent * 8192.0 / 100.0);
    const double pulseOnUs = options.pulse.isPulsed() ? options.pulse.onTimeMicroseconds : 0.0;
    const auto valuesFor = [&](size_t i) { return longArrays ? 20 : harmonicsSent[i]; };

    Sample out;
    out.timestamp = timestamp;
    if (format == SampleFormat::Data) {
        std::string json = "[";
        for (size_t i = 0; i < models.size(); ++i) {
            std::string channel = channelJson(i, timestamp, valuesFor(i), true, false);
            channel.pop_back();
            channel +=
                ",\"delay\":" + std::to_string(trig.triggerDelay) + ",\"peak\":" + std::to_string(peak) + "}";
            json += (i ? "," : "") + channel;
        }
        out.json = json + "]";
        return out;
    }
    std::string json = "{\"timestamp\":" + std::to_string(timestamp) + ",\"peak\":" + std::to_string(peak) +
                       ",\"delay\":" + std::to_string(trig.triggerDelay) +
                       ",\"pulse_on_time_us\":" + number(pulseOnUs) +
                       ",\"pulse_period_us\":" + number(options.pulse.periodMicroseconds);
    if (format == SampleFormat::Data3)
        json += ",\"accumulations\":" + std::to_string(trig.accumulations);
    json += ",\"channel\":[";
    for (size_t i = 0; i < models.size(); ++i)
        json += (i ? "," : "") + channelJson(i, timestamp, valuesFor(i), false, true);
    out.json = json + "]}";
    return out;
}

void WebSensorState::forceSelection(const std::vector<int>& harmonics)
{
    std::lock_guard<std::mutex> guard(mutex);
    for (size_t i = 0; i < selected.size() && i < harmonics.size(); ++i)
        selected[i] = harmonics[i];
}

void WebSensorState::jumpTimestamps(std::int64_t milliseconds)
{
    std::lock_guard<std::mutex> guard(mutex);
    anchorTimestamp += milliseconds;
}

int WebSensorState::refreshMs() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return refresh;
}

std::vector<int> WebSensorState::selectedHarmonics() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return selected;
}

std::string WebSensorState::signalLock() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return lock;
}

TriggerState WebSensorState::trigger() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return triggerState;
}

PulseMonitorState WebSensorState::pulseMonitor() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return pulseState;
}

RfLoadModel WebSensorState::model(size_t index) const
{
    return models.at(index);
}

} // namespace quvixsim
