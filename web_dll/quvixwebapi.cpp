// The exported functions: each checks its handle, then reads stored values,
// stores settings for the worker, or takes one sample from the queue.

#include "web_dll/quvixwebapi.h"

#include "web_dll/connectiontable.h"
#include "web_dll/firmwareinfo.h"
#include "web_dll/quvixwebsensor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>

namespace {

using Access = ConnectionTable::Access;
constexpr int badHandle = ConnectionTable::BadHandle;
constexpr std::int64_t ticksPerTimestamp = 24000; // the 24 MHz clock per millisecond

Access connection(int handle)
{
    return ConnectionTable::instance().access(handle);
}

// Runs `read` on the connection's state under its lock, or gives -4.
template <typename Read>
auto withState(int handle, Read read) -> decltype(read(std::declval<quvixWebSensor&>()))
{
    const Access sensor = connection(handle);
    if (!sensor)
        return badHandle;
    std::lock_guard<std::mutex> guard(sensor->lock);
    return read(*sensor);
}

template <size_t N> int copyStoredText(int handle, char* text, char (SensorIdentity::*field)[N])
{
    return withState(handle, [&](quvixWebSensor& s) {
        const char* stored = s.state.reported.*field;
        const int length = static_cast<int>(strnlen(stored, N - 1));
        if (text)
            std::memcpy(text, stored, static_cast<size_t>(length));
        return length;
    });
}

int toInt(std::int64_t value)
{
    return static_cast<int>(
        std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

template <typename Change> int changeTrigger(int handle, Change change)
{
    return withState(handle, [&](quvixWebSensor& s) {
        change(s.state.trigger);
        s.markFpga();
        return 1;
    });
}

template <typename Change> int changePulseMonitor(int handle, Change change)
{
    return withState(handle, [&](quvixWebSensor& s) {
        change(s.state.pulseMonitor);
        s.markData3();
        return 1;
    });
}

} // namespace

extern "C" {

int quvixWebOpen(const char* baseUrl)
{
    return ConnectionTable::instance().open(baseUrl);
}

void quvixClose(int handle)
{
    ConnectionTable::instance().close(handle);
}

int quvixIsConnected(int handle)
{
    const Access sensor = connection(handle);
    return sensor ? (sensor->isConnected() ? 1 : 0) : badHandle;
}

int quvixGetSerial(int handle, char* text)
{
    return copyStoredText(handle, text, &SensorIdentity::serialNumber);
}

int quvixGetDeviceName(int handle, char* text)
{
    return copyStoredText(handle, text, &SensorIdentity::serialNumber);
}

int quvixGetFirmwareRevision(int handle, char* text)
{
    return copyStoredText(handle, text, &SensorIdentity::firmwareRevision);
}

int quvixGetFPGARevision(int handle, char* text)
{
    return copyStoredText(handle, text, &SensorIdentity::fpgaRevision);
}

int quvixGetModel(int handle)
{
    return withState(handle, [](quvixWebSensor& s) { return static_cast<int>(s.state.model); });
}

int quvixGetVariantInfo(int handle, char* text)
{
    return withState(handle, [&](quvixWebSensor& s) {
        if (text) {
            std::memset(text, 0, 8);
            const char* word = FirmwareInfo::variantWord(s.state.model);
            std::memcpy(text, word, std::strlen(word));
        }
        return 1;
    });
}

int quvixGetCapabilities(int handle, char* text)
{
    return withState(handle, [&](quvixWebSensor& s) {
        if (text) {
            std::memset(text, 0, SensorState::capabilitySize);
            std::memcpy(text, s.state.capabilities,
                        strnlen(s.state.capabilities, SensorState::capabilitySize - 1));
        }
        return 1;
    });
}

int quvixGetFirmwareMajor(int handle)
{
    return withState(
        handle, [](quvixWebSensor& s) { return FirmwareInfo::major(s.state.reported.firmwareRevision); });
}

int quvixGetFirmwareMinor(int handle)
{
    return withState(
        handle, [](quvixWebSensor& s) { return FirmwareInfo::minor(s.state.reported.firmwareRevision); });
}

int quvixGetFrequencyCount(int handle)
{
    return withState(handle,
                     [](quvixWebSensor& s) { return static_cast<int>(s.state.reported.frequencyCount); });
}

int quvixGetFrequencyDetails(int handle, int index, double* frequency, int* harmonics)
{
    return withState(handle, [&](quvixWebSensor& s) {
        const SensorIdentity& id = s.state.reported;
        const bool inRange = index >= 0 && index < id.frequencyCount;
        if (frequency)
            *frequency = inRange ? id.frequencies[index] : 0.0;
        if (harmonics)
            *harmonics = inRange ? id.harmonics[index] : 0;
        return 1;
    });
}

double quvixGetDelayResolution(int handle)
{
    const Access sensor = connection(handle);
    if (!sensor)
        return -4.0;
    std::lock_guard<std::mutex> guard(sensor->lock);
    const SensorIdentity& id = sensor->state.reported;
    if (id.delayClock > 0)
        return 1.0 / id.delayClock;
    const int major = FirmwareInfo::major(id.firmwareRevision);
    if (major > 4)
        return 1.0 / 34764706.0;
    if (major == 4)
        return 1.0 / 37588235.0;
    return 1.0 / 37818181.0;
}

int quvixHasLowSignalMode(int handle)
{
    return connection(handle) ? 0 : badHandle;
}

int quvixGetDataHR(int handle, double* values, int* count, int* timeDelta, double* peakPercent, int* delay,
                   int* remaining)
{
    const Access sensor = connection(handle);
    if (!sensor)
        return badHandle;
    std::int64_t delta = 0;
    const int result = sensor->deliver(values, count, &delta, peakPercent, delay, remaining);
    if (result > 0 && timeDelta) {
        // Saturates: a gap too long for the tick count is never read as a step back.
        *timeDelta = delta > std::numeric_limits<int>::max() / ticksPerTimestamp
                         ? std::numeric_limits<int>::max()
                         : toInt(delta * ticksPerTimestamp);
    }
    return result;
}

int quvixGetData(int handle, double* values, int* count, int* timeDelta, double* peakPercent, int* delay,
                 int* lastFlag)
{
    const Access sensor = connection(handle);
    if (!sensor)
        return badHandle;
    std::int64_t delta = 0;
    int remaining = 0;
    const int result = sensor->deliver(values, count, &delta, peakPercent, delay, &remaining);
    if (result > 0) {
        if (timeDelta)
            *timeDelta = toInt(delta);
        if (count && *count != 0 && lastFlag)
            *lastFlag = remaining == 0 ? 1 : 0;
    }
    return result;
}

int quvixSetReportRate(int handle, int milliseconds)
{
    return withState(handle, [&](quvixWebSensor& s) {
        s.state.requested.refreshRate = milliseconds;
        s.markConfig();
        return 1;
    });
}

int quvixLockOnChannel2(int handle, int mode)
{
    return withState(handle, [&](quvixWebSensor& s) {
        char* lock = s.state.requested.signalLock;
        std::memset(lock, 0, SensorIdentity::textSize);
        std::strcpy(lock, mode == 0 ? "V" : mode == 1 ? "I" : "auto");
        s.markConfig();
        return 1;
    });
}

int quvixDisableParameters(int handle)
{
    return withState(handle, [](quvixWebSensor& s) {
        const int count =
            std::clamp(static_cast<int>(s.state.reported.frequencyCount), 0, SensorIdentity::maxFrequencies);
        for (int i = 0; i < count; ++i)
            s.state.requested.selectedHarmonics[i] = 0;
        return 1;
    });
}

int quvixEnableParameters(int handle, int index, int harmonics)
{
    return withState(handle, [&](quvixWebSensor& s) {
        if (index < 0 || index >= SensorIdentity::maxFrequencies)
            return 0;
        s.state.requested.selectedHarmonics[index] = harmonics;
        return 1;
    });
}

int quvixParameterReload(int handle)
{
    return withState(handle, [](quvixWebSensor& s) {
        s.markConfig();
        return 1;
    });
}

int quvixConfigureFPGA(int handle, int externalTrigger, int accumulations, double levelPercent, int delay,
                       int holdoff)
{
    const Access sensor = connection(handle);
    if (!sensor)
        return badHandle;
    return sensor->configureFPGA(externalTrigger, accumulations, levelPercent, delay, holdoff);
}

int quvixUseExternalTrigger(int handle, int on)
{
    return changeTrigger(handle, [&](TriggerSettings& t) {
        t.External_trigger = on != 0 ? 1 : 0;
        t.pulse = false;
    });
}

int quvixSetTriggerValue(int handle, int level)
{
    return changeTrigger(handle, [&](TriggerSettings& t) {
        t.Trigger_Level = level;
        t.pulse = false;
    });
}

int quvixSetTriggerDelay(int handle, int delay)
{
    return changeTrigger(handle, [&](TriggerSettings& t) {
        t.Trigger_Delay = delay;
        t.pulse = t.Trigger_Holdoff != 0;
    });
}

int quvixSetTriggerHoldoff(int handle, int holdoff)
{
    return changeTrigger(handle, [&](TriggerSettings& t) {
        t.Trigger_Holdoff = holdoff;
        t.pulse = false;
    });
}

int quvixSetNumberOfAccumulations(int handle, int accumulations)
{
    return changeTrigger(handle, [&](TriggerSettings& t) {
        t.Accumulations = accumulations;
        t.pulse = false;
    });
}

int quvixEnablePulseMode(int handle, int on)
{
    return changePulseMonitor(handle, [&](PulseMonitorSettings& p) { p.monitorPulse = on; });
}

int quvixSetPMMConfig(int handle, double thresholdPercent, int trim)
{
    return changePulseMonitor(handle, [&](PulseMonitorSettings& p) {
        p.thresholdPercent = thresholdPercent;
        p.trim = trim;
        p.thresholdSet = true;
    });
}

int quvixResetEnergy(int handle)
{
    return changePulseMonitor(handle, [](PulseMonitorSettings& p) { p.resetEnergyRequested = true; });
}

int quvixGetParameterDetails(int handle, int, char*, int*)
{
    return connection(handle) ? ConnectionTable::NotOffered : badHandle;
}

int quvixGetNumberOfParameters(int handle)
{
    return connection(handle) ? ConnectionTable::NotOffered : badHandle;
}

int quvixSetNormalMode(int handle)
{
    return connection(handle) ? ConnectionTable::NotOffered : badHandle;
}

int quvixSetLowSignalMode(int handle)
{
    return connection(handle) ? ConnectionTable::NotOffered : badHandle;
}

} // extern "C"
