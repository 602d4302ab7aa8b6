#pragma once

#include <type_traits>
#include <utility>
#include <vector>

class QLibrary;

// The entry points that the program binds from both the USB driver library
// and the network sensor library, under the same names and with the same
// types, as (member, exported name, type). Each library's table lists them
// after its own open and close, so both keep their binding order.
#define QUVIX_SHARED_SENSOR_ENTRY_POINTS(X)                                                                  \
    X(getDeviceName, "getDeviceName", int(int, char*))                                                       \
    X(quvixGetSerial, "quvixGetSerial", int(int, char*))                                                     \
    X(quvixGetVariantInfo, "quvixGetVariantInfo", int(int, char*))                                           \
    X(quvixGetSensorValues, "quvixGetSensorValues", int(int, double*, int*))                                 \
    X(quvixSetPMMConfig, "quvixSetPMMConfig", int(int, double, int))                                         \
    X(quvixConfigureFPGA, "quvixConfigureFPGA", int(int, int, int, double, int, int))                        \
    X(quvixSetTriggerValue, "quvixSetTriggerValue", int(int, int))                                           \
    X(quvixSetTriggerDelay, "quvixSetTriggerDelay", int(int, int))                                           \
    X(quvixSetTriggerHoldoff, "quvixSetTriggerHoldoff", int(int, int))                                       \
    X(quvixSetNumberOfAccumulations, "quvixSetNumberOfAccumulations", int(int, int))                         \
    X(quvixGetDelayResolution, "quvixGetDelayResolution", double(int))                                       \
    X(quvixGetFrequencyCount, "quvixGetFrequencyCount", int(int))                                            \
    X(quvixGetFrequencyDetails, "quvixGetFrequencyDetails", int(int, int, double*, int*))                    \
    X(quvixGetDataHR, "quvixGetDataHR", int(int, double*, int*, int*, double*, int*, int*))                  \
    X(quvixGetNumberOfParameters, "quvixGetNumberOfParameters", int(int))                                    \
    X(quvixGetParameterDetails, "quvixGetParameterDetails", int(int, int, char*, char*))                     \
    X(quvixDisableParameters, "quvixDisableParameters", int(int))                                            \
    X(quvixEnableParameters, "quvixEnableParameters", int(int, int, int))                                    \
    X(quvixParameterReload, "quvixParameterReload", int(int))                                                \
    X(quvixLockOnChannel2, "quvixLockOnChannel2", int(int, int))                                             \
    X(quvixUseExternalTrigger, "quvixUseExternalTrigger", int(int, int))                                     \
    X(quvixGetCapabilities, "quvixGetCapabilities", int(int, char*))                                         \
    X(quvixSetReportRate, "quvixSetReportRate", int(int, int))                                               \
    X(quvixSetTaviFrequency, "quvixSetTaviFrequency", int(int, double))                                      \
    X(quvixGetFirmwareRevision, "quvixGetFirmwareRevision", int(int, char*))                                 \
    X(quvixGetFPGARevision, "quvixGetFPGARevision", int(int, char*))                                         \
    X(quvixGetFirmwareMajor, "quvixGetFirmwareMajor", int(int))                                              \
    X(quvixGetFirmwareMinor, "quvixGetFirmwareMinor", int(int))                                              \
    X(quvixGetModel, "quvixGetModel", int(int))                                                              \
    X(quvixHasLowSignalMode, "quvixHasLowSignalMode", int(int))                                              \
    X(quvixSetLowSignalMode, "quvixSetLowSignalMode", int(int))                                              \
    X(quvixSetNormalMode, "quvixSetNormalMode", int(int))

// The entry points of the USB sensor driver library, as (member, exported
// name, type). quvixSetNormalMode is bound twice: the first pointer leaves
// pulse monitor mode, the second leaves low-signal mode.
#define QUVIX_USB_SENSOR_ENTRY_POINTS(X)                                                                     \
    X(quvixOpen, "quvixOpen", int(int))                                                                      \
    X(quvixClose, "quvixClose", int(int))                                                                    \
    QUVIX_SHARED_SENSOR_ENTRY_POINTS(X)                                                                      \
    X(quvixAllowedHarmonics, "quvixAllowedHarmonics", int(int, char*))                                       \
    X(quvixSetPulseMonitorMode, "quvixSetPulseMonitorMode", int(int))                                        \
    X(quvixGetPulseMonitorMode, "quvixGetPulseMonitorMode", int(int, int*))                                  \
    X(quvixSetNormalModeLowSignal, "quvixSetNormalMode", int(int))

// Function table of the USB sensor driver library. Every pointer is null
// until the library is bound, and stays null when the library or the name is
// missing. Filled once on the GUI thread before any sensor exists; read-only
// afterwards, so any thread may call through it.
struct UsbSensorApi {
#define QUVIX_DECLARE_ENTRY(member, name, type) std::add_pointer_t<type> member = nullptr;
    QUVIX_USB_SENSOR_ENTRY_POINTS(QUVIX_DECLARE_ENTRY)
#undef QUVIX_DECLARE_ENTRY

    // Resolves every name from a loaded library.
    void resolve(QLibrary& library);
    // (exported name, bound) for every pointer, in table order.
    std::vector<std::pair<const char*, bool>> bindings() const;
};
