#include "sensors/rememberednetworksensors.h"

#include <gtest/gtest.h>

#include <QSettings>

namespace {

class RememberedNetworkSensorsTest : public ::testing::Test
{
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        QSettings settings;
        settings.remove(RememberedNetworkSensors::group);
    }
    static void store(const QString& key, const QString& value)
    {
        QSettings settings;
        settings.setValue(RememberedNetworkSensors::group + "/" + key, value);
    }
};

TEST_F(RememberedNetworkSensorsTest, LastAddressKeyIsNoSensor)
{
    store("lastaddr", "http://192.0.2.2/");
    store("SN-1", "http://192.0.2.3/");
    EXPECT_EQ(RememberedNetworkSensors::serials(), QStringList{"SN-1"});

    QStringList unavailable;
    EXPECT_FALSE(RememberedNetworkSensors::noteReplyFrom("192.0.2.2/", unavailable, {}));
    EXPECT_EQ(unavailable, QStringList{"SN-1"});
}

TEST_F(RememberedNetworkSensorsTest, ReplyFromARememberedAddressMarksTheOthersUnavailable)
{
    RememberedNetworkSensors::remember("SN-1", "http://192.0.2.2/");
    RememberedNetworkSensors::remember("SN-2", "http://192.0.2.3/");
    RememberedNetworkSensors::remember("SN-3", "http://192.0.2.9/");
    EXPECT_EQ(RememberedNetworkSensors::urlTextOf("SN-2"), "http://192.0.2.3/");

    QStringList unavailable{"SN-3"};
    EXPECT_TRUE(RememberedNetworkSensors::noteReplyFrom("192.0.2.2/", unavailable, {}));
    EXPECT_EQ(unavailable, (QStringList{"SN-3", "SN-2"}));
}

TEST_F(RememberedNetworkSensorsTest, ConnectedSensorStaysOffTheUnavailableList)
{
    RememberedNetworkSensors::remember("SN-1", "http://192.0.2.2/");
    RememberedNetworkSensors::remember("SN-2", "http://192.0.2.3/");

    QStringList unavailable;
    EXPECT_TRUE(RememberedNetworkSensors::noteReplyFrom("192.0.2.3/", unavailable, {"SN-1", "SN-2"}));
    EXPECT_TRUE(unavailable.isEmpty());
}

TEST(NetworkAddressText, RoundTripsBetweenAddressAndUrl)
{
    const QString text = RememberedNetworkSensors::addressText(QHostAddress("192.0.2.2"));
    EXPECT_EQ(text, "192.0.2.2/");
    const QUrl url = RememberedNetworkSensors::urlOf(text);
    EXPECT_EQ(url.toString(), "http://192.0.2.2/");
    EXPECT_EQ(RememberedNetworkSensors::addressTextOfUrl(url.toString()), text);
    EXPECT_EQ(RememberedNetworkSensors::hostOfUrl(url.toString()), QHostAddress("192.0.2.2"));
    EXPECT_EQ(RememberedNetworkSensors::hostOfUrl("http://192.0.2.3:8080/"), QHostAddress("192.0.2.3"));
}

} // namespace
