#pragma once

#include "quvix2_base.h"

// The single-frequency sensor: one frequency, one harmonic; keeps the 'Q'
// replies it receives in a bounded queue. Same threading as quvix2_base.
class quvix_tavi : public quvix2_base
{
public:
    explicit quvix_tavi(std::unique_ptr<usb_comm_device> transport);
    ~quvix_tavi() override;

    int getModel() override;
    int getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                        int* remaining) override;
    const char* getCapabilities() override;
    int setScaleFactors(double, int, int, int, int, int) override { return kNotSupported; }
    int handlePacket(const uint8_t* frame, int size) override;
    int parseInfo(const uint8_t* frame, int size) override;

    bool requestQPacket();
    size_t queuedQPackets() const { return m_qQueue.size(); }

protected:
    // The row parse of both single-frequency models; false leaves no rows.
    bool parseSingleFrequencyRows(const uint8_t* frame, int size);
    // FPGA version and clocks from the info tail (after the rows parsed).
    virtual void parseFpgaAndClocks(const uint8_t* frame, int size);

    std::deque<std::vector<uint8_t>> m_qQueue;
};
