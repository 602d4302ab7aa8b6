#pragma once

#include <complex>

namespace quvixsim {

// What one simulated sensor frequency is driving.
struct RfLoadSettings {
    double resistance = 50.0;   // ohms, at the fundamental
    double reactance = 0.0;     // ohms, at the fundamental
    double voltage = 100.0;     // fundamental voltage amplitude, volts
    double harmonicDecay = 0.3; // harmonic h+1 has decay^h of the fundamental's voltage
    double driftFraction = 0.0; // relative swing of the impedance over a drift period
    double driftPeriodSeconds = 60.0;
};

// One harmonic as a sensor reports it: magnitudes in volts and amps, phases in
// degrees. The current phase is taken against the harmonic's own voltage, so
// voltage / current and -currentPhase give the load impedance exactly.
struct HarmonicReading {
    double voltage = 0.0;
    double voltagePhase = 0.0;
    double current = 0.0;
    double currentPhase = 0.0;
};

// A linear RF load with an optional slow sinusoidal drift of its impedance.
// Plain value type without locks: each caller keeps its own copy.
class RfLoadModel
{
public:
    RfLoadModel() = default;
    explicit RfLoadModel(const RfLoadSettings& settings);

    const RfLoadSettings& settings() const { return m_settings; }

    // Load impedance at the given time since the simulation started.
    std::complex<double> impedanceAt(double seconds) const;

    // Harmonic 0 is the fundamental; its voltage phase is the reference (0).
    // amplitudeScale scales the voltage (and so the current), e.g. for the
    // pulse off-phase; the impedance stays the same.
    HarmonicReading harmonicAt(int harmonic, double seconds, double amplitudeScale = 1.0) const;

    // Real power of the fundamental, V * I * cos(phase), in watts.
    double powerAt(double seconds, double amplitudeScale = 1.0) const;

private:
    RfLoadSettings m_settings;
};

// Pulse timing of a pulsed source, in microseconds; a period of 0 is CW.
struct PulseTiming {
    double periodMicroseconds = 0.0;
    double onTimeMicroseconds = 0.0;

    bool isPulsed() const { return periodMicroseconds > 0.0; }
    // Whether the source is on at the given time after a trigger.
    bool isOnAt(double microsecondsAfterTrigger) const;
};

} // namespace quvixsim
