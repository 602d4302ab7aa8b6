#pragma once

// Control of the simulated USB sensors, for tests and demos. These calls are
// not part of the driver contract; the main program never uses them. Serials
// name sensors of the current configuration. Thread-safe.

#ifdef __cplusplus
extern "C" {
#endif

#define QUVIX3SIM_EXPORT __attribute__((visibility("default")))

// Replaces the configuration (text in the format of quvix3-sim.conf, see
// sim/quvix3/README.md). Every open handle becomes invalid. Returns the
// number of sensors, or -1 (and keeps the old configuration) on a bad text.
QUVIX3SIM_EXPORT int quvix3SimConfigure(const char* text);
QUVIX3SIM_EXPORT int quvix3SimConfigureFromFile(const char* path);

// Plugs (1) or pulls (0) a sensor. Pulling invalidates its open handle.
// Returns 1, or 0 for an unknown serial.
QUVIX3SIM_EXPORT int quvix3SimSetAttached(const char* serial, int attached);

// Samples the sensor has handed out since it was configured, -1 if unknown.
QUVIX3SIM_EXPORT long long quvix3SimSamplesDelivered(const char* serial);

// Fault switch: "none", "nan", "shortcount", "overcount", "noremaining",
// "readfail". Returns 1, or 0 for an unknown serial or fault.
QUVIX3SIM_EXPORT int quvix3SimSetFault(const char* serial, const char* fault);

// Load of one frequency. Returns 1, or 0 for an unknown serial or index.
QUVIX3SIM_EXPORT int quvix3SimSetLoad(const char* serial, int frequencyIndex, double resistance,
                                      double reactance);

// State of the sensor's open device: "reportRate", "externalTrigger",
// "triggerDelay", "triggerHoldoff", "triggerValue", "accumulations",
// "lockOnChannel2", "pulseMonitorMode", "lowSignalMode", "pmmThreshold",
// "pmmTrim", "selectedHarmonics<i>". NaN when unknown or not open.
QUVIX3SIM_EXPORT double quvix3SimDeviceSetting(const char* serial, const char* name);

// How often an entry point (by its name) was called for the sensor's
// handles since it was configured; -1 for an unknown serial.
QUVIX3SIM_EXPORT int quvix3SimCallCount(const char* serial, const char* entryPoint);

#ifdef __cplusplus
}
#endif
