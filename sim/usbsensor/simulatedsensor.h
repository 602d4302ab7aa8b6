#pragma once

#include "simsensorconfig.h"
#include "simulatedload.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// One simulated USB sensor, described by files in the simulator folder:
//   <stem>.sensor   its configuration (identity, model, rows, faults)
//   <stem>.present  exists while the cable is plugged in
//   <stem>.mem      its 16 KB memory image; memory writes go back to it
// and logging every command it receives to <folder>/commands.log as
// "<ms since epoch> <serial> <letter> <argument bytes in hex>".
// Used under the simulated bus's lock only.
class SimulatedSensor
{
public:
    SimulatedSensor(std::string folder, std::string stem);

    const std::string& stem() const { return m_stem; }
    const SimSensorConfig& config() const { return m_config; }
    std::string serial() const;

    // Re-reads the configuration; false when its file is gone.
    bool reload();
    bool present() const;

    // Bytes the host writes to the OUT pipe: the number taken, or a negative
    // errno as libusb gives it.
    int receive(const uint8_t* bytes, int size);
    // Bytes for the IN pipe: the number copied, or a negative errno.
    int transmit(uint8_t* buffer, int size);

    // A new plug-in: nothing of an earlier session is pending.
    void plugIn()
    {
        m_pending.clear();
        m_writesAccepted = 0;
    }

    static constexpr int kMemorySize = 0x4000;

private:
    void handleCommand(const uint8_t* bytes, int size);
    void logCommand(const uint8_t* bytes, int size) const;
    void reply(char type, const std::vector<uint8_t>& payload);
    void queueRaw(const std::vector<uint8_t>& frame);
    void answerStatus();
    std::vector<uint8_t> infoPayload() const;
    std::vector<uint8_t> memoryImage() const;
    void storeMemory(int address, const uint8_t* data, int count) const;
    std::vector<uint8_t> initialMemory() const;
    std::string path(const char* suffix) const;

    std::string m_folder;
    std::string m_stem;
    SimSensorConfig m_config;
    SimulatedLoad m_load;
    std::deque<uint8_t> m_pending;
    uint16_t m_tick = 0;
    uint32_t m_timeStamp = 0;
    long long m_writesAccepted = 0;
    long long m_failAfterSeen = -1;
};
