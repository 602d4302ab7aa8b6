#include "sensors/discoveryprotocol.h"

#include <QHostAddress>
#include <QUdpSocket>

#include <algorithm>

namespace {

const char replyTag[] = {'R', 'P'};
// Read as a little-endian 32-bit value these bytes are the constant 'QUVX'.
const char replyMagic[] = {'X', 'V', 'U', 'Q'};
constexpr int serialOffset = 6;

void appendBigEndian(QByteArray& bytes, quint32 value, int byteCount)
{
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((value >> shift) & 0xFF));
}

} // namespace

QByteArray DiscoveryProtocol::request(quint32 senderIpv4, quint16 replyPort)
{
    QByteArray bytes("RQ");
    appendBigEndian(bytes, senderIpv4, 4);
    appendBigEndian(bytes, replyPort, 2);
    return bytes;
}

std::optional<QString> DiscoveryProtocol::replySerial(const QByteArray& datagram)
{
    const QByteArray reply = datagram.left(maxReplySize);
    if (reply.size() < minReplySize)
        return std::nullopt;
    if (reply.mid(0, 2) != QByteArray(replyTag, 2) || reply.mid(2, 4) != QByteArray(replyMagic, 4))
        return std::nullopt;
    QByteArray serial = reply.mid(serialOffset, maxSerialLength);
    const int nul = serial.indexOf('\0');
    if (nul >= 0)
        serial.truncate(nul);
    const QString text = QString::fromLatin1(serial);
    if (!isAcceptableSerial(text))
        return std::nullopt;
    return text;
}

bool DiscoveryProtocol::isAcceptableSerial(const QString& serial)
{
    if (serial.isEmpty() || serial.size() > maxSerialLength)
        return false;
    return std::all_of(serial.cbegin(), serial.cend(), [](QChar c) {
        const ushort u = c.unicode();
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' ||
               u == '_';
    });
}

quint16 DiscoveryProtocol::bindReplySocket(QUdpSocket& socket)
{
    for (quint16 port = firstReplyPort; port <= lastReplyPort; ++port) {
        if (socket.bind(QHostAddress::Any, port))
            return port;
    }
    return 0;
}
