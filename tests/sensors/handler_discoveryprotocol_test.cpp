#include "sensors/discoveryprotocol.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int value : values)
        result.append(static_cast<char>(value));
    return result;
}

QByteArray replyWith(const QByteArray& serialPart)
{
    return QByteArray("RPXVUQ") + serialPart;
}

TEST(DiscoveryRequest, CarriesAddressAndPortMostSignificantByteFirst)
{
    EXPECT_EQ(DiscoveryProtocol::request(0xC0000201u, 4660),
              bytes({'R', 'Q', 0xC0, 0x00, 0x02, 0x01, 0x12, 0x34}));
    EXPECT_EQ(DiscoveryProtocol::request(0x7F000001u, 4669),
              bytes({'R', 'Q', 0x7F, 0x00, 0x00, 0x01, 0x12, 0x3D}));
    EXPECT_EQ(DiscoveryProtocol::request(0u, 4661).size(), DiscoveryProtocol::requestSize);
}

struct ReplyCase {
    const char* what;
    QByteArray datagram;
    std::optional<QString> serial;
};

class DiscoveryReplyTest : public ::testing::TestWithParam<ReplyCase>
{
};

TEST_P(DiscoveryReplyTest, YieldsTheSerialOrNothing)
{
    EXPECT_EQ(DiscoveryProtocol::replySerial(GetParam().datagram), GetParam().serial) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiscoveryReplyTest,
    ::testing::Values(
        ReplyCase{"empty", QByteArray(), std::nullopt},
        ReplyCase{"seven bytes", QByteArray("RPXVUQA"), std::nullopt},
        ReplyCase{"another requester", QByteArray("RQXVUQAB"), std::nullopt},
        ReplyCase{"wrong magic", QByteArray("RPQUVX12345"), std::nullopt},
        ReplyCase{"magic in big-endian order", QByteArray("RPQUVX12"), std::nullopt},
        ReplyCase{"exactly eight bytes", replyWith("AB"), QString("AB")},
        ReplyCase{"NUL inside the serial", replyWith(bytes({'S', 'N', '7', 0, 'x', 'y'})), QString("SN7")},
        ReplyCase{"NUL right after the magic: no serial", replyWith(bytes({0, 'x'})), std::nullopt},
        ReplyCase{"serial of twenty characters then more", replyWith("ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                  QString("ABCDEFGHIJKLMNOPQRST")},
        ReplyCase{"longer than 64 bytes", replyWith("QVX-001") + QByteArray(1, '\0') + QByteArray(100, 'z'),
                  QString("QVX-001")},
        ReplyCase{"serial up to the end of the datagram", replyWith("QVX-42"), QString("QVX-42")},
        ReplyCase{"underscore", replyWith("QVX_42"), QString("QVX_42")},
        ReplyCase{"control characters", replyWith(bytes({'Q', 'X', 1, 2})), std::nullopt},
        ReplyCase{"escape sequence", replyWith("\x1b[31mQX"), std::nullopt},
        ReplyCase{"path", replyWith("../../etc"), std::nullopt},
        ReplyCase{"markup", replyWith("<b>QX</b>"), std::nullopt},
        ReplyCase{"blank inside", replyWith("QX 1"), std::nullopt},
        ReplyCase{"beyond ASCII", replyWith("QX\xe9"), std::nullopt}));

} // namespace
