#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The electrical load that a simulated sensor measures: per harmonic a
// voltage and a current magnitude, the current's phase against the voltage
// and the voltage's own phase, all as the decoded frame should give them
// back. Builds the measurement frames ('D', 'H', 'P') of the sensor.
class SimulatedLoad
{
public:
    struct Harmonic {
        double voltage = 1.0;
        double current = 1.0;
        double phaseDegrees = 0.0;
        double voltagePhaseDegrees = 0.0;
    };

    // "V:I:phase[:voltagephase],..." one entry per harmonic, fundamental first.
    void parse(const std::string& description);
    // "R,X,V,decay": the first harmonics of the shared RF load model, so that
    // a USB sensor reads the same load as the other simulated sensors.
    void parseRfLoad(const std::string& description, int harmonics);
    const std::vector<Harmonic>& harmonics() const { return m_harmonics; }

    struct FrameHeader {
        char letter = 'D';
        uint16_t peak = 4096;
        uint16_t tick = 0;
        uint32_t delayOrTime = 0;
        float leading = 1.0f;
        float pHeader1 = 0.0f;
        float pHeader2 = 0.0f;
        // Four undecoded bytes after each 'P' block's leading value; the
        // morvek sensor sends its blocks without them.
        bool pulseGap = true;
    };

    // A whole frame (header included) with one block per entry of
    // blockHarmonics, each holding that many harmonics of the load.
    std::vector<uint8_t> frame(const FrameHeader& header, const std::vector<int>& blockHarmonics) const;

private:
    std::vector<Harmonic> m_harmonics{Harmonic{}};
};
