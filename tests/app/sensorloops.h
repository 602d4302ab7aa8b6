#pragma once

#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QThread>

#include <vector>

// Detaches the named simulated sensors and waits, up to limitMs for each,
// until every sensor loop the handler ran has ended: none may outlive the
// process or the stand-in. Called on the GUI thread.
inline void detachAndAwaitSensorLoops(UsbSimControl& control, const QStringList& serials, int limitMs = 20000)
{
    std::vector<QPointer<QThread>> sensorThreads;
    for (QuvixSensor* sensor : SensorHandler::getInstance()->sensors())
        sensorThreads.emplace_back(sensor->thread());
    for (const QString& serial : serials)
        control.setAttached(serial.toLatin1().constData(), 0);
    for (const QPointer<QThread>& thread : sensorThreads)
        EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, limitMs));
}
