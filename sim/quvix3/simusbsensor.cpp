#include "sim/quvix3/simusbsensor.h"

#include <sys/stat.h>

namespace quvixsim {

namespace {
bool fileExists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}
} // namespace

SimUsbSensor::SimUsbSensor(SimUsbSensorConfig config)
    : m_config(std::move(config))
    , m_plugged(m_config.attached)
    , m_fault(m_config.fault)
{
    for (const SimFrequency& frequency : m_config.frequencies)
        m_loads.push_back(frequency.load);
}

bool SimUsbSensor::isAttached()
{
    const bool present = m_config.presenceFile.empty() || fileExists(m_config.presenceFile);
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool attached = m_plugged && present;
    if (!attached && m_seenAttached)
        ++m_plugGeneration;
    m_seenAttached = attached;
    return attached;
}

void SimUsbSensor::setAttached(bool attached)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plugged = attached;
    }
    isAttached();
}

UsbFault SimUsbSensor::fault() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fault;
}

void SimUsbSensor::setFault(UsbFault fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fault = fault;
}

RfLoadSettings SimUsbSensor::load(int frequencyIndex) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loads.at(static_cast<std::size_t>(frequencyIndex));
}

bool SimUsbSensor::setLoad(int frequencyIndex, double resistance, double reactance)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (frequencyIndex < 0 || frequencyIndex >= static_cast<int>(m_loads.size()))
        return false;
    m_loads[static_cast<std::size_t>(frequencyIndex)].resistance = resistance;
    m_loads[static_cast<std::size_t>(frequencyIndex)].reactance = reactance;
    return true;
}

void SimUsbSensor::countCall(const char* entryPoint)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_callCounts[entryPoint];
}

int SimUsbSensor::callCount(const std::string& entryPoint) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_callCounts.find(entryPoint);
    return found == m_callCounts.end() ? 0 : found->second;
}

} // namespace quvixsim
