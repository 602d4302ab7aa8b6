#include "support/fakesensor.h"
#include "support/scanfactory.h"

#include "scans/parameternames.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>

using namespace scantest;

TEST(FakeSensor, RecordsEachScanAsHandedOverAndQueuesIt)
{
    FakeSensor sensor({13.56}, {1});
    auto first = std::make_unique<CWScan>(&sensor, QStringLiteral("first"), 100);
    first->timed = true;
    first->duration = 12.5;
    first->typeText = QStringLiteral("CW");
    sensor.queueScan(first.get());
    first->duration = 99.0; // changed after the hand-over: not seen
    ASSERT_EQ(sensor.queued.size(), 1);
    EXPECT_EQ(sensor.queued[0].scan, first.get());
    EXPECT_TRUE(sensor.queued[0].timed);
    EXPECT_EQ(sensor.queued[0].duration, 12.5);
    EXPECT_EQ(sensor.queued[0].measurementName, QStringLiteral("first"));
    EXPECT_EQ(sensor.pendingScan(), first.get());
    EXPECT_EQ(sensor.calls, QStringList{QStringLiteral("queue CW")});

    // A pending scan replaced before it ran is deleted as by the real sensor.
    QPointer<BaseScan> replaced = first.release();
    auto second = std::make_unique<CWScan>(&sensor, QStringLiteral("second"), 100);
    sensor.queueScan(second.get());
    EXPECT_EQ(sensor.pendingScan(), second.get());
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(replaced.isNull());
    sensor.queueScan(nullptr);
}

TEST(FakeSensor, StateSetByTheTestIsWhatTheSensorReports)
{
    FakeSensor sensor({13.56, 27.12}, {1, 0});
    sensor.setSerialNumber(QStringLiteral("QX000042"));
    sensor.setNicknameQuietly(QStringLiteral("chamber"));
    sensor.setConnectionKind(1);
    sensor.setFirmware(QStringLiteral("v5.3"), 5, 3);
    sensor.setModel(2);
    sensor.setAvailableHarmonics({5, 3});
    sensor.setSelectionDirectly({2, 1});
    sensor.setLockMode(1);
    sensor.setConnected(false);
    sensor.setLastPeak(3.5);
    BaseScan running(&sensor, QStringLiteral("Default"));
    running.passive = false;
    sensor.setCurrentScan(&running);

    EXPECT_EQ(sensor.serialNumber(), QStringLiteral("QX000042"));
    EXPECT_EQ(sensor.displayName(), QStringLiteral("chamber"));
    EXPECT_EQ(sensor.connectionKind(), 1);
    EXPECT_EQ(sensor.firmwareRevision(), QStringLiteral("v5.3"));
    EXPECT_TRUE(sensor.hasRecentFirmware());
    EXPECT_EQ(sensor.sensorType(), 2);
    EXPECT_EQ(sensor.availableHarmonics(), (QVector<int>{5, 3}));
    EXPECT_EQ(sensor.enabledFrequencyCount(), 2);
    EXPECT_EQ(sensor.voltageLock(), 1);
    EXPECT_FALSE(sensor.isConnected());
    EXPECT_EQ(sensor.lastPeak(), 3.5);
    EXPECT_EQ(sensor.currentScan(), &running);
    EXPECT_EQ(sensor.scanState(), 2); // measuring, still waiting for its trigger
    sensor.setCurrentScan(nullptr);
}

TEST(ScanFactory, CwScanHoldsTheKnownLoadPerHarmonic)
{
    FakeSensor sensor({13.56}, {2});
    const Load load{20.0, 2.0, 30.0};
    auto scan = cwScan(sensor, 5, load, 1.0);
    ASSERT_EQ(scan->sampleCount(0), 5);
    const SeriesCopy voltage = scan->copySeries(Voltage, 0, 0, 0);
    EXPECT_EQ(voltage.values, (Series{20.0, 21.0, 22.0, 23.0, 24.0}));
    EXPECT_EQ(scan->latestValue(Current, 0, 0, 0), 2.0);
    EXPECT_EQ(scan->latestValue(Current, 0, 1, 0), 1.0);
    EXPECT_EQ(scan->latestValue(Voltage, 0, 1, 0), 12.0);
    EXPECT_EQ(scan->serialNumber, sensor.serialNumber());
}

TEST(ScanFactory, PulseScansCarryThePulse)
{
    FakeSensor sensor({13.56}, {1});
    auto trend = pulseTrendScan(sensor, 4, {10.0, 30.0}, {}, Pulse{200.0, 50.0});
    EXPECT_EQ(trend->dataSets.size(), 2u);
    EXPECT_GT(trend->sampleCount(0), 0);
    EXPECT_EQ(trend->latestValue(PulsePeriod, 0, 0, 0), 200.0);
    EXPECT_EQ(trend->latestValue(PulseOnTime, 0, 0, 0), 50.0);

    auto profile = pulseProfileScan(sensor, 0.0, 10.0, 2.0);
    EXPECT_TRUE(profile->isFinished());
    // The sweep ends on the first step past its end.
    EXPECT_EQ(profile->dataSets.front()->time, (Series{0.0, 2.0, 4.0, 6.0, 8.0, 10.0, 12.0}));
}

TEST(ScanFactory, FeederFillsFromASecondThread)
{
    FakeSensor sensor({13.56}, {1});
    CWScan scan(&sensor, QStringLiteral("cw"), 100);
    scan.start();
    {
        ScanFeeder feeder(scan, sensor, 200, {}, {}, 1.0);
        feeder.join();
    }
    EXPECT_EQ(scan.sampleCount(0), 200);
    EXPECT_EQ(scan.latestValue(Voltage, 0, 0, 0), 209.0);
}
