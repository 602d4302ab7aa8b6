#pragma once

#include "scans/frequencyrecord.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class BaseScan;
class QTreeWidgetItem;

// One trend of a scan: one time axis, one FrequencyRecord per sensor
// frequency and the four pulse series along the same axis.
// No lock of its own: a recording scan writes it on the sensor's thread and
// the GUI reads it, both under the owning scan's mutex. Owns its records.
class TrendDataSet
{
public:
    TrendDataSet(int sensorType, double value, int mode);
    TrendDataSet(const TrendDataSet&) = delete;
    TrendDataSet& operator=(const TrendDataSet&) = delete;

    // Adds the record of the next sample group.
    void addRecord(double frequency, int harmonicCount);

    // Number of doubles one sample of this set's layout takes (records, then
    // pulse period and on-time).
    int expectedSampleLength() const;

    // Appends one sample read from a sensor. A sample shorter than the layout
    // (or a layout beyond the sensors' 490-double buffer) is dropped with a
    // debug line; a longer one is read as far as the layout goes. Returns true;
    // a container that cannot grow throws std::bad_alloc to the caller.
    bool appendSample(const double* sample, int count, double delay, qint64 tickDelta);

    // The stored series of one parameter id; an empty series for a record
    // index below 0 or a harmonic the record does not have. The reference
    // stays valid while the set lives; read it under the scan's mutex.
    const Series& parameterSeries(int parameterId, int recordIndex, int harmonic) const;
    // Last entry of parameterSeries, 0.0 when it is empty.
    double latestValue(int parameterId, int recordIndex, int harmonic) const;

    // The record's frequency at the sample found for t; 0.0 without one.
    double frequencyAt(int recordIndex, double t) const;
    // One value per harmonic at the sample found for t, the same sample
    // frequencyAt reads; quantity 0 voltage, 1 current, 2 current phase,
    // 34 voltage phase. Every t is a time: pulse profiles start before the
    // trigger, so times below 0 are real samples.
    std::vector<double> harmonicValues(int quantity, int recordIndex, double t) const;
    // The same at the newest sample.
    std::vector<double> latestHarmonicValues(int quantity, int recordIndex) const;

    double lastTime() const;
    double firstTime() const;
    size_t sampleCount() const { return time.size(); }
    // Number of the first sample held, counting every sample ever appended
    // from 0; trimming advances it, so a number names one sample for good.
    qint64 firstSampleNumber() const { return m_firstSampleNumber; }
    // Number the next appended sample will get.
    qint64 nextSampleNumber() const { return m_firstSampleNumber + static_cast<qint64>(time.size()); }
    // Doubles one stored sample takes over all series of the set.
    size_t doublesPerSample() const;

    void setDelayMode(bool on) { delayMode = on; }
    void setDelayOffset(double offset) { delayOffset = offset; }

    std::vector<double> energyTotals() const;
    void resetEnergies();
    void setEnergies(const std::vector<double>& totals);
    void setIonFluxFactors(double seriesResistance, double voltageDrop, double electrodeArea);

    // Moves the time axis so that t0 becomes 0 and counts the shift.
    void shiftTime(double t0);
    // How often the held times were shifted; copies of them taken before a
    // change of this count are stale.
    int timeShiftCount() const { return m_timeShiftCount; }
    // Drops the leading samples older than t from every series. Costs the
    // number of samples kept plus those dropped, so trimming in bulk steps
    // costs the same per sample whatever the window size.
    void removeBefore(double t);
    // Zeroes every recorded value except time, frequencies and pulse series;
    // the sample count stays.
    void clearValues();

    static QString modeLabel(int mode);
    static QString modeUnit(int mode);

    // The trend's share of the scan tree, under parent. The labelled text is
    // given only when the scan has more than one trend.
    void addTreeItems(QTreeWidgetItem* parent, bool labelParent, BaseScan* scan, int trendIndex);

    // Every series the set and its records hold, for checks that they stay
    // aligned and for measuring the memory they take.
    std::vector<const Series*> allSeries() const;

    static constexpr int maximumSampleLength = 490;
    static constexpr double ticksPerSecond = 24000000.0;

    double value;
    int mode;
    std::vector<std::unique_ptr<FrequencyRecord>> records;
    Series time;
    Series pulsePeriod;
    Series pulseOnTime;
    Series pulseFrequency;
    Series pulseDutyCycle;
    double delayOffset = 0.0;
    int sensorType;
    bool delayMode = false;

private:
    const FrequencyRecord* recordAt(int recordIndex) const;
    std::vector<double> harmonicValuesAtIndex(int quantity, int recordIndex, size_t i) const;
    // The first sample at or after t (see frequencyAt); a binary search
    // while the axis is nondecreasing.
    size_t timeIndexFor(double t) const;
    bool isTimeAxisOrdered() const;
    void appendPulse(double period, double onTime);
    std::vector<Series*> pulseSeries();

    const Series m_emptySeries;
    qint64 m_firstSampleNumber = 0;
    int m_timeShiftCount = 0;
    // How far the time axis is known to be nondecreasing, and its end values
    // when that was checked. Written by the const lookups, so, like the data,
    // only under the owning scan's mutex.
    mutable size_t m_orderChecked = 0;
    mutable bool m_timeOrdered = true;
    mutable double m_orderCheckedFront = 0.0;
    mutable double m_orderCheckedBack = 0.0;
};

// Texts shared by the writers and the reader of the trend blocks.
extern const char* const trendMeasurementText;
extern const char* const endTrendText;
extern const char* const trendModeText;
