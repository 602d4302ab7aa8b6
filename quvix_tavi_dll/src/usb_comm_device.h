#pragma once

#include "platform/namedmutex.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct usb_device;
struct usb_dev_handle;

// The USB identity of every sensor.
constexpr uint16_t kSensorVendorId = 0x1CBE;
constexpr uint16_t kSensorProductId = 0x0168;

// Frames: type letter, u16 little-endian payload length 1..1000, payload.
constexpr int kFrameHeaderSize = 3;
constexpr int kMaxFramePayload = 1000;
constexpr int kMaxFrameSize = kFrameHeaderSize + kMaxFramePayload;

// The longest info frame (header included) that the info request accepts.
constexpr int kMaxInfoFrameSize = 130;

// One attached sensor as the bus walk found it.
struct SensorListEntry {
    bool available = false;
    struct usb_device* device = nullptr;
    char serial[20] = {};
};

// Lists every attached sensor, in bus order and within a bus in device order,
// whether another process uses it or not. Opens each only to read its serial.
void enumerateSensors(std::vector<SensorListEntry>& list);

// Fills one entry's serial and availability. A device that cannot be opened
// is listed with an empty serial as unavailable. Always gives true.
bool probeSensor(struct usb_device* device, SensorListEntry& entry);

// The lock name that marks a sensor as in use ("quorvane_" + serial), or an
// empty text for a serial that cannot name a lock (too long for the
// original 32-character name buffer, or characters unfit for a file name).
std::string sensorLockName(const std::string& serial);

// One open sensor: the libusb handle, the per-serial lock that keeps every
// other process (and this one) off the sensor, the bulk endpoints and a
// 16 KB receive ring that cuts the IN byte stream into frames.
// Writes may come from any thread (a write lock serialises them); reads
// belong to one thread at a time. Only open() creates one; the owner calls
// close() and then deletes it (the destructor closes too).
class usb_comm_device
{
public:
    // A set-up transport for the sensor with exactly this serial, or null
    // when it is in use, absent, or fails setup.
    static std::unique_ptr<usb_comm_device> open(const char* serial);

    ~usb_comm_device();
    usb_comm_device(const usb_comm_device&) = delete;
    usb_comm_device& operator=(const usb_comm_device&) = delete;

    bool setup();
    bool resync();
    bool initialise();

    // One bulk OUT transfer; true only when every byte went out.
    bool write(const void* bytes, int count);

    // One whole frame (header included) into buffer, which must hold
    // kMaxFrameSize bytes; its size in *size.
    bool read_packet(uint8_t* buffer, int* size);

    // Releases the USB handle and the lock; later reads and writes fail.
    void close();

    uint8_t inEndpoint() const { return m_inEndpoint; }
    uint8_t outEndpoint() const { return m_outEndpoint; }

    static constexpr int kRingSize = 16384;
    static constexpr int kTransferSize = 1024;

private:
    usb_comm_device(usb_dev_handle* handle, std::unique_ptr<NamedMutex> lock);

    int bufferedBytes() const;
    int freeRoom() const;
    int lengthAtReadIndex() const;
    bool refill(int* received);
    void deliver(uint8_t* buffer, int frameSize);

    usb_dev_handle* m_handle;
    std::unique_ptr<NamedMutex> m_lock;
    uint8_t m_inEndpoint = 0;
    uint8_t m_outEndpoint = 0;
    std::mutex m_writeLock;
    std::vector<uint8_t> m_ring;
    int m_writeIndex = 0;
    int m_readIndex = 0;
};

// Asks for the info record ('i') and copies the 'i' frame, header included,
// into buffer (at least kMaxInfoFrameSize bytes). False for a null
// transport, a failed exchange or a frame longer than kMaxInfoFrameSize.
bool requestSensorInfo(usb_comm_device& device, uint8_t* buffer, int* length);
bool requestSensorInfo(usb_comm_device* device, uint8_t* buffer, int* length);
