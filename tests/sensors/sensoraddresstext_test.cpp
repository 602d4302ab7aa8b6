// Texts of sensors that are not open yet: typed addresses and the frequency
// list shown.
#include "sensors/ipv4text.h"
#include "sensors/websensordetails.h"

#include <gtest/gtest.h>

#include <QUrl>

namespace {

TEST(TypedSensorAddress, DottedHostPartsAreReadAsTypedDecimals)
{
    struct Case {
        const char* typed;
        const char* rewritten;
    };
    const Case cases[] = {
        {"192.168.001.010", "192.168.1.10"},
        {"192.168.001.010/", "192.168.1.10/"},
        {"http://010.000.002.009:8080/quvix_service/", "http://10.0.2.9:8080/quvix_service/"},
        {" 192.0.2.002/ ", " 192.0.2.2/ "},
        {"192.0.2.2", "192.0.2.2"},
        // Not four decimal parts of 0 to 255: left to the URL parser as typed.
        {"192.168.1.300/", "192.168.1.300/"},
        {"1.2.3/", "1.2.3/"},
        {"sensor.local/", "sensor.local/"},
        {"http://[::1]/", "http://[::1]/"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDecimalIpv4Host(QString::fromLatin1(c.typed)), QString::fromLatin1(c.rewritten))
            << c.typed;
}

TEST(TypedSensorAddress, ReachesTheHostTypedWhereTheUrlParserReadsOctal)
{
    // The URL parser alone takes "010" for 8.
    EXPECT_EQ(QUrl::fromUserInput("192.168.001.010/").host(), "192.168.1.8");
    const QUrl url = QUrl::fromUserInput(withDecimalIpv4Host("192.168.001.010/"));
    EXPECT_EQ(url.toString(), "http://192.168.1.10/");
}

TEST(TypedSensorAddress, OnlyFourDecimalPartsOrAHostNameMakeASensorUrl)
{
    struct Case {
        const char* typed;
        const char* url; // null: refused
    };
    const Case cases[] = {
        {"192.0.2.2", "http://192.0.2.2/"},
        {"01.02.03.04", "http://1.2.3.4/"},
        {" http://192.0.2.2:8080/quvix_service ", "http://192.0.2.2:8080/quvix_service/"},
        {"sensor-7.lab.example", "http://sensor-7.lab.example/"},
        {"Sensor7:8080", "http://sensor7:8080/"},
        {"localhost", "http://localhost/"},
        // Short, hexadecimal and single-number forms name another address.
        {"1.2.3", nullptr},
        {"1.2", nullptr},
        {"0x7f.1", nullptr},
        {"0x7f000001", nullptr},
        {"3221225986", nullptr},
        {"256.1.1.1", nullptr},
        {"1.2.3.4.5", nullptr},
        {"192.0.2.2:99999", nullptr},
        {"[::1]", nullptr},
        {"-sensor", nullptr},
        {"a..b", nullptr},
        {"http://", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<QUrl> url = typedSensorUrl(QString::fromLatin1(c.typed));
        if (c.url) {
            ASSERT_TRUE(url.has_value()) << c.typed;
            EXPECT_EQ(url->toString(), QString::fromLatin1(c.url)) << c.typed;
        } else {
            EXPECT_FALSE(url.has_value()) << c.typed << " gave " << url->toString().toStdString();
        }
    }
}

TEST(SensorFrequencyText, ListsMegahertzWithSixSignificantDigits)
{
    EXPECT_EQ(WebSensorDetails::frequencyListText({13.56, 27.12}), "[ 13.56, 27.12 ]");
    EXPECT_EQ(WebSensorDetails::frequencyListText({2.0, 40.6799999}), "[ 2, 40.68 ]");
    EXPECT_EQ(WebSensorDetails::frequencyListText({}), "[  ]");
}

} // namespace
