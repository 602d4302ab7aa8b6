#include "sensors/ipv4text.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QStringList>

namespace {

// What URL parsers read as a number rather than a name: decimal digits, or
// hexadecimal after "0x".
bool isNumberLabel(const QString& label)
{
    static const QRegularExpression number("^(?:[0-9]+|0[xX][0-9A-Fa-f]*)$");
    return number.match(label).hasMatch();
}

// Labels of letters, digits and inner hyphens (international names in their
// ASCII form), the last of them not a number, so that no parser reads the
// name as an address.
bool isHostName(const QString& host)
{
    static const QRegularExpression label("^[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?$");
    constexpr int longestName = 253;
    const QString asciiName = QString::fromLatin1(QUrl::toAce(host));
    if (asciiName.isEmpty() || asciiName.size() > longestName)
        return false;
    const QStringList labels = asciiName.split(QLatin1Char('.'));
    for (const QString& part : labels) {
        if (!label.match(part).hasMatch())
            return false;
    }
    return !isNumberLabel(labels.last());
}

} // namespace

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

std::optional<QUrl> typedSensorUrl(const QString& typedAddress)
{
    QString address = typedAddress.trimmed();
    if (!address.endsWith(QLatin1Char('/')))
        address.append(QLatin1Char('/'));
    // The host as typed, before any parser widens it.
    static const QRegularExpression typedHost("^(?:[A-Za-z][A-Za-z0-9+.-]*://)?([^:/?#]*)");
    const QString host = typedHost.match(address).captured(1);
    const std::optional<uint32_t> ipv4 = parseIpv4(host);
    if (!ipv4 && !isHostName(host))
        return std::nullopt;
    const QUrl url = QUrl::fromUserInput(withDecimalIpv4Host(address));
    const QString expectedHost = ipv4 ? formatIpv4(*ipv4) : QString::fromLatin1(QUrl::toAce(host));
    // A text the URL parser splits otherwise ("name:80/" as a scheme).
    if (!url.isValid() || url.host(QUrl::FullyEncoded).compare(expectedHost, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return url;
}
