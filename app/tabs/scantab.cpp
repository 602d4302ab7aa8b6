#include "app/tabs/scantab.h"

#include "app/dialogs/displaysettings.h"
#include "app/entryvalidator.h"
#include "app/filetaskqueue.h"
#include "app/tabs/meterrows.h"
#include "app/numberfield.h"
#include "app/tabs/sectionwidthguard.h"
#include "app/tabs/windowclosewatcher.h"
#include "app/windowfilenameprompt.h"
#include "scans/cwscan.h"
#include "scans/processvalues.h"
#include "scans/scanfilenames.h"
#include "scans/scanfiletask.h"
#include "scans/scanhandler.h"
#include "scans/scanhold.h"
#include "scans/scaninuse.h"
#include "scans/scanlog.h"
#include "sensors/quvixsensor.h"
#include "ui_scantab.h"
#include "views/acquisitionplot.h"
#include "views/barchart.h"
#include "views/frequencygrid.h"
#include "views/replotcoalescer.h"
#include "views/sampleratewidget.h"
#include "views/smithchartdialog.h"
#include "views/userquestions.h"
#include "views/waveform.h"

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_legenditem.h>
#include <qwt_plot_zoomer.h>

#include <QButtonGroup>
#include <QDebug>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace {

constexpr int meterCount = 8;
constexpr int meterFlagCount = 17;
const QString expandedColour = QStringLiteral("#425563");
const QString collapsedColour = QStringLiteral("#69899E");

bool firmwareHasPulse(QuvixSensor& sensor)
{
    const int major = sensor.firmwareMajor();
    return major > 5 || (major == 5 && sensor.firmwareMinor() >= 12);
}

} // namespace

QString frequencyText(double megahertz, bool wholeKilohertz)
{
    const float value = static_cast<float>(megahertz);
    if (value >= 1.0f)
        return QStringLiteral("%1 MHz").arg(QString::number(value, 'g', 4));
    if (wholeKilohertz)
        return QStringLiteral("%1 kHz").arg(static_cast<int>(value * 1000));
    return QStringLiteral("%1 kHz").arg(QString::number(value * 1000.0, 'g', 6));
}

scanTab::scanTab(DisplaySettings* settings, QWidget* parent)
    : QWidget(parent)
    , m_form(new Ui_scanTab)
    , m_displaySettings(settings)
    , m_plot(new AcquisitionPlot)
    , m_frequencyButtons(new QButtonGroup(this))
    , m_meterButtons(new QButtonGroup(this))
    , m_activityTimer(new QTimer(this))
{
    m_form->setupUi(this);
    buildPlot();
    m_replot = new ReplotCoalescer(m_plot, this);
    fixMeterSizes();

    m_form->thresholdSpin->hide();
    m_form->thresholdLabel->hide();
    m_form->trimLabel->hide();
    m_form->trimSpin->hide();
    m_meterButtons->setExclusive(false);
    for (int i = 0; i < meterCount; ++i) {
        m_meterButtons->addButton(meterCheckBox(i), i);
        meterCheckBox(i)->hide();
    }

    m_rateWidget = new SampleRateWidget(this);
    m_form->verticalLayout_18->addWidget(m_rateWidget);
    m_harmonicBox = new QGroupBox(this);
    auto* gridLayout = new QVBoxLayout(m_harmonicBox);
    m_frequencyGrid =
        new FrequencyGrid(static_cast<valueType>(5), m_curveRecords, 0, QString(), m_harmonicBox);
    gridLayout->addWidget(m_frequencyGrid);

    m_form->scanDuration->setValidator(new EntryDoubleValidator(0, 3600, 2, this));
    for (QLineEdit* edit : {m_form->ifEArea, m_form->ifResistance, m_form->ifVoltDrop})
        edit->setValidator(new EntryDoubleValidator(-1000000, 1000000, 3, this));

    m_barChart = new barchart;
    m_smithDialog = new SmithChartDialog;
    connect(m_barChart, &barchart::workDone, this, &scanTab::barClosed);
    connect(m_smithDialog, &SmithChartDialog::workDone, this, &scanTab::smithClosed);
    m_smithDialog->setPointMarkers(true);
    m_activityTimer->setSingleShot(true);
    m_activityTimer->setInterval(300);
    connect(m_activityTimer, &QTimer::timeout, this, &scanTab::activityTimer);

    m_harmonicBox->setTitle(QStringLiteral("Harmonic Selection"));
    m_harmonicBox->hide();

    const Qt::WindowFlags floating = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                     Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
    m_meterWindow = new QWidget(this, floating);
    m_meterWindow->setWindowTitle(QStringLiteral("Meter View"));
    m_meterWindow->setStyleSheet(QStringLiteral("background-color:white;padding : 3 3px;"));
    m_meterRows = new MeterRows(m_meterWindow);
    m_waveWindow = new waveForm(this);
    m_waveWindow->setWindowFlags(floating);
    m_waveWindow->setWindowTitle(QStringLiteral("Waveform"));
    connect(new WindowCloseWatcher(m_meterWindow), &WindowCloseWatcher::closed, this, &scanTab::meterClosed);
    connect(new WindowCloseWatcher(m_waveWindow), &WindowCloseWatcher::closed, this,
            &scanTab::waveformClosed);
    m_harmonicBox->move(450, 250);

    m_zoomer = new QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, m_plot->canvas(), true);
    m_zoomer->setRubberBandPen(QPen(Qt::darkGreen, 1, Qt::SolidLine));
    m_zoomer->setTrackerMode(QwtPicker::ActiveOnly);
    m_zoomer->setEnabled(true);
    // Right steps out one zoom, Control+right goes back to the whole data;
    // the middle button does nothing here.
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton, Qt::ControlModifier);
    m_zoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton);
    connectForm();

    loadSettings();
    m_form->enableIonFlux->click();
    QList<QuvixSensor*> none;
    updateSensorList(none);
    updateMeterView();

    m_form->paramViewBox->setMinimumSize(130, 50);
    m_form->sensorConfigBox->setMinimumSize(160, 50);
    m_form->scanControlBox->setMinimumSize(80, 50);
    m_form->scanConfigurationBox->setMinimumSize(150, 50);
    setControlPanelExpanded(false);
    for (QGroupBox* box : {m_form->sensorConfigBox, m_form->scanConfigurationBox, m_form->scanControlBox,
                           m_form->paramViewBox}) {
        const QSignalBlocker quiet(box);
        box->setChecked(true);
        setSectionStyle(box, true);
    }
    m_form->paramViewBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* widthGuard = new SectionWidthGuard(this);
    for (QGroupBox* box :
         {m_form->groupBox_66, m_form->sensorConfigBox, m_form->scanConfigurationBox, m_form->scanControlBox})
        widthGuard->watch(box);
    connect(widthGuard, &SectionWidthGuard::sectionFitted, this, [this] { shareWidthWithParameterView(); });

    m_form->scanDuration->setPlaceholderText(QStringLiteral("∞"));
    m_form->scanDuration->setToolTip(
        QStringLiteral("Set the scan duration in seconds.\r\nIf no duration is indicated, the scan will run "
                       "indefinitely until the scan is manually stopped."));
    m_form->trimSpin->setToolTip(QStringLiteral(
        "Sets the amount of microseconds to trim off both sides of the pulse. This is useful when "
        "your pulse has a slow rising edge, causing noise in Pulse Monitor Mode."));
    m_form->thresholdSpin->setToolTip(
        QStringLiteral("Sets a % threshold value for triggering on a pulse, a lower value will be more "
                       "susceptible to noise."));
}

scanTab::~scanTab()
{
    saveSettings();
    setCurrentScan(nullptr);
    // The dialogs announce their end when destroyed; nobody is left to hear it.
    disconnect(m_smithDialog, nullptr, this, nullptr);
    disconnect(m_barChart, nullptr, this, nullptr);
    delete m_smithDialog;
    delete m_barChart;
    removeAllCurves();
    delete m_plot;
    delete m_form;
}

void scanTab::buildPlot()
{
    m_form->dispLayout->addWidget(m_plot);
    m_plot->setMinimumSize(10, 10);
    m_plot->setAxisTitle(QwtPlot::xBottom, QStringLiteral("Time (s)"));
    m_plot->setAxisTitle(QwtPlot::yLeft, QStringLiteral("Measurements"));

    auto* grid = new QwtPlotGrid;
    grid->enableXMin(true);
    grid->enableYMin(true);
    grid->setMajorPen(QPen(QColor(150, 150, 150), 0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    grid->setMinorPen(QPen(QColor(230, 230, 230)));
    grid->attach(m_plot);

    auto* legend = new QwtPlotLegendItem;
    legend->setBorderPen(QPen(Qt::black));
    QColor background(Qt::gray);
    background.setAlpha(200);
    legend->setBackgroundBrush(background);
    legend->setAlignment(Qt::AlignBottom | Qt::AlignRight);
    legend->setBorderRadius(8);
    legend->setMargin(4);
    legend->setSpacing(2);
    legend->setItemMargin(0);
    legend->setMaxColumns(1);
    legend->setRenderHint(QwtPlotItem::RenderAntialiased);
    legend->attach(m_plot);
}

// The form's fixed widths cut values and names off; the grid is fitted to
// them instead (fitMeterGrid).
void scanTab::fixMeterSizes()
{
    for (int i = 0; i < meterCount; ++i) {
        for (QWidget* slot :
             {static_cast<QWidget*>(meterLabel(i)), static_cast<QWidget*>(meterCheckBox(i))}) {
            slot->setMinimumWidth(0);
            slot->setMaximumWidth(QWIDGETSIZE_MAX);
        }
    }
}

void scanTab::connectForm()
{
    connect(m_meterButtons, qOverload<int>(&QButtonGroup::buttonClicked), this, &scanTab::viewHarmonicWidget);
    connect(m_form->setSensorNick, &QPushButton::clicked, this, &scanTab::setSensorNickname);
    connect(m_frequencyButtons, qOverload<int>(&QButtonGroup::buttonClicked), this,
            &scanTab::dispFrequencyChanged);
    connect(m_zoomer, &QwtPlotZoomer::zoomed, this, &scanTab::CheckZoom);
    connect(m_form->sensorList, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &scanTab::sensorListSelected);
    connect(m_form->startScan, &QPushButton::clicked, this, &scanTab::startScan);
    connect(m_form->stopScan, &QPushButton::clicked, this, &scanTab::stopScan);
    for (QRadioButton* radio : {m_form->iLock, m_form->vLock, m_form->VIAutoLock})
        connect(radio, &QRadioButton::clicked, this, &scanTab::setSignalLock);
    connect(m_form->smithView, &QAbstractButton::toggled, this, &scanTab::toggleSmith);
    connect(m_form->waveView, &QAbstractButton::toggled, this, &scanTab::toggleWaveform);
    connect(m_form->barView, &QAbstractButton::toggled, this, &scanTab::toggleBar);
    connect(m_form->meterView, &QAbstractButton::toggled, this, &scanTab::toggleMonitor);
    connect(m_form->saveScan, &QPushButton::clicked, this, &scanTab::saveScan);
    for (QLineEdit* edit : {m_form->ifEArea, m_form->ifResistance, m_form->ifVoltDrop})
        connect(edit, &QLineEdit::textChanged, this, &scanTab::updateIFFactors);
    connect(m_form->thresholdSpin, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
            &scanTab::updatePulseConfig);
    connect(m_form->trimSpin, qOverload<int>(&QSpinBox::valueChanged), this, &scanTab::updatePulseConfig);
    connect(m_form->enableIonFlux, &QAbstractButton::toggled, this, &scanTab::toggleIF);
    connect(m_form->enablePulse, &QAbstractButton::toggled, this, &scanTab::togglePulse);
    connect(m_form->resetEnergyBtn, &QPushButton::clicked, this, &scanTab::resetEnergy);
    connect(m_form->autostartAdvanced, &QPushButton::clicked, this, &scanTab::autoStartConfiguration);
    connect(m_form->autosave, &QAbstractButton::clicked, this, &scanTab::setAutosave);
    connect(m_form->sensorConfigBox, &QGroupBox::toggled, this, &scanTab::showSensorConfig);
    connect(m_form->scanConfigurationBox, &QGroupBox::toggled, this, &scanTab::showScanConfiguration);
    connect(m_form->scanControlBox, &QGroupBox::toggled, this, &scanTab::showScanControl);
    connect(m_form->paramViewBox, &QGroupBox::toggled, this, &scanTab::showParamViewBox);
}

// --- Plain members of the main window ---

void scanTab::setAutosaveConfig(bool on, QString folder, QString title)
{
    m_form->autosave->setChecked(on);
    m_autosaveFolder = std::move(folder);
    m_autosaveTitle = std::move(title);
}

bool scanTab::isAutosaveOn() const
{
    return m_form->autosave->isChecked();
}

void scanTab::updateSensorCheckState()
{
    auto* sensor = m_form->sensorList->currentData().value<QuvixSensor*>();
    if (sensor && sensor->pulseMonitorMode() > 0)
        m_form->enablePulse->setChecked(true);
}

QCheckBox* scanTab::meterCheckBox(int i) const
{
    const QList<QCheckBox*> boxes = {m_form->cbmeter_1, m_form->cbmeter_2, m_form->cbmeter_3,
                                     m_form->cbmeter_4, m_form->cbmeter_5, m_form->cbmeter_6,
                                     m_form->cbmeter_7, m_form->cbmeter_8};
    return boxes.value(i);
}

QLabel* scanTab::meterLabel(int i) const
{
    const QList<QLabel*> labels = {m_form->lbmeter_1, m_form->lbmeter_2, m_form->lbmeter_3,
                                   m_form->lbmeter_4, m_form->lbmeter_5, m_form->lbmeter_6,
                                   m_form->lbmeter_7, m_form->lbmeter_8};
    return labels.value(i);
}

// --- Sensor choice ---

void scanTab::updateSensorList(QList<QuvixSensor*>& sensors)
{
    m_form->sensorList->clear();
    m_activeSensor = nullptr;
    for (QWidget* button :
         {static_cast<QWidget*>(m_form->stopScan), static_cast<QWidget*>(m_form->startScan),
          static_cast<QWidget*>(m_form->autostartAdvanced), static_cast<QWidget*>(m_form->resetEnergyBtn)})
        button->setEnabled(false);
    for (QuvixSensor* sensor : sensors)
        m_form->sensorList->addItem(sensor->displayName(), QVariant::fromValue(sensor));
    setControlPanelExpanded(!sensors.isEmpty());
}

void scanTab::sensorListSelected(int index)
{
    if (index < 0) {
        if (m_activeSensor) {
            disconnect(m_activeSensor, nullptr, this, nullptr);
            // A scan this tab runs there still ends here, however it ends:
            // the sensor may leave the list long before its scan finishes.
            if (m_scanRunning && m_currentScan && m_currentScan->sensor == m_activeSensor)
                connect(m_activeSensor, &QuvixSensor::ScanComplete, this, &scanTab::scanComplete,
                        Qt::UniqueConnection);
        }
        clearFrequencyControls();
        return;
    }
    auto* sensor = m_form->sensorList->itemData(index).value<QuvixSensor*>();
    if (!sensor)
        return;
    setActiveSensor(sensor);
    updateSensorCheckState();
    refreshMeterChecks();
}

void scanTab::checkActivity(bool active)
{
    Q_UNUSED(active);
    sensorListSelected(m_form->sensorList->currentIndex());
}

void scanTab::clearFrequencyControls()
{
    qDeleteAll(m_harmonicLabels);
    qDeleteAll(m_harmonicCombos);
    m_harmonicLabels.clear();
    m_harmonicCombos.clear();
    delete m_frequencyCombo;
    m_frequencyCombo = nullptr;
    qDeleteAll(m_frequencyButtons->buttons());
    delete m_frequencyButtons;
    m_frequencyButtons = new QButtonGroup(this);
    m_frequencyButtons->setExclusive(true);
}

void scanTab::setActiveSensor(QuvixSensor* sensor)
{
    if (!sensor)
        return;
    m_harmonicBox->hide();
    clearFrequencyControls();
    m_form->startScan->setEnabled(true);
    m_form->resetEnergyBtn->setEnabled(true);

    if (m_activeSensor && m_activeSensor != sensor)
        disconnect(m_activeSensor, &QuvixSensor::configUpdated, this, &scanTab::sensorReconfigured);
    connect(sensor, &QuvixSensor::configUpdated, this, &scanTab::sensorReconfigured, Qt::UniqueConnection);
    m_activeSensor = sensor;

    m_rateWidget->setEnabled(!sensor->isMeasuring());
    bindRates(*sensor);
    m_harmonicFlags.assign(sensor->frequencies().size(), std::vector<bool>(meterFlagCount, false));
    bindLock(*sensor);
    m_form->sensorList->setItemText(m_form->sensorList->currentIndex(), sensor->displayName());
    buildFrequencyControls(*sensor);
    buildFrequencyButtons(*sensor, false);
    applyScanState(*sensor);

    const int type = sensor->sensorType();
    m_form->waveView->setEnabled(type == 3);
    m_form->barView->setEnabled(type >= 1 && type <= 3);
    feedViewsAgain(*sensor);
    applySections();
}

void scanTab::bindRates(QuvixSensor& sensor)
{
    const bool pulse = firmwareHasPulse(sensor);
    m_form->enablePulse->setVisible(pulse && m_pulseModeOffered);
    if (sensor.connectionKind() == 1)
        m_rateWidget->loadNetworkRates();
    else if (pulse)
        m_rateWidget->loadFullRates();
    else
        m_rateWidget->loadShortRates();
    m_rateWidget->setRate(sensor.reportRate());
}

void scanTab::bindLock(QuvixSensor& sensor)
{
    const int mode = sensor.voltageLock();
    if (mode == 1)
        m_form->iLock->setChecked(true);
    else if (mode == 2)
        m_form->VIAutoLock->setChecked(true);
    else
        m_form->vLock->setChecked(true);
    m_form->VIAutoLock->setEnabled(sensor.hasRecentFirmware());
}

void scanTab::buildFrequencyControls(QuvixSensor& sensor)
{
    const QVector<double>& frequencies = sensor.frequencies();
    if (sensor.isMultiFrequency()) {
        m_form->sensorConfigIdentifierLabel->setText(QStringLiteral("Number Of Harmonics"));
        if (frequencies.isEmpty()) {
            auto* label = new QLabel(QStringLiteral("N/A"), this);
            m_form->left->addRow(label);
            m_harmonicLabels.append(label);
            return;
        }
        for (int i = 0; i < frequencies.size(); ++i) {
            auto* label = new QLabel(frequencyText(frequencies[i]), this);
            auto* combo = new QComboBox(this);
            combo->setFixedWidth(45);
            for (int n = 0; n <= sensor.availableHarmonics().value(i); ++n)
                combo->addItem(QString::number(n), n);
            combo->setCurrentIndex(sensor.selectedHarmonics().value(i));
            connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this, &scanTab::configureSensor);
            m_form->left->addRow(label, combo);
            m_harmonicLabels.append(label);
            m_harmonicCombos.append(combo);
        }
        return;
    }
    m_form->sensorConfigIdentifierLabel->setText(QStringLiteral("Frequency"));
    m_frequencyCombo = new QComboBox(this);
    m_frequencyCombo->setMaximumWidth(200);
    m_form->freqSelectLayout->addWidget(m_frequencyCombo, 0, Qt::AlignHCenter);
    if (frequencies.isEmpty()) {
        m_frequencyCombo->addItem(QStringLiteral("N/A"));
        m_frequencyCombo->setEnabled(false);
        return;
    }
    int current = -1;
    for (int i = 0; i < frequencies.size(); ++i) {
        m_frequencyCombo->addItem(frequencyText(frequencies[i]));
        if (sensor.selectedHarmonics().value(i) != 0)
            current = i;
    }
    // Connected only once filled and set, so that binding sends nothing.
    m_frequencyCombo->setCurrentIndex(current);
    connect(m_frequencyCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &scanTab::configureSensor);
}

void scanTab::buildFrequencyButtons(QuvixSensor& sensor, bool wholeKilohertz)
{
    for (int i = 0; i < sensor.enabledFrequencyCount(); ++i) {
        auto* button = new QPushButton(frequencyText(sensor.enabledFrequency(i), wholeKilohertz), this);
        button->setCheckable(true);
        m_frequencyButtons->addButton(button, i);
        m_form->frequencyLayout->addWidget(button);
        if (i == 0)
            button->setChecked(true);
    }
    // The checked button is the one new curves and the meters follow.
    m_displayedFrequency = 0;
    connect(m_frequencyButtons, qOverload<int>(&QButtonGroup::buttonClicked), this,
            &scanTab::dispFrequencyChanged, Qt::UniqueConnection);
}

void scanTab::applyScanState(QuvixSensor& sensor)
{
    const bool idle = sensor.scanState() == 0;
    m_form->startScan->setEnabled(idle);
    m_form->autostartAdvanced->setEnabled(idle);
    m_form->resetEnergyBtn->setEnabled(idle);
    m_form->stopScan->setEnabled(!idle);
    if (!idle) {
        for (QComboBox* combo : m_harmonicCombos)
            combo->setEnabled(false);
    }
}

void scanTab::feedViewsAgain(QuvixSensor& sensor)
{
    m_smithDialog->clearScans();
    m_waveWindow->clear();
    m_barChart->clear();
    BaseScan* scan = sensor.currentScan();
    for (CurveRecord* record : qAsConst(m_curveRecords)) {
        if (record->sensor != &sensor)
            continue;
        if (scan) {
            m_smithDialog->addScan(scan);
            m_waveWindow->addScan(scan);
            m_barChart->addScan(scan);
        }
        if (record->firstCurve)
            record->firstCurve->attach(m_plot);
        // The shown meter slot whose quantity the record draws, if any.
        for (int slot = 0; slot < m_meterIds.size(); ++slot) {
            if (curveShowsParameter(record->type, m_meterIds.at(slot))) {
                meterCheckBox(slot)->setChecked(true);
                break;
            }
        }
    }
}

void scanTab::sensorReconfigured()
{
    if (!m_activeSensor)
        return;
    QuvixSensor& sensor = *m_activeSensor;
    m_form->sensorList->setItemText(m_form->sensorList->currentIndex(), sensor.displayName());
    for (int i = 0; i < m_harmonicCombos.size(); ++i) {
        const QSignalBlocker quiet(m_harmonicCombos[i]);
        m_harmonicCombos[i]->setCurrentIndex(sensor.selectedHarmonics().value(i));
    }
    if (m_frequencyCombo && m_frequencyCombo->isEnabled()) {
        int current = -1;
        for (int i = 0; i < sensor.selectedHarmonics().size(); ++i)
            if (sensor.selectedHarmonics()[i] != 0)
                current = i;
        const QSignalBlocker quiet(m_frequencyCombo);
        m_frequencyCombo->setCurrentIndex(current);
    }
    qDeleteAll(m_frequencyButtons->buttons());
    buildFrequencyButtons(sensor, true);
    refreshMeterChecks();
    refitMeterGrid();
}

void scanTab::restoreCombo(QComboBox* combo)
{
    if (!combo || !m_activeSensor)
        return;
    const QSignalBlocker quiet(combo);
    if (combo == m_frequencyCombo) {
        int current = -1;
        for (int i = 0; i < m_activeSensor->selectedHarmonics().size(); ++i)
            if (m_activeSensor->selectedHarmonics()[i] != 0)
                current = i;
        combo->setCurrentIndex(current);
        return;
    }
    combo->setCurrentIndex(m_activeSensor->selectedHarmonics().value(m_harmonicCombos.indexOf(combo)));
}

void scanTab::configureSensor()
{
    if (!m_activeSensor)
        return;
    auto* sender = qobject_cast<QComboBox*>(QObject::sender());
    const int count = m_activeSensor->frequencies().size();
    QVector<int> selection(count, 0);
    if (!m_activeSensor->isMultiFrequency()) {
        const int chosen = m_frequencyCombo ? m_frequencyCombo->currentIndex() : -1;
        if (chosen < 0 || chosen >= count)
            return;
        selection[chosen] = 1;
    } else {
        int total = 0;
        for (int i = 0; i < m_harmonicCombos.size() && i < count; ++i) {
            selection[i] = m_harmonicCombos[i]->currentIndex();
            total += selection[i];
        }
        const int allowed = m_activeSensor->allowedHarmonics();
        if (total == 0 || total > allowed) {
            QMessageBox::warning(this, QStringLiteral("Invalid Configuration"),
                                 QStringLiteral("Invalid configuration selected\nSensor can only activate "
                                                "between 1 and %1 frequencies at the same time")
                                     .arg(allowed));
            restoreCombo(sender);
            return;
        }
    }
    if (!m_activeSensor->setSelectedHarmonics(selection)) {
        QMessageBox::warning(
            this, QStringLiteral("Configuration failed"),
            QStringLiteral("Configuration was not successful, please check and or try again."));
        restoreCombo(sender);
    }
    m_plot->replot();
}

void scanTab::setSignalLock()
{
    if (!m_activeSensor)
        return;
    int mode = 1;
    if (m_form->VIAutoLock->isChecked())
        mode = 2;
    else if (m_form->vLock->isChecked())
        mode = 0;
    m_activeSensor->setVoltageLock(mode);
    m_lockMode = mode;
}

void scanTab::updatePulseConfig()
{
    if (m_activeSensor)
        m_activeSensor->setPMMConfig(m_form->thresholdSpin->value(), m_form->trimSpin->value());
}

void scanTab::togglePulse(bool on)
{
    for (QWidget* widget :
         {static_cast<QWidget*>(m_form->thresholdSpin), static_cast<QWidget*>(m_form->thresholdLabel),
          static_cast<QWidget*>(m_form->trimLabel), static_cast<QWidget*>(m_form->trimSpin)})
        widget->setVisible(on && m_pulseModeOffered);
}

void scanTab::withdrawPulseMode()
{
    m_pulseModeOffered = false;
    m_form->enablePulse->hide();
    togglePulse(false);
}

void scanTab::toggleIF(bool on)
{
    // Each row: its name, its edit and its unit.
    const QList<QWidget*> rows = {m_form->label_7, m_form->ifVoltDrop,   m_form->label_6,
                                  m_form->label_8, m_form->ifResistance, m_form->label_10,
                                  m_form->label_9, m_form->ifEArea,      m_form->label_11};
    for (QWidget* widget : rows)
        widget->setVisible(on);
}

void scanTab::disableScanButtons(bool scanInProgress)
{
    m_form->startScan->setEnabled(!scanInProgress);
    m_form->autostartAdvanced->setEnabled(!scanInProgress);
    m_form->resetEnergyBtn->setEnabled(!scanInProgress);
}

void scanTab::setSensorNickname()
{
    if (!m_activeSensor)
        return;
    bool ok = false;
    const QString nickname = UserQuestions::text(
        this, QStringLiteral("Enter sensor Nickname"),
        QStringLiteral("Input sensor nickname, leave blank for default."), QString(), &ok);
    if (ok)
        m_activeSensor->setNickname(nickname);
}

// --- Collapsible sections ---

void scanTab::setSectionStyle(QGroupBox* box, bool expanded)
{
    box->setStyleSheet(QStringLiteral("QGroupBox::title { color: white; background-color: %1; } "
                                      "QGroupBox::indicator { width: 0px; height: 0px; }")
                           .arg(expanded ? expandedColour : collapsedColour));
}

static void showContents(QGroupBox* box, bool show)
{
    for (QWidget* child : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setVisible(show);
}

void scanTab::showSensorConfig(bool checked)
{
    showContents(m_form->sensorConfigBox, checked && m_panelExpanded);
    m_form->sensorConfigBox->setMaximumSize(checked ? QSize(300, 300) : QSize(150, 50));
    setSectionStyle(m_form->sensorConfigBox, checked);
}

void scanTab::showScanConfiguration(bool checked)
{
    showContents(m_form->scanConfigurationBox, checked && m_panelExpanded);
    if (checked) {
        m_form->scanConfigurationBox->setMaximumSize(m_activeSensor ? QSize(350, 300) : QSize(160, 50));
        const bool ionFlux = m_activeSensor && m_activeSensor->sensorType() == 3;
        m_form->enableIonFlux->setEnabled(ionFlux);
        if (!ionFlux)
            m_form->enableIonFlux->setChecked(false);
    } else {
        m_form->scanConfigurationBox->setMaximumSize(150, 50);
    }
    if (m_panelExpanded) {
        togglePulse(m_form->enablePulse->isChecked() && checked);
        toggleIF(m_form->enableIonFlux->isChecked() && checked);
    }
    setSectionStyle(m_form->scanConfigurationBox, checked);
}

void scanTab::showScanControl(bool checked)
{
    showContents(m_form->scanControlBox, checked && m_panelExpanded);
    m_form->scanControlBox->setMaximumSize(checked ? QSize(250, 300) : QSize(130, 50));
    setSectionStyle(m_form->scanControlBox, checked);
}

void scanTab::showParamViewBox(bool checked)
{
    showContents(m_form->paramViewBox, checked && m_panelExpanded);
    // Showing the section's contents showed the unused meter slots too.
    if (checked && m_panelExpanded)
        updateMeterView();
    m_form->paramViewBox->setMaximumSize(checked ? expandedParameterViewSize() : QSize(130, 50));
    setSectionStyle(m_form->paramViewBox, checked);
}

void scanTab::applySections()
{
    showParamViewBox(m_form->paramViewBox->isChecked());
    showScanConfiguration(m_form->scanConfigurationBox->isChecked());
    showScanControl(m_form->scanControlBox->isChecked());
    showSensorConfig(m_form->sensorConfigBox->isChecked());
}

void scanTab::setControlPanelExpanded(bool show)
{
    m_panelExpanded = show;
    for (QGroupBox* box : {m_form->sensorConfigBox, m_form->scanConfigurationBox, m_form->scanControlBox,
                           m_form->paramViewBox})
        showContents(box, show);
    m_form->groupBox_8->setStyleSheet(QStringLiteral("background-color:#F1F1F0;"));
    if (show)
        applySections();
}

// --- Scan control ---

BaseScan* scanTab::createScan()
{
    return new CWScan(m_activeSensor, QString(), m_rateWidget->rate());
}

void scanTab::setScanControlsEnabled(bool idle)
{
    for (QWidget* control :
         {static_cast<QWidget*>(m_form->startScan), static_cast<QWidget*>(m_form->autostartAdvanced),
          static_cast<QWidget*>(m_form->resetEnergyBtn), static_cast<QWidget*>(m_rateWidget),
          static_cast<QWidget*>(m_form->autosave), static_cast<QWidget*>(m_form->scanDuration)})
        control->setEnabled(idle);
    for (QComboBox* combo : qAsConst(m_harmonicCombos))
        combo->setEnabled(idle);
    if (m_frequencyCombo && m_activeSensor && !m_activeSensor->frequencies().isEmpty())
        m_frequencyCombo->setEnabled(idle);
    m_form->stopScan->setEnabled(!idle);
    // The current scan is the one recording now: it is saved once it ends.
    if (!idle)
        m_form->saveScan->setEnabled(false);
}

void scanTab::startScan()
{
    if (!sensorStillThere() || !entriesAccepted(QList<NumberField>{durationField()} + ionFluxFields()))
        return;
    QuvixSensor* sensor = m_activeSensor;
    const int rate = m_rateWidget->rate();
    sensor->setReportRate(rate);
    if (rate != 0)
        QThread::msleep(30);

    m_scanRunning = true;
    setScanControlsEnabled(false);

    BaseScan* scan = createScan();
    scan->setAutosaveSettings(m_displaySettings);
    connect(scan, &BaseScan::errorOcurred, this, &scanTab::showScanError);
    applyIonFluxFactors(*scan);
    scan->setWaferInfo(m_form->waferLot->text(), m_form->waferNumber->text());
    sensor->resetEnergy();
    queueOnSensor(sensor, scan);
    setCurrentScan(scan);

    m_barChart->clear();
    m_barChart->addScan(scan);
    m_smithDialog->clearScans();
    m_smithDialog->addScan(scan);
    m_waveWindow->clear();
    m_waveWindow->addScan(scan);

    reportActivity(true);
    sensor->saveSettings();
    m_startedSensors.append(sensor);

    if (m_curveRecords.isEmpty()) {
        meterCheckBox(0)->setChecked(true);
        viewHarmonicWidget(0);
        m_harmonicBox->hide();
    }
}

void scanTab::scanComplete(BaseScan* scan)
{
    // A triggered scan ends through its recording signals; the completion of
    // a scan it replaced must not stop it.
    if (m_currentScan && m_currentScan->triggerRecording && scan != m_currentScan)
        return;
    QuvixSensor* finished = scan && scan->sensor ? scan->sensor : m_activeSensor;
    if (finished)
        disconnect(finished, &QuvixSensor::ScanComplete, this, &scanTab::scanComplete);
    if (finished && finished != m_activeSensor) {
        finishOtherSensorsScan(scan);
        return;
    }
    setCurrentScan(scan);
    stopScan();
}

// The list shows another sensor by now (the scan's sensor went away): what
// that one records goes on, and the controls follow it again.
void scanTab::finishOtherSensorsScan(BaseScan* scan)
{
    // A scan started here since then stays the current one.
    if (m_scanRunning && m_currentScan && m_currentScan != scan)
        return;
    setCurrentScan(scan);
    m_otherSensorFinished = true;
    stopScan();
    m_otherSensorFinished = false;
    if (m_activeSensor)
        applyScanState(*m_activeSensor);
}

void scanTab::stopScan()
{
    qDebug() << "ScanTab::stopScan. Start of Function";
    BaseScan* scan = m_currentScan;
    const bool dataLimit = scan && scan->dataLimitReached;
    if (dataLimit)
        QMessageBox::warning(
            nullptr, QStringLiteral("Data Size Limit Reached"),
            QStringLiteral("Data Limit Reached. If autosave is on, the scan will be saved to your "
                           "autosave location, else data will be saved to where you installed "
                           "the Quvix Software."));
    m_scanRunning = false;
    if (m_activeSensor && !m_otherSensorFinished)
        m_activeSensor->stopScan();
    m_form->startScan->setEnabled(true);

    if (dataLimit)
        saveDataLimitScan(*scan);

    setScanControlsEnabled(true);
    refreshSaveButton();
    reportActivity(false);
}

// An autosaving scan was saved by the scan handler already; any other is
// written here, as its only copy. The data are freed only once written.
void scanTab::saveDataLimitScan(BaseScan& scan)
{
    if (scan.autosaveEnabled) {
        freeWrittenScan(scan);
        return;
    }
    scan.setAutosaveTarget(QString(), QStringLiteral("data_limit_file"));
    scan.autosaveFileName();
    writeFiles(scan, scan.autosavePath, &scanTab::finishDataLimitSave);
}

void scanTab::finishDataLimitSave(BaseScan& scan, const ScanFileTask& task)
{
    if (task.filesDone() > 0)
        scan.markSavedAs(task.files().front().name);
    if (task.outcome() != ScanFileTask::Done) {
        const QString reason = task.outcome() == ScanFileTask::Cancelled
                                   ? QStringLiteral("the save was cancelled")
                                   : BaseScan::writeFailureReason(task.file().name);
        // Nobody may be looking when the limit is reached: the log keeps the trace.
        scanLog(QStringLiteral("Autosave of %1 to %2 failed: %3")
                    .arg(scan.name(), task.files().front().name, reason));
        if (task.filesDone() == 0) {
            QMessageBox::warning(
                nullptr, QStringLiteral("Data Size Limit Reached"),
                QStringLiteral("The scan could not be saved (%1). Its data are kept: save it "
                               "before starting a new one.")
                    .arg(reason));
            return;
        }
    }
    freeWrittenScan(scan);
}

void scanTab::freeWrittenScan(BaseScan& scan)
{
    scan.clearData();
    // The curves of a scan started since then stay.
    if (m_currentScan == &scan)
        removeAllCurves();
    // Written: its memory goes with it once the handler lets it go.
    if (m_heldScan == &scan)
        releaseCurrentScan();
}

void scanTab::showScanError(int errorCode)
{
    QString text = QStringLiteral("Unknown scan error ocurred.");
    if (errorCode == 0) {
        text = QStringLiteral(
            "WARNING - scan data size limit reached: Scan has been stopped.\r\n\r\nIf running a scan for "
            "longer "
            "periods of time is needed, please make sure to use the scan autostart feature with a fixed scan "
            "duration.\r\nAdditionally, reducing the data rate and the number of frequencies and active "
            "harmonics will reduce the scan size, allowing longer scans to be created.");
        if (!m_form->autosave->isChecked())
            text +=
                QStringLiteral("\r\n\r\nAutosave is disabled, so make sure to save this scan before starting "
                               "a new one in order to preserve it's data.");
    }
    auto* box = new QMessageBox;
    box->setWindowTitle(QStringLiteral("Scan error"));
    box->setIcon(QMessageBox::Warning);
    box->setWindowIcon(QIcon(QStringLiteral(":/images/Images/quorvane.ico")));
    box->setText(text);
    box->setStandardButtons(QMessageBox::Close);
    box->button(QMessageBox::Close)->setText(QStringLiteral("Ok"));
    box->setModal(false);
    connect(box, &QMessageBox::finished, box, &QObject::deleteLater);
    box->show();
}

void scanTab::reportActivity(bool active)
{
    m_activityValue = active;
    m_activityTimer->start(300);
}

void scanTab::activityTimer()
{
    emit activity(m_activityValue);
}

NumberField scanTab::durationField() const
{
    return NumberField(*m_form->scanDuration, QStringLiteral("Scan Duration"), QStringLiteral("s"),
                       NumberField::Empty::Allowed);
}

QList<NumberField> scanTab::ionFluxFields() const
{
    return {NumberField(*m_form->ifResistance, QStringLiteral("Resistance"), QStringLiteral("Ohm")),
            NumberField(*m_form->ifVoltDrop, QStringLiteral("Voltage Drop"), QStringLiteral("V")),
            NumberField(*m_form->ifEArea, QStringLiteral("Electrode Area"), QStringLiteral("m²"))};
}

bool scanTab::entriesAccepted(const QList<NumberField>& fields)
{
    for (const NumberField& field : fields) {
        if (field.isAcceptable())
            continue;
        revealEntry(field.edit());
        QMessageBox::warning(this, field.name(),
                             field.refusal() + QStringLiteral("\nThe scan was not started."));
        field.edit().setFocus();
        field.edit().selectAll();
        return false;
    }
    return true;
}

void scanTab::revealEntry(QLineEdit& edit)
{
    if (!m_form->scanConfigurationBox->isChecked())
        m_form->scanConfigurationBox->setChecked(true);
    const bool ionFluxEntry =
        &edit == m_form->ifResistance || &edit == m_form->ifVoltDrop || &edit == m_form->ifEArea;
    if (!ionFluxEntry || m_form->enableIonFlux->isChecked())
        return;
    // Sensors that measure no ion flux keep the switch off, yet their scans
    // carry the factors into their files.
    if (m_form->enableIonFlux->isEnabled())
        m_form->enableIonFlux->setChecked(true);
    else
        toggleIF(true);
}

bool scanTab::sensorStillThere()
{
    if (!m_activeSensor)
        return false;
    if (m_activeSensor->isConnected())
        return true;
    emit statusMessage(QStringLiteral("%1 is no longer connected: the scan was not started.")
                           .arg(m_activeSensor->displayName()));
    return false;
}

void scanTab::applyIonFluxFactors(BaseScan& scan) const
{
    const QList<NumberField> factors = ionFluxFields();
    if (!std::all_of(factors.cbegin(), factors.cend(),
                     [](const NumberField& factor) { return factor.isAcceptable(); }))
        return;
    scan.setIonFluxFactors(factors[0].value(), factors[1].value(), factors[2].value());
}

void scanTab::queueOnSensor(QuvixSensor* sensor, BaseScan* scan)
{
    if (m_form->autosave->isChecked())
        scan->setAutosaveTarget(m_autosaveFolder, m_autosaveTitle);
    // Settled before the hand-over: from then on the sensor's thread runs it.
    const double duration = durationField().value(0.0);
    if (duration != 0.0) {
        scan->timed = true;
        scan->duration = duration;
    }
    sensor->queueScan(scan);
    connect(sensor, &QuvixSensor::ScanComplete, this, &scanTab::scanComplete, Qt::UniqueConnection);
}

void scanTab::setCurrentScan(BaseScan* scan)
{
    if (m_heldScan != scan)
        releaseCurrentScan();
    m_currentScan = scan;
    if (scan && !m_heldScan) {
        ScanHandler::getInstance()->holdScan(scan);
        m_heldScan = scan;
    }
}

void scanTab::releaseCurrentScan()
{
    if (m_heldScan)
        ScanHandler::getInstance()->releaseScan(m_heldScan);
    m_heldScan = nullptr;
}

void scanTab::setCurScan(bool running)
{
    m_scanRunning = running;
}

bool scanTab::getCurScan() const
{
    return m_scanRunning;
}

void scanTab::clearScanInfo(BaseScan* scan)
{
    if (!scan || scan != m_currentScan)
        return;
    m_barChart->clear();
    m_smithDialog->clearScans();
    m_waveWindow->clear();
    setCurrentScan(nullptr);
    m_form->saveScan->setEnabled(false);
}

void scanTab::clearSmithDialog()
{
    m_smithDialog->clearScans();
}

void scanTab::updateIFFactors()
{
    if (!m_currentScan)
        return;
    // A factor being typed, or one out of range, leaves the scan's as they are.
    applyIonFluxFactors(*m_currentScan);
    scanUpdate(m_currentScan);
}

void scanTab::resetEnergy()
{
    if (m_activeSensor)
        m_activeSensor->resetEnergy();
    if (m_currentScan)
        m_currentScan->resetEnergy();
}

void scanTab::setFileTasks(FileTaskQueue* tasks)
{
    m_fileTasks = tasks;
}

void scanTab::saveScan()
{
    BaseScan* scan = m_currentScan;
    if (!scan || isBeingSaved(scan)) {
        refreshSaveButton();
        return;
    }
    // Listed in the data display, it must not be pushed out there by scans
    // that complete while the dialogs are open.
    const ScanInUse inUse(*ScanHandler::getInstance(), scan);
    const QString chosen = UserQuestions::saveFileName(this, QStringLiteral("Save File As"), scan->filePath,
                                                       QStringLiteral("Data (*.dat)"));
    if (chosen.isEmpty())
        return;
    writeFiles(*scan, ScanFileNames::scanFile(chosen), &scanTab::finishSaving);
}

void scanTab::writeFiles(BaseScan& scan, const QString& datName, FinishWriting finish)
{
    // Named after the file the scan goes to, which a retry may have changed.
    std::vector<ScanFileTask::File> files{{ScanFileTask::WriteDat, datName},
                                          {ScanFileTask::WriteCsv, ScanFileNames::companionOf(datName)}};
    auto task = ScanFileTask::write(scan, std::move(files), applicationVersionString, m_displaySettings);
    // The tab may let the scan go, or another become current, while it is
    // written: the hold keeps a scan the handler does not keep until then.
    auto hold = std::make_shared<const ScanHold>(*ScanHandler::getInstance(), &scan);
    m_scansBeingSaved.push_back(&scan);
    refreshSaveButton();
    runFileTask(std::move(task), [tab = QPointer<scanTab>(this), &scan, hold, finish](ScanFileTask& written) {
        if (!tab)
            return;
        auto& saving = tab->m_scansBeingSaved;
        saving.erase(std::find(saving.begin(), saving.end(), &scan));
        (tab.data()->*finish)(scan, written);
        tab->refreshSaveButton();
    });
}

void scanTab::runFileTask(std::unique_ptr<ScanFileTask> task, std::function<void(ScanFileTask&)> finished)
{
    if (m_fileTasks) {
        m_fileTasks->add(std::move(task), std::move(finished));
        return;
    }
    task->run();
    finished(*task);
}

void scanTab::finishSaving(BaseScan& scan, const ScanFileTask& task)
{
    const QString datName = task.files().front().name;
    if (task.filesDone() > 0)
        scan.markSavedAs(datName);
    if (task.outcome() == ScanFileTask::Done) {
        scan.filePath = datName;
        // Written: a scan the handler does not keep may go now.
        if (m_heldScan == &scan)
            releaseCurrentScan();
    } else if (task.filesDone() > 0) {
        // Its data are not all where the user asked for them.
        scan.unsavedData = true;
        if (task.outcome() != ScanFileTask::Cancelled)
            QMessageBox::warning(
                this, QStringLiteral("Save File As"),
                QStringLiteral("The CSV export could not be written to %1.").arg(task.file().name));
    } else {
        retryOrWarn(scan, task);
    }
}

void scanTab::retryOrWarn(BaseScan& scan, const ScanFileTask& task)
{
    if (task.outcome() == ScanFileTask::Cancelled)
        return;
    const QString failed = task.file().name;
    if (task.outcome() == ScanFileTask::CannotOpen) {
        // Scans that complete while the prompt is open must not push it out
        // before its retry is queued.
        const ScanInUse inUse(*ScanHandler::getInstance(), &scan);
        WindowFileNamePrompt prompt;
        const QString answer = prompt.askForNewFileName(failed, QStringLiteral("Re-enter File name"),
                                                        QStringLiteral("data file (*.dat)"));
        if (!answer.isEmpty()) {
            writeFiles(scan, ScanFileNames::scanFile(answer), &scanTab::finishSaving);
            return;
        }
    }
    QMessageBox::warning(this, QStringLiteral("Save File As"),
                         QStringLiteral("The scan could not be written to %1.").arg(failed));
}

bool scanTab::isBeingSaved(const BaseScan* scan) const
{
    return std::find(m_scansBeingSaved.begin(), m_scansBeingSaved.end(), scan) != m_scansBeingSaved.end();
}

void scanTab::refreshSaveButton()
{
    m_form->saveScan->setEnabled(m_currentScan && !isBeingSaved(m_currentScan));
}

void scanTab::removeAllCurves()
{
    for (CurveRecord* record : qAsConst(m_curveRecords)) {
        delete record->firstCurve;
        delete record->secondCurve;
        delete record;
    }
    m_curveRecords.clear();
    m_plot->replot();
}

// --- Events ---

void scanTab::mousePressEvent(QMouseEvent* event)
{
    if (m_harmonicBox->isVisible())
        m_harmonicBox->hide();
    QWidget::mousePressEvent(event);
}

void scanTab::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    shareWidthWithParameterView();
}

void scanTab::shareWidthWithParameterView()
{
    // A share of the width, but only of what the other sections leave:
    // taking more cut their texts off. The width is the page's room, as a
    // tab wider than its minimum allows is cut off at the window's edge.
    const int width = parentWidget() ? std::min(this->width(), parentWidget()->width()) : this->width();
    QLayout& row = *m_form->horizontalLayout_9;
    forgetCachedSizes(row);
    const QMargins outer = m_form->verticalLayout_3->contentsMargins();
    const int others = row.minimumSize().width() - m_form->verticalLayout_23->minimumSize().width();
    const int left = width - outer.left() - outer.right() - others;
    const int full = static_cast<int>(width / 2.5);
    fitMeterGrid(std::max(130, std::min(full, left)));
}

// New limits and spacings reach the sizes a layout keeps of its items only
// at its next activation; measured before that, they were those of before.
void scanTab::forgetCachedSizes(QLayout& layout)
{
    for (int i = 0; i < layout.count(); ++i)
        if (QLayout* inner = layout.itemAt(i)->layout())
            forgetCachedSizes(*inner);
    layout.invalidate();
}

void scanTab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_form->retranslateUi(this);
        // The form's own texts would stand over the displayed quantities.
        updateMeterView();
    }
}
