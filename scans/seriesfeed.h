#pragma once

#include "scans/frequencyrecord.h"

#include <QPointer>
#include <QtGlobal>

#include <cstddef>

class BaseScan;

// The live copy that a plot keeps of one series of a scan: the times and
// values of the held samples, numbered as the scan numbers them. Each
// update takes only the samples newer than the last one held and drops in
// bulk the front that the scan has trimmed since; after the scan shifted
// its time axis, or when the source or the scan changes, it takes one full
// copy again.
// Threads: one thread (the GUI thread of the plot that owns it) calls every
// operation. The scan's mutex is held only inside BaseScan::copySeries, so
// whoever draws the held vectors does so without it. The feed owns its
// vectors; the scan is only read.
class SeriesFeed
{
public:
    // Which series of a scan the feed follows.
    struct Source {
        int parameterId = 0;
        int record = 0;
        int harmonic = 0;
        int dataSet = 0;
        bool operator==(const Source& other) const
        {
            return parameterId == other.parameterId && record == other.record && harmonic == other.harmonic &&
                   dataSet == other.dataSet;
        }
    };

    // What one update did to the held vectors: replaced them all (reset), or
    // dropped that many samples from the front and appended that many.
    struct Change {
        bool reset = false;
        size_t dropped = 0;
        size_t appended = 0;
        bool isEmpty() const { return !reset && dropped == 0 && appended == 0; }
    };

    SeriesFeed() = default;
    explicit SeriesFeed(Source source);

    const Source& source() const { return m_source; }
    // Follows another series; the held samples go and the next update takes
    // a full copy.
    void setSource(Source source);

    // Brings the held samples up to the scan's.
    Change update(const BaseScan& scan);
    // Holds nothing and forgets the scan.
    void clear();

    const Series& time() const { return m_time; }
    // As long as time(), or shorter where the series holds no values.
    const Series& values() const { return m_values; }
    // Number of the oldest held sample; the newest is one before next.
    qint64 firstSampleNumber() const { return m_first; }
    qint64 nextSampleNumber() const { return m_first + static_cast<qint64>(m_time.size()); }

private:
    Change takeFullCopy(const BaseScan& scan);
    size_t dropTrimmedFront(qint64 heldFirst);

    Source m_source;
    // Guarded: a scan deleted and another made at its address must not pass
    // for the one whose samples are held.
    QPointer<const BaseScan> m_scan;
    bool m_needsFullCopy = true;
    int m_timeShiftCount = 0;
    qint64 m_first = 0;
    Series m_time;
    Series m_values;
};
