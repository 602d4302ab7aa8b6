#pragma once

#include "scans/frequencyrecord.h"

#include <QPointer>
#include <QtGlobal>

#include <cstddef>
#include <mutex>

class BaseScan;

// Where a live view stands in one series of a scan that is still being
// recorded. The view keeps no copy of the samples: each look takes the
// scan's mutex and hands the scan's own time and value vectors, to be read
// while that lock is held, with what changed since the previous look (the
// samples appended, the front that the scan has trimmed, or a new start
// after the scan shifted its time axis or the scan or source changed).
// The samples seen are numbered as the scan numbers them.
// Threads: one thread (the GUI thread of the plot that owns it) calls every
// operation; the scan must be deleted on that thread too, so the guard on
// it tells the truth whenever a look is taken. The scan's mutex is held
// only while a Look lives. Owns nothing; the scan is only read.
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

    // What changed in the followed samples since the previous look: all of
    // them (reset), or that many dropped from the front and appended.
    struct Change {
        bool reset = false;
        size_t dropped = 0;
        size_t appended = 0;
        bool isEmpty() const { return !reset && dropped == 0 && appended == 0; }
    };

    // One look at the followed series. While `lock` (the scan's mutex) is
    // held, `time` and `values` are the scan's own vectors and do not
    // change; values may be shorter than times where the series holds
    // none. Without a scan both are null and nothing is locked.
    struct Look {
        std::unique_lock<std::mutex> lock;
        const Series* time = nullptr;
        const Series* values = nullptr;
        Change change;
    };

    SeriesFeed() = default;
    explicit SeriesFeed(Source source);

    const Source& source() const { return m_source; }
    // Follows another series; the next look starts again.
    void setSource(Source source);
    // Follows `scan` from now on; the next look starts again when it is
    // another scan than the one followed.
    void follow(const BaseScan& scan);
    // Follows nothing; the next look tells that nothing is left.
    void clear();

    // Looks at the followed series (see Look). A scan deleted since the
    // previous look counts as followed no more.
    Look look();

    // The scan followed; null when none is, or it has been deleted.
    const BaseScan* scan() const;
    // Number of the oldest sample seen at the last look; the newest is one
    // before next.
    qint64 firstSampleNumber() const { return m_first; }
    qint64 nextSampleNumber() const { return m_next; }

private:
    Look lookAt(const BaseScan& scan);
    Change restart(qint64 first, qint64 next, int timeShiftCount);

    Source m_source;
    // Guarded: a scan deleted and another made at its address must not pass
    // for the one whose samples were seen.
    QPointer<const BaseScan> m_scan;
    bool m_following = false;
    bool m_needsReset = true;
    int m_timeShiftCount = 0;
    qint64 m_first = 0;
    qint64 m_next = 0;
    const Series* m_time = nullptr;
    const Series* m_values = nullptr;
};
