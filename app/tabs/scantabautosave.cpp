// The scan tab's autosave box: ticking it asks where and under which name
// scans are saved automatically.

#include "app/tabs/scantab.h"

#include "app/dialogs/autosaveinputdialog.h"
#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

void scanTab::setAutosave(bool checked)
{
    if (!checked)
        return;
    autosaveInputDialog dialog(m_autosaveFolder, m_autosaveTitle, this);
    if (dialog.exec() != QDialog::Accepted) {
        // Cancelled: autosave stays off, as it was before the tick.
        m_form->autosave->setChecked(false);
        return;
    }
    m_autosaveFolder = dialog.folder();
    m_autosaveTitle = dialog.name();
}

void scanTab::thAcquisitionStarted()
{
    // A new recording of the triggered scan: the charts follow it alone.
    auto* scan = qobject_cast<BaseScan*>(sender());
    if (scan) {
        m_barChart->clear();
        m_barChart->addScan(scan);
        m_smithDialog->clearScans();
        m_smithDialog->addScan(scan);
        m_waveWindow->clear();
        m_waveWindow->addScan(scan);
    }
    if (m_activeSensor)
        emit m_activeSensor->configUpdated();
}

void scanTab::thAcquisitionStopped()
{
    if (m_activeSensor)
        emit m_activeSensor->configUpdated();
    // An ending event finishes the scan when monitoring is not to go on.
    if (m_currentScan && m_currentScan->isFinished())
        stopScan();
}
