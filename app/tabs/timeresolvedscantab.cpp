#include "app/tabs/timeresolvedscantab.h"

#include "app/dialogs/displaysettings.h"
#include "app/tabs/editwidth.h"
#include "app/entryvalidator.h"
#include "app/tabs/metertext.h"
#include "app/numberfield.h"
#include "scans/pulseprofilescan.h"
#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/sampleratewidget.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <qwt_plot.h>

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include <cmath>

namespace {

const QString microsecondUnit = QStringLiteral("[&micro;s]<b></b>");
const QString microseconds = QStringLiteral("µs");
const QString settingsGroup = QStringLiteral("Settings");
const QString startTimeKey = QStringLiteral("m_startTime");
const QString endTimeKey = QStringLiteral("m_endTime");
const QString stepTimeKey = QStringLiteral("m_stepTime");
const QString averagesKey = QStringLiteral("m_averages");
const QString levelKey = QStringLiteral("m_levelValue");
const QString pulseFrequencyKey = QStringLiteral("m_pulseTime");
const QString internalTriggerKey = QStringLiteral("m_internalTrigger");

constexpr int windowLimit = 1000000;
constexpr int externalWindowLimit = 2000000;
constexpr double lowestPulseFrequency = 0.005; // kHz
constexpr float highestPulseFrequency = 100000.0f;

// The width an edit has where its numbers need no more.
const char* const usualWidthKey = "usualWidth";

void fitToRange(QLineEdit* edit)
{
    fitEditToRange(*edit, edit->property(usualWidthKey).toInt());
}

// The edit owns its validators; the one it had goes. The edit is as wide as
// the longest number the new one accepts.
void useValidator(QLineEdit* edit, QValidator* validator)
{
    const QValidator* previous = edit->validator();
    edit->setValidator(validator);
    delete previous;
    fitToRange(edit);
}

void useIntRange(QLineEdit* edit, int bottom, int top)
{
    useValidator(edit, new EntryIntValidator(bottom, top, edit));
}

void useTenthsRange(QLineEdit* edit, double bottom, double top)
{
    useValidator(edit, new EntryDoubleValidator(bottom, top, 1, edit));
}

// Kept only where the field takes it; what was kept before stays otherwise.
void keep(QSettings& settings, const QString& key, const NumberField& field)
{
    if (const std::optional<QString> stored = field.storedText())
        settings.setValue(key, *stored);
}

void showStored(const QSettings& settings, const QString& key, const QString& preset, QLineEdit* edit)
{
    edit->setText(NumberField::shownText(settings.value(key, preset).toString(), *edit));
}

QLineEdit* newEdit(QWidget* parent, int usualWidth)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(usualWidth);
    edit->setProperty(usualWidthKey, usualWidth);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { fitToRange(edit); });
    return edit;
}

} // namespace

timeResolvedScanTab::timeResolvedScanTab(DisplaySettings* settings, QWidget* parent)
    : scanTab(settings, parent)
{
    buildWindowPanel();
    buildTriggerPanel();
    hideUnusedBaseControls();
    m_plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (&micro;s)<b></b>"));
    m_plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Measurements"));

    m_controls.externalTrigger->setChecked(true);
    loadWindowSettings();
    connectControls();
    toggleInternalTrigger(m_controls.internalTrigger->isChecked());

    setControlPanelExpanded(false);
    // Pulse monitoring is the trend tabs' business; its switch stays hidden
    // whatever the sensor's mode.
    disconnect(m_form->enablePulse, &QAbstractButton::toggled, this, nullptr);
    hideUnusedBaseControls();
}

timeResolvedScanTab::~timeResolvedScanTab()
{
    saveWindowSettings();
}

void timeResolvedScanTab::buildWindowPanel()
{
    auto* panel = new QWidget(m_form->scanConfigurationBox);
    auto* layout = new QVBoxLayout(panel);
    layout->setSpacing(5);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* rows = new QGridLayout;
    layout->addLayout(rows);

    auto addRow = [&](const QString& name, QLineEdit* edit, const QString& unit) {
        const int row = rows->rowCount();
        rows->addWidget(new QLabel(name, panel), row, 0);
        rows->addWidget(edit, row, 1);
        if (!unit.isEmpty())
            rows->addWidget(new QLabel(unit, panel), row, 2);
    };
    m_controls.startTime = newEdit(panel, 60);
    m_controls.endTime = newEdit(panel, 60);
    m_controls.stepTime = newEdit(panel, 60);
    m_controls.averages = newEdit(panel, 36);
    addRow(QStringLiteral("Start Time"), m_controls.startTime, microsecondUnit);
    addRow(QStringLiteral("End Time"), m_controls.endTime, microsecondUnit);
    addRow(QStringLiteral("Time Step"), m_controls.stepTime, microsecondUnit);
    addRow(QStringLiteral("Averages"), m_controls.averages, QString());
    for (QLineEdit* edit : {m_controls.startTime, m_controls.endTime, m_controls.stepTime})
        useIntRange(edit, -windowLimit, windowLimit);
    useIntRange(m_controls.averages, 0, 10000);

    m_controls.autoset = new QPushButton(QStringLiteral("Autoset"), panel);
    layout->addWidget(m_controls.autoset);
    m_form->verticalLayout_19->insertWidget(0, panel);
    m_controls.windowPanel = panel;
}

void timeResolvedScanTab::buildTriggerPanel()
{
    auto* panel = new QGroupBox(m_form->scanConfigurationBox);
    auto* layout = new QVBoxLayout(panel);
    layout->setSpacing(5);
    layout->addWidget(new QLabel(QStringLiteral("Trigger Options"), panel));
    m_controls.internalTrigger = new QRadioButton(QStringLiteral("Internal Trigger"), panel);
    m_controls.externalTrigger = new QRadioButton(QStringLiteral("External Trigger"), panel);
    layout->addWidget(m_controls.internalTrigger);
    layout->addWidget(m_controls.externalTrigger);
    m_controls.triggerButtons = new QButtonGroup(this);
    // Automatic ids (-2 internal, -3 external): the pulse-trend tab numbers
    // its buttons the same way, so the two mirror each other by id.
    m_controls.triggerButtons->addButton(m_controls.internalTrigger);
    m_controls.triggerButtons->addButton(m_controls.externalTrigger);

    auto* rows = new QGridLayout;
    layout->addLayout(rows);
    m_controls.level = newEdit(panel, 70);
    useValidator(m_controls.level, new EntryDoubleValidator(0, 100, 2, m_controls.level));
    m_controls.level->setPlaceholderText(QStringLiteral("Auto"));
    m_controls.level->setToolTip(
        QStringLiteral("Set the trigger level value.\r\nIf no value is indicated, the level will be "
                       "calculated automatically based of the signal peak."));
    rows->addWidget(new QLabel(QStringLiteral("Level"), panel), 0, 0);
    rows->addWidget(m_controls.level, 0, 1);
    m_controls.peak = new QLabel(QStringLiteral("--.-%"), panel);
    rows->addWidget(new QLabel(QStringLiteral("Peak"), panel), 1, 0);
    // Held at its widest value's size (setTextKeepingSize), at the left.
    rows->addWidget(m_controls.peak, 1, 1, Qt::AlignLeft);
    // Its name above it: the section is narrow.
    m_controls.pulseFrequency = newEdit(panel, 70);
    useValidator(m_controls.pulseFrequency, new EntryDoubleValidator(0, 5000, 5, m_controls.pulseFrequency));
    rows->addWidget(new QLabel(QStringLiteral("Pulse Frequency"), panel), 2, 0, 1, 3);
    rows->addWidget(m_controls.pulseFrequency, 3, 0, 1, 2);
    rows->addWidget(new QLabel(QStringLiteral("[kHz]"), panel), 3, 2);

    // Beside the window, between it and the ion-flux column.
    m_form->horizontalLayout_10->insertWidget(1, panel);
    m_controls.triggerPanel = panel;
}

void timeResolvedScanTab::connectControls()
{
    connect(m_controls.autoset, &QPushButton::clicked, this, &timeResolvedScanTab::autoSetPulse);
    connect(m_controls.internalTrigger, &QAbstractButton::toggled, this,
            &timeResolvedScanTab::toggleInternalTrigger);
    connect(m_controls.triggerButtons, &QButtonGroup::idClicked, this, &timeResolvedScanTab::setTrigger);
    connect(m_controls.level, &QLineEdit::editingFinished, this, &timeResolvedScanTab::levelisSet);
    connect(m_controls.pulseFrequency, &QLineEdit::editingFinished, this,
            &timeResolvedScanTab::pulseTimeChanged);
    connect(m_controls.externalTrigger, &QAbstractButton::toggled, this,
            &timeResolvedScanTab::updateTimeValidators);
}

// A pulse profile has no report rate, duration or pulse monitoring of its
// own; the base sections would show their controls again whenever they open.
void timeResolvedScanTab::hideUnusedBaseControls()
{
    for (QWidget* widget :
         {static_cast<QWidget*>(m_rateWidget), static_cast<QWidget*>(m_form->label_17),
          static_cast<QWidget*>(m_form->scanDuration), static_cast<QWidget*>(m_form->label_4),
          static_cast<QWidget*>(m_form->enablePulse), static_cast<QWidget*>(m_form->thresholdLabel),
          static_cast<QWidget*>(m_form->thresholdSpin), static_cast<QWidget*>(m_form->trimLabel),
          static_cast<QWidget*>(m_form->trimSpin)})
        widget->hide();
}

void timeResolvedScanTab::setWindowEditsEnabled(bool enabled)
{
    for (QLineEdit* edit :
         {m_controls.startTime, m_controls.endTime, m_controls.stepTime, m_controls.averages})
        edit->setEnabled(enabled);
    m_form->autostartAdvanced->setEnabled(enabled);
}

void timeResolvedScanTab::setTimeStyle(QGroupBox* box, bool expanded)
{
    box->setStyleSheet(QStringLiteral("QGroupBox::title { color: white; background-color: %1 } "
                                      "QGroupBox::indicator { width: 0px; height:0px;} "
                                      "QGroupBox::indicator:unchecked {width: 0px; height:0px;}")
                           .arg(expanded ? QStringLiteral("#425563;") : QStringLiteral("#69899E;")));
}

double timeResolvedScanTab::pulsePeriod() const
{
    // As typed, in range or not: the window's limits follow what the edit
    // shows, and a start refuses a frequency out of range.
    return 1000.0 / frequencyField().number().value_or(0.0);
}

NumberField timeResolvedScanTab::frequencyField() const
{
    return NumberField(*m_controls.pulseFrequency, QStringLiteral("Pulse Frequency"), QStringLiteral("kHz"));
}

NumberField timeResolvedScanTab::levelField() const
{
    return NumberField(*m_controls.level, QStringLiteral("Level"), QStringLiteral("%"),
                       NumberField::Empty::Allowed);
}

NumberField timeResolvedScanTab::startField() const
{
    // A window that begins before the trigger is swept one period later: a
    // start more than a period early would be a delay before the trigger.
    const double frequency = frequencyField().value(0.0);
    const double period = frequency > 0 ? 1000.0 / frequency : 0.0;
    return NumberField(*m_controls.startTime, QStringLiteral("Start Time"), microseconds).atLeast(-period);
}

QList<NumberField> timeResolvedScanTab::windowFields() const
{
    return {frequencyField(),
            startField(),
            NumberField(*m_controls.endTime, QStringLiteral("End Time"), microseconds),
            NumberField(*m_controls.stepTime, QStringLiteral("Time Step"), microseconds),
            NumberField(*m_controls.averages, QStringLiteral("Averages")),
            levelField()};
}

// --- Overrides ---

void timeResolvedScanTab::setActiveSensor(QuvixSensor* sensor)
{
    scanTab::setActiveSensor(sensor);
    hideUnusedBaseControls();
    if (!sensor)
        return;
    const bool ionFlux = sensor->sensorType() == 3;
    m_form->enableIonFlux->setEnabled(ionFlux);
    if (!ionFlux)
        m_form->enableIonFlux->setChecked(false);
}

void timeResolvedScanTab::showScanConfiguration(bool checked)
{
    scanTab::showScanConfiguration(checked);
    hideUnusedBaseControls();
    const bool shown = checked && isControlPanelExpanded();
    m_controls.windowPanel->setVisible(shown);
    m_controls.triggerPanel->setVisible(shown && m_activeSensor);
    // Room for the trigger options beside the window.
    if (checked && m_activeSensor)
        m_form->scanConfigurationBox->setMaximumSize(560, 300);
    setTimeStyle(m_form->scanConfigurationBox, checked);
}

void timeResolvedScanTab::showScanControl(bool checked)
{
    scanTab::showScanControl(checked);
    setTimeStyle(m_form->scanControlBox, checked);
}

void timeResolvedScanTab::setControlPanelExpanded(bool show)
{
    scanTab::setControlPanelExpanded(show);
    if (!show) {
        m_controls.windowPanel->hide();
        m_controls.triggerPanel->hide();
    }
    hideUnusedBaseControls();
}

BaseScan* timeResolvedScanTab::createScan()
{
    const QList<NumberField> fields = windowFields();
    double level = fields[LevelEntry].value(0.0);
    if (level < 0.01 && m_activeSensor)
        level = m_activeSensor->lastPeak() / 2.0;

    const double frequency = fields[FrequencyEntry].value(0.0);
    double period = frequency;
    double pulseTime = frequency;
    if (frequency > 0) {
        period = 1000.0 / frequency;
        pulseTime = 0.9 * period;
    }
    double start = fields[StartEntry].value(0.0);
    double end = fields[EndEntry].value(0.0);
    const double step = fields[StepEntry].value(0.0);
    const int averages = static_cast<int>(fields[AveragesEntry].value(0.0));

    // A window that begins before the trigger is swept one period later and
    // shown shifted back.
    double delayOffset = 0.0;
    if (start < 0) {
        start += period;
        end += period;
        pulseTime += period;
        delayOffset = -period;
    }
    return new PulseProfileScan(m_activeSensor, QString(), level, pulseTime, start, end, step, averages,
                                delayOffset);
}

void timeResolvedScanTab::startScan()
{
    if (!sensorStillThere())
        return;
    const QList<NumberField> fields = windowFields();
    // Without a step the sweep would never reach its end time.
    const std::optional<double> step = fields[StepEntry].number();
    if (fields[StepEntry].isEmpty() || (step && *step <= 0)) {
        QMessageBox::warning(this, QStringLiteral("Time Step"),
                             QStringLiteral("The time step must be above 0 µs. The scan was not started."));
        return;
    }
    if (!entriesAccepted(fields))
        return;
    QuvixSensor* sensor = m_activeSensor;

    saveWindowSettings();
    m_scanRunning = true;
    setScanControlsEnabled(false);
    setWindowEditsEnabled(false);

    BaseScan* scan = createScan();
    scan->setAutosaveSettings(m_displaySettings);
    connect(scan, &BaseScan::errorOcurred, this, &scanTab::showScanError);
    scan->setWaferInfo(m_form->waferLot->text(), m_form->waferNumber->text());
    scan->externalTrigger = m_controls.externalTrigger->isChecked();
    queueOnSensor(sensor, scan);

    m_barChart->clear();
    m_barChart->addScan(scan);
    m_waveWindow->clear();
    m_waveWindow->addScan(scan);
    m_smithDialog->clearScans();
    m_smithDialog->addScan(scan);
    setCurrentScan(scan);
    // The live views draw only scans of sensors this tab started.
    m_startedSensors.append(sensor);
    if (m_curveRecords.isEmpty())
        curveDisplayControl(true, static_cast<valueType>(0), 0, 0);
    reportActivity(true);
}

void timeResolvedScanTab::stopScan()
{
    // The scan may be gone already (discarded through clearScanInfo).
    if (m_currentScan)
        scanUpdate(m_currentScan);
    m_scanRunning = false;
    setWindowEditsEnabled(true);
    scanTab::stopScan();
}

void timeResolvedScanTab::scanUpdate(BaseScan* scan)
{
    if (scan && scan == m_currentScan)
        scanTab::scanUpdate(scan);
}

void timeResolvedScanTab::monitorUpdate(BaseScan* scan, int trend)
{
    if (m_activeSensor)
        setTextKeepingSize(*m_controls.peak,
                           QStringLiteral("%1 %").arg(QString::number(m_activeSensor->lastPeak(), 'f', 1)));
    scanTab::monitorUpdate(scan, trend);
}

// --- Own slots ---

void timeResolvedScanTab::toggleTrigger(int id)
{
    if (QAbstractButton* button = m_controls.triggerButtons->button(id))
        button->setChecked(true);
    toggleInternalTrigger(m_controls.internalTrigger->isChecked());
}

void timeResolvedScanTab::toggleInternalTrigger(bool on)
{
    m_controls.level->setEnabled(on);
    m_controls.pulseFrequency->setEnabled(on);
}

void timeResolvedScanTab::disableScanButtons(bool scanInProgress)
{
    m_form->startScan->setEnabled(!scanInProgress);
    m_form->autostartAdvanced->setEnabled(!scanInProgress);
}

void timeResolvedScanTab::levelisSet()
{
    emit levelSet(m_controls.level->text());
}

void timeResolvedScanTab::setLevel(QString level)
{
    m_controls.level->setText(level);
}

void timeResolvedScanTab::setFreq(QString frequency)
{
    m_controls.pulseFrequency->setText(frequency);
    // The window's limits follow the mirrored period, as they do when the
    // frequency is typed here; nothing is sent back.
    const double limit = pulsePeriod();
    if (std::isfinite(limit) && limit > 0 && !m_controls.externalTrigger->isChecked()) {
        useIntRange(m_controls.startTime, static_cast<int>(-limit), static_cast<int>(limit));
        useIntRange(m_controls.endTime, static_cast<int>(-limit), static_cast<int>(limit));
        useIntRange(m_controls.stepTime, 0, static_cast<int>(limit));
    }
}

void timeResolvedScanTab::pulseTimeChanged()
{
    QLineEdit* edit = m_controls.pulseFrequency;
    const double typed = frequencyField().number().value_or(0.0);
    const QLocale locale = NumberField::localeOf(*edit);
    if (typed < lowestPulseFrequency)
        edit->setText(NumberField::text(lowestPulseFrequency, 'g', 6, locale));
    else if (static_cast<float>(typed) > highestPulseFrequency)
        edit->setText(NumberField::text(highestPulseFrequency, 'g', 6, locale));
    const double limit = pulsePeriod();
    emit freqSet(edit->text());
    useIntRange(m_controls.startTime, static_cast<int>(-limit), static_cast<int>(limit));
    useIntRange(m_controls.endTime, static_cast<int>(-limit), static_cast<int>(limit));
    useIntRange(m_controls.stepTime, 0, static_cast<int>(limit));
}

void timeResolvedScanTab::updateTimeValidators()
{
    if (m_controls.externalTrigger->isChecked()) {
        useTenthsRange(m_controls.startTime, -externalWindowLimit, externalWindowLimit);
        useTenthsRange(m_controls.endTime, -externalWindowLimit, externalWindowLimit);
        useIntRange(m_controls.stepTime, 0, externalWindowLimit);
        return;
    }
    double limit = pulsePeriod();
    if (!std::isfinite(limit) || limit <= 0)
        limit = windowLimit;
    useTenthsRange(m_controls.startTime, -limit, limit);
    useTenthsRange(m_controls.endTime, -limit, limit);
}

void timeResolvedScanTab::autoSetPulse()
{
    const double period = pulsePeriod();
    if (!std::isfinite(period) || period <= 0)
        return;
    const int step = std::max(1, static_cast<int>(std::floor(period / 40.0)));
    m_controls.startTime->setText(QStringLiteral("0"));
    m_controls.endTime->setText(
        NumberField::text(std::floor(period), 'f', 0, NumberField::localeOf(*m_controls.endTime)));
    m_controls.stepTime->setText(
        NumberField::text(step, 'f', 0, NumberField::localeOf(*m_controls.stepTime)));
    m_controls.averages->setText(QStringLiteral("100"));
}

// --- Saved settings; the overview builds its pulse profiles from them ---

void timeResolvedScanTab::loadWindowSettings()
{
    QSettings settings;
    settings.beginGroup(settingsGroup);
    showStored(settings, startTimeKey, QStringLiteral("0"), m_controls.startTime);
    showStored(settings, endTimeKey, QStringLiteral("100"), m_controls.endTime);
    showStored(settings, stepTimeKey, QStringLiteral("10"), m_controls.stepTime);
    showStored(settings, averagesKey, QStringLiteral("100"), m_controls.averages);
    showStored(settings, levelKey, QString(), m_controls.level);
    showStored(settings, pulseFrequencyKey, QStringLiteral("100"), m_controls.pulseFrequency);
    if (settings.value(internalTriggerKey, true).toBool())
        m_controls.internalTrigger->setChecked(true);
    else
        m_controls.externalTrigger->setChecked(true);
}

void timeResolvedScanTab::saveWindowSettings() const
{
    QSettings settings;
    settings.beginGroup(settingsGroup);
    const QList<NumberField> fields = windowFields();
    keep(settings, pulseFrequencyKey, fields[FrequencyEntry]);
    keep(settings, startTimeKey, fields[StartEntry]);
    keep(settings, endTimeKey, fields[EndEntry]);
    keep(settings, stepTimeKey, fields[StepEntry]);
    keep(settings, averagesKey, fields[AveragesEntry]);
    keep(settings, levelKey, fields[LevelEntry]);
    settings.setValue(internalTriggerKey, m_controls.internalTrigger->isChecked());
}
