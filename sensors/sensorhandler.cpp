#include "sensors/sensorhandler.h"

#include "scans/basescan.h"
#include "scans/scanhandler.h"
#include "sensors/discoveryprotocol.h"
#include "sensors/quvixsensor.h"
#include "sensors/quvixsensorweb.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorlibraries.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkInterface>
#include <QSettings>
#include <QThread>
#include <QUdpSocket>
#include <QtDebug>

#include <cstring>
#include <sstream>

namespace {

constexpr int pollIntervalMs = 1000;
constexpr int discoveryIntervalMs = 15000;
// The USB library writes the serial into this buffer; one spare zero byte
// keeps a serial that fills it terminated.
constexpr int usbSerialBufferSize = 112;
// The network library copies up to 63 characters without a NUL.
constexpr int webSerialBufferSize = 64;

QString threadIdText(std::thread::id id)
{
    std::ostringstream text;
    text << id;
    return QString::fromStdString(text.str());
}

QString webSerialOf(int handle)
{
    char buffer[webSerialBufferSize + 1] = {};
    callOr(webSensorApi().quvixGetSerial, WebSensorApi::badHandle, handle, buffer);
    return QString::fromLatin1(buffer, static_cast<int>(strnlen(buffer, webSerialBufferSize)));
}

} // namespace

SensorHandler* SensorHandler::getInstance()
{
    static SensorHandler* const instance = new SensorHandler();
    return instance;
}

SensorHandler::SensorHandler()
    : m_pollTimer(new QTimer(this))
    , m_discoveryTimer(new QTimer(this))
{
    m_pollTimer->setObjectName(QStringLiteral("pollTimer"));
    m_discoveryTimer->setObjectName(QStringLiteral("discoveryTimer"));
    // Sensor signals reach the GUI thread queued.
    qRegisterMetaType<QuvixSensor*>();
    qRegisterMetaType<BaseScan*>();
    loadUsbSensorLibrary();
    loadWebSensorLibrary();
    m_receiveSocket = new QUdpSocket(this);
    m_sendSocket = new QUdpSocket(this);
    scanNetwork();

    connect(m_pollTimer, &QTimer::timeout, this, &SensorHandler::TimeoutCallback);
    m_pollTimer->start(pollIntervalMs);
    m_discoveryConnection = connect(m_discoveryTimer, &QTimer::timeout, this, &SensorHandler::scanNetwork);
    m_discoveryTimer->start(discoveryIntervalMs);

    for (const QString& serial : RememberedNetworkSensors::serials()) {
        if (!m_unavailable.contains(serial))
            m_unavailable.append(serial);
    }

    connect(this, &SensorHandler::updateAvailableList, this, &SensorHandler::addNewSensorToList);
    connect(this, &SensorHandler::addNewNetworkSensor, this, &SensorHandler::newWebSensorConnected);
    connect(this, &SensorHandler::closeThread, this, &SensorHandler::removeThread);

    // While the main window and the scan handler's options still exist.
    if (const QCoreApplication* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &SensorHandler::stopSensors);
    qAddPostRoutine(&SensorHandler::stopSensorsAtExit);
}

void SensorHandler::stopSensorsAtExit()
{
    getInstance()->stopSensors();
}

QList<QuvixSensor*> SensorHandler::allSensors() const
{
    QList<QuvixSensor*> all;
    for (const QList<QuvixSensor*>* list : {&m_connected, &m_network, &m_waiting, &m_disconnected}) {
        for (QuvixSensor* sensor : *list) {
            if (!all.contains(sensor))
                all.append(sensor);
        }
    }
    return all;
}

void SensorHandler::stopSensors()
{
    m_sensorsStopped = true;
    m_pollTimer->stop();
    m_discoveryTimer->stop();
    const QList<QuvixSensor*> sensors = allSensors();
    for (QuvixSensor* sensor : sensors)
        sensor->endLoop();
    for (const QPointer<QThread>& thread : qAsConst(m_loopThreads)) {
        if (thread && !thread->wait(loopEndLimitMs))
            qDebug("A sensor loop did not end within %lu ms; the program ends without it", loopEndLimitMs);
    }
    m_loopThreads.clear();
    // A USB sensor keeps its scan for its return; nothing returns now.
    for (QuvixSensor* sensor : sensors)
        sensor->finishCurrentScan();
    QCoreApplication::sendPostedEvents();
}

QuvixSensor* SensorHandler::findSensor(const QString& serial) const
{
    for (QuvixSensor* sensor : m_connected) {
        if (sensor->serialNumber() == serial)
            return sensor;
    }
    return nullptr;
}

void SensorHandler::setNetworkScanning(bool on)
{
    if (on && !m_discoveryConnection)
        m_discoveryConnection =
            connect(m_discoveryTimer, &QTimer::timeout, this, &SensorHandler::scanNetwork);
    else if (!on && m_discoveryConnection)
        disconnect(m_discoveryConnection);
}

void SensorHandler::checkAutoStart(QuvixSensor* sensor)
{
    QSettings settings;
    settings.beginGroup(sensor->serialNumber());
    if (settings.value(QStringLiteral("AutoStart"), false).toBool())
        emit autoScanStart(sensor);
}

// --- USB sensors ---

void SensorHandler::TimeoutCallback()
{
    emitUnavailable();
    openNewUsbSensor();
    finishScansOfLongGoneSensors();
}

QString SensorHandler::readUsbSerial(int handle) const
{
    char buffer[usbSerialBufferSize + 1] = {};
    if (callOr(usbSensorApi().quvixGetSerial, 0, handle, buffer) == 0)
        return QString();
    return QString::fromLatin1(buffer, static_cast<int>(strnlen(buffer, usbSerialBufferSize)));
}

void SensorHandler::openNewUsbSensor()
{
    const UsbSensorApi& api = usbSensorApi();
    const int handle = callOr(api.quvixOpen, 0, 0);
    if (handle < 1)
        return;
    const QString serial = readUsbSerial(handle);
    if (serial.isNull()) {
        callOr(api.quvixClose, 0, handle);
        return;
    }

    QuvixSensor* sensor = nullptr;
    for (QuvixSensor* candidate : qAsConst(m_disconnected)) {
        if (candidate->serialNumber() == serial) {
            sensor = candidate;
            break;
        }
    }
    if (sensor) {
        m_disconnected.removeOne(sensor);
        sensor->reconnect(handle);
    } else {
        sensor = new QuvixSensor(handle, QString(), serial);
    }
    sensor->refreshPulseMonitorMode();
    if (!m_connected.contains(sensor))
        m_connected.prepend(sensor);
    // Back again: no longer unavailable, as on every other registration path.
    takeOffUnavailable(serial);
    startWorkerThread(sensor);
    emit updateSensorList(m_connected);
    checkAutoStart(sensor);
    // The Sensors Hub lists USB sensors too: an arrival changes its table as
    // a departure does.
    emit sensorsDetected();
}

void SensorHandler::finishScansOfLongGoneSensors()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (QuvixSensor* sensor : qAsConst(m_disconnected)) {
        const QDateTime gone = sensor->disconnectTime();
        if (gone.isValid() && gone.msecsTo(now) > m_watchdogDelayMs)
            sensor->finishCurrentScan();
    }
}

void SensorHandler::startWorkerThread(QuvixSensor* sensor)
{
    // An open that finished during the shut-down starts nothing.
    if (m_sensorsStopped)
        return;
    auto* thread = new QThread();
    m_loopThreads.removeAll(QPointer<QThread>());
    m_loopThreads.append(thread);
    sensor->moveToThread(thread);
    connect(sensor, &QuvixSensor::SensorDisconnected, this, &SensorHandler::SensorDisconnected);
    wireToScanRegistry(sensor);
    connect(sensor, &QuvixSensor::MonitoringUpdate, this, &SensorHandler::MonitoringDataUpdate);
    connect(thread, &QThread::started, sensor, &QuvixSensor::process);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}

void SensorHandler::wireToScanRegistry(QuvixSensor* sensor)
{
    ScanHandler* registry = ScanHandler::getInstance();
    connect(sensor, &QuvixSensor::ScanStarted, registry, &ScanHandler::scanStarted);
    // Sensor objects tie their ScanComplete to the registry themselves; this
    // only covers one that did not, and never doubles the connection.
    connect(sensor, &QuvixSensor::ScanComplete, registry, &ScanHandler::scanComplete,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
}

void SensorHandler::unwireFromScanRegistry(QuvixSensor* sensor)
{
    // ScanComplete stays: a scan that ends while its sensor is away (the
    // watchdog, a stop) must still be registered and saved.
    disconnect(sensor, &QuvixSensor::ScanStarted, ScanHandler::getInstance(), &ScanHandler::scanStarted);
}

void SensorHandler::MonitoringDataUpdate(BaseScan* scan)
{
    emit SpecialMonitoringData(scan);
    if (!scan->isPassive())
        emit NewMonitoringData(scan);
}

void SensorHandler::SensorDisconnected(QuvixSensor* sensor)
{
    const QString& serial = sensor->serialNumber();
    if (!m_unavailable.contains(serial) && !m_network.contains(sensor))
        m_unavailable.append(serial);
    emitUnavailable();
    m_connected.removeOne(sensor);
    emit updateSensorList(m_connected);
    m_network.removeOne(sensor);
    emit sensorsDetected();

    if (!qobject_cast<quvixSensorWeb*>(sensor)) {
        m_disconnected.append(sensor);
        disconnect(sensor, nullptr, this, nullptr);
        unwireFromScanRegistry(sensor);
        return;
    }
    m_connectedAddresses.removeAll(RememberedNetworkSensors::addressTextOfUrl(sensor->address()));
    if (!m_waiting.contains(sensor))
        m_waiting.append(sensor);
    connect(sensor, &QuvixSensor::sensorReconnected, this, &SensorHandler::webSensorReconnected,
            Qt::UniqueConnection);
}

void SensorHandler::removeRememberedSensor(QString serial)
{
    m_unavailable.removeAll(serial);
    emitUnavailable();
}

void SensorHandler::newSensorConnected(QuvixSensor* sensor)
{
    if (!m_connected.contains(sensor))
        m_connected.prepend(sensor);
    emit updateSensorList(m_connected);
    m_unavailable.removeAll(sensor->serialNumber());
    emitUnavailable();
    checkAutoStart(sensor);
}

void SensorHandler::autoSensorReady(QuvixSensor* sensor)
{
    if (findSensor(sensor->serialNumber()))
        return;
    m_connected.prepend(sensor);
    emit updateSensorList(m_connected);
    if (!m_network.contains(sensor))
        m_network.append(sensor);
    m_unavailable.removeAll(sensor->serialNumber());
    emitUnavailable();
    checkAutoStart(sensor);
}

void SensorHandler::webSensorReconnected(QuvixSensor* sensor)
{
    m_waiting.removeOne(sensor);
    if (!m_connected.contains(sensor))
        m_connected.append(sensor);
    if (!m_network.contains(sensor))
        m_network.append(sensor);
    m_unavailable.removeAll(sensor->serialNumber());
    addDetected({sensor->serialNumber(), RememberedNetworkSensors::hostOfUrl(sensor->address())});
    emit updateSensorList(m_connected);
    emit sensorsDetected();
}

void SensorHandler::deleteScan(BaseScan* scan)
{
    delete scan;
}

void SensorHandler::takeOffUnavailable(const QString& serial)
{
    if (m_unavailable.removeAll(serial) > 0)
        emitUnavailable();
}

void SensorHandler::emitUnavailable()
{
    emit updateUnavailableSensors(m_unavailable);
}

void SensorHandler::addDetected(const DetectedSensor& detected)
{
    if (!m_detected.contains(detected))
        m_detected.append(detected);
}

QStringList SensorHandler::connectedSerials() const
{
    QStringList serials;
    for (const QuvixSensor* sensor : m_connected)
        serials.append(sensor->serialNumber());
    return serials;
}

// --- Network discovery and connection ---

void SensorHandler::scanNetwork()
{
    m_detected.clear();
    m_repliesThisRound = 0;
    delete m_receiveSocket;
    delete m_sendSocket;
    m_receiveSocket = new QUdpSocket(this);
    connect(m_receiveSocket, &QUdpSocket::readyRead, this, &SensorHandler::dataToRead);
    m_sendSocket = new QUdpSocket(this);
    const quint16 replyPort = DiscoveryProtocol::bindReplySocket(*m_receiveSocket);
    if (replyPort == 0)
        return;
    sendDiscoveryRequests(replyPort);
}

void SensorHandler::sendDiscoveryRequests(quint16 replyPort)
{
    for (const QNetworkInterface& networkInterface : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry& entry : networkInterface.addressEntries()) {
            // An entry without a broadcast address (IPv6) cannot be asked.
            if (entry.broadcast().isNull())
                continue;
            const QByteArray request = DiscoveryProtocol::request(entry.ip().toIPv4Address(), replyPort);
            m_sendSocket->writeDatagram(request, entry.broadcast(), DiscoveryProtocol::requestPort);
        }
    }
}

void SensorHandler::dataToRead()
{
    // Every datagram waiting is handled, so no reply is left unread, up to
    // what one round may cost: a flood of replies ends the round's listening
    // (the next round listens afresh) and is told once per batch.
    bool handled = false;
    while (m_receiveSocket->hasPendingDatagrams()) {
        if (m_repliesThisRound >= maxRepliesPerRound || m_detected.size() >= maxDetectedPerRound) {
            m_receiveSocket->close();
            break;
        }
        ++m_repliesThisRound;
        handled = handleDiscoveryReply() || handled;
    }
    if (handled)
        emit sensorsDetected();
}

bool SensorHandler::handleDiscoveryReply()
{
    QByteArray datagram(DiscoveryProtocol::maxReplySize, '\0');
    QHostAddress sender;
    const qint64 size = m_receiveSocket->readDatagram(datagram.data(), datagram.size(), &sender);
    if (size < 0)
        return false;
    datagram.truncate(static_cast<int>(size));
    const std::optional<QString> serial = DiscoveryProtocol::replySerial(datagram);
    if (!serial)
        return false;

    const QHostAddress host(sender.toIPv4Address());
    addDetected({*serial, host});
    const QString addressText = RememberedNetworkSensors::addressText(host);
    const QUrl url = RememberedNetworkSensors::urlOf(addressText);
    const bool remembered =
        RememberedNetworkSensors::noteReplyFrom(addressText, m_unavailable, connectedSerials());
    if (remembered && !m_connectedAddresses.contains(addressText))
        openDiscoveredSensor(addressText, url);
    return true;
}

void SensorHandler::openDiscoveredSensor(const QString& addressText, const QUrl& url)
{
    // An open talks to the sensor and may take its time-outs: never on this
    // thread, and never twice at once for one address.
    if (m_openingAddresses.contains(addressText))
        return;
    m_openingAddresses.append(addressText);
    m_connectionWorkers.emplace_back([this, addressText, url] {
        connectWebSensor(url, false);
        QMetaObject::invokeMethod(
            this, [this, addressText] { discoveryOpenFinished(addressText); }, Qt::QueuedConnection);
    });
}

void SensorHandler::discoveryOpenFinished(QString addressText)
{
    // newWebSensorConnected recorded the address of a sensor it took on; an
    // open it refused, or a sensor lost meanwhile, leaves it free for the
    // next reply.
    m_openingAddresses.removeAll(addressText);
}

void SensorHandler::newWebSensorConnected(int result, QString serial, QString url)
{
    // Opened on a connection worker while that sensor was connected already.
    if (findSensor(serial)) {
        callIfBound(webSensorApi().quvixClose, result);
        return;
    }
    auto* sensor = new quvixSensorWeb(result, QString(), serial, url);
    qDebug("Creating sensor");
    // Opened by whoever asked (the user included): discovery must not open
    // it again, nor race a user who disconnects it.
    const QString addressText = RememberedNetworkSensors::addressTextOfUrl(url);
    if (!m_connectedAddresses.contains(addressText))
        m_connectedAddresses.append(addressText);
    startWorkerThread(sensor);
    if (!m_connected.contains(sensor))
        m_connected.prepend(sensor);
    if (!m_network.contains(sensor))
        m_network.append(sensor);
    addDetected({sensor->serialNumber(), RememberedNetworkSensors::hostOfUrl(url)});
    // Opened on a connection worker, the rest of its news may still be on its
    // way: connected from now on, it is not unavailable.
    takeOffUnavailable(serial);
    emit updateSensorList(m_connected);
    checkAutoStart(sensor);
    emit sensorsDetected();
}

void SensorHandler::addNewSensorToList(int result, QString serial, QString url)
{
    if (result < 0 && result != WebSensorApi::alreadyOpen)
        return;
    addDetected({serial, RememberedNetworkSensors::hostOfUrl(url)});
    m_unavailable.removeAll(serial);
    emit sensorsDetected();
}

void SensorHandler::removeThread(QString threadId)
{
    for (auto worker = m_connectionWorkers.begin(); worker != m_connectionWorkers.end(); ++worker) {
        if (threadIdText(worker->get_id()) == threadId) {
            if (worker->joinable())
                worker->join();
            m_connectionWorkers.erase(worker);
            return;
        }
    }
}

void SensorHandler::connectRememberedSensors()
{
    for (const QString& serial : RememberedNetworkSensors::serials()) {
        if (!m_unavailable.contains(serial))
            continue;
        const QUrl url(RememberedNetworkSensors::urlTextOf(serial));
        m_connectionWorkers.emplace_back([url] { connectWebSensor(url, true); });
    }
}

int connectWebSensor(const QUrl& url, bool remember)
{
    SensorHandler* handler = SensorHandler::getInstance();
    const QString urlText = url.toString();
    int result =
        callOr(webSensorApi().quvixWebOpen, WebSensorApi::cannotConnect, urlText.toLatin1().constData());
    QString serial;
    if (result >= 0) {
        serial = webSerialOf(result);
        if (!DiscoveryProtocol::isAcceptableSerial(serial)) {
            // Nothing a sensor would call its serial: not a sensor to keep.
            callIfBound(webSensorApi().quvixClose, result);
            result = WebSensorApi::cannotConnect;
            serial.clear();
        } else if (handler->thread() == QThread::currentThread() && handler->findSensor(serial)) {
            // The same sensor under another spelling of its address (or on
            // USB): a second object would run a second loop on it, and its
            // remembered address stays the one it is connected by. A worker
            // cannot read the handler's lists; newWebSensorConnected checks.
            callIfBound(webSensorApi().quvixClose, result);
            result = WebSensorApi::alreadyOpen;
        }
    }
    if (result >= 0) {
        if (remember)
            RememberedNetworkSensors::remember(serial, urlText);
        emit handler->addNewNetworkSensor(result, serial, urlText);
    }
    emit handler->updateAvailableList(result, serial, urlText);
    emit handler->closeThread(threadIdText(std::this_thread::get_id()));
    return result;
}
