#include "simulatedbus.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

namespace {

std::string simulatorFolder()
{
    const char* folder = std::getenv("QUVIX_USB_SIM_DIR");
    return folder ? folder : "";
}

std::vector<std::string> sensorStems(const std::string& folder)
{
    std::vector<std::string> stems;
    DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
    if (!dir)
        return stems;
    const std::string suffix = ".sensor";
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            stems.push_back(name.substr(0, name.size() - suffix.size()));
    }
    ::closedir(dir);
    std::sort(stems.begin(), stems.end());
    return stems;
}

} // namespace

SimulatedBus& SimulatedBus::instance()
{
    static SimulatedBus bus;
    return bus;
}

SimulatedBus::DeviceRecord& SimulatedBus::recordFor(const std::string& folder, const std::string& stem)
{
    const std::string key = folder + "/" + stem;
    auto& slot = m_records[key];
    if (!slot) {
        slot = std::make_unique<DeviceRecord>();
        slot->sensor = std::make_unique<SimulatedSensor>(folder, stem);
    }
    return *slot;
}

usb_bus& SimulatedBus::busRecord(unsigned number)
{
    auto& slot = m_busRecords[number];
    if (!slot) {
        slot = std::make_unique<usb_bus>();
        std::snprintf(slot->dirname, sizeof slot->dirname, "%03u", number);
        slot->location = number;
    }
    return *slot;
}

SimulatedBus::Endpoints SimulatedBus::endpointsOf(const SimulatedSensor& sensor) const
{
    const std::vector<std::string> given = sensor.config().list("endpoints");
    Endpoints endpoints{0x81, 0x01};
    if (given.size() == 2) {
        endpoints.in = static_cast<uint8_t>(std::strtol(given[0].c_str(), nullptr, 0));
        endpoints.out = static_cast<uint8_t>(std::strtol(given[1].c_str(), nullptr, 0));
    }
    return endpoints;
}

void SimulatedBus::describe(DeviceRecord& record)
{
    const SimSensorConfig& config = record.sensor->config();
    usb_device_descriptor& descriptor = record.device.descriptor;
    descriptor.bLength = USB_DT_DEVICE_SIZE;
    descriptor.bDescriptorType = USB_DT_DEVICE;
    descriptor.bcdUSB = 0x0200;
    descriptor.idVendor = static_cast<uint16_t>(config.number("vendor", 0x1CBE));
    descriptor.idProduct = static_cast<uint16_t>(config.number("product", 0x0168));
    descriptor.iManufacturer = 1;
    descriptor.iProduct = 2;
    descriptor.iSerialNumber = 3;
    descriptor.bNumConfigurations = 1;

    const Endpoints endpoints = endpointsOf(*record.sensor);
    const int endpointCount = static_cast<int>(config.number("endpoint_count", 2));
    for (usb_endpoint_descriptor& endpoint : record.endpoints) {
        endpoint.bLength = USB_DT_ENDPOINT_SIZE;
        endpoint.bDescriptorType = USB_DT_ENDPOINT;
        endpoint.bmAttributes = USB_ENDPOINT_TYPE_BULK;
        endpoint.wMaxPacketSize = 64;
    }
    record.endpoints[0].bEndpointAddress = endpoints.in;
    record.endpoints[1].bEndpointAddress = endpoints.out;
    record.altsetting.bLength = USB_DT_INTERFACE_SIZE;
    record.altsetting.bDescriptorType = USB_DT_INTERFACE;
    record.altsetting.bNumEndpoints = static_cast<uint8_t>(std::clamp(endpointCount, 0, 2));
    record.altsetting.bInterfaceClass = static_cast<uint8_t>(config.number("interface_class", 0xFF));
    record.altsetting.endpoint = record.endpoints;
    record.interface.altsetting = &record.altsetting;
    record.interface.num_altsetting = 1;
    record.config.bLength = USB_DT_CONFIG_SIZE;
    record.config.bDescriptorType = USB_DT_CONFIG;
    record.config.bNumInterfaces = 1;
    record.config.bConfigurationValue = 1;
    record.config.interface = &record.interface;
    record.device.config = &record.config;
}

int SimulatedBus::rescan()
{
    for (auto& bus : m_busRecords) {
        bus.second->devices = nullptr;
        bus.second->next = bus.second->prev = nullptr;
    }
    const std::string folder = simulatorFolder();
    std::map<unsigned, std::vector<DeviceRecord*>> listed;
    for (const std::string& stem : sensorStems(folder)) {
        DeviceRecord& record = recordFor(folder, stem);
        record.sensor->reload();
        const bool present = record.sensor->present();
        if (present && !record.wasPresent)
            record.sensor->plugIn();
        record.wasPresent = present;
        if (!present)
            continue;
        describe(record);
        const unsigned busNumber = static_cast<unsigned>(record.sensor->config().number("bus", 1));
        listed[busNumber].push_back(&record);
    }
    // Records of a folder that is no longer the simulator's are never listed.
    for (auto& entry : m_records)
        if (entry.first.compare(0, folder.size() + 1, folder + "/") != 0)
            entry.second->wasPresent = false;

    int count = 0;
    usb_bus* previousBus = nullptr;
    m_firstBus = nullptr;
    for (auto& entry : listed) {
        usb_bus& bus = busRecord(entry.first);
        bus.prev = previousBus;
        if (previousBus)
            previousBus->next = &bus;
        else
            m_firstBus = &bus;
        previousBus = &bus;
        struct usb_device* previousDevice = nullptr;
        uint8_t number = 1;
        for (DeviceRecord* record : entry.second) {
            struct usb_device& device = record->device;
            device.bus = &bus;
            device.devnum = number++;
            std::snprintf(device.filename, sizeof device.filename, "%03u",
                          static_cast<unsigned>(device.devnum));
            device.prev = previousDevice;
            device.next = nullptr;
            if (previousDevice)
                previousDevice->next = &device;
            else
                bus.devices = &device;
            previousDevice = &device;
            ++count;
        }
    }
    return count;
}

SimulatedSensor* SimulatedBus::sensorOf(const struct usb_device* device)
{
    for (auto& entry : m_records)
        if (&entry.second->device == device)
            return entry.second->sensor.get();
    return nullptr;
}
