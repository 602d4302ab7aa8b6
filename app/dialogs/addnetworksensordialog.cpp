#include "app/dialogs/addnetworksensordialog.h"

#include "sensors/ipv4text.h"
#include "sensors/quvixsensor.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sensors/websensorapi.h"
#include "sensors/websensordetails.h"
#include "ui_addnetworksensordialog.h"

#include <QColor>
#include <QCoreApplication>
#include <QHostAddress>
#include <QSettings>
#include <QSignalMapper>
#include <QTableWidgetItem>
#include <QThread>
#include <QtDebug>

#include <algorithm>

namespace {

const QString localSensorText = QStringLiteral("Local Sensor");
const QString unavailableText = QStringLiteral("unavailable");
const QString autoStartKey = QStringLiteral("AutoStart");
const QColor unavailableBackground(211, 211, 211, 200);

// Lets the signals of a closed sensor settle, as a closing sensor's thread
// may still post to this one.
void settleAfterClose()
{
    QCoreApplication::processEvents();
    QThread::msleep(1);
    QCoreApplication::processEvents();
}

} // namespace

addNetworkSensorDialog::addNetworkSensorDialog(QWidget* parent)
    : QDialog(parent)
    , m_ui(new Ui_addNetworkSensorDialog)
    , m_handler(SensorHandler::getInstance())
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    connect(m_ui->okButton, &QPushButton::clicked, this, &addNetworkSensorDialog::okClicked);
    connect(m_ui->sensorTable, &QTableWidget::cellClicked, this, &addNetworkSensorDialog::sensorSelected);
    connect(m_ui->sensorTable, &QTableWidget::cellDoubleClicked, this,
            &addNetworkSensorDialog::attemptConnection);
    connect(m_ui->autoCheckBox, &QCheckBox::clicked, this, &addNetworkSensorDialog::autoChecked);
    connect(m_ui->urlEdit, &QLineEdit::textEdited, this, &addNetworkSensorDialog::setUpManualConnect);
    m_ui->sensorTable->setHorizontalHeaderLabels(
        {QStringLiteral("Serial Number"), QStringLiteral("Network IP address")});
    m_ui->okButton->setEnabled(true);
    m_ui->autoCheckBox->hide();
    m_ui->b_disconnectUSB->hide();
    connect(m_ui->b_disconnectUSB, &QPushButton::released, this,
            &addNetworkSensorDialog::disconnectUSBsensor);

    dataToRead();
    connect(m_handler, &SensorHandler::sensorsDetected, this, &addNetworkSensorDialog::dataToRead);
    connect(m_handler, &SensorHandler::updateUnavailableSensors, this,
            &addNetworkSensorDialog::addUnavailableSensors);
    m_handler->scanNetwork();
    connect(m_ui->scanNetworkBtn, &QPushButton::released, m_handler, &SensorHandler::scanNetwork);
    m_handler->setNetworkScanning(false);
    addLocalSensors();
}

addNetworkSensorDialog::~addNetworkSensorDialog()
{
    if (!m_discoveryResumed)
        m_handler->setNetworkScanning(true);
    delete m_ui;
}

QString addNetworkSensorDialog::connectionResultText(int result)
{
    constexpr int noFreeHandle = -9;
    if (result >= 0)
        return QStringLiteral("Connected.");
    if (result == WebSensorApi::alreadyOpen)
        return QStringLiteral("Sensor is busy, disconnect from it first.");
    if (result == noFreeHandle)
        return QStringLiteral("Too many open handles, disconnect some sensors.");
    return QStringLiteral("Unable to connect, check network.");
}

QString addNetworkSensorDialog::invalidAddressText()
{
    return QStringLiteral("Invalid address: use a.b.c.d or a host name.");
}

// --- The table ---

void addNetworkSensorDialog::dataToRead()
{
    QTableWidget* table = m_ui->sensorTable;
    table->setRowCount(0);
    m_listedSerials.clear();
    setInfoTexts(QString(), QString(), QString(), QString(), QString(), QString());
    m_ui->connectButton->hide();
    m_ui->autoCheckBox->hide();
    // No row is selected now: nor is the USB sensor the address box and its
    // button were showing, which may have just left.
    m_ui->b_disconnectUSB->hide();
    if (!m_ui->urlEdit->isEnabled()) {
        m_ui->urlEdit->clear();
        m_ui->label->setEnabled(true);
        m_ui->urlEdit->setEnabled(true);
    }
    addLocalSensors();
    table->show();
    for (const DetectedSensor& detected : m_handler->detectedAddresses()) {
        const QString& serial = detected.first;
        const QString addressText = detected.second.toString();
        if (serial.isEmpty() || addressText.isEmpty() || m_listedSerials.contains(serial))
            continue;
        table->insertRow(0);
        auto* serialItem = new QTableWidgetItem(serial);
        serialItem->setData(Qt::UserRole, detected.second.toIPv4Address());
        table->setItem(0, 0, serialItem);
        table->setItem(0, 1, new QTableWidgetItem(addressText));
        m_listedSerials.append(serial);
    }
    // At once, rather than at the handler's next poll: a sensor that has
    // just left shows as absent without vanishing first.
    addUnavailableSensors(m_handler->unavailableSensors());
}

void addNetworkSensorDialog::addLocalSensors()
{
    const QList<QuvixSensor*>& networkSensors = m_handler->networkSensors();
    for (QuvixSensor* sensor : m_handler->sensors()) {
        const QString& serial = sensor->serialNumber();
        const bool onNetwork =
            std::any_of(networkSensors.begin(), networkSensors.end(),
                        [&](QuvixSensor* other) { return other->serialNumber() == serial; });
        if (!onNetwork && !m_listedSerials.contains(serial))
            appendRow(serial, localSensorText);
    }
}

void addNetworkSensorDialog::addUnavailableSensors(QList<QString> serials)
{
    for (const QString& serial : serials) {
        if (m_listedSerials.contains(serial))
            continue;
        appendRow(serial, unavailableText);
        const int row = m_ui->sensorTable->rowCount() - 1;
        m_ui->sensorTable->item(row, 0)->setBackground(unavailableBackground);
        m_ui->sensorTable->item(row, 1)->setBackground(unavailableBackground);
    }
}

void addNetworkSensorDialog::appendRow(const QString& serial, const QString& kind)
{
    QTableWidget* table = m_ui->sensorTable;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, new QTableWidgetItem(serial));
    table->setItem(row, 1, new QTableWidgetItem(kind));
    m_listedSerials.append(serial);
}

// --- Selection and details ---

void addNetworkSensorDialog::sensorSelected(int row, int /*column*/)
{
    const QTableWidgetItem* kindItem = m_ui->sensorTable->item(row, 1);
    const QTableWidgetItem* serialItem = m_ui->sensorTable->item(row, 0);
    if (!kindItem || !serialItem)
        return;
    if (kindItem->text() == localSensorText) {
        m_ui->urlEdit->setText(QStringLiteral("Connected by USB"));
        m_ui->label->setEnabled(false);
        m_ui->urlEdit->setEnabled(false);
        m_ui->b_disconnectUSB->show();
    } else {
        m_ui->urlEdit->setText(addressShownFor(*serialItem));
        m_ui->label->setEnabled(true);
        m_ui->urlEdit->setEnabled(true);
        m_ui->b_disconnectUSB->hide();
    }
    showSensorDetails(row);
}

QString addNetworkSensorDialog::addressShownFor(const QTableWidgetItem& serialItem)
{
    // Only a sensor that answered discovery carries its address in the row.
    // An absent one is shown at the address it was remembered under, and
    // one nobody knows an address for (a USB sensor that left) at none: an
    // address it never had would be taken for its own.
    const QVariant detected = serialItem.data(Qt::UserRole);
    const QString address = detected.isValid() ? QHostAddress(detected.toUInt()).toString()
                                               : RememberedNetworkSensors::urlTextOf(serialItem.text());
    if (address.isEmpty())
        return QString();
    QUrl url = QUrl::fromUserInput(address);
    // A remembered URL ends with "/", which StripTrailingSlash keeps as the root.
    if (url.path() == QStringLiteral("/"))
        url.setPath(QString());
    return url.toString(QUrl::StripTrailingSlash);
}

void addNetworkSensorDialog::showSensorDetails(int row)
{
    m_selectedSerial = m_ui->sensorTable->item(row, 0)->text();
    const QString kind = m_ui->sensorTable->item(row, 1)->text();
    QString status = QStringLiteral("Unknown");
    QString serial;
    SensorTexts texts;

    if (kind == unavailableText) {
        status = QStringLiteral("Not available");
        m_ui->connectButton->show();
        m_ui->autoCheckBox->hide();
        cutConnectButton();
        m_ui->connectButton->setText(QStringLiteral("Remove"));
        if (m_removeMapper)
            m_removeMapper->deleteLater();
        m_removeMapper = new QSignalMapper(this);
        m_removeMapper->setMapping(m_ui->connectButton, m_selectedSerial);
        connect(m_ui->connectButton, &QPushButton::clicked, m_removeMapper, qOverload<>(&QSignalMapper::map));
        connect(m_removeMapper, &QSignalMapper::mappedString, this,
                &addNetworkSensorDialog::removeRememberedSensor);
    } else if (kind == localSensorText) {
        status = QStringLiteral("Connected Locally");
        m_ui->connectButton->hide();
        m_ui->autoCheckBox->show();
        if (QuvixSensor* sensor = m_handler->findSensor(m_selectedSerial)) {
            serial = sensor->serialNumber();
            texts = textsOf(sensor);
            showAutoStartOf(m_selectedSerial);
        }
    } else {
        m_ui->connectButton->show();
        cutConnectButton();
        if (QuvixSensor* sensor = networkSensorWithSerial(m_selectedSerial)) {
            serial = sensor->serialNumber();
            texts = textsOf(sensor);
            status = QStringLiteral("Connected");
            m_ui->connectButton->setText(QStringLiteral("Disconnect"));
            connect(m_ui->connectButton, &QPushButton::clicked, this,
                    &addNetworkSensorDialog::disconnectSensor);
            m_ui->autoCheckBox->show();
            showAutoStartOf(m_selectedSerial);
        } else {
            // Asked without building a sensor object: building one would
            // configure a sensor that may be measuring for someone else.
            const std::optional<QUrl> url = typedUrl();
            const WebSensorDetails details = url ? WebSensorDetails::read(*url) : WebSensorDetails();
            if (details.reached) {
                serial = details.serialNumber;
                texts = {details.firmwareRevision, details.fpgaRevision, details.variant,
                         WebSensorDetails::frequencyListText(details.frequenciesMHz)};
            }
            status = QStringLiteral("Not Connected");
            m_ui->connectButton->setText(QStringLiteral("Connect"));
            connect(m_ui->connectButton, &QPushButton::clicked, this,
                    &addNetworkSensorDialog::attemptConnection);
            m_ui->autoCheckBox->hide();
        }
    }
    setInfoTexts(status, serial, texts.firmware, texts.model, texts.fpga, texts.frequencies);
}

addNetworkSensorDialog::SensorTexts addNetworkSensorDialog::textsOf(QuvixSensor* sensor)
{
    const QVector<double>& table = sensor->frequencies();
    const int count = std::clamp(sensor->frequencyCountFromSensor(), 0, table.size());
    return {sensor->firmwareRevision(), sensor->fpgaRevision(), sensor->variantInfoOf(),
            WebSensorDetails::frequencyListText(table.mid(0, count))};
}

void addNetworkSensorDialog::setInfoTexts(const QString& status, const QString& serial,
                                          const QString& firmware, const QString& model, const QString& fpga,
                                          const QString& frequencies)
{
    m_ui->statuslabel->setText(status);
    m_ui->serial->setText(serial);
    m_ui->firmware->setText(firmware);
    m_ui->model->setText(model);
    m_ui->fpga->setText(fpga);
    m_ui->frequencies->setText(frequencies);
}

void addNetworkSensorDialog::showAutoStartOf(const QString& serial)
{
    QSettings settings;
    settings.beginGroup(serial);
    m_ui->autoCheckBox->setChecked(settings.value(autoStartKey, false).toBool());
}

void addNetworkSensorDialog::autoChecked()
{
    // Without a selected sensor there is no group to write into.
    if (m_selectedSerial.isEmpty())
        return;
    QSettings settings;
    settings.beginGroup(m_selectedSerial);
    settings.setValue(autoStartKey, m_ui->autoCheckBox->isChecked());
}

// --- Connecting and disconnecting ---

void addNetworkSensorDialog::setUpManualConnect()
{
    m_ui->connectButton->show();
    cutConnectButton();
    m_ui->connectButton->setText(QStringLiteral("Connect"));
    connect(m_ui->connectButton, &QPushButton::clicked, this, &addNetworkSensorDialog::attemptConnection);
}

void addNetworkSensorDialog::cutConnectButton()
{
    disconnect(m_ui->connectButton, &QPushButton::clicked, nullptr, nullptr);
}

std::optional<QUrl> addNetworkSensorDialog::typedUrl() const
{
    return typedSensorUrl(m_ui->urlEdit->text());
}

void addNetworkSensorDialog::attemptConnection()
{
    // A USB row (its address box reads "Connected by USB") has no address.
    if (!m_ui->urlEdit->isEnabled())
        return;
    const std::optional<QUrl> typed = typedUrl();
    if (!typed) {
        m_ui->statuslabel->setText(invalidAddressText());
        return;
    }
    const QUrl& url = *typed;
    // 0.0.0.0 names no host: nothing to reach.
    if (QHostAddress(url.host()) == QHostAddress(QHostAddress::AnyIPv4)) {
        m_ui->statuslabel->setText(connectionResultText(WebSensorApi::cannotConnect));
        return;
    }
    if (QuvixSensor* sensor = networkSensorAt(url))
        disconnectNetworkSensor(sensor);
    else
        connectToSensor(url);
}

void addNetworkSensorDialog::connectToSensor(QUrl url)
{
    // The handler's signals rebuild the table before this returns.
    const int result = connectWebSensor(url, true);
    m_ui->statuslabel->setText(connectionResultText(result));
}

void addNetworkSensorDialog::disconnectSensor()
{
    const QString serial = selectedSerial();
    if (serial.isEmpty())
        return;
    if (QuvixSensor* sensor = networkSensorWithSerial(serial))
        disconnectNetworkSensor(sensor);
}

void addNetworkSensorDialog::disconnectNetworkSensor(QuvixSensor* sensor)
{
    const QString serial = sensor->serialNumber();
    // Closing announces the disconnection to the handler once, which takes
    // the sensor off its lists; it is forgotten before anything else runs,
    // so that no discovery reply handled meanwhile opens it again.
    sensor->close();
    removeRememberedSensor(serial);
    settleAfterClose();
}

void addNetworkSensorDialog::disconnectUSBsensor()
{
    const QString serial = selectedSerial();
    if (serial.isEmpty())
        return;
    QuvixSensor* sensor = m_handler->findSensor(serial);
    if (!sensor)
        return;
    qDebug() << "Disconnecting!" << serial;
    // A USB sensor's close keeps its scan for a quick return: this ends it.
    sensor->finishCurrentScan();
    sensor->close();
    settleAfterClose();
}

void addNetworkSensorDialog::removeRememberedSensor(QString serial)
{
    QSettings settings;
    settings.beginGroup(RememberedNetworkSensors::group);
    settings.remove(serial);
    settings.endGroup();
    m_handler->removeRememberedSensor(serial);
    emit removeFromUnavailable(serial);
    dataToRead();
}

void addNetworkSensorDialog::okClicked()
{
    m_handler->setNetworkScanning(true);
    m_discoveryResumed = true;
    accept();
}

// --- Look-ups ---

QString addNetworkSensorDialog::selectedSerial() const
{
    const QTableWidget* table = m_ui->sensorTable;
    if (!table->selectionModel()->hasSelection())
        return QString();
    const QTableWidgetItem* item = table->item(table->currentRow(), 0);
    return item ? item->text() : QString();
}

QuvixSensor* addNetworkSensorDialog::networkSensorWithSerial(const QString& serial) const
{
    for (QuvixSensor* sensor : m_handler->networkSensors()) {
        if (sensor->serialNumber() == serial)
            return sensor;
    }
    return nullptr;
}

QuvixSensor* addNetworkSensorDialog::networkSensorAt(const QUrl& url) const
{
    const QString urlText = url.toString();
    for (QuvixSensor* sensor : m_handler->networkSensors()) {
        if (sensor->address() == urlText)
            return sensor;
    }
    return nullptr;
}
