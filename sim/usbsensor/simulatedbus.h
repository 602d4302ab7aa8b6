#pragma once

#include "simulatedsensor.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <usb.h>

// The simulated USB busses: every "<stem>.sensor" file in $QUVIX_USB_SIM_DIR
// (read at each rescan) is a device, listed while its presence file exists,
// on the bus its "bus" key names, in file-name order. Device records stay
// allocated for the process's life, so a usb_device pointer that a caller
// kept from an earlier walk never dangles.
// Process-wide singleton; every entry point takes its one lock.
class SimulatedBus
{
public:
    static SimulatedBus& instance();

    std::mutex& lock() { return m_lock; }

    // Rebuilds the bus and device lists; gives the number of devices listed.
    int rescan();
    usb_bus* busses() const { return m_firstBus; }

    // The sensor behind a device record, or null.
    SimulatedSensor* sensorOf(const struct usb_device* device);

    // Endpoint addresses the sensor's descriptors announce.
    struct Endpoints {
        uint8_t in;
        uint8_t out;
    };
    Endpoints endpointsOf(const SimulatedSensor& sensor) const;

private:
    struct DeviceRecord {
        struct usb_device device {
        };
        usb_config_descriptor config{};
        usb_interface interface {
        };
        usb_interface_descriptor altsetting{};
        usb_endpoint_descriptor endpoints[2]{};
        std::unique_ptr<SimulatedSensor> sensor;
        bool wasPresent = false;
    };

    DeviceRecord& recordFor(const std::string& folder, const std::string& stem);
    usb_bus& busRecord(unsigned number);
    void describe(DeviceRecord& record);

    std::mutex m_lock;
    std::map<std::string, std::unique_ptr<DeviceRecord>> m_records;
    std::map<unsigned, std::unique_ptr<usb_bus>> m_busRecords;
    usb_bus* m_firstBus = nullptr;
};
