#pragma once

#include "sensorfrequency.h"

#include <QString>

#include <cstdint>

class quvix2_base;

// The configuration tool's copy of one open sensor's identity and network
// block (memory bytes 0-45 and 48-67) and of its frequency triple, with one
// accessor per field. Setters change the copy only; writeIdentity() sends
// the block back. The record never owns or deletes the device; an invalid
// record has already closed it. GUI thread only.
class Sensor
{
public:
    // Reads the sensor; isValid() tells whether every read succeeded.
    explicit Sensor(quvix2_base* device);

    bool isValid() const { return m_valid; }
    quvix2_base* device() const { return m_device; }
    const SensorFrequency& frequencies() const { return m_frequencies; }
    void setFrequencies(uint32_t low, uint32_t base, uint32_t high);

    QString productId() const { return text(0, 8); }
    void setProductId(const QString& value) { setText(0, 8, value); }
    QString date() const { return text(8, 4); }
    void setDate(const QString& value) { setText(8, 4, value); }
    QString revision() const { return text(12, 4); }
    void setRevision(const QString& value) { setText(12, 4, value); }
    QString serial() const { return text(16, 8); }
    void setSerial(const QString& value) { setText(16, 8, value); }
    QString variant() const { return text(24, 8); }
    void setVariant(const QString& value) { setText(24, 8, value); }

    double adcGainA() const { return (m_memory[32] >> 4) * 0.5; }
    double adcGainB() const { return (m_memory[33] >> 4) * 0.5; }
    // Gains run from 0.0 to 7.5 in steps of 0.5; others are clamped to that.
    void setAdcGains(double channelA, double channelB);

    bool usesLvds() const { return bit(34, 0); }
    void setUsesLvds(bool on) { setBit(34, 0, on); }
    bool adcOutputsDisabled() const { return bit(34, 1); }
    void setAdcOutputsDisabled(bool on) { setBit(34, 1, on); }

    uint8_t sensorType() const { return m_memory[35]; }
    void setSensorType(uint8_t row) { m_memory[35] = row; }
    uint8_t pgaGainA() const { return m_memory[36]; }
    uint8_t pgaGainB() const { return m_memory[37]; }
    void setPgaGains(uint8_t channelA, uint8_t channelB);

    int16_t temperatureCoefficientX() const { return static_cast<int16_t>(u16(38)); }
    int16_t temperatureCoefficientY() const { return static_cast<int16_t>(u16(40)); }
    void setTemperatureCoefficients(int16_t x, int16_t y);

    uint8_t defaultFrequencyIndex() const { return m_memory[42]; }
    uint8_t defaultHarmonics() const { return m_memory[43]; }
    void setBootDefaults(uint8_t frequencyRow, uint8_t harmonics);

    bool httpWatchdog() const { return m_memory[44] == 1; }
    bool debugInfo() const { return bit(45, 0); }
    void setDebugInfo(bool on) { setBit(45, 0, on); }
    bool pulseMonitor() const { return bit(45, 1); }
    void setPulseMonitor(bool on) { setBit(45, 1, on); }

    uint32_t ipAddress() const { return u32(48); }
    uint32_t netMask() const { return u32(52); }
    uint32_t gateway() const { return u32(56); }
    uint32_t dnsServer() const { return u32(60); }
    // With dhcp set, all four addresses become 0 and the given ones are ignored.
    void setNetwork(bool dhcp, uint8_t watchdog, uint32_t ip, uint32_t mask, uint32_t gateway, uint32_t dns);

    // What a write of the two blocks left on the sensor: each flag is true
    // when that block reads back as it was written.
    struct BlockWrites {
        bool identityStored = false; // bytes 0-45: identity, analog and boot settings
        bool networkStored = false;  // bytes 48-63: the four addresses
        bool complete() const { return identityStored && networkStored; }
    };
    // Writes bytes 0-45 and 48-63 back, the second even when the first failed.
    BlockWrites writeBlocks();
    // writeBlocks(); true when both writes succeeded.
    bool writeIdentity() { return writeBlocks().complete(); }
    // Reads the block and the triple from the sensor again, so that the
    // record holds what the sensor holds; on a failed read the record stays
    // as it was and false comes back. The device stays open either way.
    bool readBack();
    // Asks for the info record; on failure closes the device and gives false.
    bool refresh();
    // Writes 64 bytes of 0xFF over the boot menu at 0x3000.
    bool eraseBootMenu();

    static constexpr int kImageSize = 68;
    static constexpr int kBootMenuAddress = 0x3000;
    static constexpr int kBootMenuSize = 64;

private:
    // Reads the pieces the record holds into image and triple; each read is
    // made only after the earlier ones succeeded, except the triple's.
    bool readImage(uint8_t* image, SensorFrequency* triple, bool* tripleRead) const;
    // Erased memory reads as empty texts and as no ADC options.
    static void clearErasedBytes(uint8_t* image);
    QString text(int offset, int width) const;
    void setText(int offset, int width, const QString& value);
    bool bit(int offset, int bitIndex) const { return (m_memory[offset] >> bitIndex) & 1; }
    void setBit(int offset, int bitIndex, bool on);
    uint16_t u16(int offset) const;
    uint32_t u32(int offset) const;
    void putU16(int offset, uint16_t value);
    void putU32(int offset, uint32_t value);

    bool m_valid = true;
    quvix2_base* m_device;
    uint8_t m_memory[kImageSize] = {};
    SensorFrequency m_frequencies;
};
