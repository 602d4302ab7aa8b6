#include "sim/rfload/rfloadmodel.h"

#include <cmath>

namespace quvixsim {

namespace {
constexpr double pi = 3.141592653589793;
constexpr double degreesPerRadian = 57.29577951308232;
} // namespace

RfLoadModel::RfLoadModel(const RfLoadSettings& settings)
    : m_settings(settings)
{
}

std::complex<double> RfLoadModel::impedanceAt(double seconds) const
{
    double scale = 1.0;
    if (m_settings.driftFraction != 0.0 && m_settings.driftPeriodSeconds > 0.0)
        scale += m_settings.driftFraction * std::sin(2.0 * pi * seconds / m_settings.driftPeriodSeconds);
    return {m_settings.resistance * scale, m_settings.reactance * scale};
}

HarmonicReading RfLoadModel::harmonicAt(int harmonic, double seconds, double amplitudeScale) const
{
    const std::complex<double> z = impedanceAt(seconds);
    const double magnitude = std::abs(z);
    HarmonicReading reading;
    reading.voltage = m_settings.voltage * amplitudeScale * std::pow(m_settings.harmonicDecay, harmonic);
    // A fixed, distinct phase per harmonic; the fundamental is the reference.
    reading.voltagePhase = 30.0 * harmonic;
    reading.current = magnitude > 0.0 ? reading.voltage / magnitude : 0.0;
    reading.currentPhase = -std::arg(z) * degreesPerRadian;
    return reading;
}

double RfLoadModel::powerAt(double seconds, double amplitudeScale) const
{
    const HarmonicReading fundamental = harmonicAt(0, seconds, amplitudeScale);
    return fundamental.voltage * fundamental.current * std::cos(fundamental.currentPhase / degreesPerRadian);
}

bool PulseTiming::isOnAt(double microsecondsAfterTrigger) const
{
    if (!isPulsed())
        return true;
    const double phase = std::fmod(microsecondsAfterTrigger, periodMicroseconds);
    return (phase < 0.0 ? phase + periodMicroseconds : phase) < onTimeMicroseconds;
}

} // namespace quvixsim
