#include "sensors/rememberednetworksensors.h"

#include <QSettings>

namespace {

// Length of "http://", which every stored URL text starts with.
constexpr int schemePrefixLength = 7;

} // namespace

const QString RememberedNetworkSensors::group = QStringLiteral("NetworkSensors");

bool RememberedNetworkSensors::isSensorKey(const QString& key)
{
    return !key.startsWith(QLatin1Char('l'));
}

QStringList RememberedNetworkSensors::serials()
{
    QSettings settings;
    settings.beginGroup(group);
    QStringList sensorKeys;
    for (const QString& key : settings.childKeys()) {
        if (isSensorKey(key))
            sensorKeys.append(key);
    }
    return sensorKeys;
}

QString RememberedNetworkSensors::urlTextOf(const QString& serial)
{
    QSettings settings;
    settings.beginGroup(group);
    return settings.value(serial, QString()).toString();
}

void RememberedNetworkSensors::remember(const QString& serial, const QString& urlText)
{
    QSettings settings;
    settings.beginGroup(group);
    settings.setValue(serial, urlText);
}

bool RememberedNetworkSensors::noteReplyFrom(const QString& addressText, QStringList& unavailable,
                                             const QStringList& connectedSerials)
{
    QSettings settings;
    settings.beginGroup(group);
    bool remembered = false;
    for (const QString& key : settings.childKeys()) {
        if (!isSensorKey(key))
            continue;
        const QString storedAddress = settings.value(key, QString()).toString().mid(schemePrefixLength);
        if (storedAddress == addressText) {
            remembered = true;
            continue;
        }
        // A connected sensor is not unavailable, whatever address replied.
        if (!unavailable.contains(key) && !connectedSerials.contains(key))
            unavailable.append(key);
    }
    return remembered;
}

QString RememberedNetworkSensors::addressText(const QHostAddress& address)
{
    QString text = address.toString();
    if (!text.endsWith(QLatin1Char('/')))
        text.append(QLatin1Char('/'));
    return text;
}

QUrl RememberedNetworkSensors::urlOf(const QString& addressText)
{
    return QUrl::fromUserInput(addressText);
}

QString RememberedNetworkSensors::addressTextOfUrl(const QString& urlText)
{
    return urlText.mid(schemePrefixLength);
}

QHostAddress RememberedNetworkSensors::hostOfUrl(const QString& urlText)
{
    return QHostAddress(QUrl(urlText).host());
}
