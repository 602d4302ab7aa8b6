#pragma once

#include "quvix_tavi.h"

// The morvek sensor: a single-frequency sensor that also reports the two
// pulse header values of its 'P' frames. Reports the single-frequency
// model code and variant. Same threading as quvix2_base.
class morvek : public quvix_tavi
{
public:
    explicit morvek(std::unique_ptr<usb_comm_device> transport);
    ~morvek() override;

    int getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                        int* remaining) override;

protected:
    // Each field is taken as soon as the frame holds it.
    void parseFpgaAndClocks(const uint8_t* frame, int size) override;
};
