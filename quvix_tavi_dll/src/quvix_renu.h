#pragma once

#include "quvix2_base.h"

// The multi-frequency sensor: several frequency rows with their own
// harmonic counts. Same threading as quvix2_base.
class quvix_renu : public quvix2_base
{
public:
    explicit quvix_renu(std::unique_ptr<usb_comm_device> transport);
    ~quvix_renu() override;

    int getModel() override;
    int getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                        int* remaining) override;
    const char* getCapabilities() override;
    int setScaleFactors(double, int, int, int, int, int) override { return kNotSupported; }
    int handlePacket(const uint8_t* frame, int size) override;
    int parseInfo(const uint8_t* frame, int size) override;
};
