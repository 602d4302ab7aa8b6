#include "sim/quvix3/simusbregistry.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <sstream>

namespace quvixsim {

namespace {

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string configBesideLibrary()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&startupConfiguration), &info) == 0 || !info.dli_fname)
        return {};
    const std::string library = info.dli_fname;
    const auto slash = library.rfind('/');
    return (slash == std::string::npos ? std::string(".") : library.substr(0, slash)) + "/quvix3-sim.conf";
}

} // namespace

std::vector<SimUsbSensorConfig> startupConfiguration()
{
    const char* named = std::getenv("QUVIX3_SIM_CONFIG");
    const std::string path = named && *named ? std::string(named) : configBesideLibrary();
    const std::optional<std::string> text = path.empty() ? std::nullopt : readFile(path);
    if (!text) {
        if (named && *named)
            std::fprintf(stderr, "quvix3 simulator: cannot read %s; no sensors attached\n", named);
        return named && *named ? std::vector<SimUsbSensorConfig>{} : SimUsbConfig::defaultSensors();
    }
    std::string error;
    auto sensors = SimUsbConfig::parse(*text, error);
    if (!sensors) {
        std::fprintf(stderr, "quvix3 simulator: %s: %s; no sensors attached\n", path.c_str(), error.c_str());
        return {};
    }
    return *sensors;
}

SimUsbRegistry& SimUsbRegistry::instance()
{
    static SimUsbRegistry registry;
    return registry;
}

SimUsbRegistry::SimUsbRegistry()
    : m_epoch(SimUsbDevice::Clock::now())
{
    configure(startupConfiguration());
}

void SimUsbRegistry::configure(std::vector<SimUsbSensorConfig> sensors)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.clear();
    m_sensors.clear();
    for (SimUsbSensorConfig& config : sensors)
        m_sensors.push_back(std::make_shared<SimUsbSensor>(std::move(config)));
}

int SimUsbRegistry::open()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& sensor : m_sensors) {
        if (!sensor->isAttached())
            continue;
        bool alreadyOpen = false;
        for (const auto& entry : m_devices)
            alreadyOpen = alreadyOpen || (&entry.second->sensor() == sensor.get() && entry.second->isAlive());
        if (alreadyOpen)
            continue;
        const int handle = m_nextHandle++;
        m_devices[handle] = std::make_shared<SimUsbDevice>(sensor, m_epoch);
        sensor->countCall("quvixOpen");
        return handle;
    }
    return 0;
}

void SimUsbRegistry::close(int handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_devices.erase(handle);
}

std::shared_ptr<SimUsbDevice> SimUsbRegistry::device(int handle)
{
    std::shared_ptr<SimUsbDevice> found;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto entry = m_devices.find(handle);
        if (entry == m_devices.end())
            return nullptr;
        found = entry->second;
    }
    return found->isAlive() ? found : nullptr;
}

std::shared_ptr<SimUsbSensor> SimUsbRegistry::sensor(const std::string& serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& sensor : m_sensors) {
        if (sensor->identity().serial == serial)
            return sensor;
    }
    return nullptr;
}

std::shared_ptr<SimUsbDevice> SimUsbRegistry::openDeviceOf(const std::string& serial)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::shared_ptr<SimUsbDevice> latest;
    for (const auto& entry : m_devices) {
        if (entry.second->sensor().identity().serial == serial)
            latest = entry.second;
    }
    return latest;
}

} // namespace quvixsim
