#include "scans/scanlog.h"

#include <QDebug>

#include <mutex>

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
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
    std::lock_guard<std::mutex> lock(sinkMutex());
    if (currentSink())
        currentSink()(text);
    else
        qDebug().noquote() << text;
}

void setScanLogSink(ScanLogSink sink)
{
    std::lock_guard<std::mutex> lock(sinkMutex());
    currentSink() = std::move(sink);
}
