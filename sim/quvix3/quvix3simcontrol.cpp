#include "sim/quvix3/quvix3simcontrol.h"
#include "sim/quvix3/simusbregistry.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

using quvixsim::SimUsbRegistry;

namespace {
std::string textOf(const char* text)
{
    return text ? std::string(text) : std::string();
}
} // namespace

extern "C" {

int quvix3SimConfigure(const char* text)
{
    std::string error;
    auto sensors = quvixsim::SimUsbConfig::parse(textOf(text), error);
    if (!sensors) {
        std::fprintf(stderr, "quvix3 simulator: %s\n", error.c_str());
        return -1;
    }
    const int count = static_cast<int>(sensors->size());
    SimUsbRegistry::instance().configure(std::move(*sensors));
    return count;
}

int quvix3SimConfigureFromFile(const char* path)
{
    std::ifstream in(textOf(path));
    if (!in)
        return -1;
    std::ostringstream text;
    text << in.rdbuf();
    return quvix3SimConfigure(text.str().c_str());
}

int quvix3SimSetAttached(const char* serial, int attached)
{
    const auto sensor = SimUsbRegistry::instance().sensor(textOf(serial));
    if (!sensor)
        return 0;
    sensor->setAttached(attached != 0);
    return 1;
}

long long quvix3SimSamplesDelivered(const char* serial)
{
    const auto sensor = SimUsbRegistry::instance().sensor(textOf(serial));
    return sensor ? sensor->samplesDelivered() : -1;
}

int quvix3SimSetFault(const char* serial, const char* fault)
{
    const auto sensor = SimUsbRegistry::instance().sensor(textOf(serial));
    const auto parsed = quvixsim::usbFaultFromName(textOf(fault));
    if (!sensor || !parsed)
        return 0;
    sensor->setFault(*parsed);
    return 1;
}

int quvix3SimSetLoad(const char* serial, int frequencyIndex, double resistance, double reactance)
{
    const auto sensor = SimUsbRegistry::instance().sensor(textOf(serial));
    return sensor && sensor->setLoad(frequencyIndex, resistance, reactance) ? 1 : 0;
}

double quvix3SimDeviceSetting(const char* serial, const char* name)
{
    const auto device = SimUsbRegistry::instance().openDeviceOf(textOf(serial));
    return device ? device->setting(textOf(name)) : std::numeric_limits<double>::quiet_NaN();
}

int quvix3SimCallCount(const char* serial, const char* entryPoint)
{
    const auto sensor = SimUsbRegistry::instance().sensor(textOf(serial));
    return sensor ? sensor->callCount(textOf(entryPoint)) : -1;
}

} // extern "C"
