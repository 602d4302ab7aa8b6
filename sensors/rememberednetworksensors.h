#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QUrl>

// The network sensors the user chose to remember: the settings group
// "NetworkSensors", one key per sensor serial holding the sensor's URL text
// ("http://" dotted address "/"), beside the dialog's own "lastaddr".
// Also the address texts the handler keys network sensors by. GUI thread
// only (settings store); the text helpers are pure.
class RememberedNetworkSensors
{
public:
    static const QString group;

    // Keys that name sensors: every key not beginning with 'l'.
    static bool isSensorKey(const QString& key);
    static QStringList serials();
    static QString urlTextOf(const QString& serial);
    static void remember(const QString& serial, const QString& urlText);

    // Handles one discovery reply from addressText: true when a remembered
    // sensor lives at that address. Every other remembered serial goes on the
    // unavailable list unless it is there already or is connected right now.
    static bool noteReplyFrom(const QString& addressText, QStringList& unavailable,
                              const QStringList& connectedSerials);

    // "192.0.2.2/": the dotted address with "/" appended.
    static QString addressText(const QHostAddress& address);
    // The URL discovery opens for an address text ("http://192.0.2.2/").
    static QUrl urlOf(const QString& addressText);
    // The address text of a URL text: the URL without its "http://".
    static QString addressTextOfUrl(const QString& urlText);
    // The sensor's host address, parsed from the URL's host.
    static QHostAddress hostOfUrl(const QString& urlText);
};
