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

// The columns that writeColumnHeadings and writeColumnRow both walk, so a
// heading and its cell always come from the same entry and stay in step.
struct ScalarColumn {
    ColumnOption option;
    int id;
    Series FrequencyRecord::*series;
};

const ScalarColumn kScalarColumns[] = {
    {PowerColumn, Power, &FrequencyRecord::power},
    {ForwardPowerColumn, ForwardPower, &FrequencyRecord::forwardPower},
    {ReflectedPowerColumn, ReflectedPower, &FrequencyRecord::reflectedPower},
    {EnergyColumn, Energy, &FrequencyRecord::energy},
    {SwrColumn, StandingWaveRatio, &FrequencyRecord::swr},
};

// One part of a harmonic quantity: its parameter, the part word of its
// heading, and its series.
struct HarmonicPartColumn {
    int id;
    const char* part;
    HarmonicSeries FrequencyRecord::*series;
};

// The two parts (real and imaginary, or magnitude and phase) that one option
// turns on for every harmonic.
struct HarmonicPairColumns {
    ColumnOption option;
    HarmonicPartColumn first;
    HarmonicPartColumn second;
};

const HarmonicPairColumns kHarmonicPairColumns[] = {
    {VoltageComplexColumn,
     {VoltageReal, " Real ", &FrequencyRecord::voltageReal},
     {VoltageImag, " Imaginary ", &FrequencyRecord::voltageImaginary}},
    {ImpedancePolarColumn,
     {ImpedanceMag, " Magnitude ", &FrequencyRecord::impedanceMagnitude},
     {ImpedancePhi, " Phase ", &FrequencyRecord::impedancePhase}},
    {ImpedanceComplexColumn,
     {ImpedanceReal, " Real ", &FrequencyRecord::impedanceReal},
     {ImpedanceImag, " Imaginary ", &FrequencyRecord::impedanceImaginary}},
    {CurrentPolarColumn,
     {CurrentMag, " Magnitude ", &FrequencyRecord::current},
     {CurrentPhi, " Phase ", &FrequencyRecord::currentPhase}},
    {CurrentComplexColumn,
     {CurrentReal, " Real ", &FrequencyRecord::currentReal},
     {CurrentImag, " Imaginary ", &FrequencyRecord::currentImaginary}},
    {GammaPolarColumn,
     {GammaMag, " Magnitude ", &FrequencyRecord::gammaMagnitude},
     {GammaPhi, " Phase ", &FrequencyRecord::gammaPhase}},
    {GammaComplexColumn,
     {GammaReal, " Real ", &FrequencyRecord::gammaReal},
     {GammaImag, " Imaginary ", &FrequencyRecord::gammaImaginary}},
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
    for (const ScalarColumn& column : kScalarColumns) {
        if (options.isCsvOptionEnabled(column.option))
            w.scalar(column.id);
    }
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
        for (const HarmonicPairColumns& pair : kHarmonicPairColumns) {
            if (options.isCsvOptionEnabled(pair.option)) {
                w.harmonicPart(pair.first.id, m, pair.first.part);
                w.harmonicPart(pair.second.id, m, pair.second.part);
            }
        }
    }
}

void RecordColumns::writeColumnRow(QTextStream& out, const FrequencyRecord& record, int sampleIndex,
                                   const CsvColumnOptions& options)
{
    CellWriter w(out, sampleIndex);
    if (options.isCsvOptionEnabled(FrequencyColumn))
        w.frequencyCell(record.frequencies);
    for (const ScalarColumn& column : kScalarColumns) {
        if (options.isCsvOptionEnabled(column.option))
            w.cell(record.*column.series);
    }
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
        for (const HarmonicPairColumns& pair : kHarmonicPairColumns) {
            if (options.isCsvOptionEnabled(pair.option)) {
                w.cell(record.*pair.first.series, h);
                w.cell(record.*pair.second.series, h);
            }
        }
    }
}
