// The main window with the sensor handler and simulated USB sensors from the
// stand-in driver beside this test. Building the window starts discovery, so
// this runs only inside the private network namespace.

#include "app/mainwindow.h"
#include "app/recordingkeepawake.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>
#include <QThread>

namespace {

const char* const serials[] = {"WIN-1", "WIN-2", "WIN-3"};

TEST(MainWindowWithSensors, StatusFollowsConnectedSensors)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = WIN-1\nfrequency = 13560000 2 50 0\n"
                                "[sensor]\nserial = WIN-2\nfrequency = 2000000 1 30 -5\n"
                                "[sensor]\nserial = WIN-3\nfrequency = 40680000 3 75 20\n"),
              3);

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    const QLabel* status = window.form().lbComms;
    const QImage onState = QPixmap(QStringLiteral(":/images/Images/on-state.png")).toImage();
    const QImage offState = QPixmap(QStringLiteral(":/images/Images/off-state.png")).toImage();

    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == QStringLiteral("Connected (3)"); }, 30000))
        << status->text().toStdString();
    EXPECT_EQ(window.form().lbStatus->pixmap(Qt::ReturnByValue).toImage(), onState);

    std::vector<QPointer<QThread>> sensorThreads;
    for (QuvixSensor* sensor : SensorHandler::getInstance()->sensors())
        sensorThreads.emplace_back(sensor->thread());

    for (const char* serial : serials)
        control.setAttached(serial, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == QStringLiteral("Disconnected"); }, 30000))
        << status->text().toStdString();
    EXPECT_EQ(window.form().lbStatus->pixmap(Qt::ReturnByValue).toImage(), offState);

    // Every sensor loop ends before the process (and the stand-in) goes away.
    for (const QPointer<QThread>& thread : sensorThreads)
        EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
}

} // namespace
