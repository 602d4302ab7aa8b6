#pragma once

#include "sim/quvix3/simusbsensor.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quvixsim {

// The out-values of one data read, as the driver contract gives them.
struct SampleRead {
    double* values;
    int* count;
    int* timeStampDelta;
    double* peak;
    int* delay;
    int* remaining;
};

// One open handle of a simulated sensor: the device settings the program
// sends, and the sample schedule paced by the report rate (or, when
// triggered on a pulsed source, by accumulations x pulse period). A new
// handle starts from the device's power-on settings. Thread-safe: settings
// come from the GUI thread while the data read runs on a worker thread.
class SimUsbDevice
{
public:
    using Clock = std::chrono::steady_clock;

    SimUsbDevice(std::shared_ptr<SimUsbSensor> sensor, Clock::time_point epoch);

    SimUsbSensor& sensor() const { return *m_sensor; }
    // False once the sensor was pulled after this handle was opened.
    bool isAlive() const;

    void setReportRate(int milliseconds);
    void useExternalTrigger(bool on);
    void setTriggerDelay(int steps);
    void setTriggerHoldoff(int steps);
    void setTriggerValue(int level);
    void setAccumulations(int count);
    void lockOnChannel2(int mode);
    void setPulseMonitorMode(int mode);
    int pulseMonitorMode() const;
    void setLowSignalMode(bool on);
    void setPmmConfig(double thresholdPercent, int trim);
    void configureFpga(bool externalTrigger, int accumulations, int delay, int holdoff);
    void disableParameters();
    bool enableParameters(int frequencyIndex, int harmonics);
    // Applies the requested harmonic selection; false when a request exceeds
    // what its frequency measures.
    bool reloadParameters();

    // Number of doubles one sample takes with the applied selection.
    int sampleLength() const;
    // Settings by name, for the control interface; NaN when unknown.
    double setting(const std::string& name) const;

    // The data read: waits for the next due sample for at most maxWait. 1 with
    // a sample or with nothing yet, 0 when the sensor is gone or fails.
    int read(const SampleRead& out, std::chrono::milliseconds maxWait);

private:
    Clock::duration samplePeriodLocked() const;
    void rescheduleLocked();
    bool isTriggeredLocked() const;
    int writeSampleLocked(double* values, int capacity, double seconds) const;
    double amplitudeLocked() const;

    std::shared_ptr<SimUsbSensor> m_sensor;
    const Clock::time_point m_epoch;
    const int m_plugGeneration;
    mutable std::mutex m_mutex;

    int m_reportRate = 100;
    bool m_externalTrigger = false;
    int m_triggerDelay = 0;
    int m_triggerHoldoff = 0;
    int m_triggerValue = 0;
    int m_accumulations = 1;
    int m_lockOnChannel2 = 0;
    int m_pulseMonitorMode = 0;
    bool m_lowSignalMode = false;
    double m_pmmThreshold = 0.0;
    int m_pmmTrim = 0;
    std::vector<int> m_requestedHarmonics;
    std::vector<int> m_selectedHarmonics;

    Clock::duration m_period;
    Clock::time_point m_nextDue;
    Clock::time_point m_lastSample;
    bool m_hasLastSample = false;
};

} // namespace quvixsim
