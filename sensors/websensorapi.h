#pragma once

#include "sensors/usbsensorapi.h" // QUVIX_SHARED_SENSOR_ENTRY_POINTS

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
    QUVIX_SHARED_SENSOR_ENTRY_POINTS(X)                                                                      \
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
    // The sensor is open already (in the library, or as a connected sensor).
    static constexpr int alreadyOpen = -10;

    void resolve(QLibrary& library);
    std::vector<std::pair<const char*, bool>> bindings() const;
};
