// The scan tab's threshold-triggered scans: configured by the user through
// the auto-start dialog, or started on their own when a sensor marked for
// auto-start connects. The scan records only around its events and saves
// each of them, so it always gets an autosave target.

#include "app/tabs/scantab.h"

#include "app/dialogs/autosaveinputdialog.h"
#include "app/dialogs/autostartdialog.h"
#include "app/dialogs/displaysettings.h"
#include "app/numberfield.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "ui_scantab.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDebug>
#include <QMessageBox>
#include <QPointer>
#include <QSignalBlocker>

#include <memory>

void scanTab::connectAutoScan()
{
    connect(SensorHandler::getInstance(), &SensorHandler::autoScanStart, this, &scanTab::newAutoStart,
            Qt::UniqueConnection);
}

void scanTab::newAutoStart(QuvixSensor* sensor)
{
    if (!sensor)
        return;
    // The list shows the sensor the tab now follows; the binding below is
    // the only one, so the list must not bind it a second time.
    for (int i = 0; i < m_form->sensorList->count(); ++i) {
        if (m_form->sensorList->itemData(i).value<QuvixSensor*>() == sensor) {
            const QSignalBlocker quiet(m_form->sensorList);
            m_form->sensorList->setCurrentIndex(i);
            break;
        }
    }
    setActiveSensor(sensor);
    // Nobody may be there to answer a question: the refusal goes to the log
    // and the status line.
    for (const NumberField& factor : ionFluxFields()) {
        if (factor.isAcceptable())
            continue;
        const QString line =
            QStringLiteral("Auto-start of %1 not started: %2").arg(sensor->displayName(), factor.refusal());
        qWarning().noquote() << line;
        emit statusMessage(line);
        return;
    }
    if (m_frequencyButtons->buttons().isEmpty()) {
        qWarning().noquote() << QStringLiteral(
                                    "Auto-start of %1 not started: no frequency is enabled to watch")
                                    .arg(sensor->displayName());
        return;
    }
    autoStartDialog dialog(sensor, nullptr, false);
    startAutoScan(&dialog);
}

void scanTab::autoStartConfiguration()
{
    if (!sensorStillThere() || !entriesAccepted(ionFluxFields()))
        return;
    if (m_frequencyButtons->buttons().isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Auto Start"),
                             QStringLiteral("The sensor has no enabled frequency to watch.\nSelect its "
                                            "harmonics first, then start the auto-start again."));
        return;
    }
    const QPointer<QuvixSensor> sensor = m_activeSensor;
    autoStartDialog dialog(sensor, nullptr, true);
    // The tab may have turned to another sensor while the dialog was open.
    if (dialog.exec() == QDialog::Accepted && sensor && sensor == m_activeSensor)
        startAutoScan(&dialog);
}

bool scanTab::startAutoScan(autoStartDialog* dialog)
{
    const QPointer<QuvixSensor> sensor = m_activeSensor;
    if (!dialog || !sensor || watchedFrequency(dialog->frequencyIndex()) < 0)
        return false;
    // Asked first: its event loop may switch the tab to another sensor, and
    // nothing is built for this one until it returns.
    askTriggerAutosaveTarget();
    if (!sensor || sensor != m_activeSensor)
        return false;
    const int frequency = watchedFrequency(dialog->frequencyIndex());
    if (frequency < 0)
        return false;

    m_scanRunning = true;
    m_startedSensors.append(sensor);

    std::unique_ptr<BaseScan> scan(createScan());
    scan->setTriggerRecording(dialog->startParameterIndex(), dialog->startThreshold(), dialog->startOver(),
                              dialog->stopParameterIndex(), dialog->stopThreshold(), dialog->stopOver(),
                              dialog->preDuration(), dialog->postDuration(), dialog->scanDuration(),
                              dialog->continueMonitoring(), frequency, m_displaySettings);
    scan->resetEnergy();

    m_frequencyButtons->button(frequency)->click();
    showTriggerCurves(static_cast<valueType>(dialog->startParameterIndex()),
                      static_cast<valueType>(dialog->stopParameterIndex()));
    scan->setAutosaveTarget(m_autosaveFolder, m_autosaveTitle);
    lockControlsForTrigger();
    applyIonFluxFactors(*scan);
    scan->setWaferInfo(m_form->waferLot->text(), m_form->waferNumber->text());

    connect(scan.get(), &BaseScan::acquisitionStarted, this, &scanTab::thAcquisitionStarted);
    connect(scan.get(), &BaseScan::acquisitionStopped, this, &scanTab::thAcquisitionStopped);
    connect(scan.get(), &BaseScan::errorOcurred, this, &scanTab::showScanError);
    setCurrentScan(scan.get());
    sensor->queueScan(scan.release());
    return true;
}

// The frequency button to watch: a stored choice the sensor no longer has
// falls back to the first frequency; -1 when there is none at all.
int scanTab::watchedFrequency(int requested) const
{
    const int count = m_frequencyButtons->buttons().size();
    if (count == 0)
        return -1;
    return requested >= 0 && requested < count && m_frequencyButtons->button(requested) ? requested : 0;
}

// The events are saved as they end, so the scan always autosaves: under the
// target the user confirms, or the one already set when the user cancels.
void scanTab::askTriggerAutosaveTarget()
{
    if (m_form->autosave->isChecked())
        return;
    m_form->autosave->setChecked(true);
    autosaveInputDialog dialog(m_autosaveFolder, m_autosaveTitle, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_autosaveFolder = dialog.folder();
    m_autosaveTitle = dialog.name();
}

// A first view of what the trigger watches, unless the user chose curves.
void scanTab::showTriggerCurves(valueType startId, valueType stopId)
{
    if (!m_curveRecords.isEmpty())
        return;
    curveDisplayControl(true, startId, 0, m_displayedFrequency);
    if (stopId != startId)
        curveDisplayControl(true, stopId, 0, m_displayedFrequency);
}

void scanTab::lockControlsForTrigger()
{
    for (QComboBox* combo : qAsConst(m_harmonicCombos))
        combo->setEnabled(false);
    if (m_frequencyCombo)
        m_frequencyCombo->setEnabled(false);
    m_form->startScan->setEnabled(false);
    m_form->autostartAdvanced->setEnabled(false);
    m_form->resetEnergyBtn->setEnabled(false);
    m_form->stopScan->setEnabled(true);
}
