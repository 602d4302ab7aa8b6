// The sensor tile: what it shows of a sensor, how a click selects it, and
// how it follows its sensor's signals and disconnection.

#include "app/tabs/quvixdisplaywidget.h"

#include "scans/cwscan.h"
#include "support/fakesensor.h"
#include "ui_quvixdisplaywidget.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <thread>

namespace {

const QString selectedLook = QStringLiteral(
    "QFrame#frame {background-color:white;border: 1px solid gray ;border-radius: 5px;margin-top: 1ex;}");
const QString deselectedLook =
    QStringLiteral("QFrame{background-color:rgb(163, 163, 163);}QFrame#frame {border: 1px solid gray "
                   ";border-radius: 5px;margin-top: 1ex; border-style:inset;} ");

QStringList labelTexts(const quvixDisplayWidget& tile)
{
    QStringList texts;
    for (const QLabel* label : tile.frequencyLabels())
        texts << label->text() + QStringLiteral(" [") + label->toolTip() + QStringLiteral("]");
    return texts;
}

void expectUnavailable(const quvixDisplayWidget& tile)
{
    EXPECT_FALSE(tile.isAvailable());
    EXPECT_EQ(tile.form().statusLabel->text(), QStringLiteral("Disconnected"));
    EXPECT_EQ(tile.styleSheet(), deselectedLook);
    EXPECT_EQ(tile.statusTip(), QStringLiteral("Unavailable"));
    EXPECT_EQ(tile.form().frame->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(tile.sensor(), nullptr);
    EXPECT_FALSE(tile.form().serialLabel->isEnabled());
}

TEST(SensorTile, ShowsNameFrequenciesAndConnection)
{
    FakeSensor sensor({13.56, 27.12, 40.68}, {3, 5, 0});
    sensor.setSerialNumber(QStringLiteral("QX1"));
    quvixDisplayWidget tile(&sensor);

    EXPECT_EQ(tile.form().serialLabel->text(), QStringLiteral("QX1"));
    EXPECT_EQ(labelTexts(tile),
              (QStringList{QStringLiteral("13.56 MHz [3 h]"), QStringLiteral("27.12 MHz [5 h]")}));
    EXPECT_EQ(tile.form().statusLabel->text(), QStringLiteral("Monitoring"));
    EXPECT_EQ(tile.form().lb_connTypeText->text(), QStringLiteral("USB"));
    EXPECT_FALSE(tile.form().lb_connTypeIcon->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_TRUE(tile.isSelected());
    EXPECT_TRUE(tile.isAvailable());
    EXPECT_EQ(tile.serial(), QStringLiteral("QX1"));
    EXPECT_EQ(tile.windowTitle(), QStringLiteral("Form"));
    EXPECT_EQ(tile.form().frame->frameShape(), QFrame::Panel);
    EXPECT_EQ(tile.form().frame->frameShadow(), QFrame::Raised);
    EXPECT_EQ(tile.layout()->contentsMargins(), QMargins(2, 2, 2, 2));
    EXPECT_EQ(tile.sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);

    FakeSensor web({2.0}, {0});
    web.setConnectionKind(1);
    web.setNicknameQuietly(QStringLiteral("Chamber A"));
    quvixDisplayWidget webTile(&web);
    EXPECT_EQ(webTile.form().serialLabel->text(), QStringLiteral("Chamber A"));
    EXPECT_TRUE(webTile.hasNickname());
    EXPECT_EQ(labelTexts(webTile), QStringList{QStringLiteral("NO CAL []")});
    EXPECT_EQ(webTile.form().lb_connTypeText->text(), QStringLiteral("Web"));
    EXPECT_EQ(webTile.form().lb_connTypeIcon->pixmap(Qt::ReturnByValue).toImage(),
              QPixmap(QStringLiteral(":/images/Images/ethernet_icon.png")).toImage());
    EXPECT_EQ(tile.form().lb_connTypeIcon->pixmap(Qt::ReturnByValue).toImage(),
              QPixmap(QStringLiteral(":/images/Images/usb_icon.png")).toImage());
}

TEST(SensorTile, LeftClickFlipsTheSelectionRightClickDoesNot)
{
    FakeSensor sensor({13.56}, {1});
    quvixDisplayWidget tile(&sensor);
    tile.show();
    EXPECT_EQ(tile.styleSheet(), selectedLook);

    QTest::mouseClick(&tile, Qt::LeftButton);
    EXPECT_FALSE(tile.isSelected());
    EXPECT_EQ(tile.styleSheet(), deselectedLook);
    EXPECT_FALSE(tile.form().statusLabel->isEnabled());
    EXPECT_FALSE(tile.frequencyLabels().front()->isEnabled());

    QTest::mouseClick(&tile, Qt::RightButton);
    EXPECT_FALSE(tile.isSelected());

    QTest::mouseClick(&tile, Qt::MiddleButton);
    EXPECT_TRUE(tile.isSelected());
    EXPECT_EQ(tile.styleSheet(), selectedLook);
    EXPECT_TRUE(tile.frequencyLabels().front()->isEnabled());
}

TEST(SensorTile, DisconnectedTileIsGreyAndIgnoresClicks)
{
    FakeSensor sensor({13.56}, {1});
    quvixDisplayWidget tile(&sensor);
    tile.show();
    emit sensor.SensorDisconnected(&sensor);
    expectUnavailable(tile);
    EXPECT_TRUE(tile.isSelected());

    QTest::mouseClick(&tile, Qt::LeftButton);
    EXPECT_TRUE(tile.isSelected());
    EXPECT_EQ(tile.styleSheet(), deselectedLook);

    // A refresh without a sensor changes nothing.
    tile.sensorConfigUpdated();
    EXPECT_EQ(tile.form().statusLabel->text(), QStringLiteral("Disconnected"));
}

TEST(SensorTile, ReconnectHandsTheNicknameToTheNewSensorObject)
{
    FakeSensor first({13.56}, {1});
    first.setNicknameQuietly(QStringLiteral("Etch 2"));
    quvixDisplayWidget tile(&first);
    tile.sensorDisconnected();

    FakeSensor returned({13.56, 27.12}, {1, 2});
    returned.setSerialNumber(first.serialNumber());
    QSignalSpy configUpdates(&returned, &QuvixSensor::configUpdated);
    tile.sensorReconnected(&returned);

    EXPECT_EQ(returned.nickname(), QStringLiteral("Etch 2"));
    EXPECT_EQ(configUpdates.count(), 1);
    EXPECT_TRUE(tile.isAvailable());
    EXPECT_EQ(tile.sensor(), &returned);
    EXPECT_EQ(tile.frequencyLabels().size(), 2);
    EXPECT_EQ(tile.styleSheet(), selectedLook);
    // The overview replaces the card right after.
    EXPECT_EQ(tile.statusTip(), QStringLiteral("Unavailable"));

    // Without a nickname, nothing is handed over.
    FakeSensor plain({13.56}, {1});
    quvixDisplayWidget plainTile(&plain);
    plainTile.sensorDisconnected();
    FakeSensor plainBack({13.56}, {1});
    plainTile.sensorReconnected(&plainBack);
    EXPECT_TRUE(plainBack.nickname().isEmpty());
}

TEST(SensorTile, ScanStartAndCompletionFromTheSensorThreadRefreshTheState)
{
    FakeSensor sensor({13.56}, {1});
    quvixDisplayWidget tile(&sensor);
    CWScan scan(&sensor, QStringLiteral("cw"), 100);
    scan.start();

    sensor.setCurrentScan(&scan);
    std::thread([&] { emit sensor.ScanStarted(&scan); }).join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile.form().statusLabel->text() == QStringLiteral("Scanning"); },
                                20000));

    sensor.setCurrentScan(nullptr);
    std::thread([&] { emit sensor.ScanComplete(&scan); }).join();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tile.form().statusLabel->text() == QStringLiteral("Monitoring"); }, 20000));

    // Only a triggered recording that waits for its start shows as such.
    CWScan triggered(&sensor, QStringLiteral("auto"), 100);
    triggered.setTriggerRecording(0, 1.0, true, 0, 0.5, false, 0.0, 0.0, 1.0, true, 0, nullptr);
    triggered.start();
    sensor.setCurrentScan(&triggered);
    std::thread([&] { emit sensor.ScanStarted(&triggered); }).join();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return tile.form().statusLabel->text() == QStringLiteral("AutoStart"); }, 20000));
    sensor.setCurrentScan(nullptr);

    // A nickname set on the sensor's thread reaches the card too.
    std::thread([&] { sensor.setNickname(QStringLiteral("Bench")); }).join();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return tile.form().serialLabel->text() == QStringLiteral("Bench"); }, 20000));
}

TEST(SensorTile, PlaceholderIsAnUnavailableUsbCardOfItsSerial)
{
    quvixDisplayWidget tile(QStringLiteral("QX-REMEMBERED"));
    expectUnavailable(tile);
    EXPECT_EQ(tile.serial(), QStringLiteral("QX-REMEMBERED"));
    EXPECT_EQ(tile.form().serialLabel->text(), QStringLiteral("QX-REMEMBERED"));
    EXPECT_TRUE(tile.form().type->text().isEmpty());
    EXPECT_EQ(labelTexts(tile), QStringList{QStringLiteral("NO CAL []")});
    EXPECT_EQ(tile.form().lb_connTypeText->text(), QStringLiteral("USB"));
}

} // namespace
