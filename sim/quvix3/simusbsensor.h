#pragma once

#include "sim/quvix3/simusbconfig.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>

namespace quvixsim {

// One configured simulated USB sensor, whether attached or not: its identity,
// its plug state, its load and fault switches (changed by the control calls)
// and its counters. Thread-safe; the identity never changes after creation.
class SimUsbSensor
{
public:
    explicit SimUsbSensor(SimUsbSensorConfig config);

    const SimUsbSensorConfig& identity() const { return m_config; }

    // Attached while the plug flag is set and the presence file (if any)
    // exists. Each time the sensor is seen pulled, its plug generation moves
    // on, so handles opened before stay dead after it returns.
    bool isAttached();
    void setAttached(bool attached);
    int plugGeneration() const { return m_plugGeneration.load(); }

    UsbFault fault() const;
    void setFault(UsbFault fault);

    RfLoadSettings load(int frequencyIndex) const;
    bool setLoad(int frequencyIndex, double resistance, double reactance);

    void countSample() { ++m_samplesDelivered; }
    long long samplesDelivered() const { return m_samplesDelivered.load(); }

    void countCall(const char* entryPoint);
    int callCount(const std::string& entryPoint) const;

private:
    const SimUsbSensorConfig m_config;
    mutable std::mutex m_mutex;
    bool m_plugged;
    bool m_seenAttached = false;
    UsbFault m_fault;
    std::vector<RfLoadSettings> m_loads;
    std::map<std::string, int> m_callCounts;
    std::atomic<int> m_plugGeneration{0};
    std::atomic<long long> m_samplesDelivered{0};
};

} // namespace quvixsim
