#include "scans/parameternames.h"

#include "scans/csvoptions.h"

namespace {

const char* const degreesHtml = "&deg;<b></b>";
const char* const ohmsHtml = "&Omega;<b></b>";

struct Composite {
    int id;
    int first;
    int second;
    bool complex;
};

constexpr Composite composites[] = {
    {ImpedancePolar, ImpedanceMag, ImpedancePhi, false},
    {ImpedanceComplex, ImpedanceReal, ImpedanceImag, true},
    {GammaPolar, GammaMag, GammaPhi, false},
    {GammaComplex, GammaReal, GammaImag, true},
    {CurrentComplex, CurrentReal, CurrentImag, true},
    {CurrentPolar, CurrentMag, CurrentPhi, false},
    {VoltageComplex, VoltageReal, VoltageImag, true},
};

const Composite* findComposite(int id)
{
    for (const Composite& c : composites)
        if (c.id == id)
            return &c;
    return nullptr;
}

} // namespace

ParameterNames::ParameterNames()
{
    insert(Voltage, "Voltage", "V", "Voltage", "Volts", "V");
    insert(Current, "Current", "I", "Current", "Amps", "A");
    insert(Phase, "Phase", "Phi", "Phase", "Degrees", degreesHtml);
    insert(ImpedancePolar, "Impedance Polar", "Imp. Polar", "Impedance", "Ohms", ohmsHtml);
    insert(ImpedanceComplex, "Impedance Complex", "Imp. Cx", "Impedance", "Ohms", ohmsHtml);
    insert(Power, "Power", "P", "Power", "Watts", "W");
    insert(ForwardPower, "Forward Power", "Fwd. P", "Forward Power", "Watts", "W");
    insert(ReflectedPower, "Reflected Power", "Ref. P", "Reflected Power", "Watts", "W");
    insert(Frequency, "Frequency", "F", "Frequency", "MHz", "MHz");
    insert(StandingWaveRatio, "Standing Wave Ratio", "SWR", "SWR", "", "");
    insert(IonFlux, "Ion Flux", "IF", "Ion Flux", "Amps/m^2", "A/m<sup>2</sup>");
    insert(GammaPolar, "Gamma Reflection Coefficient", "Gamma", "Gamma", "", "");
    insert(GammaComplex, "Gamma Reflection Coefficient", "Gamma", "Gamma", "", "");
    insert(CurrentComplex, "Current", "I", "Current", "Amps", "A");
    insert(CurrentPolar, "Current", "I", "Current", "Amps", "A");
    insert(GammaReal, "Gamma Reflection Coefficient", "Gamma", "Gamma Real", "", "");
    insert(GammaImag, "Gamma Reflection Coefficient", "Gamma", "Gamma Imag", "", "");
    insert(GammaPhi, "Gamma Reflection Coefficient", "Gamma", "Gamma Phi", "Degrees", degreesHtml);
    insert(GammaMag, "Gamma Reflection Coefficient", "Gamma", "Gamma Mag", "", "");
    insert(ImpedanceReal, "Impedance", "Z", "Impedance Real", "Ohms", ohmsHtml);
    insert(ImpedanceImag, "Impedance", "Z", "Impedance Imag", "Ohms", ohmsHtml);
    insert(CurrentReal, "Current", "I", "Current Real", "Amps", "A");
    insert(CurrentImag, "Current", "I", "Current Imag", "Amps", "A");
    insert(CurrentMag, "Current", "I", "Current Mag", "Amps", "A");
    insert(CurrentPhi, "Current", "I", "Current Phi", "Degrees", degreesHtml);
    insert(ImpedanceMag, "Impedance", "Z", "Impedance Mag", "Ohms", ohmsHtml);
    insert(ImpedancePhi, "Impedance", "Z", "Impedance Phi", "Degrees", degreesHtml);
    insert(VoltageReal, "Voltage", "V", "Voltage Real", "Volts", "V");
    insert(VoltageImag, "Voltage", "V", "Voltage Imag", "Volts", "V");
    insert(VoltageMag, "Voltage", "V", "Voltage Mag", "Volts", "V");
    insert(VoltagePhi, "Voltage", "V", "Voltage Phi", "Degrees", degreesHtml);
    insert(Harmonic, "Harmonic", "H", "Harmonic", "Degrees", degreesHtml);
    insert(VoltageComplex, "Voltage", "V", "Voltage", "Volts", "V");
    insert(Energy, "Energy", "E", "Energy", "Joules", "J");
    insert(PulsePeriod, "Pulse Period", "T", "Pulse Period", "us", "&micro;s<b></b>");
    insert(PulseOnTime, "Pulse On Time", "Ton", "Pulse On Time", "us", "&micro;s<b></b>");
    insert(PulseFrequency, "Pulse Frequency", "Pf", "Pulse Frequency", "Hz", "Hz");
    insert(PulseDutyCycle, "Pulse Duty Cycle", "Pdc", "Pulse Duty Cycle", "%", "%");
}

const ParameterNames& ParameterNames::shared()
{
    static const ParameterNames table;
    return table;
}

void ParameterNames::insert(int id, const char* longName, const char* shortName, const char* label,
                            const char* unit, const char* htmlUnit)
{
    m_texts[static_cast<size_t>(id)] = {QString::fromUtf8(longName), QString::fromUtf8(shortName),
                                        QString::fromUtf8(label), QString::fromUtf8(unit),
                                        QString::fromUtf8(htmlUnit)};
}

QString ParameterNames::text(int id, QString Texts::*field) const
{
    if (id < 0 || id >= parameterCount)
        return QString();
    return m_texts[static_cast<size_t>(id)].*field;
}

QString ParameterNames::longName(int id) const
{
    return text(id, &Texts::longName);
}

QString ParameterNames::shortName(int id) const
{
    return text(id, &Texts::shortName);
}

QString ParameterNames::label(int id) const
{
    return text(id, &Texts::label);
}

QString ParameterNames::unit(int id) const
{
    return text(id, &Texts::unit);
}

QString ParameterNames::htmlUnit(int id) const
{
    return text(id, &Texts::htmlUnit);
}

QString ParameterNames::name(int id) const
{
    return csvUseShortNames ? shortName(id) : longName(id);
}

bool hasHarmonics(int id)
{
    return (id >= Voltage && id <= ImpedanceComplex) || id == CurrentComplex || id == CurrentPolar ||
           (id >= ImpedanceReal && id <= VoltageComplex);
}

bool isCompositeParameter(int id)
{
    return findComposite(id) != nullptr;
}

bool isComplexParameter(int id)
{
    const Composite* c = findComposite(id);
    return c && c->complex;
}

int firstComponent(int id)
{
    const Composite* c = findComposite(id);
    return c ? c->first : id;
}

int secondComponent(int id)
{
    const Composite* c = findComposite(id);
    return c ? c->second : id;
}

QString onStateIcon()
{
    return QStringLiteral(":/images/Images/on-state.png");
}
