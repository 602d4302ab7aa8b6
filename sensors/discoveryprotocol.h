#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QUdpSocket;

// The UDP discovery wire format of network sensors and the ports it uses.
// Pure functions, callable from any thread; bindReplySocket touches only the
// socket it is given (on that socket's thread).
class DiscoveryProtocol
{
public:
    static constexpr quint16 requestPort = 1799;
    static constexpr quint16 firstReplyPort = 4660;
    static constexpr quint16 lastReplyPort = 4669;
    static constexpr int requestSize = 8;
    // A longer reply datagram is cut to this many bytes.
    static constexpr int maxReplySize = 64;
    static constexpr int minReplySize = 8;
    static constexpr int maxSerialLength = 20;

    // "RQ", the sender's IPv4 address and the reply port, both most
    // significant byte first.
    static QByteArray request(quint32 senderIpv4, quint16 replyPort);

    // The serial number a reply announces, or nothing when the datagram is
    // not a sensor's reply (short, another requester's "RQ", wrong magic) or
    // its serial is not one a sensor would have. The serial ends at the first
    // NUL, at 20 characters or at the end of the datagram, whichever comes
    // first.
    static std::optional<QString> replySerial(const QByteArray& datagram);

    // Whether a serial number looks like a sensor's: 1 to 20 letters, digits,
    // '-' or '_'. A serial names settings groups and autosaved files, so
    // nothing else is taken from the network.
    static bool isAcceptableSerial(const QString& serial);

    // Binds the socket to the first free reply port on any address with the
    // default bind mode; returns that port, or 0 when every port is taken.
    static quint16 bindReplySocket(QUdpSocket& socket);
};
