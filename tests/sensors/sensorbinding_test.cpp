// The binding with the libraries in the program's own folder (this test is
// built into the folder of the deliverables).

#include "debuglog.h"
#include "sensors/sensorlibraries.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(SensorBinding, StandInDriverResolvesAllThirtyEightPointers)
{
    ASSERT_TRUE(loadUsbSensorLibrary());
    const auto bindings = usbSensorApi().bindings();
    ASSERT_EQ(bindings.size(), 38u);
    for (const auto& [name, bound] : bindings)
        EXPECT_TRUE(bound) << name;
    EXPECT_EQ(usbSensorApi().quvixSetNormalMode, usbSensorApi().quvixSetNormalModeLowSignal);
}

TEST(SensorBinding, SecondLoadReturnsTrueAndLeavesTheTable)
{
    ASSERT_TRUE(loadUsbSensorLibrary());
    UsbSensorApi before;
    std::memcpy(static_cast<void*>(&before), &usbSensorApi(), sizeof before);
    DebugLog::lines().clear();
    {
        DebugLog log;
        EXPECT_TRUE(loadUsbSensorLibrary());
    }
    EXPECT_EQ(std::memcmp(&before, &usbSensorApi(), sizeof before), 0);
    EXPECT_TRUE(DebugLog::lines().isEmpty());
}

#ifdef QUVIX_HAVE_WEB_DLL
TEST(SensorBinding, NetworkLibraryResolvesAllButTheThreeItDoesNotExport)
{
    DebugLog::lines().clear();
    {
        DebugLog log;
        ASSERT_TRUE(loadWebSensorLibrary());
    }
    EXPECT_EQ(DebugLog::lines(), QStringList({"web ddll.dll", "LOading web Success"}));
    const QStringList unexported = {"getDeviceName", "quvixGetSensorValues", "quvixSetTaviFrequency"};
    int bound = 0;
    for (const auto& [name, isBound] : webSensorApi().bindings()) {
        EXPECT_EQ(isBound, !unexported.contains(QString::fromLatin1(name))) << name;
        bound += isBound ? 1 : 0;
    }
    EXPECT_EQ(bound, 34);
    EXPECT_TRUE(loadWebSensorLibrary());
}
#endif

} // namespace
