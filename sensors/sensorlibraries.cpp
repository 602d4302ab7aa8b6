#include "sensors/sensorlibraries.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QtDebug>

namespace {

// Process-wide loaders; never unloaded, so the tables stay valid until exit.
QLibrary& usbSensorLibrary()
{
    static QLibrary library;
    return library;
}

QLibrary& webSensorLibrary()
{
    static QLibrary library;
    return library;
}

UsbSensorApi& usbTable()
{
    static UsbSensorApi api;
    return api;
}

WebSensorApi& webTable()
{
    static WebSensorApi api;
    return api;
}

// dlopen, as Qt calls it, does not search the program's RUNPATH, so the
// program's own folder is tried explicitly before the library search path.
bool loadFromProgramFolderOrSearchPath(QLibrary& library, const QString& baseName)
{
    if (QCoreApplication::instance()) {
        library.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/lib") + baseName +
                            QStringLiteral(".so"));
        if (library.load())
            return true;
    }
    library.setFileName(baseName);
    return library.load();
}

} // namespace

void UsbSensorApi::resolve(QLibrary& library)
{
#define QUVIX_RESOLVE_ENTRY(member, name, type)                                                              \
    member = reinterpret_cast<std::add_pointer_t<type>>(library.resolve(name));
    QUVIX_USB_SENSOR_ENTRY_POINTS(QUVIX_RESOLVE_ENTRY)
}

std::vector<std::pair<const char*, bool>> UsbSensorApi::bindings() const
{
#define QUVIX_LIST_ENTRY(member, name, type) {name, member != nullptr},
    return {QUVIX_USB_SENSOR_ENTRY_POINTS(QUVIX_LIST_ENTRY)};
}

void WebSensorApi::resolve(QLibrary& library){QUVIX_WEB_SENSOR_ENTRY_POINTS(QUVIX_RESOLVE_ENTRY)}

std::vector<std::pair<const char*, bool>> WebSensorApi::bindings() const
{
    return {QUVIX_WEB_SENSOR_ENTRY_POINTS(QUVIX_LIST_ENTRY)};
}
#undef QUVIX_RESOLVE_ENTRY
#undef QUVIX_LIST_ENTRY

bool loadUsbSensorLibrary()
{
    QLibrary& library = usbSensorLibrary();
    if (library.isLoaded())
        return true;
    if (!loadFromProgramFolderOrSearchPath(library, QStringLiteral("quvix3"))) {
        qDebug("Failed to load DLL");
        qDebug("%s", qPrintable(library.errorString()));
        return false;
    }
    usbTable().resolve(library);
    return true;
}

bool loadWebSensorLibrary()
{
    QLibrary& library = webSensorLibrary();
    if (library.isLoaded())
        return true;
    qDebug("web ddll.dll");
    if (!loadFromProgramFolderOrSearchPath(library, QStringLiteral("Quvix_web_dll"))) {
        qDebug("LOading web failing");
        qDebug("%s", qPrintable(library.errorString()));
        return false;
    }
    qDebug("LOading web Success");
    webTable().resolve(library);
    return true;
}

const UsbSensorApi& usbSensorApi()
{
    return usbTable();
}

const WebSensorApi& webSensorApi()
{
    return webTable();
}
