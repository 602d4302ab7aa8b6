// The scan tab's curve records: one live curve per chosen quantity,
// harmonic and frequency of the active sensor.

#include "app/tabs/scantab.h"

#include "scans/parameternames.h"
#include "sensors/quvixsensor.h"
#include "views/curvepalette.h"
#include "views/curverecord.h"
#include "views/livecurve.h"

#include <qwt_plot.h>

#include <QAbstractButton>
#include <QButtonGroup>

void scanTab::curveDisplayControl(bool drawRemove, valueType type, int harmonic, int frequency)
{
    if (!drawRemove) {
        removeCurve(type, harmonic, frequency);
        return;
    }
    const QString title = newCurveTitle(ParameterNames::shared().label(type), harmonic);
    if (title.isEmpty())
        return;
    auto* curve = new LiveCurve(title, SeriesFeed::Source{static_cast<int>(type), frequency, harmonic, 0});
    curve->setPen(curvePalette::takeNext(m_colourIndex, curvePalette::acquisitionLastIndex));
    curve->attach(m_plot);
    keepCurveRecord(type, harmonic, frequency, curve, nullptr);
}

QString scanTab::newCurveTitle(const QString& quantity, int harmonic) const
{
    // Without a checked frequency button (a sensor with no enabled
    // frequency) there is nothing the curve could be named after or follow.
    const QAbstractButton* frequencyButton = m_frequencyButtons->checkedButton();
    if (!frequencyButton || !m_activeSensor)
        return QString();
    return QStringLiteral("%1 : %2%3, %4")
        .arg(quantity, frequencyButton->text(), QStringLiteral(", Harmonic %1").arg(harmonic + 1),
             m_activeSensor->serialNumber());
}

void scanTab::keepCurveRecord(valueType type, int harmonic, int frequency, QwtPlotCurve* firstCurve,
                              QwtPlotCurve* secondCurve)
{
    auto* record = new CurveRecord;
    record->firstCurve = firstCurve;
    record->secondCurve = secondCurve;
    record->type = type;
    record->sensor = m_activeSensor;
    record->frequency = frequency;
    record->harmonic = harmonic;
    m_curveRecords.append(record);
    m_plot->replot();
}

void scanTab::removeCurve(valueType type, int harmonic, int frequency)
{
    // The first match of any sensor goes: the grid that asks knows no sensor.
    for (int i = 0; i < m_curveRecords.size(); ++i) {
        CurveRecord* record = m_curveRecords.at(i);
        if (record->frequency != frequency || record->type != type || record->harmonic != harmonic)
            continue;
        m_curveRecords.removeAt(i);
        delete record->firstCurve;
        delete record->secondCurve;
        delete record;
        m_plot->replot();
        return;
    }
}

void scanTab::harmonicSelected(bool drawRemove, valueType type, int harmonic, int frequency)
{
    curveDisplayControl(drawRemove, type, harmonic, frequency);
}
