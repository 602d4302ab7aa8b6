// The scan tab's meter boxes: ticking one draws its quantity (through the
// harmonic grid where it has harmonics or two components), clearing one
// removes its curves at the displayed frequency.

#include "app/tabs/scantab.h"

#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/curverecord.h"
#include "views/frequencygrid.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLayout>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Harmonics the sensor measures at its n-th enabled frequency.
int harmonicsOfEnabledFrequency(const QuvixSensor& sensor, int n)
{
    int enabled = 0;
    for (int harmonics : sensor.selectedHarmonics())
        if (harmonics > 0 && enabled++ == n)
            return harmonics;
    return 0;
}

} // namespace

int compositeParameterOf(int id)
{
    switch (id) {
    case GammaReal:
    case GammaImag:
        return GammaComplex;
    case GammaPhi:
    case GammaMag:
        return GammaPolar;
    case ImpedanceReal:
    case ImpedanceImag:
        return ImpedanceComplex;
    case CurrentReal:
    case CurrentImag:
        return CurrentComplex;
    case CurrentMag:
    case CurrentPhi:
        return CurrentPolar;
    case ImpedanceMag:
    case ImpedancePhi:
        return ImpedancePolar;
    case VoltageReal:
    case VoltageImag:
        return VoltageComplex;
    case VoltageMag:
    case VoltagePhi:
        return Harmonic;
    default:
        return id;
    }
}

bool curveShowsParameter(int curveType, int parameter)
{
    // A component shown on a meter of its own is drawn by its own curve too.
    return curveType == parameter || compositeParameterOf(curveType) == parameter;
}

void scanTab::viewHarmonicWidget(int id)
{
    if (!m_activeSensor || id < 0 || id >= m_meterIds.size())
        return;
    m_harmonicBox->hide();
    const auto parameter = static_cast<valueType>(m_meterIds.at(id));
    const bool checked = meterCheckBox(id)->isChecked();
    std::vector<bool>* flags =
        m_displayedFrequency >= 0 && m_displayedFrequency < static_cast<int>(m_harmonicFlags.size())
            ? &m_harmonicFlags[static_cast<size_t>(m_displayedFrequency)]
            : nullptr;

    if (!hasHarmonics(parameter) && !isCompositeParameter(parameter)) {
        if (flags)
            (*flags)[static_cast<size_t>(id)] = checked;
        curveDisplayControl(checked, parameter, 0, m_displayedFrequency);
        return;
    }
    if (checked) {
        rebuildFrequencyGrid(parameter);
        // The fundamental is drawn at once unless it already is.
        const bool drawn =
            std::any_of(m_curveRecords.cbegin(), m_curveRecords.cend(), [&](const CurveRecord* r) {
                return r->sensor == m_activeSensor && r->frequency == m_displayedFrequency &&
                       r->harmonic == 0 && r->type == m_frequencyGrid->topType();
            });
        if (!drawn)
            m_frequencyGrid->selectHarmonic(0, true);
        placeHarmonicBox();
        m_harmonicBox->show();
        m_harmonicBox->raise();
        return;
    }
    if (flags)
        (*flags)[static_cast<size_t>(id)] = false;
    rebuildFrequencyGrid(parameter);
    removeCurvesBelongingTo(parameter);
}

void scanTab::placeHarmonicBox()
{
    // Under the parameter view, over the plot rather than over the scan
    // controls, and wide enough for its title.
    m_harmonicBox->adjustSize();
    const int titleWidth = m_harmonicBox->fontMetrics().horizontalAdvance(m_harmonicBox->title()) +
                           4 * m_harmonicBox->fontMetrics().height();
    m_harmonicBox->resize(std::max(m_harmonicBox->width(), titleWidth), m_harmonicBox->height());
    const QWidget& view = *m_form->paramViewBox;
    const QPoint corner = view.mapTo(this, QPoint(view.width(), view.height()));
    const int x =
        std::clamp(corner.x() - m_harmonicBox->width(), 0, std::max(0, width() - m_harmonicBox->width()));
    const int y = std::clamp(corner.y(), 0, std::max(0, height() - m_harmonicBox->height()));
    m_harmonicBox->move(x, y);
}

void scanTab::rebuildFrequencyGrid(valueType type)
{
    if (m_frequencyGrid) {
        disconnect(m_frequencyGrid, nullptr, this, nullptr);
        delete m_frequencyGrid;
    }
    m_frequencyGrid =
        new FrequencyGrid(type, m_curveRecords, m_displayedFrequency,
                          m_activeSensor ? m_activeSensor->serialNumber() : QString(), m_harmonicBox);
    m_frequencyGrid->setHarmonicCount(
        m_activeSensor ? harmonicsOfEnabledFrequency(*m_activeSensor, m_displayedFrequency) : 0);
    m_harmonicBox->layout()->addWidget(m_frequencyGrid);
    connect(m_frequencyGrid, &FrequencyGrid::optionSelected, this, &scanTab::harmonicSelected);
}

void scanTab::removeCurvesBelongingTo(int parameter)
{
    // Collected first: each removal takes the first match of any sensor,
    // which need not be the record the walk is at.
    std::vector<std::pair<valueType, int>> doomed;
    for (int i = m_curveRecords.size() - 1; i >= 0; --i) {
        const CurveRecord* record = m_curveRecords.at(i);
        if (record->frequency == m_displayedFrequency && curveShowsParameter(record->type, parameter))
            doomed.emplace_back(record->type, record->harmonic);
    }
    for (const auto& [type, harmonic] : doomed)
        curveDisplayControl(false, type, harmonic, m_displayedFrequency);
}

void scanTab::dispFrequencyChanged(int index)
{
    m_displayedFrequency = index;
    refreshMeterChecks();
}

void scanTab::refreshMeterChecks()
{
    for (int slot = 0; slot < m_meterIds.size(); ++slot) {
        const int parameter = m_meterIds.at(slot);
        const bool drawn =
            m_activeSensor &&
            std::any_of(m_curveRecords.cbegin(), m_curveRecords.cend(), [&](const CurveRecord* record) {
                return record->sensor == m_activeSensor && record->frequency == m_displayedFrequency &&
                       curveShowsParameter(record->type, parameter);
            });
        meterCheckBox(slot)->setChecked(drawn);
    }
}
