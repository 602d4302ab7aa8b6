#pragma once

#include <QCoreApplication>
#include <QLibrary>

// The stand-in driver's control calls, resolved from the very library the
// program's binding loaded from its own folder (one library, one state).
class UsbSimControl
{
public:
    UsbSimControl()
        : m_library(QCoreApplication::applicationDirPath() + QStringLiteral("/libquvix3.so"))
    {
        configure = resolve<int (*)(const char*)>("quvix3SimConfigure");
        setAttached = resolve<int (*)(const char*, int)>("quvix3SimSetAttached");
        samplesDelivered = resolve<long long (*)(const char*)>("quvix3SimSamplesDelivered");
        deviceSetting = resolve<double (*)(const char*, const char*)>("quvix3SimDeviceSetting");
        callCount = resolve<int (*)(const char*, const char*)>("quvix3SimCallCount");
    }

    bool isComplete() const
    {
        return configure && setAttached && samplesDelivered && deviceSetting && callCount;
    }

    int (*configure)(const char* text) = nullptr;
    int (*setAttached)(const char* serial, int attached) = nullptr;
    long long (*samplesDelivered)(const char* serial) = nullptr;
    double (*deviceSetting)(const char* serial, const char* name) = nullptr;
    int (*callCount)(const char* serial, const char* entryPoint) = nullptr;

private:
    template <typename Function> Function resolve(const char* name)
    {
        return reinterpret_cast<Function>(m_library.resolve(name));
    }

    QLibrary m_library;
};
