// The "Sensors Hub" on a real (virtual) screen with a sensor of each kind of
// row: a simulated network sensor that answers discovery, the stand-in USB
// sensor and a remembered sensor that is absent, with the network sensor's
// details shown. Kept for a person to look at.

#include "app/dialogs/addnetworksensordialog.h"
#include "sensors/quvixsensor.h"
#include "sensors/rememberednetworksensors.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "sim/websensor/discoveryresponder.h"
#include "sim/websensor/websensorserver.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTableWidget>
#include <QTest>

TEST(AddNetworkSensorDialogScreenshot, ThreeKindsOfRowsAndANetworkSensorsDetails)
{
    QUVIX_REQUIRE_NETLAB();
    RememberedNetworkSensors::remember(QStringLiteral("QXGONE0001"), QStringLiteral("http://192.0.2.9/"));
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = QVXSIM0001\nfrequency = 13560000 3 50 0\n"), 1);
    quvixsim::WebSensorOptions options;
    options.address = "192.0.2.2";
    options.serial = "QXSIMNET01";
    options.frequenciesHz = {13560000.0, 27120000.0};
    options.harmonics = {5, 3};
    quvixsim::WebSensorServer server(options);
    quvixsim::DiscoveryResponder responder(options.serial, options.address);
    ASSERT_TRUE(server.start() && responder.start()) << responder.error();
    SensorHandler* handler = SensorHandler::getInstance();
    ASSERT_TRUE(QTest::qWaitFor([&] { return handler->findSensor("QVXSIM0001") != nullptr; }, 20000));

    addNetworkSensorDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("sensorTable"));
    auto* status = dialog.findChild<QLabel*>(QStringLiteral("statuslabel"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (table->rowCount() < 3 || table->item(0, 0)->text() != "QXSIMNET01")
                return false;
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualItemRect(table->item(0, 0)).center());
            return status->text() == "Not Connected";
        },
        20000));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("sensors-hub-dialog")).isEmpty());

    control.setAttached("QVXSIM0001", 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return handler->sensors().isEmpty(); }, 30000));
}
