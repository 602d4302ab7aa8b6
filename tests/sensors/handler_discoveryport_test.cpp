#include "sensors/discoveryprotocol.h"
#include "support/testenvironment.h"

#include <gtest/gtest.h>

#include <QUdpSocket>

#include <memory>
#include <vector>

namespace {

TEST(DiscoveryReplyPort, TakesTheFirstFreePortAndGivesUpAfter4669)
{
    QUVIX_REQUIRE_NETLAB();
    std::vector<std::unique_ptr<QUdpSocket>> sockets;
    for (quint16 expected = DiscoveryProtocol::firstReplyPort; expected <= DiscoveryProtocol::lastReplyPort;
         ++expected) {
        sockets.push_back(std::make_unique<QUdpSocket>());
        EXPECT_EQ(DiscoveryProtocol::bindReplySocket(*sockets.back()), expected);
    }
    QUdpSocket noRoom;
    EXPECT_EQ(DiscoveryProtocol::bindReplySocket(noRoom), 0);

    // A port freed in the middle of the range is the next one taken.
    sockets[3].reset();
    QUdpSocket again;
    EXPECT_EQ(DiscoveryProtocol::bindReplySocket(again), DiscoveryProtocol::firstReplyPort + 3);
}

} // namespace
