// The stand-in driver library: the entry points of the USB sensor driver,
// served by simulated sensors.

#include "sim/quvix3/quvix3.h"
#include "sim/quvix3/simusbregistry.h"

#include <algorithm>
#include <cstring>

using quvixsim::SimUsbDevice;
using quvixsim::SimUsbRegistry;

namespace {

constexpr auto maxReadWait = std::chrono::milliseconds(50);

// Runs action on the live device of handle, counting the call; failure when
// the handle is unknown, closed or its sensor was pulled.
template <typename Result, typename Action>
Result onDevice(int handle, const char* entryPoint, Result failure, Action action)
{
    const std::shared_ptr<SimUsbDevice> device = SimUsbRegistry::instance().device(handle);
    if (!device)
        return failure;
    device->sensor().countCall(entryPoint);
    return action(*device);
}

// NUL-terminated within capacity bytes.
int copyText(char* buffer, std::size_t capacity, const std::string& text)
{
    if (!buffer || capacity == 0)
        return 0;
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

const quvixsim::SimUsbSensorConfig& identityOf(SimUsbDevice& device)
{
    return device.sensor().identity();
}

} // namespace

extern "C" {

int quvixOpen(int)
{
    return SimUsbRegistry::instance().open();
}

int quvixClose(int handle)
{
    const bool known = onDevice(handle, __func__, false, [](SimUsbDevice&) { return true; });
    SimUsbRegistry::instance().close(handle);
    return known ? 1 : 0;
}

int quvixGetSerial(int handle, char* text)
{
    return onDevice(handle, __func__, 0,
                    [&](SimUsbDevice& d) { return copyText(text, 64, identityOf(d).serial); });
}

int getDeviceName(int handle, char* text)
{
    return onDevice(handle, __func__, 0,
                    [&](SimUsbDevice& d) { return copyText(text, 64, identityOf(d).serial); });
}

int quvixGetModel(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return identityOf(d).model; });
}

int quvixGetFirmwareMajor(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return identityOf(d).firmwareMajor; });
}

int quvixGetFirmwareMinor(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return identityOf(d).firmwareMinor; });
}

int quvixGetFirmwareRevision(int handle, char* text)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        copyText(text, 100, identityOf(d).firmwareRevision);
        return 1;
    });
}

int quvixGetFPGARevision(int handle, char* text)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        copyText(text, 100, identityOf(d).fpgaRevision);
        return 1;
    });
}

int quvixGetCapabilities(int handle, char* text)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        copyText(text, 100, identityOf(d).capabilities);
        return 1;
    });
}

int quvixGetVariantInfo(int handle, char* text)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        copyText(text, 60, identityOf(d).variant);
        return 1;
    });
}

int quvixAllowedHarmonics(int handle, char* text)
{
    // The caller's buffer holds two characters and no terminator.
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        const std::string& allowed = identityOf(d).allowedHarmonics;
        if (text)
            std::memcpy(text, allowed.data(), std::min<std::size_t>(2, allowed.size()));
        return 1;
    });
}

double quvixGetDelayResolution(int handle)
{
    return onDevice(handle, __func__, 0.0, [](SimUsbDevice& d) { return identityOf(d).delayResolution; });
}

int quvixGetFrequencyCount(int handle)
{
    return onDevice(handle, __func__, 0,
                    [](SimUsbDevice& d) { return static_cast<int>(identityOf(d).frequencies.size()); });
}

int quvixGetFrequencyDetails(int handle, int index, double* hz, int* harmonics)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        const auto& frequencies = identityOf(d).frequencies;
        const bool valid = index >= 0 && index < static_cast<int>(frequencies.size());
        if (hz)
            *hz = valid ? frequencies[static_cast<std::size_t>(index)].hz : 0.0;
        if (harmonics)
            *harmonics = valid ? frequencies[static_cast<std::size_t>(index)].harmonics : 0;
        return valid ? 1 : 0;
    });
}

int quvixGetDataHR(int handle, double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                   int* remaining)
{
    if (!values || !count || !timeStampDelta || !peak || !delay || !remaining)
        return 0;
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        return d.read({values, count, timeStampDelta, peak, delay, remaining}, maxReadWait);
    });
}

int quvixGetSensorValues(int handle, double*, int* count)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice&) {
        if (count)
            *count = 0;
        return 0;
    });
}

int quvixGetNumberOfParameters(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return d.sampleLength(); });
}

int quvixGetParameterDetails(int handle, int, char*, char*)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice&) { return 0; });
}

int quvixSetPulseMonitorMode(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) {
        d.setPulseMonitorMode(1);
        return 1;
    });
}

int quvixGetPulseMonitorMode(int handle, int* mode)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        const int current = d.pulseMonitorMode();
        if (mode)
            *mode = current;
        return current;
    });
}

int quvixSetNormalMode(int handle)
{
    // Leaves both pulse monitor and low-signal mode.
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) {
        d.setPulseMonitorMode(0);
        d.setLowSignalMode(false);
        return 1;
    });
}

int quvixHasLowSignalMode(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return identityOf(d).lowSignalMode ? 1 : 0; });
}

int quvixSetLowSignalMode(int handle)
{
    return onDevice(handle, __func__, -1, [](SimUsbDevice& d) {
        if (!identityOf(d).lowSignalMode)
            return -1;
        d.setLowSignalMode(true);
        return 1;
    });
}

int quvixParameterReload(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) { return d.reloadParameters() ? 1 : 0; });
}

int quvixDisableParameters(int handle)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice& d) {
        d.disableParameters();
        return 1;
    });
}

int quvixEnableParameters(int handle, int frequencyIndex, int harmonics)
{
    return onDevice(handle, __func__, 0,
                    [&](SimUsbDevice& d) { return d.enableParameters(frequencyIndex, harmonics) ? 1 : 0; });
}

int quvixSetReportRate(int handle, int milliseconds)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setReportRate(milliseconds);
        return 1;
    });
}

int quvixUseExternalTrigger(int handle, int on)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.useExternalTrigger(on != 0);
        return 1;
    });
}

int quvixSetTriggerDelay(int handle, int steps)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setTriggerDelay(steps);
        return 1;
    });
}

int quvixSetTriggerHoldoff(int handle, int steps)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setTriggerHoldoff(steps);
        return 1;
    });
}

int quvixSetTriggerValue(int handle, int level)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setTriggerValue(level);
        return 1;
    });
}

int quvixSetNumberOfAccumulations(int handle, int count)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setAccumulations(count);
        return 1;
    });
}

int quvixLockOnChannel2(int handle, int mode)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.lockOnChannel2(mode);
        return 1;
    });
}

int quvixSetPMMConfig(int handle, double thresholdPercent, int trim)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.setPmmConfig(thresholdPercent, trim);
        return 1;
    });
}

int quvixConfigureFPGA(int handle, int externalTrigger, int accumulations, double, int delay, int holdoff)
{
    return onDevice(handle, __func__, 0, [&](SimUsbDevice& d) {
        d.configureFpga(externalTrigger != 0, accumulations, delay, holdoff);
        return 1;
    });
}

int quvixSetTaviFrequency(int handle, double)
{
    return onDevice(handle, __func__, 0, [](SimUsbDevice&) { return 0; });
}

} // extern "C"
