#pragma once

#include "sim/rfload/rfloadmodel.h"
#include "sim/websensor/websensoroptions.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quvixsim {

// Trigger settings as the sensor keeps them (raw units, 8192 = 100 %).
struct TriggerState {
    int accumulations = 1;
    int triggerDelay = 0;
    int triggerHoldoff = 0;
    int triggerLevel = 0;
    int externalTrigger = 0;
    bool pulseTriggered = false; // the last trigger POST asked for pulse mode
};

struct PulseMonitorState {
    int monitorPulse = 0;
    int thresholdPercent = 0;
    int trim = 0;
    int energyResets = 0;
};

// The inside of one simulated network sensor: its identity, the settings the
// POSTs change, and its samples, produced at the refresh rate with a
// monotonic millisecond time stamp and drawn from the load model. Every
// method may be called from any thread; one mutex guards the state.
class WebSensorState
{
public:
    enum class SampleFormat { Data3, Data3Short, Data };
    struct Sample {
        std::int64_t timestamp = 0;
        std::string json;
    };

    explicit WebSensorState(const WebSensorOptions& options);

    std::string infoJson() const;
    // With refreshText, that text stands for the refresh rate.
    std::string configJson(const std::string& refreshText = std::string()) const;
    std::string fpgaJson() const;
    // Apply a POSTed body (a trailing NUL byte is accepted). False when the
    // body is not the expected JSON object.
    bool applyConfig(const std::string& body);
    bool applyFpga(const std::string& body, bool pulse);
    bool applyData3(const std::string& body);

    // The current sample in the given endpoint's format.
    Sample sample(SampleFormat format, bool repeatTimestamps, bool longArrays);

    // Sets the selection as a sensor that ignores what it is sent keeps it.
    void forceSelection(const std::vector<int>& harmonics);
    // Moves the sensor's clock forward, as after a long pause.
    void jumpTimestamps(std::int64_t milliseconds);
    int refreshMs() const;
    std::vector<int> selectedHarmonics() const;
    std::string signalLock() const;
    TriggerState trigger() const;
    PulseMonitorState pulseMonitor() const;
    // Readings of frequency `index` at a time stamp, as a sample reports them.
    RfLoadModel model(size_t index) const;
    static double secondsAt(std::int64_t timestamp);

private:
    std::int64_t currentTimestampLocked();
    std::string channelJson(size_t index, std::int64_t timestamp, int values, bool withTimestamp,
                            bool integerFrequency) const;

    const WebSensorOptions options;
    std::vector<RfLoadModel> models;
    const std::chrono::steady_clock::time_point start;

    mutable std::mutex mutex;
    int refresh;
    std::vector<int> selected;
    std::string lock = "auto";
    TriggerState triggerState;
    PulseMonitorState pulseState;
    // Time stamps advance in whole refresh periods from an anchor that moves
    // whenever the refresh rate changes, so they never run backwards.
    std::int64_t anchorTimestamp = 1000;
    std::int64_t anchorElapsedMs = 0;
    std::int64_t firstTimestamp = -1;
};

} // namespace quvixsim
