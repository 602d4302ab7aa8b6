#include "ipv4text.h"

#include <QHostAddress>
#include <QRegularExpression>

std::optional<uint32_t> parseIpv4(const QString& text)
{
    static const QRegularExpression dotted("^\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$");
    const QString trimmed = text.trimmed();
    if (!dotted.match(trimmed).hasMatch())
        return std::nullopt;
    for (const QString& part : trimmed.split('.'))
        if (part.toInt() > 255)
            return std::nullopt;
    const QHostAddress address(trimmed);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return address.toIPv4Address();
}

QString formatIpv4(uint32_t address)
{
    return QHostAddress(address).toString();
}
