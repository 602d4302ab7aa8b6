#pragma once

// Entry points of the USB sensor driver library as the main program binds
// them. Every call takes the sensor handle first; buffers belong to the
// caller; the library hands out nothing that the caller frees.

#ifdef __cplusplus
extern "C" {
#endif

#define QUVIX3_EXPORT __attribute__((visibility("default")))

QUVIX3_EXPORT int quvixOpen(int reserved);
QUVIX3_EXPORT int quvixClose(int handle);
QUVIX3_EXPORT int quvixGetSerial(int handle, char* text);
QUVIX3_EXPORT int getDeviceName(int handle, char* text);
QUVIX3_EXPORT int quvixGetModel(int handle);
QUVIX3_EXPORT int quvixGetFirmwareMajor(int handle);
QUVIX3_EXPORT int quvixGetFirmwareMinor(int handle);
QUVIX3_EXPORT int quvixGetFirmwareRevision(int handle, char* text);
QUVIX3_EXPORT int quvixGetFPGARevision(int handle, char* text);
QUVIX3_EXPORT int quvixGetCapabilities(int handle, char* text);
QUVIX3_EXPORT int quvixGetVariantInfo(int handle, char* text);
QUVIX3_EXPORT int quvixAllowedHarmonics(int handle, char* text);
QUVIX3_EXPORT double quvixGetDelayResolution(int handle);
QUVIX3_EXPORT int quvixGetFrequencyCount(int handle);
QUVIX3_EXPORT int quvixGetFrequencyDetails(int handle, int index, double* hz, int* harmonics);
QUVIX3_EXPORT int quvixGetDataHR(int handle, double* values, int* count, int* timeStampDelta, double* peak,
                                 int* delay, int* remaining);
QUVIX3_EXPORT int quvixGetSensorValues(int handle, double* values, int* count);
QUVIX3_EXPORT int quvixGetNumberOfParameters(int handle);
QUVIX3_EXPORT int quvixGetParameterDetails(int handle, int index, char* name, char* unit);
QUVIX3_EXPORT int quvixSetPulseMonitorMode(int handle);
QUVIX3_EXPORT int quvixGetPulseMonitorMode(int handle, int* mode);
QUVIX3_EXPORT int quvixSetNormalMode(int handle);
QUVIX3_EXPORT int quvixHasLowSignalMode(int handle);
QUVIX3_EXPORT int quvixSetLowSignalMode(int handle);
QUVIX3_EXPORT int quvixParameterReload(int handle);
QUVIX3_EXPORT int quvixDisableParameters(int handle);
QUVIX3_EXPORT int quvixEnableParameters(int handle, int frequencyIndex, int harmonics);
QUVIX3_EXPORT int quvixSetReportRate(int handle, int milliseconds);
QUVIX3_EXPORT int quvixUseExternalTrigger(int handle, int on);
QUVIX3_EXPORT int quvixSetTriggerDelay(int handle, int steps);
QUVIX3_EXPORT int quvixSetTriggerHoldoff(int handle, int steps);
QUVIX3_EXPORT int quvixSetTriggerValue(int handle, int level);
QUVIX3_EXPORT int quvixSetNumberOfAccumulations(int handle, int count);
QUVIX3_EXPORT int quvixLockOnChannel2(int handle, int mode);
QUVIX3_EXPORT int quvixSetPMMConfig(int handle, double thresholdPercent, int trim);
QUVIX3_EXPORT int quvixConfigureFPGA(int handle, int externalTrigger, int accumulations, double levelPercent,
                                     int delay, int holdoff);
QUVIX3_EXPORT int quvixSetTaviFrequency(int handle, double hz);

#ifdef __cplusplus
}
#endif
