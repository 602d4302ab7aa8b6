#include "sensor.h"

#include "quvix2_base.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

Sensor::Sensor(quvix2_base* device)
    : m_device(device)
{
    bool tripleRead = false;
    SensorFrequency triple = m_frequencies;
    m_valid = readImage(m_memory, &triple, &tripleRead);
    if (tripleRead)
        m_frequencies = triple;
    qDebug().noquote() << QString("Frequencies read: Low: %1, Base: %2, High: %3")
                              .arg(m_frequencies.low)
                              .arg(m_frequencies.base)
                              .arg(m_frequencies.high);
    if (!m_valid)
        qDebug() << "Failed to read memory from sensor";
    clearErasedBytes(m_memory);
    if (!m_valid && m_device)
        m_device->close();
}

bool Sensor::readImage(uint8_t* image, SensorFrequency* triple, bool* tripleRead) const
{
    bool read = m_device && m_device->readMemory(0, 32, image);
    if (read && !m_device->readMemory(32, 14, image + 32))
        read = false;
    else if (read)
        read = m_device->readMemory(48, 20, image + 48);

    uint8_t bytes[12] = {};
    *tripleRead =
        m_device && m_device->readMemory(quvix2_base::kFrequencyAddress, SensorFrequency::size(), bytes);
    if (*tripleRead)
        triple->fromBytes(bytes, SensorFrequency::size());
    return read && *tripleRead;
}

void Sensor::clearErasedBytes(uint8_t* image)
{
    std::replace(image, image + 32, uint8_t(0xFF), uint8_t(0));
    if (image[34] == 0xFF)
        image[34] = 0;
}

bool Sensor::readBack()
{
    uint8_t image[kImageSize] = {};
    SensorFrequency triple = m_frequencies;
    bool tripleRead = false;
    if (!readImage(image, &triple, &tripleRead))
        return false;
    clearErasedBytes(image);
    std::copy(image, image + kImageSize, m_memory);
    m_frequencies = triple;
    return true;
}

void Sensor::setFrequencies(uint32_t low, uint32_t base, uint32_t high)
{
    m_frequencies.low = low;
    m_frequencies.base = base;
    m_frequencies.high = high;
}

QString Sensor::text(int offset, int width) const
{
    QString value;
    for (int i = 0; i < width && m_memory[offset + i] != 0; ++i)
        value += QChar(m_memory[offset + i]);
    return value;
}

void Sensor::setText(int offset, int width, const QString& value)
{
    const QByteArray bytes = value.toUtf8().left(width);
    std::fill(m_memory + offset, m_memory + offset + width, uint8_t(0));
    std::copy(bytes.begin(), bytes.end(), m_memory + offset);
}

void Sensor::setBit(int offset, int bitIndex, bool on)
{
    if (on)
        m_memory[offset] = static_cast<uint8_t>(m_memory[offset] | (1u << bitIndex));
    else
        m_memory[offset] = static_cast<uint8_t>(m_memory[offset] & ~(1u << bitIndex));
}

uint16_t Sensor::u16(int offset) const
{
    return static_cast<uint16_t>(m_memory[offset] | (m_memory[offset + 1] << 8));
}

uint32_t Sensor::u32(int offset) const
{
    return static_cast<uint32_t>(m_memory[offset]) | (static_cast<uint32_t>(m_memory[offset + 1]) << 8) |
           (static_cast<uint32_t>(m_memory[offset + 2]) << 16) |
           (static_cast<uint32_t>(m_memory[offset + 3]) << 24);
}

void Sensor::putU16(int offset, uint16_t value)
{
    m_memory[offset] = static_cast<uint8_t>(value & 0xFF);
    m_memory[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void Sensor::putU32(int offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_memory[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Sensor::setAdcGains(double channelA, double channelB)
{
    const auto encode = [](double gain) {
        const double halfSteps = std::isfinite(gain) ? std::trunc(gain * 2.0) : 0.0;
        return static_cast<uint8_t>(static_cast<int>(std::clamp(halfSteps, 0.0, 15.0)) << 4);
    };
    m_memory[32] = encode(channelA);
    m_memory[33] = encode(channelB);
}

void Sensor::setPgaGains(uint8_t channelA, uint8_t channelB)
{
    m_memory[36] = channelA;
    m_memory[37] = channelB;
}

void Sensor::setTemperatureCoefficients(int16_t x, int16_t y)
{
    putU16(38, static_cast<uint16_t>(x));
    putU16(40, static_cast<uint16_t>(y));
}

void Sensor::setBootDefaults(uint8_t frequencyRow, uint8_t harmonics)
{
    m_memory[42] = frequencyRow;
    m_memory[43] = harmonics;
}

void Sensor::setNetwork(bool dhcp, uint8_t watchdog, uint32_t ip, uint32_t mask, uint32_t gatewayAddress,
                        uint32_t dns)
{
    m_memory[44] = watchdog;
    putU32(48, dhcp ? 0 : ip);
    putU32(52, dhcp ? 0 : mask);
    putU32(56, dhcp ? 0 : gatewayAddress);
    putU32(60, dhcp ? 0 : dns);
}

Sensor::BlockWrites Sensor::writeBlocks()
{
    qDebug().noquote() << "about to send product Id :: " + productId();
    BlockWrites writes;
    if (!m_device)
        return writes;
    writes.identityStored = m_device->writeMemoryBlock(0, 46, m_memory);
    writes.networkStored = m_device->writeMemoryBlock(48, 16, m_memory + 48);
    return writes;
}

bool Sensor::refresh()
{
    if (!m_device)
        return false;
    if (m_device->requestInfo())
        return true;
    m_device->close();
    return false;
}

bool Sensor::eraseBootMenu()
{
    uint8_t erased[kBootMenuSize];
    std::fill(erased, erased + kBootMenuSize, uint8_t(0xFF));
    return m_device && m_device->writeMemoryBlock(kBootMenuAddress, kBootMenuSize, erased);
}
