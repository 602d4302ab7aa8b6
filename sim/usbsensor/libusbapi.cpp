// The libusb-0.1 C interface over the simulated bus. Only the calls that a
// bulk-pipe device needs do real work; the others answer as a device without
// that feature would.

#include "simulatedbus.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include <usb.h>

#define SIM_API extern "C" __attribute__((visibility("default")))

struct usb_dev_handle {
    struct usb_device* device;
    SimulatedSensor* sensor;
    std::string presenceStamp;
    bool claimed;
};

// Declared by usb.h outside its C block; a global variable name is not mangled.
__attribute__((visibility("default"))) struct usb_bus* usb_busses = nullptr;

namespace {

thread_local std::string lastError = "no error";

int failWith(int code, const char* text)
{
    lastError = text;
    return code;
}

// Identifies one plug-in: a handle from an earlier plug-in stays dead even
// after the cable is back.
std::string presenceStamp(const SimulatedSensor& sensor, const std::string& folder)
{
    struct stat info;
    if (::stat((folder + "/" + sensor.stem() + ".present").c_str(), &info) != 0)
        return {};
    return std::to_string(info.st_ino) + ":" + std::to_string(info.st_ctim.tv_sec) + ":" +
           std::to_string(info.st_ctim.tv_nsec);
}

std::string folder()
{
    const char* value = std::getenv("QUVIX_USB_SIM_DIR");
    return value ? value : "";
}

bool attached(usb_dev_handle* handle)
{
    if (!handle || !handle->sensor)
        return false;
    const std::string stamp = presenceStamp(*handle->sensor, folder());
    return !stamp.empty() && stamp == handle->presenceStamp;
}

} // namespace

SIM_API void usb_init(void) {}

SIM_API void usb_set_debug(int) {}

SIM_API int usb_find_busses(void)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    SimulatedBus::instance().rescan();
    usb_busses = SimulatedBus::instance().busses();
    return 0;
}

SIM_API int usb_find_devices(void)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    const int count = SimulatedBus::instance().rescan();
    usb_busses = SimulatedBus::instance().busses();
    return count;
}

SIM_API struct usb_bus* usb_get_busses(void)
{
    return usb_busses;
}

SIM_API usb_dev_handle* usb_open(struct usb_device* dev)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    SimulatedSensor* sensor = SimulatedBus::instance().sensorOf(dev);
    if (!sensor || !sensor->present()) {
        failWith(-ENODEV, "No such device");
        return nullptr;
    }
    if (sensor->config().flag("openfail")) {
        failWith(-EACCES, "Permission denied");
        return nullptr;
    }
    return new usb_dev_handle{dev, sensor, presenceStamp(*sensor, folder()), false};
}

SIM_API int usb_close(usb_dev_handle* dev)
{
    delete dev;
    return 0;
}

SIM_API struct usb_device* usb_device(usb_dev_handle* dev)
{
    return dev ? dev->device : nullptr;
}

SIM_API int usb_get_string_simple(usb_dev_handle* dev, int index, char* buf, size_t buflen)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    if (!attached(dev))
        return failWith(-ENODEV, "No such device");
    if (!buf || buflen == 0)
        return failWith(-EINVAL, "Invalid argument");
    std::string text;
    switch (index) {
    case 1:
        text = "Quorvane";
        break;
    case 2:
        text = "Quvix Sensor";
        break;
    case 3:
        text = dev->sensor->serial();
        break;
    default:
        return failWith(-EPIPE, "Broken pipe");
    }
    const size_t length = std::min(text.size(), buflen - 1);
    std::memcpy(buf, text.data(), length);
    buf[length] = '\0';
    return static_cast<int>(length);
}

SIM_API int usb_get_string(usb_dev_handle* dev, int index, int, char* buf, size_t buflen)
{
    return usb_get_string_simple(dev, index, buf, buflen);
}

SIM_API int usb_set_configuration(usb_dev_handle* dev, int configuration)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    if (!attached(dev))
        return failWith(-ENODEV, "No such device");
    if (configuration != 1)
        return failWith(-EINVAL, "Invalid argument");
    return 0;
}

SIM_API int usb_claim_interface(usb_dev_handle* dev, int interface)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    if (!attached(dev))
        return failWith(-ENODEV, "No such device");
    if (interface != 0)
        return failWith(-EINVAL, "Invalid argument");
    if (dev->sensor->config().flag("claimfail"))
        return failWith(-EBUSY, "Device or resource busy");
    dev->claimed = true;
    return 0;
}

SIM_API int usb_release_interface(usb_dev_handle* dev, int)
{
    if (dev)
        dev->claimed = false;
    return 0;
}

SIM_API int usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    if (!attached(dev))
        return failWith(-ENODEV, "No such device");
    if (!dev->claimed || (ep & 0xFF) != SimulatedBus::instance().endpointsOf(*dev->sensor).out)
        return failWith(-EINVAL, "Invalid argument");
    dev->sensor->reload(); // fault switches may change between transfers
    const int result = dev->sensor->receive(reinterpret_cast<const uint8_t*>(bytes), size);
    if (result < 0)
        return failWith(result, "Input/output error");
    return result;
}

SIM_API int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int)
{
    std::lock_guard<std::mutex> guard(SimulatedBus::instance().lock());
    if (!attached(dev))
        return failWith(-ENODEV, "No such device");
    if (!dev->claimed || (ep & 0xFF) != SimulatedBus::instance().endpointsOf(*dev->sensor).in)
        return failWith(-EINVAL, "Invalid argument");
    dev->sensor->reload();
    const int result = dev->sensor->transmit(reinterpret_cast<uint8_t*>(bytes), size);
    if (result < 0)
        return failWith(result, "Connection timed out");
    return result;
}

SIM_API int usb_interrupt_write(usb_dev_handle*, int, const char*, int, int)
{
    return failWith(-EINVAL, "Invalid argument");
}

SIM_API int usb_interrupt_read(usb_dev_handle*, int, char*, int, int)
{
    return failWith(-EINVAL, "Invalid argument");
}

SIM_API int usb_control_msg(usb_dev_handle*, int, int, int, int, char*, int, int)
{
    return failWith(-EPIPE, "Broken pipe");
}

SIM_API int usb_get_descriptor_by_endpoint(usb_dev_handle*, int, unsigned char, unsigned char, void*, int)
{
    return failWith(-EPIPE, "Broken pipe");
}

SIM_API int usb_get_descriptor(usb_dev_handle*, unsigned char, unsigned char, void*, int)
{
    return failWith(-EPIPE, "Broken pipe");
}

SIM_API int usb_set_altinterface(usb_dev_handle*, int alternate)
{
    return alternate == 0 ? 0 : failWith(-EINVAL, "Invalid argument");
}

SIM_API int usb_resetep(usb_dev_handle*, unsigned int)
{
    return 0;
}

SIM_API int usb_clear_halt(usb_dev_handle*, unsigned int)
{
    return 0;
}

SIM_API int usb_reset(usb_dev_handle*)
{
    return 0;
}

SIM_API int usb_get_driver_np(usb_dev_handle*, int, char*, unsigned int)
{
    return failWith(-ENODATA, "No data available");
}

SIM_API int usb_detach_kernel_driver_np(usb_dev_handle*, int)
{
    return failWith(-ENODATA, "No data available");
}

SIM_API char* usb_strerror(void)
{
    return const_cast<char*>(lastError.c_str());
}
