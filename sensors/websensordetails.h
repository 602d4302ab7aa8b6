#pragma once

#include <QString>
#include <QUrl>
#include <QVector>

// What a network sensor that is not connected tells about itself, read
// through the network library's read-only calls on a short-lived handle:
// opening only asks the sensor (no setting is sent), and the handle is
// closed before read() returns. No sensor object is built. Runs on the
// calling thread (the GUI thread), blocking for the library's exchanges.
struct WebSensorDetails {
    // Whether the sensor answered with a serial a sensor would have
    // (DiscoveryProtocol::isAcceptableSerial).
    bool reached = false;
    // The library's open result: a handle (0 or more) or its error code.
    int openResult = 0;
    QString serialNumber;
    QString firmwareRevision;
    QString fpgaRevision;
    QString variant;
    QVector<double> frequenciesMHz;

    static WebSensorDetails read(const QUrl& url);

    // "[ 13.56, 27.12 ]": each frequency in MHz with 6 significant digits;
    // "[  ]" for none.
    static QString frequencyListText(const QVector<double>& frequenciesMHz);
};
