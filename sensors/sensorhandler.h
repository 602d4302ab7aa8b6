#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QVector>

#include <list>
#include <thread>

class BaseScan;
class QThread;
class QUdpSocket;
class QuvixSensor;

// The serial of a network sensor seen or opened, with its host address.
using DetectedSensor = QPair<QString, QHostAddress>;

// The process-wide registry of sensors. Lives on the GUI thread; every slot
// runs there (sensor signals arrive queued) and it takes no lock. It owns the
// sensor objects and never deletes one: a USB sensor's object is kept for
// its return, a network sensor's object is parked on the waiting list.
// Polls the USB driver library every second and repeats network discovery
// every 15 s while network scanning is on. Every sensor loop it starts ends
// before the application object does (stopSensors).
class SensorHandler : public QObject
{
    Q_OBJECT

public:
    // The singleton, built on the first call (on the GUI thread).
    static SensorHandler* getInstance();

    QList<QuvixSensor*>& sensors() { return m_connected; }
    QList<QuvixSensor*>& networkSensors() { return m_network; }
    QList<QuvixSensor*>& waitingWebSensors() { return m_waiting; }
    // First connected sensor with that serial, or null.
    QuvixSensor* findSensor(const QString& serial) const;
    QVector<DetectedSensor> detectedAddresses() const { return m_detected; }
    QStringList unavailableSensors() const { return m_unavailable; }
    // Starts (on) or pauses (off) the 15 s discovery passes.
    void setNetworkScanning(bool on);
    void checkAutoStart(QuvixSensor* sensor);
    // Opens every remembered network sensor not connected now, each on a
    // connection worker of its own.
    void connectRememberedSensors();
    // Discovery handles at most this many replies per round, and lists at
    // most as many network sensors as the network library can open.
    static constexpr int maxRepliesPerRound = 1000;
    static constexpr int maxDetectedPerRound = 100;
    // How long a USB sensor may stay away before its scan is finished.
    void setWatchdogDelay(int milliseconds) { m_watchdogDelayMs = milliseconds; }
    // Ends every sensor loop and waits for its thread, then finishes every
    // sensor's scan and delivers what the sensors announced, so that the
    // scan handler registers and autosaves each measurement scan. Runs when
    // the application's event loop ends and, where it never ran, as the
    // application object is destroyed; no loop starts afterwards. GUI thread.
    void stopSensors();
    // The longest wait for one sensor's loop to end.
    static constexpr unsigned long loopEndLimitMs = 20000;

signals:
    void updateSensorList(QList<QuvixSensor*>& sensors);
    void NewMonitoringData(BaseScan* scan);
    void SpecialMonitoringData(BaseScan* scan);
    // A discovery reply was handled, or a sensor of either kind came or went.
    void sensorsDetected();
    void autoScanStart(QuvixSensor* sensor);
    void updateUnavailableSensors(QList<QString> serials);
    void updateAvailableList(int result, QString serial, QString url);
    void addNewNetworkSensor(int result, QString serial, QString url);
    void closeThread(QString threadId);

private slots:
    void TimeoutCallback();
    void MonitoringDataUpdate(BaseScan* scan);
    void webSensorReconnected(QuvixSensor* sensor);
    void deleteScan(BaseScan* scan);
    void autoSensorReady(QuvixSensor* sensor);
    void newSensorConnected(QuvixSensor* sensor);
    void addNewSensorToList(int result, QString serial, QString url);
    void removeThread(QString threadId);
    // The end of an open that discovery started for that address text.
    void discoveryOpenFinished(QString addressText);

public slots:
    void scanNetwork();
    void dataToRead();
    void SensorDisconnected(QuvixSensor* sensor);
    void removeRememberedSensor(QString serial);
    void newWebSensorConnected(int result, QString serial, QString url);

private:
    SensorHandler();
    static void stopSensorsAtExit();
    QList<QuvixSensor*> allSensors() const;

    // One newly attached USB sensor per poll, if any.
    void openNewUsbSensor();
    QString readUsbSerial(int handle) const;
    void finishScansOfLongGoneSensors();
    // Moves the sensor to a new thread whose start runs its loop.
    void startWorkerThread(QuvixSensor* sensor);
    void wireToScanRegistry(QuvixSensor* sensor);
    void unwireFromScanRegistry(QuvixSensor* sensor);
    void addDetected(const DetectedSensor& detected);
    void takeOffUnavailable(const QString& serial);
    void emitUnavailable();
    QStringList connectedSerials() const;
    void sendDiscoveryRequests(quint16 replyPort);
    // True when the datagram was a sensor's reply.
    bool handleDiscoveryReply();
    // Opens a remembered sensor found by discovery on a connection worker,
    // unless an open of that address is under way.
    void openDiscoveredSensor(const QString& addressText, const QUrl& url);

    // Children named "pollTimer" and "discoveryTimer".
    QTimer* m_pollTimer;
    QTimer* m_discoveryTimer;
    QList<QuvixSensor*> m_connected;
    QList<QuvixSensor*> m_disconnected;
    QVector<DetectedSensor> m_detected;
    QList<QuvixSensor*> m_waiting;
    QList<QuvixSensor*> m_network;
    QUdpSocket* m_receiveSocket = nullptr;
    QUdpSocket* m_sendSocket = nullptr;
    QStringList m_connectedAddresses;
    // Address texts whose open by discovery runs on a connection worker.
    QStringList m_openingAddresses;
    int m_repliesThisRound = 0;
    QStringList m_unavailable;
    std::list<std::thread> m_connectionWorkers;
    QMetaObject::Connection m_discoveryConnection;
    int m_watchdogDelayMs = 10000;
    // The loop threads started; each deletes itself once finished.
    QList<QPointer<QThread>> m_loopThreads;
    bool m_sensorsStopped = false;
};

// Opens a network sensor by URL through the network sensor library and tells
// the handler (directly on the GUI thread, queued from a connection worker).
// remember: store the URL under the sensor's serial. Returns the library's
// handle (>= 0) or its negative error code; WebSensorApi::alreadyOpen also
// when the sensor read back is connected already (checked here on the GUI
// thread; from a worker the handler closes the second handle instead).
int connectWebSensor(const QUrl& url, bool remember);
