#include "app/tabs/quvixdisplaywidget.h"

#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "ui_quvixdisplaywidget.h"

#include <QMouseEvent>

namespace {

const QString selectedLook = QStringLiteral(
    "QFrame#frame {background-color:white;border: 1px solid gray ;border-radius: 5px;margin-top: 1ex;}");
const QString deselectedLook =
    QStringLiteral("QFrame{background-color:rgb(163, 163, 163);}QFrame#frame {border: 1px solid gray "
                   ";border-radius: 5px;margin-top: 1ex; border-style:inset;} ");
const QString unavailableTip = QStringLiteral("Unavailable");

} // namespace

quvixDisplayWidget::quvixDisplayWidget(QuvixSensor* sensor, QWidget* parent)
    : QWidget(parent)
    , m_form(new Ui_quvixDisplayWidget)
    , m_sensor(sensor)
    , m_serial(sensor->serialNumber())
{
    buildForm();
    m_form->type->setText(sensor->variantInfoOf());
    updateStatus();
    sensorConfigUpdated();
    connectSensorSignals();
    showConnectionKind(sensor->connectionKind());
}

quvixDisplayWidget::quvixDisplayWidget(const QString& serial, QWidget* parent)
    : QWidget(parent)
    , m_form(new Ui_quvixDisplayWidget)
    , m_serial(serial)
{
    buildForm();
    m_form->serialLabel->setText(serial);
    m_form->type->clear();
    addFrequencyLabel(QStringLiteral("NO CAL"));
    showConnectionKind(0);
    enterUnavailableState();
}

quvixDisplayWidget::~quvixDisplayWidget()
{
    delete m_form;
}

void quvixDisplayWidget::buildForm()
{
    m_form->setupUi(this);
}

void quvixDisplayWidget::showConnectionKind(int kind)
{
    const bool network = kind == 1;
    m_form->lb_connTypeIcon->setPixmap(QPixmap(network ? QStringLiteral(":/images/Images/ethernet_icon.png")
                                                       : QStringLiteral(":/images/Images/usb_icon.png")));
    m_form->lb_connTypeText->setText(network ? QStringLiteral("Web") : QStringLiteral("USB"));
}

void quvixDisplayWidget::connectSensorSignals()
{
    // The sensor emits on its own thread; a reconnect binds the same sensor
    // object again, so each connection is made once only.
    const auto once = static_cast<Qt::ConnectionType>(Qt::AutoConnection | Qt::UniqueConnection);
    connect(m_sensor, &QuvixSensor::SensorDisconnected, this, &quvixDisplayWidget::sensorDisconnected, once);
    connect(m_sensor, &QuvixSensor::configUpdated, this, &quvixDisplayWidget::sensorConfigUpdated, once);
    connect(m_sensor, &QuvixSensor::ScanStarted, this, &quvixDisplayWidget::sensorConfigUpdated, once);
    connect(m_sensor, &QuvixSensor::ScanComplete, this, &quvixDisplayWidget::sensorConfigUpdated, once);
}

void quvixDisplayWidget::applySelection(bool on)
{
    setStyleSheet(on ? selectedLook : deselectedLook);
    const QList<QWidget*> texts = {m_form->label,           m_form->serialLabel,    m_form->type,
                                   m_form->label_3,         m_form->statusLabel,    m_form->lb_connType,
                                   m_form->lb_connTypeIcon, m_form->lb_connTypeText};
    for (QWidget* text : texts)
        text->setEnabled(on);
    for (QLabel* label : m_frequencyLabels)
        label->setEnabled(on);
}

void quvixDisplayWidget::updateStatus()
{
    if (!m_sensor)
        return;
    switch (m_sensor->scanState()) {
    case 1:
        m_form->statusLabel->setText(QStringLiteral("Scanning"));
        break;
    case 2:
        // Every scan without a triggered recording counts as waiting for a
        // trigger it never gets; only a triggered recording waits to start.
        m_form->statusLabel->setText(waitsForItsTrigger() ? QStringLiteral("AutoStart")
                                                          : QStringLiteral("Scanning"));
        break;
    default:
        m_form->statusLabel->setText(QStringLiteral("Monitoring"));
        break;
    }
}

bool quvixDisplayWidget::waitsForItsTrigger() const
{
    // Scans are deleted on this (the GUI) thread only, so the current scan
    // stays valid while it is read here.
    const BaseScan* scan = m_sensor->currentScan();
    return scan != nullptr && scan->triggerRecording;
}

void quvixDisplayWidget::sensorConfigUpdated()
{
    if (!m_sensor)
        return;
    m_form->serialLabel->setText(m_sensor->displayName());
    m_hasNickname = !m_sensor->nickname().isEmpty();
    clearFrequencyLabels();
    const QVector<double>& frequencies = m_sensor->frequencies();
    const QVector<int>& harmonics = m_sensor->selectedHarmonics();
    for (int i = 0; i < frequencies.size(); ++i) {
        const int count = harmonics.value(i);
        if (count == 0)
            continue;
        addFrequencyLabel(QStringLiteral("%1 MHz").arg(frequencies[i], 0, 'g', 6),
                          QStringLiteral("%1 h").arg(count));
    }
    if (m_frequencyLabels.isEmpty())
        addFrequencyLabel(QStringLiteral("NO CAL"));
    updateStatus();
}

void quvixDisplayWidget::clearFrequencyLabels()
{
    qDeleteAll(m_frequencyLabels);
    m_frequencyLabels.clear();
}

void quvixDisplayWidget::addFrequencyLabel(const QString& text, const QString& toolTip)
{
    auto* label = new QLabel(text, m_form->frame);
    label->setToolTip(toolTip);
    // A deselected or unavailable card shows its new labels disabled too.
    label->setEnabled(m_available && m_selected);
    m_form->frequencyLayout->addWidget(label);
    m_frequencyLabels.append(label);
}

void quvixDisplayWidget::sensorDisconnected()
{
    if (m_sensor)
        disconnect(m_sensor, nullptr, this, nullptr);
    enterUnavailableState();
}

void quvixDisplayWidget::enterUnavailableState()
{
    m_form->statusLabel->setText(QStringLiteral("Disconnected"));
    m_available = false;
    applySelection(false);
    setStatusTip(unavailableTip);
    m_form->frame->setFrameShadow(QFrame::Sunken);
    m_sensor = nullptr;
}

void quvixDisplayWidget::sensorReconnected(QuvixSensor* sensor)
{
    if (!sensor)
        return;
    // The object it replaces no longer speaks for this sensor.
    if (m_sensor && m_sensor != sensor)
        disconnect(m_sensor, nullptr, this, nullptr);
    m_available = true;
    m_sensor = sensor;
    if (m_hasNickname)
        sensor->setNickname(m_form->serialLabel->text());
    updateStatus();
    sensorConfigUpdated();
    connectSensorSignals();
    applySelection(m_selected);
}

void quvixDisplayWidget::mousePressEvent(QMouseEvent* event)
{
    if (!m_available)
        return;
    if (event->button() != Qt::RightButton) {
        m_selected = !m_selected;
        applySelection(m_selected);
    }
    QWidget::mousePressEvent(event);
}
