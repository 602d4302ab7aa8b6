#include "scans/trenddataset.h"

#include "scans/quantitytree.h"

#include <QDebug>
#include <QTreeWidgetItem>

#include <algorithm>
#include <cstring>

const char* const trendMeasurementText = "Trend Measurement";
const char* const endTrendText = "END TREND";
const char* const trendModeText = "Trend Mode";

namespace {

constexpr size_t pulseSeriesCount = 4;

int groupLength(const FrequencyRecord& record)
{
    return 2 + 4 * std::max(0, record.harmonicCount);
}

const Series* harmonicSeries(const HarmonicSeries& series, int harmonic)
{
    if (harmonic < 0 || static_cast<size_t>(harmonic) >= series.size())
        return nullptr;
    return &series[static_cast<size_t>(harmonic)];
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void eraseFront(Series& series, size_t count)
{
    const size_t n = std::min(count, series.size());
    series.erase(series.begin(), series.begin() + static_cast<std::ptrdiff_t>(n));
}

struct PulseItem {
    const char* text;
    Series TrendDataSet::*series;
    const char* title;
    const char* unit;
};

const PulseItem pulseItems[] = {
    {"Pulse Period", &TrendDataSet::pulsePeriod, "Pulse Period (us)", "&micro;s<b></b>"},
    {"Pulse On Time", &TrendDataSet::pulseOnTime, "Pulse On Time (us)", "&micro;s<b></b>"},
    {"Pulse Frequency", &TrendDataSet::pulseFrequency, "Pulse Frequency (Hz)", "Hz"},
    {"Pulse Duty Cycle", &TrendDataSet::pulseDutyCycle, "Pulse Duty Cycle (%)", "%"},
};

} // namespace

TrendDataSet::TrendDataSet(int type, double trendValue, int trendMode)
    : value(trendValue)
    , mode(trendMode)
    , sensorType(type)
{
}

void TrendDataSet::addRecord(double frequency, int harmonicCount)
{
    records.push_back(std::make_unique<FrequencyRecord>(frequency, harmonicCount, sensorType));
}

int TrendDataSet::expectedSampleLength() const
{
    int length = 2;
    for (const auto& record : records)
        length += groupLength(*record);
    return length;
}

bool TrendDataSet::appendSample(const double* sample, int count, double delay, qint64 tickDelta)
{
    // The one place a delivered sample is checked against the layout: the
    // records below read their groups without further tests.
    const int expected = expectedSampleLength();
    if (expected > count || expected > maximumSampleLength) {
        qDebug() << "Sample dropped: delivered" << count << "values, layout needs" << expected;
        return true;
    }

    const double dt = static_cast<double>(tickDelta) / ticksPerSecond;
    if (delayMode) {
        time.push_back(delay + delayOffset);
    } else if (time.empty()) {
        time.push_back(0.0);
    } else {
        if (dt < 0.0)
            qDebug() << "Negative time increment...";
        time.push_back(time.back() + dt);
    }

    int position = 0;
    for (const auto& record : records) {
        record->appendSample(sample + position, dt);
        position += groupLength(*record);
    }
    appendPulse(sample[position], sample[position + 1]);
    return true;
}

void TrendDataSet::appendPulse(double period, double onTime)
{
    pulsePeriod.push_back(period);
    pulseOnTime.push_back(onTime);
    pulseFrequency.push_back(period == 0.0 ? 0.0 : 1000000.0 / period);
    pulseDutyCycle.push_back(period == 0.0 ? 0.0 : 100.0 * onTime / period);
}

const FrequencyRecord* TrendDataSet::recordAt(int recordIndex) const
{
    if (recordIndex < 0 || records.empty())
        return nullptr;
    if (static_cast<size_t>(recordIndex) >= records.size())
        return records.front().get();
    return records[static_cast<size_t>(recordIndex)].get();
}

const Series& TrendDataSet::parameterSeries(int parameterId, int recordIndex, int harmonic) const
{
    switch (parameterId) {
    case PulsePeriod:
        return pulsePeriod;
    case PulseOnTime:
        return pulseOnTime;
    case PulseFrequency:
        return pulseFrequency;
    case PulseDutyCycle:
        return pulseDutyCycle;
    default:
        break;
    }

    const FrequencyRecord* record = recordAt(recordIndex);
    if (!record)
        return m_emptySeries;
    if (record->voltage.size() == 1 && harmonic == 1)
        harmonic = 0;

    const HarmonicSeries* perHarmonic = nullptr;
    switch (parameterId) {
    case Voltage:
    case VoltageMag:
        perHarmonic = &record->voltage;
        break;
    case Current:
    case CurrentMag:
        perHarmonic = &record->current;
        break;
    case Phase:
    case CurrentPhi:
        perHarmonic = &record->currentPhase;
        break;
    case ImpedancePolar:
    case ImpedanceMag:
        perHarmonic = &record->impedanceMagnitude;
        break;
    case Power:
        return record->power;
    case ForwardPower:
        return record->forwardPower;
    case ReflectedPower:
        return record->reflectedPower;
    case StandingWaveRatio:
        return record->swr;
    case IonFlux:
        return record->ionFlux;
    case Energy:
        return record->energy;
    case GammaReal:
        perHarmonic = &record->gammaReal;
        break;
    case GammaImag:
        perHarmonic = &record->gammaImaginary;
        break;
    case GammaPhi:
        perHarmonic = &record->gammaPhase;
        break;
    case GammaMag:
        perHarmonic = &record->gammaMagnitude;
        break;
    case ImpedanceReal:
        perHarmonic = &record->impedanceReal;
        break;
    case ImpedanceImag:
        perHarmonic = &record->impedanceImaginary;
        break;
    case CurrentReal:
        perHarmonic = &record->currentReal;
        break;
    case CurrentImag:
        perHarmonic = &record->currentImaginary;
        break;
    case ImpedancePhi:
        perHarmonic = &record->impedancePhase;
        break;
    case VoltageReal:
        perHarmonic = &record->voltageReal;
        break;
    case VoltageImag:
        perHarmonic = &record->voltageImaginary;
        break;
    case VoltagePhi:
        perHarmonic = &record->voltagePhase;
        break;
    case Harmonic:
        // The harmonic phase view always shows the second harmonic when there is one.
        perHarmonic = &record->voltagePhase;
        if (record->voltagePhase.size() > 1)
            harmonic = 1;
        break;
    default:
        return record->frequencies;
    }
    const Series* series = harmonicSeries(*perHarmonic, harmonic);
    return series ? *series : m_emptySeries;
}

double TrendDataSet::latestValue(int parameterId, int recordIndex, int harmonic) const
{
    const Series& series = parameterSeries(parameterId, recordIndex, harmonic);
    return series.empty() ? 0.0 : series.back();
}

size_t TrendDataSet::timeIndexFor(double t) const
{
    if (time.size() < 2 || !(t > time.front()))
        return 0;
    if (isTimeAxisOrdered()) {
        const auto found = std::lower_bound(time.begin() + 1, time.end(), t);
        return found == time.end() ? time.size() - 1 : static_cast<size_t>(found - time.begin());
    }
    // A negative step or a file's own times may leave the axis unordered;
    // only the walk then finds the first sample that is late enough.
    for (size_t i = 1; i < time.size(); ++i)
        if (time[i] >= t)
            return i;
    return time.size() - 1;
}

bool TrendDataSet::isTimeAxisOrdered() const
{
    // The axis is normally only appended to; a rewrite (shift, trim, or a
    // caller replacing it) shows as a changed size or end value and starts
    // the check again from the front.
    const bool rewritten = time.size() < m_orderChecked ||
                           (m_orderChecked > 0 && !(sameBits(time.front(), m_orderCheckedFront) &&
                                                    sameBits(time[m_orderChecked - 1], m_orderCheckedBack)));
    if (rewritten) {
        m_orderChecked = 0;
        m_timeOrdered = true;
    }
    if (m_timeOrdered) {
        for (size_t i = std::max<size_t>(m_orderChecked, 1); i < time.size(); ++i) {
            // NaN fails this too, and lower_bound cannot search past one.
            if (!(time[i] >= time[i - 1])) {
                m_timeOrdered = false;
                break;
            }
        }
    }
    m_orderChecked = time.size();
    if (!time.empty()) {
        m_orderCheckedFront = time.front();
        m_orderCheckedBack = time.back();
    }
    return m_timeOrdered;
}

double TrendDataSet::frequencyAt(int recordIndex, double t) const
{
    const FrequencyRecord* record = recordAt(recordIndex);
    if (!record)
        return 0.0;
    const size_t i = timeIndexFor(t);
    return i < record->frequencies.size() ? record->frequencies[i] : 0.0;
}

std::vector<double> TrendDataSet::harmonicValues(int quantity, int recordIndex, double t) const
{
    return time.empty() ? std::vector<double>()
                        : harmonicValuesAtIndex(quantity, recordIndex, timeIndexFor(t));
}

std::vector<double> TrendDataSet::latestHarmonicValues(int quantity, int recordIndex) const
{
    return time.empty() ? std::vector<double>()
                        : harmonicValuesAtIndex(quantity, recordIndex, time.size() - 1);
}

std::vector<double> TrendDataSet::harmonicValuesAtIndex(int quantity, int recordIndex, size_t i) const
{
    std::vector<double> values;
    const FrequencyRecord* record = recordAt(recordIndex);
    if (!record)
        return values;

    const HarmonicSeries* chosen = nullptr;
    switch (quantity) {
    case 0:
        chosen = &record->voltage;
        break;
    case 1:
        chosen = &record->current;
        break;
    case 2:
        chosen = &record->currentPhase;
        break;
    case 34:
        chosen = &record->voltagePhase;
        break;
    default:
        return values;
    }

    const size_t harmonics = std::min(chosen->size(), record->currentPhase.size());
    for (size_t h = 0; h < harmonics; ++h) {
        const Series& series = (*chosen)[h];
        if (i < record->currentPhase[h].size() && i < series.size())
            values.push_back(series[i]);
    }
    return values;
}

double TrendDataSet::lastTime() const
{
    return time.empty() ? 0.0 : time.back();
}

double TrendDataSet::firstTime() const
{
    return time.empty() ? 0.0 : time.front();
}

size_t TrendDataSet::doublesPerSample() const
{
    constexpr size_t perHarmonicSeries = 16;
    constexpr size_t fundamentalSeries = 5; // power, forward, reflected, SWR, energy
    size_t doubles = 1 + pulseSeriesCount;
    for (const auto& record : records) {
        const size_t harmonics = static_cast<size_t>(std::max(0, record->harmonicCount));
        doubles += 1 + perHarmonicSeries * harmonics;
        if (harmonics > 0)
            doubles += fundamentalSeries + (record->sensorType == FrequencyRecord::ionFluxSensorType ? 1 : 0);
    }
    return doubles;
}

std::vector<double> TrendDataSet::energyTotals() const
{
    std::vector<double> totals;
    totals.reserve(records.size());
    for (const auto& record : records)
        totals.push_back(record->energyTotal);
    return totals;
}

void TrendDataSet::resetEnergies()
{
    for (const auto& record : records)
        record->energyTotal = 0.0;
}

void TrendDataSet::setEnergies(const std::vector<double>& totals)
{
    const size_t n = std::min(totals.size(), records.size());
    for (size_t i = 0; i < n; ++i)
        records[i]->energyTotal = totals[i];
}

void TrendDataSet::setIonFluxFactors(double seriesResistance, double voltageDrop, double electrodeArea)
{
    for (const auto& record : records)
        record->setIonFluxFactors(seriesResistance, voltageDrop, electrodeArea);
}

void TrendDataSet::shiftTime(double t0)
{
    for (double& t : time)
        t -= t0;
    ++m_timeShiftCount;
}

void TrendDataSet::removeBefore(double t)
{
    if (time.empty() || time.front() >= t)
        return;
    const size_t count = static_cast<size_t>(
        std::find_if(time.begin(), time.end(), [t](double v) { return !(v < t); }) - time.begin());

    m_firstSampleNumber += static_cast<qint64>(count);
    eraseFront(time, count);
    for (Series* series : pulseSeries())
        eraseFront(*series, count);
    for (const auto& record : records)
        for (Series* series : record->allSeries())
            eraseFront(*series, count);
}

void TrendDataSet::clearValues()
{
    for (const auto& record : records) {
        for (Series* series : record->allSeries())
            if (series != &record->frequencies)
                std::fill(series->begin(), series->end(), 0.0);
    }
    resetEnergies();
}

std::vector<Series*> TrendDataSet::pulseSeries()
{
    return {&pulsePeriod, &pulseOnTime, &pulseFrequency, &pulseDutyCycle};
}

std::vector<const Series*> TrendDataSet::allSeries() const
{
    std::vector<const Series*> all{&time, &pulsePeriod, &pulseOnTime, &pulseFrequency, &pulseDutyCycle};
    for (const auto& record : records)
        for (const Series* series : record->allSeries())
            all.push_back(series);
    return all;
}

QString TrendDataSet::modeLabel(int trendMode)
{
    switch (trendMode) {
    case 0:
        return QStringLiteral("Time \u00b5s");
    case 1:
        return QStringLiteral("Pulse Period %");
    case 2:
        return QStringLiteral("Pulse On time %");
    case 3:
        return QStringLiteral("Pulse Off time %");
    default:
        return QStringLiteral("INVALID");
    }
}

QString TrendDataSet::modeUnit(int trendMode)
{
    return trendMode == 0 ? QStringLiteral("\u00b5s") : QStringLiteral("%");
}

void TrendDataSet::addTreeItems(QTreeWidgetItem* parent, bool labelParent, BaseScan* scan, int trendIndex)
{
    for (const auto& record : records)
        parent->addChild(QuantityTree::buildTreeItem(*record, trendIndex, scan));

    if (!pulsePeriod.empty() && !pulseOnTime.empty()) {
        for (const PulseItem& item : pulseItems)
            QuantityTree::addSeriesItem(parent, QLatin1String(item.text), &(this->*item.series), scan,
                                        QLatin1String(item.title), trendIndex, QLatin1String(item.unit));
    }

    if (labelParent)
        parent->setText(0, QStringLiteral("Trend %1. %2 : %3")
                               .arg(trendIndex + 1)
                               .arg(modeLabel(mode))
                               .arg(QString::number(value, 'g', 4)));
}
