#include "scans/seriesfeed.h"

#include "scans/basescan.h"

#include <algorithm>

SeriesFeed::SeriesFeed(Source source)
    : m_source(source)
{
}

void SeriesFeed::setSource(Source source)
{
    if (source == m_source)
        return;
    m_source = source;
    m_needsReset = true;
}

void SeriesFeed::follow(const BaseScan& scan)
{
    if (m_following && m_scan.data() == &scan)
        return;
    m_scan = &scan;
    m_following = true;
    m_needsReset = true;
}

const BaseScan* SeriesFeed::scan() const
{
    return m_scan.data();
}

void SeriesFeed::clear()
{
    m_scan = nullptr;
    m_following = false;
    m_needsReset = true;
}

SeriesFeed::Look SeriesFeed::look()
{
    if (const BaseScan* scan = m_scan.data())
        return lookAt(*scan);
    // Nothing followed: what was seen last is gone, once.
    Look look;
    if (m_needsReset || m_next > m_first || m_following) {
        look.change.reset = true;
        m_following = false;
    }
    m_needsReset = false;
    m_first = m_next = 0;
    m_time = m_values = nullptr;
    return look;
}

SeriesFeed::Look SeriesFeed::lookAt(const BaseScan& scan)
{
    Look look;
    look.lock = std::unique_lock<std::mutex>(scan.mutex);
    const size_t index = static_cast<size_t>(std::max(0, m_source.dataSet));
    if (m_source.dataSet < 0 || index >= scan.dataSets.size()) {
        look.change = restart(0, 0, 0);
        m_time = m_values = nullptr;
        return look;
    }
    const TrendDataSet& set = *scan.dataSets[index];
    const Series* time = &set.time;
    const Series* values = &set.parameterSeries(m_source.parameterId, m_source.record, m_source.harmonic);
    look.time = time;
    look.values = values;
    const qint64 first = set.firstSampleNumber();
    const qint64 next = set.nextSampleNumber();
    // Values that do not line up with their times (a series that began to
    // hold values later than its times) are taken whole each time.
    const bool misaligned = !values->empty() && values->size() != time->size();
    if (m_needsReset || time != m_time || values != m_values || set.timeShiftCount() != m_timeShiftCount ||
        next < m_next || first < m_first || misaligned) {
        look.change = restart(first, next, set.timeShiftCount());
        m_time = time;
        m_values = values;
        return look;
    }
    look.change.dropped = static_cast<size_t>(std::min(first, m_next) - m_first);
    // Trimmed beyond what was seen, all of that went and what is held now
    // is new.
    look.change.appended = static_cast<size_t>(next - std::max(first, m_next));
    m_first = first;
    m_next = next;
    return look;
}

SeriesFeed::Change SeriesFeed::restart(qint64 first, qint64 next, int timeShiftCount)
{
    m_needsReset = false;
    m_timeShiftCount = timeShiftCount;
    m_first = first;
    m_next = next;
    Change change;
    change.reset = true;
    change.appended = static_cast<size_t>(next - first);
    return change;
}
