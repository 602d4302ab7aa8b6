// The "Sensors Hub" when the network sensor library cannot be found (this
// test's folder holds none): discovery still lists a simulated sensor, and
// neither connecting nor its details reach a missing entry point.

#include "app/dialogs/addnetworksensordialog.h"
#include "app/qstringprinter.h"
#include "sensors/sensorhandler.h"
#include "sensors/sensorlibraries.h"
#include "sim/websensor/discoveryresponder.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

TEST(AddNetworkSensorDialogWithoutLibrary, ConnectingAndDetailsFailAsUnreachable)
{
    QUVIX_REQUIRE_NETLAB();
    quvixsim::DiscoveryResponder responder("NET-A", "192.0.2.2");
    ASSERT_TRUE(responder.start()) << responder.error();
    addNetworkSensorDialog dialog;
    ASSERT_FALSE(loadWebSensorLibrary());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("sensorTable"));
    auto* status = dialog.findChild<QLabel*>(QStringLiteral("statuslabel"));
    auto* urlEdit = dialog.findChild<QLineEdit*>(QStringLiteral("urlEdit"));
    auto* connectButton = dialog.findChild<QPushButton*>(QStringLiteral("connectButton"));

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (table->rowCount() == 0 || table->item(0, 0)->text() != "NET-A")
                return false;
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                              table->visualItemRect(table->item(0, 0)).center());
            return status->text() == "Not Connected";
        },
        20000));
    for (const char* value : {"serial", "firmware", "fpga", "model", "frequencies"})
        EXPECT_TRUE(dialog.findChild<QLabel*>(QString::fromLatin1(value))->text().isEmpty()) << value;

    urlEdit->setFocus();
    urlEdit->selectAll();
    QTest::keyClicks(urlEdit, "http://192.0.2.2/");
    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_EQ(status->text(), "Unable to connect, check network.");
    EXPECT_TRUE(SensorHandler::getInstance()->networkSensors().isEmpty());
}

} // namespace
