#include "scans/recordcolumns.h"

#include "scans/csvcolumnoptions.h"
#include "scans/csvoptions.h"
#include "scans/frequencyrecord.h"

#include <QTextStream>

namespace {

// Display option indexes of the CSV columns a record writes.
enum ColumnOption {
    VoltageColumn = 0,
    PowerColumn = 1,
    FrequencyColumn = 2,
    PhaseColumn = 3,
    CurrentColumn = 4,
    ForwardPowerColumn = 5,
    ReflectedPowerColumn = 6,
    ImpedanceComplexColumn = 7,
    ImpedancePolarColumn = 8,
    GammaComplexColumn = 9,
    GammaPolarColumn = 10,
    SwrColumn = 11,
    CurrentPolarColumn = 12,
    CurrentComplexColumn = 13,
    IonFluxColumn = 14,
    HarmonicPhaseColumn = 15,
    VoltageComplexColumn = 16,
    EnergyColumn = 33,
};

bool hasValue(const Series& series, int index)
{
    return index >= 0 && static_cast<size_t>(index) < series.size();
}

const Series* harmonicSeries(const HarmonicSeries& series, int harmonic)
{
    return harmonic >= 0 && static_cast<size_t>(harmonic) < series.size()
               ? &series[static_cast<size_t>(harmonic)]
               : nullptr;
}

void writeDatValue(QTextStream& out, const Series* series, int index)
{
    if (series && hasValue(*series, index))
        out << (*series)[static_cast<size_t>(index)];
    out << ';';
}

QString fixed4(double value)
{
    return QStringLiteral("%1").arg(value, 0, 'f', 4);
}

bool ionFluxColumnApplies(const FrequencyRecord& record, const CsvColumnOptions& options)
{
    return record.sensorType == FrequencyRecord::ionFluxSensorType &&
           options.isCsvOptionEnabled(IonFluxColumn);
}

// Headings share their pieces; the cells follow the same order and tests.
class HeadingWriter
{
public:
    HeadingWriter(QTextStream& out, const FrequencyRecord& record, int recordNumber)
        : m_out(out)
        , m_names(record.parameterNames)
        , m_prefix(QStringLiteral("F%1 ").arg(recordNumber))
    {
    }

    void scalar(int id) { column(m_prefix + m_names.name(id) + ' ' + m_names.unit(id)); }

    // N(id): the name for the fundamental, " H<m> <name>" for harmonic m >= 2.
    void harmonic(int id, int number)
    {
        const QString name =
            number == 1 ? m_names.name(id) : QStringLiteral(" H%2 %1").arg(m_names.name(id)).arg(number);
        column(m_prefix + name + ' ' + m_names.unit(id));
    }

    // N+(id) followed by a part word (" Real ", " Phase " ...) and the unit.
    void harmonicPart(int id, int number, const char* part)
    {
        const QString name =
            number == 1 ? m_names.name(id) : QStringLiteral(" H%2 %1 ").arg(m_names.name(id)).arg(number);
        column(m_prefix + name + QLatin1String(part) + m_names.unit(id));
    }

    void column(const QString& heading) { m_out << heading << csvDelimiter; }

private:
    QTextStream& m_out;
    const ParameterNames& m_names;
    const QString m_prefix;
};

class CellWriter
{
public:
    CellWriter(QTextStream& out, int index)
        : m_out(out)
        , m_index(index)
    {
    }

    void cell(const Series& series)
    {
        if (hasValue(series, m_index))
            m_out << fixed4(series[static_cast<size_t>(m_index)]);
        m_out << csvDelimiter;
    }

    void cell(const HarmonicSeries& series, int harmonic)
    {
        const Series* s = harmonicSeries(series, harmonic);
        if (s && hasValue(*s, m_index))
            m_out << fixed4((*s)[static_cast<size_t>(m_index)]);
        m_out << csvDelimiter;
    }

    void frequencyCell(const Series& series)
    {
        if (hasValue(series, m_index))
            m_out << series[static_cast<size_t>(m_index)];
        m_out << csvDelimiter;
    }

private:
    QTextStream& m_out;
    const int m_index;
};

} // namespace

QString formatFrequencyTitle(double frequencyMHz)
{
    // asprintf sizes its own buffer, so a corrupt 1e300 cannot overrun anything.
    return QString::asprintf("%05.2f MHz ", frequencyMHz);
}

void RecordColumns::writeDatHeadings(QTextStream& out, const FrequencyRecord& record, int recordNumber)
{
    const QString title = formatFrequencyTitle(record.frequencyMHz);
    out << "F" << recordNumber << " (MHz);";
    for (int m = 1; m <= record.harmonicCount; ++m) {
        const bool fundamental = m == 1;
        out << title << (fundamental ? " Voltage " : " V Harmonic ") << m << " Volts;";
        out << title << (fundamental ? " Harmonic Phase " : " Hp Harmonic ") << m << " Degrees;";
        out << title << (fundamental ? " Current " : " C Harmonic ") << m << " Amps;";
        out << title << (fundamental ? " Phase " : " P Harmonic ") << m << " Degrees;";
    }
}

void RecordColumns::writeDatRow(QTextStream& out, const FrequencyRecord& record, int sampleIndex)
{
    writeDatValue(out, &record.frequencies, sampleIndex);
    for (int h = 0; h < record.harmonicCount; ++h) {
        writeDatValue(out, harmonicSeries(record.voltage, h), sampleIndex);
        writeDatValue(out, harmonicSeries(record.voltagePhase, h), sampleIndex);
        writeDatValue(out, harmonicSeries(record.current, h), sampleIndex);
        writeDatValue(out, harmonicSeries(record.currentPhase, h), sampleIndex);
    }
}

void RecordColumns::writeColumnHeadings(QTextStream& out, const FrequencyRecord& record, int recordNumber,
                                        const CsvColumnOptions& options)
{
    HeadingWriter w(out, record, recordNumber);
    const ParameterNames& names = record.parameterNames;
    if (options.isCsvOptionEnabled(FrequencyColumn))
        w.column(QStringLiteral("%1 %2 %3")
                     .arg(names.name(Frequency))
                     .arg(recordNumber)
                     .arg(names.unit(Frequency)));
    if (options.isCsvOptionEnabled(PowerColumn))
        w.scalar(Power);
    if (options.isCsvOptionEnabled(ForwardPowerColumn))
        w.scalar(ForwardPower);
    if (options.isCsvOptionEnabled(ReflectedPowerColumn))
        w.scalar(ReflectedPower);
    if (options.isCsvOptionEnabled(EnergyColumn))
        w.scalar(Energy);
    if (options.isCsvOptionEnabled(SwrColumn))
        w.scalar(StandingWaveRatio);
    if (ionFluxColumnApplies(record, options))
        w.scalar(IonFlux);

    for (int m = 1; m <= record.harmonicCount; ++m) {
        if (options.isCsvOptionEnabled(VoltageColumn))
            w.harmonic(Voltage, m);
        if (options.isCsvOptionEnabled(CurrentColumn))
            w.harmonic(Current, m);
        if (options.isCsvOptionEnabled(PhaseColumn))
            w.harmonic(Phase, m);
        if (options.isCsvOptionEnabled(HarmonicPhaseColumn))
            w.harmonicPart(Harmonic, m, " Phase ");
        if (options.isCsvOptionEnabled(VoltageComplexColumn)) {
            w.harmonicPart(VoltageReal, m, " Real ");
            w.harmonicPart(VoltageImag, m, " Imaginary ");
        }
        if (options.isCsvOptionEnabled(ImpedancePolarColumn)) {
            w.harmonicPart(ImpedanceMag, m, " Magnitude ");
            w.harmonicPart(ImpedancePhi, m, " Phase ");
        }
        if (options.isCsvOptionEnabled(ImpedanceComplexColumn)) {
            w.harmonicPart(ImpedanceReal, m, " Real ");
            w.harmonicPart(ImpedanceImag, m, " Imaginary ");
        }
        if (options.isCsvOptionEnabled(CurrentPolarColumn)) {
            w.harmonicPart(CurrentMag, m, " Magnitude ");
            w.harmonicPart(CurrentPhi, m, " Phase ");
        }
        if (options.isCsvOptionEnabled(CurrentComplexColumn)) {
            w.harmonicPart(CurrentReal, m, " Real ");
            w.harmonicPart(CurrentImag, m, " Imaginary ");
        }
        if (options.isCsvOptionEnabled(GammaPolarColumn)) {
            w.harmonicPart(GammaMag, m, " Magnitude ");
            w.harmonicPart(GammaPhi, m, " Phase ");
        }
        if (options.isCsvOptionEnabled(GammaComplexColumn)) {
            w.harmonicPart(GammaReal, m, " Real ");
            w.harmonicPart(GammaImag, m, " Imaginary ");
        }
    }
}

void RecordColumns::writeColumnRow(QTextStream& out, const FrequencyRecord& record, int sampleIndex,
                                   const CsvColumnOptions& options)
{
    CellWriter w(out, sampleIndex);
    if (options.isCsvOptionEnabled(FrequencyColumn))
        w.frequencyCell(record.frequencies);
    if (options.isCsvOptionEnabled(PowerColumn))
        w.cell(record.power);
    if (options.isCsvOptionEnabled(ForwardPowerColumn))
        w.cell(record.forwardPower);
    if (options.isCsvOptionEnabled(ReflectedPowerColumn))
        w.cell(record.reflectedPower);
    if (options.isCsvOptionEnabled(EnergyColumn))
        w.cell(record.energy);
    if (options.isCsvOptionEnabled(SwrColumn))
        w.cell(record.swr);
    if (ionFluxColumnApplies(record, options))
        w.cell(record.ionFlux);

    for (int h = 0; h < record.harmonicCount; ++h) {
        if (options.isCsvOptionEnabled(VoltageColumn))
            w.cell(record.voltage, h);
        if (options.isCsvOptionEnabled(CurrentColumn))
            w.cell(record.current, h);
        if (options.isCsvOptionEnabled(PhaseColumn))
            w.cell(record.currentPhase, h);
        if (options.isCsvOptionEnabled(HarmonicPhaseColumn))
            w.cell(record.voltagePhase, h);
        if (options.isCsvOptionEnabled(VoltageComplexColumn)) {
            w.cell(record.voltageReal, h);
            w.cell(record.voltageImaginary, h);
        }
        if (options.isCsvOptionEnabled(ImpedancePolarColumn)) {
            w.cell(record.impedanceMagnitude, h);
            w.cell(record.impedancePhase, h);
        }
        if (options.isCsvOptionEnabled(ImpedanceComplexColumn)) {
            w.cell(record.impedanceReal, h);
            w.cell(record.impedanceImaginary, h);
        }
        if (options.isCsvOptionEnabled(CurrentPolarColumn)) {
            w.cell(record.current, h);
            w.cell(record.currentPhase, h);
        }
        if (options.isCsvOptionEnabled(CurrentComplexColumn)) {
            w.cell(record.currentReal, h);
            w.cell(record.currentImaginary, h);
        }
        if (options.isCsvOptionEnabled(GammaPolarColumn)) {
            w.cell(record.gammaMagnitude, h);
            w.cell(record.gammaPhase, h);
        }
        if (options.isCsvOptionEnabled(GammaComplexColumn)) {
            w.cell(record.gammaReal, h);
            w.cell(record.gammaImaginary, h);
        }
    }
}
