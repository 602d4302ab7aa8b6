#include "sensors/quvixsensorweb.h"

#include "sensors/sensorlibraries.h"

#include <cstring>

namespace {

// The library copies its texts without a terminating NUL; one spare zero
// byte keeps a text that fills the buffer terminated.
template <int size, typename Getter> QString textFromLibrary(Getter getter)
{
    char buffer[size + 1] = {};
    getter(buffer);
    return QString::fromUtf8(buffer, static_cast<int>(strnlen(buffer, size)));
}

constexpr int badHandle = WebSensorApi::badHandle;

} // namespace

quvixSensorWeb::quvixSensorWeb(int handle, const QString& nickname, const QString& serialNumber,
                               const QString& address)
{
    m_connectionKind = 1;
    m_serialNumber = serialNumber;
    m_nickname = nickname;
    m_handle = handle;
    m_address = address;
    const WebSensorApi& api = webSensorApi();
    m_delayStepsPerMicrosecond = stepsPerMicrosecond(delayResolution());
    callOr(api.quvixSetTriggerValue, badHandle, m_handle, 0);
    callOr(api.quvixSetTriggerHoldoff, badHandle, m_handle, 0);
    readCapabilityFlags(capabilities());
    readFrequencyTable();
    loadSettings();
    setSelectedHarmonics(m_selectedHarmonics);
    connectToScanRegistry();
}

quvixSensorWeb::~quvixSensorWeb()
{
    closeHandle();
}

void quvixSensorWeb::closeHandle()
{
    if (!m_handleClosed.exchange(true))
        callIfBound(webSensorApi().quvixClose, m_handle);
}

void quvixSensorWeb::setReportRate(int milliseconds)
{
    m_reportRate = milliseconds;
    callOr(webSensorApi().quvixSetReportRate, badHandle, m_handle, milliseconds);
}

int quvixSensorWeb::reportRate() const
{
    return m_reportRate;
}

int quvixSensorWeb::setPulseMonitorMode(bool on)
{
    const int result = callOr(webSensorApi().quvixEnablePulseMode, badHandle, m_handle, on ? 1 : 0);
    if (result == 1)
        m_pulseMonitorMode = on ? 1 : 0;
    return result;
}

int quvixSensorWeb::refreshPulseMonitorMode()
{
    // Network sensors cannot report the mode: it is switched off.
    setPulseMonitorMode(false);
    m_pulseMonitorMode = 0;
    return 0;
}

int quvixSensorWeb::setPMMConfig(double thresholdPercent, int trim)
{
    return callOr(webSensorApi().quvixSetPMMConfig, badHandle, m_handle, thresholdPercent, trim);
}

int quvixSensorWeb::configureFPGA(bool externalTrigger, int accumulations, double levelPercent,
                                  int delaySteps, int holdoffSteps)
{
    return callOr(webSensorApi().quvixConfigureFPGA, badHandle, m_handle, externalTrigger ? 1 : 0,
                  accumulations, levelPercent, delaySteps, holdoffSteps);
}

void quvixSensorWeb::useExternalTrigger(bool on)
{
    callOr(webSensorApi().quvixUseExternalTrigger, badHandle, m_handle, on ? 1 : 0);
}

int quvixSensorWeb::setTriggerDelay(double delaySteps)
{
    return callOr(webSensorApi().quvixSetTriggerDelay, badHandle, m_handle, static_cast<int>(delaySteps));
}

void quvixSensorWeb::setTriggerHoldoff(int holdoffSteps)
{
    callOr(webSensorApi().quvixSetTriggerHoldoff, badHandle, m_handle, holdoffSteps);
}

void quvixSensorWeb::setTriggerValue(int level)
{
    callOr(webSensorApi().quvixSetTriggerValue, badHandle, m_handle, level);
}

void quvixSensorWeb::setNumberOfAccumulations(int count)
{
    callOr(webSensorApi().quvixSetNumberOfAccumulations, badHandle, m_handle, count);
}

void quvixSensorWeb::resetEnergy()
{
    callOr(webSensorApi().quvixResetEnergy, badHandle, m_handle);
}

QString quvixSensorWeb::capabilities()
{
    return textFromLibrary<100>(
        [this](char* buffer) { callOr(webSensorApi().quvixGetCapabilities, badHandle, m_handle, buffer); });
}

int quvixSensorWeb::frequencyCountFromSensor()
{
    return callOr(webSensorApi().quvixGetFrequencyCount, badHandle, m_handle);
}

void quvixSensorWeb::frequencyDetails(int index, double* hz, int* harmonics)
{
    double frequency = 0.0;
    int count = 0;
    callOr(webSensorApi().quvixGetFrequencyDetails, badHandle, m_handle, index, &frequency, &count);
    *hz = frequency;
    *harmonics = count;
}

void quvixSensorWeb::lockOnChannel2(int mode)
{
    callOr(webSensorApi().quvixLockOnChannel2, badHandle, m_handle, mode);
}

void quvixSensorWeb::disableParameters()
{
    callOr(webSensorApi().quvixDisableParameters, badHandle, m_handle);
}

void quvixSensorWeb::enableParameters(int frequencyIndex, int harmonics)
{
    callOr(webSensorApi().quvixEnableParameters, badHandle, m_handle, frequencyIndex, harmonics);
}

bool quvixSensorWeb::parameterReload()
{
    // Only a positive answer is a reload: -4 means the handle is gone.
    return callOr(webSensorApi().quvixParameterReload, badHandle, m_handle) > 0;
}

void quvixSensorWeb::close()
{
    // Announced once: when the user closed the sensor, its loop, which then
    // ends, must not report it lost a second time.
    if (m_handleClosed.exchange(true))
        return;
    callIfBound(webSensorApi().quvixClose, m_handle);
    markDisconnected();
    emit SensorDisconnected(this);
    // A network sensor that returns gets a new object: its scan ends here.
    finishCurrentScan();
}

void quvixSensorWeb::endLoop()
{
    QuvixSensor::endLoop();
    // A read waiting for a sample returns as soon as the handle is closed.
    close();
}

bool quvixSensorWeb::canReadData() const
{
    return webSensorApi().quvixGetDataHR != nullptr;
}

QString quvixSensorWeb::variantInfo()
{
    return textFromLibrary<60>(
        [this](char* buffer) { callOr(webSensorApi().quvixGetVariantInfo, badHandle, m_handle, buffer); });
}

int quvixSensorWeb::getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                              int* remaining)
{
    return callOr(webSensorApi().quvixGetDataHR, badHandle, m_handle, values, count, timeStampDelta, peak,
                  delay, remaining);
}

int quvixSensorWeb::model()
{
    return callOr(webSensorApi().quvixGetModel, badHandle, m_handle);
}

bool quvixSensorWeb::hasLowSignalMode()
{
    return callOr(webSensorApi().quvixHasLowSignalMode, badHandle, m_handle) > 0;
}

int quvixSensorWeb::setLowSignalMode()
{
    return callOr(webSensorApi().quvixSetLowSignalMode, badHandle, m_handle);
}

int quvixSensorWeb::setNormalMode()
{
    return callOr(webSensorApi().quvixSetNormalMode, badHandle, m_handle);
}

double quvixSensorWeb::delayResolution()
{
    return callOr(webSensorApi().quvixGetDelayResolution, double(badHandle), m_handle);
}

QString quvixSensorWeb::firmwareRevision()
{
    return textFromLibrary<100>([this](char* buffer) {
        callOr(webSensorApi().quvixGetFirmwareRevision, badHandle, m_handle, buffer);
    });
}

QString quvixSensorWeb::fpgaRevision()
{
    return textFromLibrary<100>(
        [this](char* buffer) { callOr(webSensorApi().quvixGetFPGARevision, badHandle, m_handle, buffer); });
}

int quvixSensorWeb::firmwareMajor()
{
    return callOr(webSensorApi().quvixGetFirmwareMajor, badHandle, m_handle);
}

int quvixSensorWeb::firmwareMinor()
{
    return callOr(webSensorApi().quvixGetFirmwareMinor, badHandle, m_handle);
}

bool quvixSensorWeb::isConnected()
{
    return !isStalled() && callOr(webSensorApi().quvixIsConnected, badHandle, m_handle) == 1;
}
