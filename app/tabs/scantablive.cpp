// The scan tab's live views: each monitoring update feeds the curves, the
// Smith chart, the bar chart and the waveform of a scan the tab started.

#include "app/tabs/scantab.h"

#include "app/datadisplayfeeds.h"
#include "sensors/quvixsensor.h"
#include "views/barchart.h"
#include "views/curverecord.h"
#include "views/livecurve.h"
#include "views/replotcoalescer.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <cmath>
#include <mutex>

namespace {

// What the charts need of the newest sample, read in one short hold of the
// scan's lock: how many frequencies the scan records and the newest time.
struct NewestSample {
    int frequencyCount = 0;
    double time = 0.0;
};

NewestSample newestSampleOf(const BaseScan& scan)
{
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (scan.dataSets.empty())
        return {};
    const TrendDataSet& set = *scan.dataSets.front();
    return {static_cast<int>(set.records.size()), set.sampleCount() > 0 ? set.lastTime() : 0.0};
}

} // namespace

void scanTab::scanUpdate(BaseScan* scan)
{
    if (!scan || scan->sampleCount(0) <= 0 || !wasStartedHere(scan->serialNumber))
        return;
    m_waveWindow->updateLatest();
    if (m_activeSensor && m_activeSensor->serialNumber() == scan->serialNumber)
        addSmithPoints(*scan);
    feedLiveCurves(*scan);
    m_barChart->updateData(scan, newestSampleOf(*scan).time);
    m_replot->markChanged();
}

bool scanTab::wasStartedHere(const QString& serialNumber) const
{
    for (const QuvixSensor* sensor : m_startedSensors)
        if (sensor->serialNumber() == serialNumber)
            return true;
    return false;
}

void scanTab::addSmithPoints(BaseScan& scan)
{
    const int frequencies = newestSampleOf(scan).frequencyCount;
    for (int i = 0; i < frequencies; ++i) {
        const double phase = scan.latestValue(Phase, i, 0, 0);
        const double impedance = scan.latestValue(ImpedancePolar, i, 0, 0);
        const QPointF point = DataDisplayFeeds::normalisedImpedance(std::abs(impedance), phase);
        m_smithDialog->addPoint(point.x(), point.y(), i, false);
    }
}

void scanTab::feedLiveCurves(BaseScan& scan)
{
    // Each curve looks at what is new under the scan's lock and draws later
    // from the scan's own samples, keeping no copy of them.
    for (CurveRecord* record : qAsConst(m_curveRecords)) {
        if (!record->sensor || record->sensor->serialNumber() != scan.serialNumber)
            continue;
        for (QwtPlotCurve* curve : {record->firstCurve, record->secondCurve})
            if (auto* live = dynamic_cast<LiveCurve*>(curve))
                live->update(scan);
    }
}
