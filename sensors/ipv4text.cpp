#include "sensors/ipv4text.h"

#include <QHostAddress>
#include <QRegularExpression>

std::optional<uint32_t> parseIpv4(const QString& text)
{
    static const QRegularExpression dotted("^([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})\\.([0-9]{1,3})$");
    const QRegularExpressionMatch match = dotted.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    // Each part is the decimal number the user typed: a leading zero is
    // padding, never an octal prefix as the usual address parsers take it.
    uint32_t address = 0;
    for (int part = 1; part <= 4; ++part) {
        const uint32_t value = match.captured(part).toUInt(nullptr, 10);
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | value;
    }
    return address;
}

QString formatIpv4(uint32_t address)
{
    return QHostAddress(address).toString();
}

QString withDecimalIpv4Host(const QString& typedAddress)
{
    // An optional scheme, the host, then the end or a port, path, query or
    // fragment.
    static const QRegularExpression hostPart(
        "^(\\s*(?:[A-Za-z][A-Za-z0-9+.-]*://)?)([0-9.]+)((?:[:/?#].*)?\\s*)$",
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = hostPart.match(typedAddress);
    if (!match.hasMatch())
        return typedAddress;
    const std::optional<uint32_t> address = parseIpv4(match.captured(2));
    if (!address)
        return typedAddress;
    return match.captured(1) + formatIpv4(*address) + match.captured(3);
}
