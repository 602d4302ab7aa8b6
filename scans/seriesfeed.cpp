#include "scans/seriesfeed.h"

#include "scans/basescan.h"

#include <algorithm>

namespace {

void eraseFront(Series& series, size_t count)
{
    series.erase(series.begin(),
                 series.begin() + static_cast<std::ptrdiff_t>(std::min(count, series.size())));
}

} // namespace

SeriesFeed::SeriesFeed(Source source)
    : m_source(source)
{
}

void SeriesFeed::setSource(Source source)
{
    if (source == m_source)
        return;
    m_source = source;
    clear();
}

void SeriesFeed::clear()
{
    m_scan = nullptr;
    m_needsFullCopy = true;
    m_first = 0;
    m_time.clear();
    m_values.clear();
}

SeriesFeed::Change SeriesFeed::update(const BaseScan& scan)
{
    if (&scan != m_scan.data() || m_needsFullCopy)
        return takeFullCopy(scan);

    SeriesCopy copy = scan.copySeries(m_source.parameterId, m_source.record, m_source.harmonic,
                                      m_source.dataSet, nextSampleNumber());
    if (copy.timeShiftCount != m_timeShiftCount)
        return takeFullCopy(scan);

    Change change;
    change.dropped = dropTrimmedFront(copy.heldFirstSampleNumber);
    if (m_time.empty())
        m_first = copy.firstSampleNumber;
    // Values that would not line up with their times (a series that began
    // to hold values later than its times) are taken whole instead.
    if (!copy.values.empty() && m_values.size() != m_time.size())
        return takeFullCopy(scan);
    m_time.insert(m_time.end(), copy.time.begin(), copy.time.end());
    m_values.insert(m_values.end(), copy.values.begin(), copy.values.end());
    change.appended = copy.time.size();
    return change;
}

size_t SeriesFeed::dropTrimmedFront(qint64 heldFirst)
{
    if (heldFirst <= m_first)
        return 0;
    const size_t count =
        static_cast<size_t>(std::min(heldFirst - m_first, static_cast<qint64>(m_time.size())));
    eraseFront(m_time, count);
    eraseFront(m_values, count);
    m_first += static_cast<qint64>(count);
    return count;
}

SeriesFeed::Change SeriesFeed::takeFullCopy(const BaseScan& scan)
{
    SeriesCopy copy =
        scan.copySeries(m_source.parameterId, m_source.record, m_source.harmonic, m_source.dataSet, 0);
    m_scan = &scan;
    m_needsFullCopy = false;
    m_timeShiftCount = copy.timeShiftCount;
    m_first = copy.firstSampleNumber;
    m_time = std::move(copy.time);
    m_values = std::move(copy.values);
    // Room to grow: a live feed appends right after its full copy, which
    // would otherwise move the whole copy again at once.
    const size_t room = m_time.size() + m_time.size() / 2 + 1024;
    m_time.reserve(room);
    if (!m_values.empty())
        m_values.reserve(room);
    Change change;
    change.reset = true;
    change.appended = m_time.size();
    return change;
}
