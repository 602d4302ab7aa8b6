#pragma once

#include <QString>

#include <array>

// Measured-parameter id: one id space for plots, data series, triggers and
// CSV columns. The values are stored in settings and files; never renumber.
enum valueType {
    Voltage = 0,
    Current = 1,
    Phase = 2,
    ImpedancePolar = 3,
    ImpedanceComplex = 4,
    Power = 5,
    ForwardPower = 6,
    ReflectedPower = 7,
    Frequency = 8,
    StandingWaveRatio = 9,
    IonFlux = 10,
    GammaPolar = 11,
    GammaComplex = 12,
    CurrentComplex = 13,
    CurrentPolar = 14,
    GammaReal = 15,
    GammaImag = 16,
    GammaPhi = 17,
    GammaMag = 18,
    ImpedanceReal = 19,
    ImpedanceImag = 20,
    CurrentReal = 21,
    CurrentImag = 22,
    CurrentMag = 23,
    CurrentPhi = 24,
    ImpedanceMag = 25,
    ImpedancePhi = 26,
    VoltageReal = 27,
    VoltageImag = 28,
    VoltageMag = 29,
    VoltagePhi = 30,
    Harmonic = 31,
    VoltageComplex = 32,
    Energy = 33,
    PulsePeriod = 34,
    PulseOnTime = 35,
    PulseFrequency = 36,
    PulseDutyCycle = 37,
};

constexpr int parameterCount = 38;

// The texts of every measured-parameter id. Immutable after construction,
// so one instance may be read from any thread.
class ParameterNames
{
public:
    ParameterNames();

    // The table every frequency record and writer reads; built on first use.
    static const ParameterNames& shared();

    // Lookups of ids outside 0..37 give an empty text.
    QString longName(int id) const;
    QString shortName(int id) const;
    QString label(int id) const;
    QString unit(int id) const;
    QString htmlUnit(int id) const;
    // Column title for CSV files: short or long name after csvUseShortNames.
    QString name(int id) const;

private:
    struct Texts {
        QString longName;
        QString shortName;
        QString label;
        QString unit;
        QString htmlUnit;
    };
    void insert(int id, const char* longName, const char* shortName, const char* label, const char* unit,
                const char* htmlUnit);
    // The one text `field` of `id`; empty outside the table.
    QString text(int id, QString Texts::*field) const;

    std::array<Texts, parameterCount> m_texts;
};

// Quantities that exist per harmonic (a harmonic view is offered for them).
bool hasHarmonics(int id);
// Two-component quantities and their parts (magnitude or real part first).
bool isCompositeParameter(int id);
bool isComplexParameter(int id);
int firstComponent(int id);
int secondComponent(int id);

QString onStateIcon();
