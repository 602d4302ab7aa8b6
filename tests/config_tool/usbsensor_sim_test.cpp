// The simulated libusb must be a drop-in for the system's: same SONAME, the
// same entry points, and the one this test process actually runs on.

#include "simulatedsensors.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <dlfcn.h>

namespace {

QString simulatorLibrary()
{
    return QStringLiteral(QUVIX_USB_SIM_LIBRARY_DIR_TEXT "/libusb-0.1.so.4");
}

} // namespace

TEST(UsbSensorSimulator, HasTheSonameOfLibusb01)
{
    QProcess objdump;
    objdump.start("objdump", {"-p", simulatorLibrary()});
    ASSERT_TRUE(objdump.waitForFinished(30000));
    EXPECT_TRUE(objdump.readAllStandardOutput().contains("SONAME               libusb-0.1.so.4"));
}

TEST(UsbSensorSimulator, ExportsTheLibusbCallsTheToolUses)
{
    void* library = dlopen(simulatorLibrary().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!library)
        library = dlopen(simulatorLibrary().toLocal8Bit().constData(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* symbol :
         {"usb_init", "usb_find_busses", "usb_find_devices", "usb_get_busses", "usb_open", "usb_close",
          "usb_get_string_simple", "usb_device", "usb_set_configuration", "usb_claim_interface",
          "usb_release_interface", "usb_bulk_write", "usb_bulk_read", "usb_strerror", "usb_busses"})
        EXPECT_NE(dlsym(library, symbol), nullptr) << symbol;
    dlclose(library);
}

TEST(UsbSensorSimulator, StandsInForTheSystemLibrary)
{
    EXPECT_TRUE(usingSimulatedLibusb()) << "LD_LIBRARY_PATH must put the simulator first";
}
