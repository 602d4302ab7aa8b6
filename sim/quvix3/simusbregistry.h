#pragma once

#include "sim/quvix3/simusbdevice.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quvixsim {

// The library's one piece of process state: the configured sensors and the
// open handles. Handles count up from 1 and are never reused, so a stale
// handle stays invalid. Thread-safe; lookups hand out shared pointers so a
// read on one handle never blocks calls on another.
class SimUsbRegistry
{
public:
    static SimUsbRegistry& instance();

    void configure(std::vector<SimUsbSensorConfig> sensors);

    // A handle for the first attached sensor that has none open, else 0.
    int open();
    void close(int handle);
    // The live device of a handle, or null (unknown, closed or pulled).
    std::shared_ptr<SimUsbDevice> device(int handle);
    std::shared_ptr<SimUsbSensor> sensor(const std::string& serial);
    std::shared_ptr<SimUsbDevice> openDeviceOf(const std::string& serial);

private:
    SimUsbRegistry();

    std::mutex m_mutex;
    const SimUsbDevice::Clock::time_point m_epoch;
    std::vector<std::shared_ptr<SimUsbSensor>> m_sensors;
    std::map<int, std::shared_ptr<SimUsbDevice>> m_devices;
    int m_nextHandle = 1;
};

// The configuration at load: the file named by QUVIX3_SIM_CONFIG, else
// quvix3-sim.conf beside the library, else one default sensor.
std::vector<SimUsbSensorConfig> startupConfiguration();

} // namespace quvixsim
