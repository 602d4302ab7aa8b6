#include "usb_comm_device.h"

#include "littleendian.h"
#include "platform/pause.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <usb.h>

namespace {

constexpr int kWriteTimeoutMs = 2000;
constexpr int kReadTimeoutMs = 1500;
constexpr int kDrainTimeoutMs = 1;
constexpr int kDrainPauseMs = 10;
constexpr int kSpillSize = 1024;
// The original lock-name buffer held 32 characters with its terminator.
constexpr size_t kLockNameCapacity = 31;
const char* const kLockPrefix = "quorvane_";

// libusb-0.1 on Linux must be initialised once before the first bus walk.
void initialiseLibusb()
{
    static std::once_flag once;
    std::call_once(once, [] { usb_init(); });
}

bool isSensor(const struct usb_device* device)
{
    return device->descriptor.idVendor == kSensorVendorId && device->descriptor.idProduct == kSensorProductId;
}

template <typename Visit> void forEachSensorDevice(Visit visit)
{
    initialiseLibusb();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* device = bus->devices; device; device = device->next)
            if (isSensor(device) && !visit(device))
                return;
}

} // namespace

std::string sensorLockName(const std::string& serial)
{
    const std::string name = kLockPrefix + serial;
    if (serial.empty() || name.size() > kLockNameCapacity || !NamedMutex::isUsableName(name))
        return {};
    return name;
}

void enumerateSensors(std::vector<SensorListEntry>& list)
{
    list.clear();
    forEachSensorDevice([&list](struct usb_device* device) {
        SensorListEntry entry;
        entry.device = device;
        probeSensor(device, entry);
        list.push_back(entry);
        std::printf("[%x]\n", static_cast<unsigned>(list.size()));
        return true;
    });
}

bool probeSensor(struct usb_device* device, SensorListEntry& entry)
{
    std::memset(entry.serial, 0, sizeof entry.serial);
    entry.available = false;
    usb_dev_handle* handle = device ? usb_open(device) : nullptr;
    if (!handle)
        return true;
    const int length =
        usb_get_string_simple(handle, device->descriptor.iSerialNumber, entry.serial, sizeof entry.serial);
    if (length < 0)
        std::memset(entry.serial, 0, sizeof entry.serial);
    entry.serial[sizeof entry.serial - 1] = '\0';
    usb_close(handle);

    const std::string lockName = sensorLockName(entry.serial);
    if (lockName.empty())
        return true;
    entry.available = NamedMutex::probe(lockName) == NamedMutex::Presence::Free;
    return true;
}

usb_comm_device::usb_comm_device(usb_dev_handle* handle, std::unique_ptr<NamedMutex> lock)
    : m_handle(handle)
    , m_lock(std::move(lock))
    , m_ring(kRingSize + kSpillSize, 0)
{
}

usb_comm_device::~usb_comm_device()
{
    close();
}

std::unique_ptr<usb_comm_device> usb_comm_device::open(const char* serial)
{
    const std::string wanted = serial ? serial : "";
    const std::string lockName = sensorLockName(wanted);
    if (lockName.empty())
        return nullptr;
    std::unique_ptr<NamedMutex> lock = NamedMutex::take(lockName);
    if (!lock)
        return nullptr;

    std::unique_ptr<usb_comm_device> opened;
    forEachSensorDevice([&](struct usb_device* device) {
        usb_dev_handle* handle = usb_open(device);
        if (!handle)
            return true;
        char found[128] = {};
        if (usb_get_string_simple(handle, device->descriptor.iSerialNumber, found, 127) < 0)
            found[0] = '\0';
        found[127] = '\0';
        if (wanted != found) {
            usb_close(handle);
            return true;
        }
        std::printf("Found Device with serial [%s]\n", found);
        opened.reset(new usb_comm_device(handle, std::move(lock)));
        std::printf("Ready for setup.\n");
        if (!opened->setup()) {
            std::printf("Setup fail\n");
            opened.reset();
        }
        return false;
    });
    return opened;
}

bool usb_comm_device::setup()
{
    if (!m_handle)
        return false;
    const struct usb_device* device = usb_device(m_handle);
    const usb_config_descriptor* config = device ? device->config : nullptr;
    m_inEndpoint = 0;
    m_outEndpoint = 0;
    if (config && config->bNumInterfaces == 1 && config->interface && config->interface->altsetting) {
        const usb_interface_descriptor& setting = config->interface->altsetting[0];
        if (setting.bInterfaceClass == 0xFF && setting.bNumEndpoints == 2 && setting.endpoint) {
            for (int i = 0; i < 2; ++i) {
                const uint8_t address = setting.endpoint[i].bEndpointAddress;
                if (address & 0x80)
                    m_inEndpoint = address;
                else
                    m_outEndpoint = address;
            }
        }
    }
    std::printf("Interface using endpoints 0x%X, 0x%X\n", m_outEndpoint, m_inEndpoint);
    if (m_inEndpoint == 0 || m_outEndpoint == 0) {
        std::printf("Invalid interface endpoints.\n");
        return false;
    }
    if (usb_set_configuration(m_handle, 1) < 0)
        return false;
    if (usb_claim_interface(m_handle, 0) < 0)
        return false;
    resync();
    return true;
}

bool usb_comm_device::resync()
{
    const uint8_t resyncByte = '*';
    if (!write(&resyncByte, 1))
        return false;
    return initialise();
}

bool usb_comm_device::initialise()
{
    Pause::milliseconds(kDrainPauseMs);
    if (m_handle) {
        char scratch[kTransferSize];
        const int result = usb_bulk_read(m_handle, m_inEndpoint, scratch, kTransferSize, kDrainTimeoutMs);
        if (result < 0)
            std::printf("usb_comm_device::initialise() %d\n%s\n", result, usb_strerror());
    }
    m_readIndex = 0;
    m_writeIndex = 0;
    return true;
}

bool usb_comm_device::write(const void* bytes, int count)
{
    if (!m_handle)
        return false;
    int written;
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        written =
            usb_bulk_write(m_handle, m_outEndpoint, static_cast<const char*>(bytes), count, kWriteTimeoutMs);
    }
    if (written < 0) {
        std::printf("error writing (%d bytes):\n%s\n", count, usb_strerror());
        return false;
    }
    if (written < count) {
        std::printf("Write (Req: %d Wrote: %d)\n", count, written);
        return false;
    }
    return true;
}

int usb_comm_device::bufferedBytes() const
{
    return (m_writeIndex - m_readIndex + kRingSize) % kRingSize;
}

int usb_comm_device::freeRoom() const
{
    const int room = (m_readIndex - m_writeIndex + kRingSize) % kRingSize;
    return room == 0 ? kRingSize : room;
}

int usb_comm_device::lengthAtReadIndex() const
{
    return m_ring[(m_readIndex + 1) % kRingSize] | (m_ring[(m_readIndex + 2) % kRingSize] << 8);
}

bool usb_comm_device::refill(int* received)
{
    if (freeRoom() - 1 < kTransferSize) {
        std::printf("\r\nTransfer Buffer full. Must have lost communication sync.\r\n");
        return false;
    }
    const int result = usb_bulk_read(m_handle, m_inEndpoint, reinterpret_cast<char*>(&m_ring[m_writeIndex]),
                                     kTransferSize, kReadTimeoutMs);
    if (result <= 0) {
        std::printf("usb_comm_device::read_packet(): no data from usb_bulk_read():\n%s\n", usb_strerror());
        std::printf("Failed read\r\n");
        return false;
    }
    m_writeIndex += result;
    if (m_writeIndex > kRingSize)
        std::memcpy(&m_ring[0], &m_ring[kRingSize], static_cast<size_t>(m_writeIndex - kRingSize));
    if (m_writeIndex >= kRingSize)
        m_writeIndex -= kRingSize;
    *received = result;
    return true;
}

void usb_comm_device::deliver(uint8_t* buffer, int frameSize)
{
    const int first = std::min(frameSize, kRingSize - m_readIndex);
    std::memcpy(buffer, &m_ring[m_readIndex], static_cast<size_t>(first));
    if (first < frameSize)
        std::memcpy(buffer + first, &m_ring[0], static_cast<size_t>(frameSize - first));
    m_readIndex = (m_readIndex + frameSize) % kRingSize;
}

bool usb_comm_device::read_packet(uint8_t* buffer, int* size)
{
    if (!m_handle || !buffer || !size)
        return false;
    if (bufferedBytes() > 2) {
        const int length = lengthAtReadIndex();
        if (length == 0 || length > kMaxFramePayload) {
            std::printf("usb_comm_device::read_packet(): Invalid packet size %d (max %d)\n", length,
                        kMaxFramePayload);
            return false;
        }
        if (bufferedBytes() >= length + kFrameHeaderSize) {
            *size = length + kFrameHeaderSize;
            deliver(buffer, *size);
            return true;
        }
    }
    for (;;) {
        int received = 0;
        if (!refill(&received))
            return false;
        if (bufferedBytes() <= 2)
            continue;
        const int length = lengthAtReadIndex();
        if (length == 0 || length > kMaxFramePayload) {
            std::printf("\r\nusb_comm_device::read_packet(): (Req:%d Got: %d)", kTransferSize, received);
            std::printf("Invalid packet size: %d (max %d)\n", length, kMaxFramePayload);
            return false;
        }
        if (bufferedBytes() >= length + kFrameHeaderSize) {
            *size = length + kFrameHeaderSize;
            deliver(buffer, *size);
            return true;
        }
    }
}

void usb_comm_device::close()
{
    if (m_handle) {
        usb_close(m_handle);
        m_handle = nullptr;
    }
    m_lock.reset();
}

bool requestSensorInfo(usb_comm_device& device, uint8_t* buffer, int* length)
{
    const uint8_t request = 'i';
    if (!device.write(&request, 1))
        return false;
    uint8_t frame[kMaxFrameSize];
    int frameSize = 0;
    do {
        if (!device.read_packet(frame, &frameSize))
            return false;
    } while (frame[0] != 'i');
    if (frameSize > kMaxInfoFrameSize)
        return false;
    *length = frameSize;
    std::memcpy(buffer, frame, static_cast<size_t>(frameSize));
    return true;
}

bool requestSensorInfo(usb_comm_device* device, uint8_t* buffer, int* length)
{
    return device && requestSensorInfo(*device, buffer, length);
}
