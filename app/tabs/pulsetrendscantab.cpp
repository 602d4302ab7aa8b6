// The pulse-trend tab's configuration side: the trend and trigger boxes,
// their settings and how the panel shows them.

#include "app/tabs/pulsetrendscantab.h"

#include "app/entryvalidator.h"
#include "app/numberfield.h"
#include "scans/trenddataset.h"
#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/replotcoalescer.h"
#include "views/sampleratewidget.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include <cmath>

namespace {

constexpr int modeCount = 4;
constexpr int trendValueWidth = 40;
constexpr int averagesWidth = 65;
const QString groupName = QStringLiteral("TrendSettings");
const QString boxTitleStyle = QStringLiteral(
    "QGroupBox::title { color: black; background-color: white; border: 0px solid transparent; }");
const QString expandedStyle =
    QStringLiteral("QGroupBox::title { color: white; background-color: #425563; } QGroupBox::indicator { "
                   "width: 0px; height:0px;} QGroupBox::indicator:unchecked {width: 0px; height:0px;}");
const QString collapsedStyle =
    QStringLiteral("QGroupBox::title { color: white; background-color: #69899E;} QGroupBox::indicator { "
                   "width: 0px; height:0px;} QGroupBox::indicator:unchecked {width: 0px; height:0px;}");
const QString firmwareLimitTip =
    QStringLiteral("The selected sensor's firmware only supports this trend mode");

QString modeText(int mode)
{
    static const char* const patterns[modeCount] = {"Time %1", "Period %1", "On Time %1", "Off Time %1"};
    return QString::fromLatin1(patterns[mode]).arg(TrendDataSet::modeUnit(mode));
}

QString modeTip(int mode)
{
    static const char* const tips[modeCount] = {
        "Trend time will be constant (independent of pulse readings).",
        "Trend time will be automatically calculated based on the measured pulse period time.",
        "Trend time will be automatically calculated based on the measured pulse ON time.",
        "Trend time will be automatically calculated based on the measured pulse OFF time."};
    return QString::fromLatin1(tips[mode]);
}

// Sensors before firmware 5.7 place a trend only at a fixed time.
bool supportsPulseShareModes(QuvixSensor& sensor)
{
    const int major = sensor.firmwareMajor();
    return major > 5 || (major == 5 && sensor.firmwareMinor() > 6);
}

// A spin box as wide as the longest value its range allows, and `usualWidth`
// where those need less.
void fitToRange(QAbstractSpinBox& box, int usualWidth)
{
    box.setFixedWidth(std::max(usualWidth, box.minimumSizeHint().width()));
}

void showWidgets(std::initializer_list<QWidget*> widgets, bool visible)
{
    for (QWidget* widget : widgets)
        widget->setVisible(visible);
}

} // namespace

pulseTrendScanTab::pulseTrendScanTab(DisplaySettings* settings, QWidget* parent)
    : scanTab(settings, parent)
{
    m_trendCount = 2;
    m_panelReady = false;
    m_rateWidget->hide();
    m_form->scanConfigurationBox->layout()->setContentsMargins(3, 3, 3, 3);

    buildTrendsConfig();
    m_trendsConfigBox->hide();
    m_form->verticalLayout_18->addWidget(m_trendsConfigBox);
    m_averages = new QSpinBox(this);
    m_averages->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_averages->setRange(1, 1000000);
    m_averages->setValue(10);
    fitToRange(*m_averages, averagesWidth);
    m_averages->hide();
    m_averagesLabel = new QLabel(QStringLiteral("Averages"), this);
    m_averagesLabel->hide();
    m_form->verticalLayout_18->addWidget(m_averagesLabel);
    m_form->verticalLayout_18->addWidget(m_averages);

    buildTriggerConfig();
    m_triggerConfigBox->hide();
    m_triggerFrame = new QFrame(m_form->scanConfigurationBox);
    auto* frameLayout = new QVBoxLayout(m_triggerFrame);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    m_form->verticalLayout->removeWidget(m_form->groupBox_66);
    frameLayout->addWidget(m_triggerConfigBox);
    frameLayout->addWidget(m_form->groupBox_66);
    m_form->scanConfigurationBox->layout()->addWidget(m_triggerFrame);

    loadSettings();
    buildTrendSelector();

    // Pulse monitoring is the sensor's own trend of its pulses; this tab
    // records trends at chosen points of the pulse instead.
    withdrawPulseMode();
    m_replot = new ReplotCoalescer(m_plot, this);
    setControlPanelExpanded(false);
}

pulseTrendScanTab::~pulseTrendScanTab()
{
    saveSettings();
}

void pulseTrendScanTab::buildTrendsConfig()
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(5, 10, 5, 5);
    grid->addWidget(new QLabel(QStringLiteral("Value")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Mode")), 0, 3);
    for (int i = 0; i < m_trendCount; ++i) {
        m_appliedTrendModes.append(-1);
        auto* value = new QDoubleSpinBox;
        value->setButtonSymbols(QAbstractSpinBox::NoButtons);
        fitToRange(*value, trendValueWidth);
        auto* unit = new QLabel;
        auto* mode = new QComboBox;
        for (int m = 0; m < modeCount; ++m) {
            mode->addItem(modeText(m));
            mode->setItemData(m, modeTip(m), Qt::ToolTipRole);
        }
        // 65 was narrow enough to cut every mode's unit off.
        mode->setFixedWidth(std::max(65, mode->sizeHint().width()));
        connect(mode, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &pulseTrendScanTab::trendModeChanged);
        grid->addWidget(new QLabel(QString::number(i + 1)), i + 1, 0);
        grid->addWidget(value, i + 1, 1);
        grid->addWidget(unit, i + 1, 2);
        grid->addWidget(mode, i + 1, 3);
        m_trendValueBoxes.append(value);
        m_trendUnitLabels.append(unit);
        m_trendModeBoxes.append(mode);
    }
    m_trendsConfigBox = new QGroupBox(this);
    m_trendsConfigBox->setLayout(grid);
    m_trendsConfigBox->setTitle(QStringLiteral("Trends config"));
    m_trendsConfigBox->setStyleSheet(boxTitleStyle);
}

void pulseTrendScanTab::buildTriggerConfig()
{
    m_internalTrigger = new QCheckBox(QStringLiteral("Internal Trigger"));
    m_externalTrigger = new QCheckBox(QStringLiteral("External Trigger"));
    connect(m_internalTrigger, &QAbstractButton::toggled, this, &pulseTrendScanTab::toggleInternalTrigger);
    // Automatic ids, internal first: -2 and -3, as on the time-resolved tab.
    m_triggerGroup = new QButtonGroup(this);
    m_triggerGroup->addButton(m_internalTrigger);
    m_triggerGroup->addButton(m_externalTrigger);
    m_triggerGroup->setExclusive(true);
    connect(m_triggerGroup, &QButtonGroup::idClicked, this, &pulseTrendScanTab::setTrigger);
    connect(m_triggerGroup, &QButtonGroup::idClicked, this, &pulseTrendScanTab::toggleTrigger);

    m_levelCaption = new QLabel(QStringLiteral("Level"));
    m_peakCaption = new QLabel(QStringLiteral("Peak"));
    m_peakLabel = new QLabel(QStringLiteral("--.-%"));
    // 40 cut the unit of every peak from "10.0 %" on.
    m_peakLabel->setFixedWidth(
        std::max(40, m_peakLabel->fontMetrics().horizontalAdvance(QStringLiteral("100.0 %")) + 2));
    m_levelEdit = new QLineEdit;
    m_levelEdit->setPlaceholderText(QStringLiteral("Auto"));
    m_levelEdit->setToolTip(
        QStringLiteral("Set the trigger level value.\nIf no value is indicated, the level "
                       "will be calculated automatically based of the signal peak."));
    m_levelEdit->setValidator(new EntryDoubleValidator(0, 100, 2, m_levelEdit));
    m_levelEdit->setMaximumWidth(70);
    connect(m_levelEdit, &QLineEdit::editingFinished, this, &pulseTrendScanTab::levelisSet);

    m_pulseFrequency = new QDoubleSpinBox;
    m_pulseFrequency->setDecimals(2);
    m_pulseFrequency->setButtonSymbols(QAbstractSpinBox::NoButtons);
    m_pulseFrequency->setRange(0.01, 100);
    connect(m_pulseFrequency, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &pulseTrendScanTab::pulseFreqChanged);
    m_autoPulseFrequency = new QCheckBox(QStringLiteral("Auto"));
    connect(m_autoPulseFrequency, &QAbstractButton::toggled, this,
            &pulseTrendScanTab::autoPulseFrequencyToggled);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(5, 10, 5, 5);
    grid->addWidget(m_internalTrigger, 0, 0, 1, 3);
    grid->addWidget(m_levelCaption, 1, 0);
    grid->addWidget(m_peakCaption, 1, 1);
    grid->addWidget(m_levelEdit, 2, 0);
    grid->addWidget(m_peakLabel, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Pulse Frequency")), 3, 0, 1, 3);
    grid->addWidget(m_pulseFrequency, 4, 0);
    grid->addWidget(new QLabel(QStringLiteral("[kHz]")), 4, 1);
    grid->addWidget(m_autoPulseFrequency, 4, 2);
    grid->addWidget(m_externalTrigger, 5, 0, 1, 3);
    m_triggerConfigBox = new QGroupBox(this);
    m_triggerConfigBox->setLayout(grid);
    m_triggerConfigBox->setTitle(QStringLiteral("Trigger config"));
    m_triggerConfigBox->setStyleSheet(boxTitleStyle);
    m_triggerConfigBox->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
}

void pulseTrendScanTab::buildTrendSelector()
{
    m_trendGroup = new QButtonGroup(this);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(5, 0, 5, 5);
    row->setAlignment(Qt::AlignCenter);
    for (int i = 0; i < m_trendCount; ++i) {
        auto* button = new QRadioButton(QStringLiteral("Trend %1").arg(i + 1));
        button->setCheckable(true);
        button->setChecked(i == 0);
        button->setEnabled(i == 0);
        row->addWidget(button);
        m_trendGroup->addButton(button, i);
        m_trendButtons.append(button);
    }
    m_trendGroup->setExclusive(true);
    m_trendSelectorBox = new QGroupBox(this);
    m_trendSelectorBox->setLayout(row);
    m_form->verticalLayout_2->insertWidget(0, m_trendSelectorBox);
    m_form->verticalLayout_2->setSpacing(1);
}

// --- Trend modes, pulse frequency and trigger ---

double pulseTrendScanTab::pulsePeriod() const
{
    const double frequency = m_pulseFrequency->value();
    return frequency > 0.0 ? 1000.0 / frequency : 0.0;
}

void pulseTrendScanTab::trendModeChanged(int)
{
    const int trend = m_trendModeBoxes.indexOf(qobject_cast<QComboBox*>(sender()));
    if (trend >= 0)
        applyTrendMode(trend);
}

void pulseTrendScanTab::applyTrendMode(int trend)
{
    if (trend < 0 || trend >= m_trendModeBoxes.size())
        return;
    const int mode = m_trendModeBoxes[trend]->currentIndex();
    const int previous = m_appliedTrendModes[trend];
    // Among the shares of the pulse a value means the same percentage.
    if (previous != -1 && (previous == mode || (previous != 0 && mode != 0)))
        return;
    m_appliedTrendModes[trend] = mode;
    const double period = pulsePeriod();
    QDoubleSpinBox* valueBox = m_trendValueBoxes[trend];
    const double current = valueBox->value();
    int decimals = 1;
    double maximum = 100.0;
    double converted = period > 0.0 ? current * 100.0 / period : 0.0;
    if (mode == 0) {
        decimals = 0;
        maximum = std::trunc(period);
        converted = period * current / 100.0;
    }
    valueBox->setDecimals(decimals);
    valueBox->setRange(0.0, maximum);
    valueBox->setValue(converted);
    fitToRange(*valueBox, trendValueWidth);
    m_trendUnitLabels[trend]->setText(TrendDataSet::modeUnit(mode));
}

void pulseTrendScanTab::pulseFreqChanged(double freq)
{
    if (freq <= 0.0)
        return;
    const double period = 1000.0 / freq;
    for (int i = 0; i < m_trendModeBoxes.size(); ++i) {
        if (m_trendModeBoxes[i]->currentIndex() == 0) {
            m_trendValueBoxes[i]->setRange(0.0, period);
            fitToRange(*m_trendValueBoxes[i], trendValueWidth);
        }
    }
    // Into the other tab's edit, which reads the user's locale.
    emit freqSet(NumberField::text(freq, 'g', 6));
}

void pulseTrendScanTab::autoPulseFrequencyToggled(bool on)
{
    m_pulseFrequency->blockSignals(on);
    m_pulseFrequency->setEnabled(!on);
    if (!on)
        pulseFreqChanged(m_pulseFrequency->value());
}

void pulseTrendScanTab::toggleTrigger(int id)
{
    if (QAbstractButton* box = m_triggerGroup->button(id))
        box->setChecked(true);
    enableTriggerEntries();
}

void pulseTrendScanTab::toggleInternalTrigger(bool on)
{
    m_levelEdit->setEnabled(on);
    m_pulseFrequency->setEnabled(on);
}

void pulseTrendScanTab::enableTriggerEntries()
{
    toggleInternalTrigger(m_internalTrigger->isChecked());
}

NumberField pulseTrendScanTab::levelField() const
{
    return NumberField(*m_levelEdit, QStringLiteral("Level"), QStringLiteral("%"),
                       NumberField::Empty::Allowed);
}

void pulseTrendScanTab::levelisSet()
{
    emit levelSet(m_levelEdit->text());
}

// --- Settings ---

void pulseTrendScanTab::loadSettings()
{
    scanTab::loadSettings();
    QSettings settings;
    settings.beginGroup(groupName);
    m_levelEdit->setText(NumberField::shownText(
        settings.value(QStringLiteral("m_levelValue"), QString()).toString(), *m_levelEdit));
    m_pulseFrequency->setValue(settings.value(QStringLiteral("m_pulseFrequency"), 10.0).toDouble());
    const bool internal = settings.value(QStringLiteral("m_internalTrigger"), true).toBool();
    (internal ? m_internalTrigger : m_externalTrigger)->setChecked(true);
    enableTriggerEntries();
    for (int i = 0; i < m_trendCount; ++i) {
        int mode = settings.value(QStringLiteral("trendMode_%1").arg(i), 0).toInt();
        if (mode < 0 || mode >= modeCount)
            mode = 0;
        m_trendModeBoxes[i]->setCurrentIndex(mode);
        applyTrendMode(i);
        m_trendValueBoxes[i]->setValue(
            settings.value(QStringLiteral("trendValue_%1").arg(i), 0.0).toDouble());
    }
}

void pulseTrendScanTab::saveSettings() const
{
    scanTab::saveSettings();
    QSettings settings;
    settings.beginGroup(groupName);
    for (int i = 0; i < m_trendCount; ++i) {
        settings.setValue(QStringLiteral("trendMode_%1").arg(i), m_trendModeBoxes[i]->currentIndex());
        settings.setValue(QStringLiteral("trendValue_%1").arg(i), m_trendValueBoxes[i]->value());
    }
    // A level the field would not take is not kept; the one kept before stays.
    if (const std::optional<QString> level = levelField().storedText())
        settings.setValue(QStringLiteral("m_levelValue"), *level);
    settings.setValue(QStringLiteral("m_pulseFrequency"), m_pulseFrequency->value());
    settings.setValue(QStringLiteral("m_internalTrigger"), m_internalTrigger->isChecked());
}

// --- Sensor and panel ---

void pulseTrendScanTab::setActiveSensor(QuvixSensor* sensor)
{
    scanTab::setActiveSensor(sensor);
    showWidgets({m_trendsConfigBox, m_averagesLabel, m_averages}, true);
    m_rateWidget->hide();
    if (m_activeSensor) {
        const bool ionFlux = m_activeSensor->sensorType() == 3;
        m_form->enableIonFlux->setEnabled(ionFlux);
        if (!ionFlux)
            m_form->enableIonFlux->setChecked(false);
    }
    showParamViewBox(m_form->paramViewBox->isChecked());
    showScanConfiguration(m_form->scanConfigurationBox->isChecked());
    showScanControl(m_form->scanControlBox->isChecked());
    showSensorConfig(m_form->sensorConfigBox->isChecked());
    if (sensor)
        applyFirmwareLimit(*sensor);
}

void pulseTrendScanTab::applyFirmwareLimit(QuvixSensor& sensor)
{
    const bool free = supportsPulseShareModes(sensor);
    for (QComboBox* box : qAsConst(m_trendModeBoxes)) {
        if (!free)
            box->setCurrentIndex(0); // converts the value through applyTrendMode
        box->setEnabled(free);
        box->setToolTip(free ? QString() : firmwareLimitTip);
    }
}

void pulseTrendScanTab::updateSensorList(QList<QuvixSensor*>& sensors)
{
    scanTab::updateSensorList(sensors);
    if (!sensors.isEmpty()) {
        m_triggerConfigBox->show();
        m_panelReady = true;
        setControlPanelExpanded(true);
        return;
    }
    showWidgets({m_trendsConfigBox, m_averagesLabel, m_averages}, false);
    setControlPanelExpanded(false);
    m_panelReady = true;
}

bool pulseTrendScanTab::showsSection(bool checked) const
{
    return checked && m_activeSensor != nullptr;
}

void pulseTrendScanTab::showScanConfiguration(bool checked)
{
    const bool show = showsSection(checked);
    showWidgets({m_triggerFrame, m_form->groupBox_66, m_form->label_17, m_form->scanDuration, m_form->label_4,
                 m_trendsConfigBox, m_triggerConfigBox, m_averagesLabel, m_averages},
                show);
    m_rateWidget->hide();
    m_form->scanConfigurationBox->setStyleSheet(checked ? expandedStyle : collapsedStyle);
    m_form->scanConfigurationBox->setMaximumSize(show ? QSize(500, 300) : QSize(150, 50));
    if (m_activeSensor) {
        const bool ionFlux = m_activeSensor->sensorType() == 3;
        m_form->enableIonFlux->setEnabled(ionFlux);
        if (!ionFlux)
            m_form->enableIonFlux->setChecked(false);
    }
}

void pulseTrendScanTab::showScanControl(bool checked)
{
    const bool show = showsSection(checked);
    showWidgets({m_form->startScan, m_form->stopScan, m_form->label_12, m_form->waferLot, m_form->label_13,
                 m_form->waferNumber, m_form->saveScan, m_form->autosave, m_form->line},
                show);
    m_form->autostartAdvanced->hide();
    m_form->scanControlBox->setStyleSheet(checked ? expandedStyle : collapsedStyle);
    m_form->scanControlBox->setMaximumSize(show ? QSize(250, 300) : QSize(80, 50));
}

void pulseTrendScanTab::showParamViewBox(bool checked)
{
    const bool show = showsSection(checked);
    if (m_trendSelectorBox)
        m_trendSelectorBox->setVisible(show);
    scanTab::showParamViewBox(checked);
    // The base shows every part of the box; the trend choice needs a sensor.
    if (m_trendSelectorBox)
        m_trendSelectorBox->setVisible(show);
    m_form->waveView->hide();
}

void pulseTrendScanTab::setControlPanelExpanded(bool expanded)
{
    m_panelExpanded = expanded;
    showWidgets({m_form->label, m_form->barView, m_form->smithView, m_form->meterView}, m_panelReady);
    m_form->waveView->hide();
    m_form->paramViewBox->setMaximumSize(m_panelReady ? expandedParameterViewSize() : QSize(130, 50));

    showWidgets({m_form->startScan, m_form->stopScan, m_form->label_12, m_form->label_13, m_form->waferLot,
                 m_form->waferNumber, m_form->saveScan, m_form->autosave, m_form->line},
                expanded);
    m_form->autostartAdvanced->hide();
    m_form->scanControlBox->setMaximumSize(expanded ? QSize(250, 300) : QSize(130, 50));

    showWidgets({m_form->label_14, m_form->sensorList, m_form->sensorConfigIdentifierLabel,
                 m_form->groupBox_8, m_form->innerSensorConfigBox},
                expanded);
    m_form->sensorConfigBox->setMaximumSize(expanded ? QSize(250, 300) : QSize(130, 50));

    showWidgets(
        {m_triggerFrame, m_form->groupBox_66, m_form->label_17, m_form->scanDuration, m_form->label_4},
        expanded);
    m_rateWidget->hide();
    m_form->scanConfigurationBox->setMaximumSize(expanded ? QSize(500, 300) : QSize(130, 50));
    showWidgets({m_trendsConfigBox, m_triggerConfigBox, m_averagesLabel, m_averages}, expanded);

    showParamViewBox(m_form->paramViewBox->isChecked());
    showScanConfiguration(m_form->scanConfigurationBox->isChecked());
    showScanControl(m_form->scanControlBox->isChecked());
    showSensorConfig(m_form->sensorConfigBox->isChecked());
}
