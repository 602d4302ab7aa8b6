// The binding when neither sensor library can be found: the program's folder
// (this test's) holds none, and the search path does not reach them.

#include "debuglog.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorlibraries.h"

#include <gtest/gtest.h>

namespace {

template <typename Table> int boundCount(const Table& table)
{
    int bound = 0;
    for (const auto& binding : table.bindings())
        bound += binding.second ? 1 : 0;
    return bound;
}

TEST(SensorBindingAbsent, LoadersFailWithTheirLogLinesAndLeaveEveryPointerNull)
{
    DebugLog::lines().clear();
    {
        DebugLog log;
        EXPECT_FALSE(loadUsbSensorLibrary());
        EXPECT_FALSE(loadWebSensorLibrary());
    }
    const QStringList& lines = DebugLog::lines();
    EXPECT_TRUE(lines.contains("Failed to load DLL")) << lines.join('\n').toStdString();
    const int announce = lines.indexOf("web ddll.dll");
    ASSERT_GE(announce, 0);
    EXPECT_GT(lines.indexOf("LOading web failing"), announce);
    EXPECT_FALSE(lines.contains("LOading web Success"));

    EXPECT_EQ(usbSensorApi().bindings().size(), 38u);
    EXPECT_EQ(webSensorApi().bindings().size(), 37u);
    EXPECT_EQ(boundCount(usbSensorApi()), 0);
    EXPECT_EQ(boundCount(webSensorApi()), 0);
}

TEST(SensorBindingAbsent, CallsThroughMissingEntriesFailSafely)
{
    const WebSensorApi& web = webSensorApi();
    EXPECT_EQ(callOr(web.quvixWebOpen, WebSensorApi::cannotConnect, "http://192.0.2.2/"), -8);
    char serial[112] = {0};
    EXPECT_EQ(callOr(web.quvixGetSerial, WebSensorApi::badHandle, 0, serial), -4);
    EXPECT_EQ(serial[0], '\0');
    callIfBound(web.quvixClose, 0);
    EXPECT_EQ(callOr(usbSensorApi().quvixOpen, 0, 0), 0);
}

TEST(SensorBindingAbsent, SensorObjectWithoutTheLibraryStaysHarmless)
{
    QuvixSensor sensor(1, QString(), QStringLiteral("NOLIB"));
    EXPECT_TRUE(sensor.frequencies().isEmpty());
    EXPECT_EQ(sensor.delayStepsPerMicrosecond(), 0.0);
    EXPECT_EQ(sensor.setLowSignalMode(), -1) << "the low-signal switch reports failure";
    EXPECT_EQ(sensor.setNormalMode(), -1);
    EXPECT_EQ(sensor.allowedHarmonics(), 31);
    double values[490];
    int count = 490, tsDelta = 0, delay = 0, remaining = 100;
    double peak = 50.0;
    EXPECT_LE(sensor.getDataHR(values, &count, &tsDelta, &peak, &delay, &remaining), 0);
}

} // namespace
