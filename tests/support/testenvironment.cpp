#include "support/testenvironment.h"

#include <QByteArray>
#include <QCoreApplication>

namespace testenv {

bool isNetworkIsolated()
{
    return qgetenv("NETLAB") == "1";
}

QString binaryDir()
{
    const QByteArray fromCTest = qgetenv("QUVIX_BIN_DIR");
    if (!fromCTest.isEmpty())
        return QString::fromLocal8Bit(fromCTest);
    return QCoreApplication::applicationDirPath() + "/../bin";
}

QString artifactsDir()
{
    const QByteArray fromCTest = qgetenv("QUVIX_ARTIFACTS_DIR");
    if (!fromCTest.isEmpty())
        return QString::fromLocal8Bit(fromCTest);
    return binaryDir() + "/../artifacts";
}

QString sourceDir()
{
    return QString::fromLocal8Bit(qgetenv("QUVIX_SOURCE_DIR"));
}

} // namespace testenv
