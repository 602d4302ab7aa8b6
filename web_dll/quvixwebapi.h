#pragma once

// The C interface of the network sensor library. Every function but
// quvixWebOpen and quvixClose takes the handle first and returns -4 (-4.0)
// for a handle that names no open connection. Callers own every buffer.

#if defined(QUVIX_WEB_BUILDING)
#define QUVIX_WEB_EXPORT __attribute__((visibility("default")))
#else
#define QUVIX_WEB_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

QUVIX_WEB_EXPORT int quvixWebOpen(const char* baseUrl);
QUVIX_WEB_EXPORT void quvixClose(int handle);
QUVIX_WEB_EXPORT int quvixIsConnected(int handle);
QUVIX_WEB_EXPORT int quvixGetSerial(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetDeviceName(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetFirmwareRevision(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetFPGARevision(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetModel(int handle);
QUVIX_WEB_EXPORT int quvixGetVariantInfo(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetCapabilities(int handle, char* text);
QUVIX_WEB_EXPORT int quvixGetFirmwareMajor(int handle);
QUVIX_WEB_EXPORT int quvixGetFirmwareMinor(int handle);
QUVIX_WEB_EXPORT int quvixGetFrequencyCount(int handle);
QUVIX_WEB_EXPORT int quvixGetFrequencyDetails(int handle, int index, double* frequency, int* harmonics);
QUVIX_WEB_EXPORT double quvixGetDelayResolution(int handle);
QUVIX_WEB_EXPORT int quvixHasLowSignalMode(int handle);

// The two data calls take the oldest queued sample. On entry *count is the
// capacity of `values` in doubles (490 suits every sample). They wait for a
// sample a few report periods at most (never over 1 s) and return:
//   1  a sample, *count doubles written; or none arrived in time: *count 0,
//      the last argument left as it was;
//   0  the oldest sample needs more than *count doubles: it stays queued and
//      *count says how many it needs;
//  -1  nothing queued and the connection is lost or closing;
//  -4  bad handle.
// With `values` null the sample is taken, nothing is written and *count is 0.
QUVIX_WEB_EXPORT int quvixGetDataHR(int handle, double* values, int* count, int* timeDelta,
                                    double* peakPercent, int* delay, int* remaining);
QUVIX_WEB_EXPORT int quvixGetData(int handle, double* values, int* count, int* timeDelta, double* peakPercent,
                                  int* delay, int* lastFlag);

QUVIX_WEB_EXPORT int quvixSetReportRate(int handle, int milliseconds);
QUVIX_WEB_EXPORT int quvixLockOnChannel2(int handle, int mode);
QUVIX_WEB_EXPORT int quvixDisableParameters(int handle);
QUVIX_WEB_EXPORT int quvixEnableParameters(int handle, int index, int harmonics);
QUVIX_WEB_EXPORT int quvixParameterReload(int handle);
QUVIX_WEB_EXPORT int quvixConfigureFPGA(int handle, int externalTrigger, int accumulations,
                                        double levelPercent, int delay, int holdoff);
QUVIX_WEB_EXPORT int quvixUseExternalTrigger(int handle, int on);
QUVIX_WEB_EXPORT int quvixSetTriggerValue(int handle, int level);
QUVIX_WEB_EXPORT int quvixSetTriggerDelay(int handle, int delay);
QUVIX_WEB_EXPORT int quvixSetTriggerHoldoff(int handle, int holdoff);
QUVIX_WEB_EXPORT int quvixSetNumberOfAccumulations(int handle, int accumulations);
QUVIX_WEB_EXPORT int quvixEnablePulseMode(int handle, int on);
QUVIX_WEB_EXPORT int quvixSetPMMConfig(int handle, double thresholdPercent, int trim);
QUVIX_WEB_EXPORT int quvixResetEnergy(int handle);

QUVIX_WEB_EXPORT int quvixGetParameterDetails(int handle, int parameter, char* name, int* kind);
QUVIX_WEB_EXPORT int quvixGetNumberOfParameters(int handle);
QUVIX_WEB_EXPORT int quvixSetNormalMode(int handle);
QUVIX_WEB_EXPORT int quvixSetLowSignalMode(int handle);

#ifdef __cplusplus
}
#endif
