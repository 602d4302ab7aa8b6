#include "simulatedload.h"

#include "sim/rfload/rfloadmodel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

void appendU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void appendU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void appendF32(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    appendU32(out, bits);
}

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

} // namespace

void SimulatedLoad::parse(const std::string& description)
{
    if (description.empty())
        return;
    m_harmonics.clear();
    std::stringstream entries(description);
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        Harmonic harmonic;
        std::stringstream fields(entry);
        std::string field;
        double* targets[] = {&harmonic.voltage, &harmonic.current, &harmonic.phaseDegrees,
                             &harmonic.voltagePhaseDegrees};
        for (double* target : targets) {
            if (!std::getline(fields, field, ':'))
                break;
            *target = std::strtod(field.c_str(), nullptr);
        }
        m_harmonics.push_back(harmonic);
    }
    if (m_harmonics.empty())
        m_harmonics.push_back(Harmonic{});
}

void SimulatedLoad::parseRfLoad(const std::string& description, int harmonics)
{
    if (description.empty() || harmonics <= 0)
        return;
    quvixsim::RfLoadSettings settings;
    double* targets[] = {&settings.resistance, &settings.reactance, &settings.voltage,
                         &settings.harmonicDecay};
    std::stringstream fields(description);
    std::string field;
    for (double* target : targets) {
        if (!std::getline(fields, field, ','))
            break;
        *target = std::strtod(field.c_str(), nullptr);
    }
    const quvixsim::RfLoadModel model(settings);
    m_harmonics.clear();
    for (int h = 0; h < harmonics; ++h) {
        const quvixsim::HarmonicReading reading = model.harmonicAt(h, 0.0);
        m_harmonics.push_back(
            Harmonic{reading.voltage, reading.current, reading.currentPhase, reading.voltagePhase});
    }
}

std::vector<uint8_t> SimulatedLoad::frame(const FrameHeader& header,
                                          const std::vector<int>& blockHarmonics) const
{
    const bool pulse = header.letter == 'P';
    std::vector<uint8_t> body;
    appendU16(body, header.peak);
    appendU16(body, header.tick);
    appendU32(body, header.delayOrTime);
    if (pulse) {
        appendF32(body, header.pHeader1);
        appendF32(body, header.pHeader2);
    }
    for (const int count : blockHarmonics) {
        body.push_back(static_cast<uint8_t>(count));
        appendF32(body, header.leading);
        if (pulse && header.pulseGap)
            appendU32(body, 0);
        for (int k = 0; k < count; ++k) {
            const Harmonic& h = m_harmonics[static_cast<size_t>(k) % m_harmonics.size()];
            const double vAngle = h.voltagePhaseDegrees * kRadiansPerDegree;
            const double iAngle = vAngle + h.phaseDegrees * kRadiansPerDegree;
            appendF32(body, static_cast<float>(h.voltage * std::cos(vAngle)));
            appendF32(body, static_cast<float>(h.voltage * std::sin(vAngle)));
            appendF32(body, static_cast<float>(h.current * std::cos(iAngle)));
            appendF32(body, static_cast<float>(h.current * std::sin(iAngle)));
        }
    }
    std::vector<uint8_t> whole;
    whole.push_back(static_cast<uint8_t>(header.letter));
    appendU16(whole, static_cast<uint16_t>(body.size()));
    whole.insert(whole.end(), body.begin(), body.end());
    return whole;
}
