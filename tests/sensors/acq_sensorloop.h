#pragma once

// A sensor object of the stand-in USB driver running its acquisition loop on
// a thread of its own, and a record of what the loop announced, written on
// the loop's thread as it happens.

#include "loopthread.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorlibraries.h"
#include "usbsimcontrol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

struct LoopEvent {
    enum Kind { Started, Complete, ToBeRemoved, Monitoring, Disconnected } kind;
    BaseScan* scan;
    qint64 atMs;         // since the recorder was made
    long long delivered; // samples the stand-in had handed out by then
};

// Records the loop's signals through direct connections (on the loop's
// thread, between two reads). Thread-safe. Its connections go with it: a
// sensor that outlives the recorder (the handler's, which ends its loop as
// the process ends) must not reach it.
class LoopRecorder
{
public:
    using DeliveredCounter = std::function<long long()>;

    LoopRecorder() = default;
    LoopRecorder(const LoopRecorder&) = delete;
    LoopRecorder& operator=(const LoopRecorder&) = delete;
    ~LoopRecorder()
    {
        for (const QMetaObject::Connection& connection : m_connections)
            QObject::disconnect(connection);
    }

    void attach(QuvixSensor* sensor, DeliveredCounter delivered = {})
    {
        m_delivered = std::move(delivered);
        auto record = [this](LoopEvent::Kind kind) {
            return [this, kind](BaseScan* scan) { add(kind, scan); };
        };
        m_connections = {
            QObject::connect(sensor, &QuvixSensor::ScanStarted, record(LoopEvent::Started)),
            QObject::connect(sensor, &QuvixSensor::ScanComplete, record(LoopEvent::Complete)),
            QObject::connect(sensor, &QuvixSensor::ScanToBeRemoved, record(LoopEvent::ToBeRemoved)),
            QObject::connect(sensor, &QuvixSensor::MonitoringUpdate, record(LoopEvent::Monitoring)),
            QObject::connect(sensor, &QuvixSensor::SensorDisconnected,
                             [this](QuvixSensor*) { add(LoopEvent::Disconnected, nullptr); })};
    }

    std::vector<LoopEvent> events() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

    std::vector<LoopEvent> eventsOf(LoopEvent::Kind kind) const
    {
        std::vector<LoopEvent> selected;
        for (const LoopEvent& event : events()) {
            if (event.kind == kind)
                selected.push_back(event);
        }
        return selected;
    }

    // Waits (serving the GUI thread's events) until the predicate holds.
    bool waitFor(const std::function<bool(const std::vector<LoopEvent>&)>& holds, int timeoutMs = 30000) const
    {
        return QTest::qWaitFor([&] { return holds(events()); }, timeoutMs);
    }

    bool waitForCount(LoopEvent::Kind kind, size_t count, int timeoutMs = 30000) const
    {
        return QTest::qWaitFor([&] { return eventsOf(kind).size() >= count; }, timeoutMs);
    }

    qint64 elapsedMs() const { return m_clock.elapsed(); }

private:
    void add(LoopEvent::Kind kind, BaseScan* scan)
    {
        const long long delivered = m_delivered ? m_delivered() : -1;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back({kind, scan, m_clock.elapsed(), delivered});
    }

    std::vector<QMetaObject::Connection> m_connections;
    mutable std::mutex m_mutex;
    std::vector<LoopEvent> m_events;
    DeliveredCounter m_delivered;
    QElapsedTimer m_clock = [] {
        QElapsedTimer clock;
        clock.start();
        return clock;
    }();
};

// Opens the stand-in's first attached sensor and runs its loop.
class SensorLoop
{
public:
    explicit SensorLoop(UsbSimControl& control)
        : m_control(control)
    {
    }

    ~SensorLoop() { stop(); }

    // Opens the sensor; the loop starts with start().
    QuvixSensor* open(int reportRateMs)
    {
        const UsbSensorApi& api = usbSensorApi();
        const int handle = api.quvixOpen(0);
        if (handle < 1)
            return nullptr;
        char serial[128] = {};
        api.quvixGetSerial(handle, serial);
        m_serial = serial;
        m_sensor = new QuvixSensor(handle, QString(), QString::fromLatin1(serial));
        m_sensor->setReportRate(reportRateMs);
        return m_sensor;
    }

    void start() { m_thread = startLoopThread(m_sensor); }

    // Pulls the sensor, which ends the loop, and waits for the thread to end.
    bool stop()
    {
        if (!m_sensor)
            return true;
        m_control.setAttached(m_serial.constData(), 0);
        const bool ended = !m_thread || QTest::qWaitFor([&] { return m_thread.isNull(); }, 30000);
        if (ended) {
            // The passive scan still current is deleted on this thread.
            m_sensor->finishCurrentScan();
            QCoreApplication::processEvents();
            delete m_sensor;
            m_sensor = nullptr;
        }
        return ended;
    }

    long long delivered() const { return m_control.samplesDelivered(m_serial.constData()); }
    QuvixSensor* sensor() const { return m_sensor; }
    QPointer<QThread> thread() const { return m_thread; }
    const QByteArray& serial() const { return m_serial; }

private:
    UsbSimControl& m_control;
    QuvixSensor* m_sensor = nullptr;
    QPointer<QThread> m_thread;
    QByteArray m_serial;
};
