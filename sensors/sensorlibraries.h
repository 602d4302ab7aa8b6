#pragma once

#include "sensors/usbsensorapi.h"
#include "sensors/websensorapi.h"

#include <utility>

// Binding of the two sensor libraries. Each is loaded once, from the
// program's own folder first, then by bare name through the library search
// path; a library that does not load leaves its whole table null, which is
// logged and never fatal. Called on the GUI thread before any sensor thread
// exists; the tables are read-only afterwards.

// Binds the USB sensor driver library (libquvix3.so). True when loaded, also
// on a repeated call, which changes nothing.
bool loadUsbSensorLibrary();
// Binds the network sensor library (libQuvix_web_dll.so), likewise.
bool loadWebSensorLibrary();

const UsbSensorApi& usbSensorApi();
const WebSensorApi& webSensorApi();

// Calls an entry point that may be unbound: failure when it is null.
template <typename Result, typename... Parameters, typename... Arguments>
Result callOr(Result (*entry)(Parameters...), Result failure, Arguments&&... arguments)
{
    return entry ? entry(std::forward<Arguments>(arguments)...) : failure;
}

// The same for entry points without a result.
template <typename... Parameters, typename... Arguments>
void callIfBound(void (*entry)(Parameters...), Arguments&&... arguments)
{
    if (entry)
        entry(std::forward<Arguments>(arguments)...);
}
