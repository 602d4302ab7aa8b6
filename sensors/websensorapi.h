#pragma once

#include <type_traits>
#include <utility>
#include <vector>

class QLibrary;

// The names the program binds from the network sensor library, as (member,
// exported name, type). getDeviceName, quvixGetSensorValues and
// quvixSetTaviFrequency are not exported by it and stay null.
#define QUVIX_WEB_SENSOR_ENTRY_POINTS(X)                                                                     \
    X(quvixWebOpen, "quvixWebOpen", int(const char*))                                                        \
    X(quvixClose, "quvixClose", void(int))                                                                   \
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
    X(quvixSetNormalMode, "quvixSetNormalMode", int(int))                                                    \
    X(quvixEnablePulseMode, "quvixEnablePulseMode", int(int, int))                                           \
    X(quvixResetEnergy, "quvixResetEnergy", int(int))                                                        \
    X(quvixIsConnected, "quvixIsConnected", int(int))

// Function table of the network sensor library; same contract as
// UsbSensorApi. Callers go through callOr (sensorlibraries.h), so a missing
// library answers with the library's own failure codes instead of crashing.
struct WebSensorApi {
#define QUVIX_DECLARE_ENTRY(member, name, type) std::add_pointer_t<type> member = nullptr;
    QUVIX_WEB_SENSOR_ENTRY_POINTS(QUVIX_DECLARE_ENTRY)
#undef QUVIX_DECLARE_ENTRY

    // The library's answers, used as well when it is missing.
    static constexpr int badHandle = -4;
    static constexpr int cannotConnect = -8;

    void resolve(QLibrary& library);
    std::vector<std::pair<const char*, bool>> bindings() const;
};
