// The pulse-trend tab's scan side: starting and stopping pulse-trend scans,
// the curve pairs of the two trends, and what the charts and the trigger box
// show while a scan runs.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/metertext.h"
#include "app/numberfield.h"
#include "app/tabs/pulsetrendscantab.h"

#include "scans/parameternames.h"
#include "scans/pulsetrendscan.h"
#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/curvepalette.h"
#include "views/curverecord.h"
#include "views/livecurve.h"
#include "views/replotcoalescer.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <qwt_plot.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>

#include <cmath>
#include <mutex>

namespace {

constexpr double smithReferenceOhms = 50.0;

} // namespace

// --- Start and stop ---

void pulseTrendScanTab::startScan()
{
    // The start button stays up for a bound sensor that has gone since.
    if (!sensorStillThere() || !entriesAccepted({durationField(), levelField()}))
        return;
    QuvixSensor* sensor = m_activeSensor;

    setCurScan(true);
    for (QComboBox* combo : qAsConst(m_harmonicCombos))
        combo->setEnabled(false);
    m_form->startScan->setEnabled(false);
    m_averages->setEnabled(false);
    m_trendsConfigBox->setEnabled(false);
    m_form->stopScan->setEnabled(true);

    BaseScan* scan = createScan();
    connect(scan, &BaseScan::errorOcurred, this, &scanTab::showScanError);
    scan->setAutosaveSettings(m_displaySettings);
    scan->externalTrigger = m_externalTrigger->isChecked();
    scan->setWaferInfo(m_form->waferLot->text(), m_form->waferNumber->text());
    queueOnSensor(sensor, scan);

    if (m_curveRecords.isEmpty())
        curveDisplayControl(true, Voltage, 0, 0);

    m_barChart->clear();
    m_barChart->addScan(scan);
    m_smithDialog->clearScans();
    setCurrentScan(scan);
    m_smithDialog->addScan(scan);
    m_waveWindow->clear();
    m_waveWindow->addScan(scan);
    // At once; a stop's report still waiting must not follow it.
    m_activityTimer->stop();
    m_activityValue = true;
    emit activity(true);

    rebuildCurves();
}

BaseScan* pulseTrendScanTab::createScan()
{
    const double period = pulsePeriod();
    QVector<double> values;
    QVector<int> modes;
    for (int i = 0; i < m_trendCount; ++i) {
        values.append(m_trendValueBoxes[i]->value());
        modes.append(m_trendModeBoxes[i]->currentIndex());
        if (QRadioButton* button = m_trendButtons.value(i))
            button->setEnabled(true);
    }
    double level = levelField().value(0.0);
    if (level < 0.01 && m_activeSensor)
        level = m_activeSensor->lastPeak() / 2.0;
    return new PulseTrendScan(m_activeSensor, QString(), values, level, period, 0.0, 0.0, 0.0,
                              m_averages->value(), modes);
}

void pulseTrendScanTab::stopScan()
{
    setCurScan(false);
    for (int i = 0; i < m_trendButtons.size(); ++i) {
        m_trendButtons[i]->setEnabled(i == 0);
        m_trendButtons[i]->setText(QStringLiteral("Trend %1").arg(i + 1));
    }
    m_trendsConfigBox->setEnabled(true);
    m_averages->setEnabled(true);
    for (QComboBox* combo : qAsConst(m_harmonicCombos))
        combo->setEnabled(true);
    scanTab::stopScan();
}

// --- Curves ---

void pulseTrendScanTab::curveDisplayControl(bool drawRemove, valueType type, int harmonic, int frequency)
{
    if (!drawRemove) {
        removeCurve(type, harmonic, frequency);
        return;
    }
    const QString title = newCurveTitle(ParameterNames::shared().longName(type), harmonic);
    if (title.isEmpty())
        return;
    LiveCurve* trendCurves[2] = {};
    for (int trend = 0; trend < 2; ++trend) {
        auto* curve = new LiveCurve(QStringLiteral("%1. Trend %2").arg(title).arg(trend + 1),
                                    SeriesFeed::Source{static_cast<int>(type), frequency, harmonic, trend});
        curve->setPen(curvePalette::takeNext(m_colourIndex, curvePalette::pulseTrendLastIndex));
        curve->attach(m_plot);
        trendCurves[trend] = curve;
    }
    keepCurveRecord(type, harmonic, frequency, trendCurves[0], trendCurves[1]);
}

// Every pair again, in the same order and in the next colours, so that the
// new scan's curves start empty.
void pulseTrendScanTab::rebuildCurves()
{
    struct Key {
        valueType type;
        int harmonic;
        int frequency;
    };
    QList<Key> keys;
    for (const CurveRecord* record : qAsConst(m_curveRecords))
        keys.append({record->type, record->harmonic, record->frequency});
    while (!m_curveRecords.isEmpty()) {
        CurveRecord* record = m_curveRecords.takeFirst();
        delete record->firstCurve;
        delete record->secondCurve;
        delete record;
    }
    for (const Key& key : qAsConst(keys))
        curveDisplayControl(true, key.type, key.harmonic, key.frequency);
}

// --- Live updates ---

void pulseTrendScanTab::scanUpdate(BaseScan* scan)
{
    if (!scan || !m_activeSensor || scan->sensor != m_activeSensor || scan != m_currentScan)
        return;
    feedSmithChart(*scan);

    // Each curve takes only its own trend's new samples, times and values
    // copied together under the scan's lock.
    const bool hasSecondTrend = scan->trendCount > 1;
    bool changed = false;
    for (CurveRecord* record : qAsConst(m_curveRecords)) {
        if (auto* first = dynamic_cast<LiveCurve*>(record->firstCurve))
            changed = first->update(*scan) || changed;
        if (!hasSecondTrend)
            continue;
        if (auto* second = dynamic_cast<LiveCurve*>(record->secondCurve))
            changed = second->update(*scan) || changed;
    }
    if (changed)
        m_replot->markChanged();
    m_barChart->updateData(scan, lastTimeOf(*scan));
}

void pulseTrendScanTab::feedSmithChart(BaseScan& scan)
{
    int frequencies = 0;
    {
        std::lock_guard<std::mutex> lock(scan.mutex);
        if (!scan.dataSets.empty())
            frequencies = static_cast<int>(scan.dataSets.front()->records.size());
    }
    for (int n = 0; n < frequencies; ++n) {
        const double phase = scan.latestValue(Phase, n, 0, 0);
        const double impedance = scan.latestValue(ImpedancePolar, n, 0, 0);
        const double theta = -phase * M_PI / 180.0;
        m_smithDialog->addPoint(impedance * std::cos(theta) / smithReferenceOhms,
                                impedance * std::sin(theta) / smithReferenceOhms, n, false);
    }
}

double pulseTrendScanTab::lastTimeOf(BaseScan& scan) const
{
    std::lock_guard<std::mutex> lock(scan.mutex);
    if (scan.dataSets.empty() || scan.dataSets.front()->sampleCount() == 0)
        return 0.0;
    return scan.dataSets.front()->lastTime();
}

void pulseTrendScanTab::monitorUpdate(BaseScan* scan, int)
{
    // Another sensor's data say nothing about this tab's pulse.
    const bool ownScan = scan && m_activeSensor && scan->sensor == m_activeSensor;
    const int frequency = m_frequencyButtons->checkedId();
    if (ownScan && m_autoPulseFrequency->isChecked() && frequency >= 0) {
        const double hertz = scan->latestValue(PulseFrequency, frequency, 0, 0);
        if (hertz > 0.0) {
            const QSignalBlocker quiet(m_pulseFrequency);
            m_pulseFrequency->setValue(std::round(hertz) / 1000.0);
        }
    }
    if (auto* trends = ownScan ? qobject_cast<PulseTrendScan*>(scan) : nullptr) {
        bool renamed = false;
        for (int i = 0; i < m_trendButtons.size(); ++i) {
            const QString text = QStringLiteral("Trend %1: %2 \u00b5s").arg(i + 1).arg(trends->trendTime(i));
            if (text == m_trendButtons[i]->text())
                continue;
            renamed = true;
            m_trendButtons[i]->setText(text);
        }
        // The trend choice sits above the meters and may need more room.
        if (renamed)
            refitMeterGrid();
    }
    // A trend the scan does not record (the passive scan between pulse-trend
    // scans has one) would show zeros: the meters take the first instead.
    int trend = m_trendGroup->checkedId();
    const auto* trendScan = qobject_cast<PulseTrendScan*>(scan);
    if (trend < 0 || trend >= (trendScan ? trendScan->trendCount : 1))
        trend = 0;
    scanTab::monitorUpdate(scan, trend);
    if (m_activeSensor)
        setTextKeepingSize(*m_peakLabel,
                           QStringLiteral("%1 %").arg(QString::number(m_activeSensor->lastPeak(), 'f', 1)));
}
