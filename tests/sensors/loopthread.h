#pragma once

#include "sensors/quvixsensor.h"

#include <QPointer>
#include <QThread>

// Moves `sensor` to a new thread that runs its acquisition loop, as the
// sensor handler starts one. The thread deletes itself once the loop has
// ended, so the pointer returned reads null from then on; the sensor stays
// the caller's.
inline QPointer<QThread> startLoopThread(QuvixSensor* sensor)
{
    QPointer<QThread> thread = new QThread();
    sensor->moveToThread(thread);
    QObject::connect(thread.data(), &QThread::started, sensor, &QuvixSensor::process);
    QObject::connect(thread.data(), &QThread::finished, thread.data(), &QObject::deleteLater);
    thread->start();
    return thread;
}
