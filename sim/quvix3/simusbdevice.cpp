#include "sim/quvix3/simusbdevice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace quvixsim {

namespace {
constexpr int maxQueuedSamples = 64;
constexpr double ticksPerSecond = 24000000.0;
constexpr double pulseOffAmplitude = 0.02;
} // namespace

SimUsbDevice::SimUsbDevice(std::shared_ptr<SimUsbSensor> sensor, Clock::time_point epoch)
    : m_sensor(std::move(sensor))
    , m_epoch(epoch)
    , m_plugGeneration(m_sensor->plugGeneration())
{
    const std::size_t frequencyCount = m_sensor->identity().frequencies.size();
    m_requestedHarmonics.assign(frequencyCount, 0);
    m_selectedHarmonics.assign(frequencyCount, 0);
    if (frequencyCount > 0)
        m_selectedHarmonics[0] = std::min(1, m_sensor->identity().frequencies[0].harmonics);
    m_period = samplePeriodLocked();
    m_nextDue = Clock::now() + m_period;
}

bool SimUsbDevice::isAlive() const
{
    return m_sensor->isAttached() && m_sensor->plugGeneration() == m_plugGeneration;
}

void SimUsbDevice::setReportRate(int milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reportRate = milliseconds;
    rescheduleLocked();
}

void SimUsbDevice::useExternalTrigger(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_externalTrigger = on;
    rescheduleLocked();
}

void SimUsbDevice::setTriggerDelay(int steps)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_triggerDelay = steps;
}

void SimUsbDevice::setTriggerHoldoff(int steps)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_triggerHoldoff = steps;
    rescheduleLocked();
}

void SimUsbDevice::setTriggerValue(int level)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_triggerValue = level;
}

void SimUsbDevice::setAccumulations(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_accumulations = count;
    rescheduleLocked();
}

void SimUsbDevice::lockOnChannel2(int mode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lockOnChannel2 = mode;
}

void SimUsbDevice::setPulseMonitorMode(int mode)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pulseMonitorMode = mode;
}

int SimUsbDevice::pulseMonitorMode() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pulseMonitorMode;
}

void SimUsbDevice::setLowSignalMode(bool on)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lowSignalMode = on;
}

void SimUsbDevice::setPmmConfig(double thresholdPercent, int trim)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pmmThreshold = thresholdPercent;
    m_pmmTrim = trim;
}

void SimUsbDevice::configureFpga(bool externalTrigger, int accumulations, int delay, int holdoff)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_externalTrigger = externalTrigger;
    m_accumulations = accumulations;
    m_triggerDelay = delay;
    m_triggerHoldoff = holdoff;
    rescheduleLocked();
}

void SimUsbDevice::disableParameters()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(m_requestedHarmonics.begin(), m_requestedHarmonics.end(), 0);
}

bool SimUsbDevice::enableParameters(int frequencyIndex, int harmonics)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (frequencyIndex < 0 || frequencyIndex >= static_cast<int>(m_requestedHarmonics.size()))
        return false;
    m_requestedHarmonics[static_cast<std::size_t>(frequencyIndex)] = harmonics;
    return true;
}

bool SimUsbDevice::reloadParameters()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto& frequencies = m_sensor->identity().frequencies;
    for (std::size_t i = 0; i < m_requestedHarmonics.size(); ++i) {
        if (m_requestedHarmonics[i] < 0 || m_requestedHarmonics[i] > frequencies[i].harmonics)
            return false;
    }
    m_selectedHarmonics = m_requestedHarmonics;
    return true;
}

int SimUsbDevice::sampleLength() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int length = 2;
    for (int harmonics : m_selectedHarmonics) {
        if (harmonics > 0)
            length += 2 + 4 * harmonics;
    }
    return length;
}

double SimUsbDevice::setting(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::string selectedPrefix = "selectedHarmonics";
    if (name.compare(0, selectedPrefix.size(), selectedPrefix) == 0) {
        const std::size_t index = std::strtoul(name.c_str() + selectedPrefix.size(), nullptr, 10);
        return index < m_selectedHarmonics.size() ? m_selectedHarmonics[index]
                                                  : std::numeric_limits<double>::quiet_NaN();
    }
    const std::pair<const char*, double> settings[] = {
        {"reportRate", m_reportRate},
        {"externalTrigger", m_externalTrigger ? 1 : 0},
        {"triggerDelay", m_triggerDelay},
        {"triggerHoldoff", m_triggerHoldoff},
        {"triggerValue", m_triggerValue},
        {"accumulations", m_accumulations},
        {"lockOnChannel2", m_lockOnChannel2},
        {"pulseMonitorMode", m_pulseMonitorMode},
        {"lowSignalMode", m_lowSignalMode},
        {"pmmThreshold", m_pmmThreshold},
        {"pmmTrim", m_pmmTrim},
    };
    for (const auto& [key, value] : settings) {
        if (name == key)
            return value;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

bool SimUsbDevice::isTriggeredLocked() const
{
    return m_externalTrigger || m_triggerHoldoff != 0;
}

SimUsbDevice::Clock::duration SimUsbDevice::samplePeriodLocked() const
{
    const PulseTiming& pulse = m_sensor->identity().pulse;
    double milliseconds = m_reportRate;
    if (isTriggeredLocked() && pulse.isPulsed())
        milliseconds = std::max(1, m_accumulations) * pulse.periodMicroseconds / 1000.0;
    milliseconds = std::max(1.0, milliseconds);
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(milliseconds));
}

void SimUsbDevice::rescheduleLocked()
{
    const Clock::duration period = samplePeriodLocked();
    if (period == m_period)
        return;
    m_period = period;
    m_nextDue = (m_hasLastSample ? m_lastSample : Clock::now()) + m_period;
}

double SimUsbDevice::amplitudeLocked() const
{
    const PulseTiming& pulse = m_sensor->identity().pulse;
    if (!isTriggeredLocked() || !pulse.isPulsed())
        return 1.0;
    const double delayMicroseconds = m_triggerDelay * m_sensor->identity().delayResolution * 1e6;
    return pulse.isOnAt(delayMicroseconds) ? 1.0 : pulseOffAmplitude;
}

int SimUsbDevice::writeSampleLocked(double* values, int capacity, double seconds) const
{
    const auto& frequencies = m_sensor->identity().frequencies;
    const double amplitude = amplitudeLocked();
    int length = 0;
    auto put = [&](double value) {
        if (length < capacity)
            values[length] = value;
        ++length;
    };
    for (std::size_t i = 0; i < frequencies.size(); ++i) {
        const int harmonics = m_selectedHarmonics[i];
        if (harmonics <= 0)
            continue;
        const RfLoadModel load(m_sensor->load(static_cast<int>(i)));
        put(frequencies[i].hz);
        put(load.powerAt(seconds, amplitude));
        for (int h = 0; h < harmonics; ++h) {
            const HarmonicReading reading = load.harmonicAt(h, seconds, amplitude);
            put(reading.voltage);
            put(reading.voltagePhase);
            put(reading.current);
            put(reading.currentPhase);
        }
    }
    const PulseTiming& pulse = m_sensor->identity().pulse;
    const bool reportPulse = m_pulseMonitorMode != 0 && pulse.isPulsed();
    put(reportPulse ? pulse.periodMicroseconds : 0.0);
    put(reportPulse ? pulse.onTimeMicroseconds : 0.0);
    return length;
}

int SimUsbDevice::read(const SampleRead& out, std::chrono::milliseconds maxWait)
{
    const Clock::time_point giveUp = Clock::now() + maxWait;
    for (;;) {
        if (!isAlive())
            return 0;
        const UsbFault fault = m_sensor->fault();
        if (fault == UsbFault::ReadFail)
            return 0;
        std::unique_lock<std::mutex> lock(m_mutex);
        const Clock::time_point now = Clock::now();
        if (now >= m_nextDue) {
            // A reader that fell far behind loses the oldest samples, as a
            // device queue of bounded depth would.
            if (now - m_nextDue > maxQueuedSamples * m_period)
                m_nextDue += ((now - m_nextDue) / m_period - maxQueuedSamples) * m_period;
            const Clock::time_point sampleTime = m_nextDue;
            const int capacity = *out.count;
            const double seconds = std::chrono::duration<double>(sampleTime - m_epoch).count();
            const int length = writeSampleLocked(out.values, capacity, seconds);
            if (length > capacity) {
                // Never written past the caller's buffer: the sample is lost.
                *out.count = 0;
            } else {
                *out.count = length;
                *out.timeStampDelta =
                    m_hasLastSample ? static_cast<int>(std::llround(
                                          std::chrono::duration<double>(sampleTime - m_lastSample).count() *
                                          ticksPerSecond))
                                    : 0;
                *out.peak = length > 2 ? std::min(100.0, out.values[2] / 2.0) : 0.0;
                *out.delay = m_triggerDelay;
                *out.remaining = static_cast<int>((now - m_nextDue) / m_period);
            }
            m_lastSample = sampleTime;
            m_hasLastSample = true;
            m_nextDue += m_period;
            lock.unlock();
            if (*out.count > 0) {
                m_sensor->countSample();
                switch (fault) {
                case UsbFault::NanValues:
                    out.values[*out.count > 2 ? 2 : 0] = std::numeric_limits<double>::quiet_NaN();
                    break;
                case UsbFault::ShortCount:
                    --*out.count;
                    break;
                case UsbFault::OverCount:
                    *out.count = capacity + 1;
                    break;
                case UsbFault::NoRemaining:
                    *out.remaining = 100;
                    break;
                default:
                    break;
                }
            }
            return 1;
        }
        const Clock::time_point due = m_nextDue;
        lock.unlock();
        if (now >= giveUp)
            return 1;
        // Short steps, so a pulled cable is noticed at once.
        std::this_thread::sleep_until(std::min({due, giveUp, now + std::chrono::milliseconds(1)}));
    }
}

} // namespace quvixsim
