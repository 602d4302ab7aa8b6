#include "sensors/websensordetails.h"

#include "sensors/discoveryprotocol.h"
#include "sensors/sensorlibraries.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

// The library copies a text of up to 63 characters without a terminating
// NUL; one spare zero byte keeps a full buffer terminated.
constexpr int textBufferSize = 100;
// More frequencies than any sensor has: a count beyond it is not believed.
constexpr int mostFrequencies = 16;

template <typename Getter> QString textFromLibrary(Getter getter)
{
    char buffer[textBufferSize + 1] = {};
    getter(buffer);
    return QString::fromUtf8(buffer, static_cast<int>(strnlen(buffer, textBufferSize)));
}

// Closes the handle however read() leaves.
class HandleCloser
{
public:
    explicit HandleCloser(int handle)
        : m_handle(handle)
    {
    }
    ~HandleCloser() { callIfBound(webSensorApi().quvixClose, m_handle); }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    const int m_handle;
};

} // namespace

WebSensorDetails WebSensorDetails::read(const QUrl& url)
{
    const WebSensorApi& api = webSensorApi();
    constexpr int badHandle = WebSensorApi::badHandle;
    WebSensorDetails details;
    const QByteArray urlText = url.toString().toLatin1();
    details.openResult = callOr(api.quvixWebOpen, WebSensorApi::cannotConnect, urlText.constData());
    if (details.openResult < 0)
        return details;
    const int handle = details.openResult;
    const HandleCloser closer(handle);

    const QString serial =
        textFromLibrary([&](char* buffer) { callOr(api.quvixGetSerial, badHandle, handle, buffer); });
    if (!DiscoveryProtocol::isAcceptableSerial(serial))
        return details;
    details.reached = true;
    details.serialNumber = serial;
    details.firmwareRevision = textFromLibrary(
        [&](char* buffer) { callOr(api.quvixGetFirmwareRevision, badHandle, handle, buffer); });
    details.fpgaRevision =
        textFromLibrary([&](char* buffer) { callOr(api.quvixGetFPGARevision, badHandle, handle, buffer); });
    details.variant =
        textFromLibrary([&](char* buffer) { callOr(api.quvixGetVariantInfo, badHandle, handle, buffer); });
    const int count = std::clamp(callOr(api.quvixGetFrequencyCount, badHandle, handle), 0, mostFrequencies);
    for (int index = 0; index < count; ++index) {
        double hz = 0.0;
        int harmonics = 0;
        if (callOr(api.quvixGetFrequencyDetails, badHandle, handle, index, &hz, &harmonics) <= 0)
            break;
        details.frequenciesMHz.append(hz / 1000000.0);
    }
    return details;
}

QString WebSensorDetails::frequencyListText(const QVector<double>& frequenciesMHz)
{
    QStringList texts;
    for (const double frequency : frequenciesMHz)
        texts.append(QString::number(frequency, 'g', 6));
    return QStringLiteral("[ ") + texts.join(QStringLiteral(", ")) + QStringLiteral(" ]");
}
