#include "scans/scanlog.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex& sinkMutex()
{
    static QMutex mutex;
    return mutex;
}

ScanLogSink& currentSink()
{
    static ScanLogSink sink;
    return sink;
}

} // namespace

void scanLog(const QString& text)
{
    QMutexLocker lock(&sinkMutex());
    if (currentSink())
        currentSink()(text);
    else
        qDebug().noquote() << text;
}

void setScanLogSink(ScanLogSink sink)
{
    QMutexLocker lock(&sinkMutex());
    currentSink() = std::move(sink);
}
