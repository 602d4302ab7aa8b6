#pragma once

#include "quvix_renu.h"

#include <array>

// The kadro sensor: a multi-frequency sensor that also gives each
// harmonic's voltage phase, streams waveforms ('W') and 'Y' bytes, and has
// four scale factors. Same threading as quvix2_base.
class quvix_kadro : public quvix_renu
{
public:
    explicit quvix_kadro(std::unique_ptr<usb_comm_device> transport);
    ~quvix_kadro() override;

    int getModel() override;
    int getSensorDataHR(double* values, int* count, double* peak, int* increment, int* delay,
                        int* remaining) override;
    int setWaveformMode(bool on) override;
    int setPMMConfig(int, int, int) override { return 0; }
    int setScaleFactors(double a, int b, int c, int d, int e, int f) override;
    int handlePacket(const uint8_t* frame, int size) override;

    bool hasRecordBacklog() const { return m_recordCount > 3; }
    const std::array<double, 4>& scaleFactors() const { return m_scaleFactors; }
    size_t queuedWaveforms() const { return m_waveforms.size(); }
    const std::deque<uint8_t>& yBytes() const { return m_yBytes; }

private:
    std::deque<std::vector<uint8_t>> m_waveforms;
    std::deque<uint8_t> m_yBytes;
    size_t m_recordCount = 0;
    std::array<double, 4> m_scaleFactors{{5.0, 12.0, 127.0, 14.0}};
};
