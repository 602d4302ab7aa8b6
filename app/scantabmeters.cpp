// The scan tab's meter slots: which quantities the parameter view and the
// meter window show, as the display options choose them.

#include "app/scantab.h"

#include "app/displaysettings.h"
#include "app/meterrows.h"
#include "app/metertext.h"
#include "scans/parameternames.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>

#include <algorithm>

void scanTab::updateMeterView()
{
    m_meterIds.clear();
    const int shown = m_displaySettings ? std::min<int>(static_cast<int>(m_displaySettings->displayedCount),
                                                        MeterRows::rowCount)
                                        : 0;
    const QString checkedStyle =
        QStringLiteral("QCheckBox::indicator:checked {image: url(%1);}").arg(onStateIcon());
    for (int slot = 0; slot < shown; ++slot) {
        const int id = m_displaySettings->displayedParameterAt(slot);
        const QString label = ParameterNames::shared().label(id);
        m_meterIds.append(id);
        meterLabel(slot)->setText(QStringLiteral("   ---"));
        meterLabel(slot)->setVisible(true);
        QCheckBox* box = meterCheckBox(slot);
        box->setVisible(true);
        box->setText(label);
        box->setStyleSheet(checkedStyle);
        m_meterRows->showRow(slot, onStateIcon(), label);
    }
    for (int slot = shown; slot < MeterRows::rowCount; ++slot) {
        meterCheckBox(slot)->hide();
        meterLabel(slot)->hide();
        m_meterRows->clearRow(slot);
    }
}

void scanTab::monitorUpdate(BaseScan* scan, int trend)
{
    if (!scan || !m_activeSensor || scan->sensor != m_activeSensor || scan->sampleCount(0) <= 0 ||
        m_meterIds.isEmpty())
        return;
    // A sensor without an enabled frequency has no displayed frequency.
    const int frequency = m_frequencyButtons->checkedId();
    if (frequency < 0)
        return;
    m_meterScan = scan;
    for (int slot = 0; slot < m_meterIds.size(); ++slot) {
        const int id = m_meterIds.at(slot);
        const QString text =
            isCompositeParameter(id)
                ? meterValueText(id, scan->latestValue(firstComponent(id), frequency, 0, trend),
                                 scan->latestValue(secondComponent(id), frequency, 0, trend))
                : meterValueText(id, scan->latestValue(id, frequency, 0, trend));
        meterLabel(slot)->setText(text);
        m_meterRows->setValue(slot, text);
    }
}
