// The loop against a sensor whose samples do not fit the harmonic selection:
// they never reach the scan, where their values would land in the wrong
// places, and the sensor reads as stalled while nothing fits.
#include "loopthread.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

// One frequency with the fundamental selected (a layout of 8 values); each
// read delivers a fresh sample of `harmonicsSent` harmonics 2 ms after the
// last, until pulled.
class LayoutSensor : public QuvixSensor
{
public:
    LayoutSensor()
    {
        m_serialNumber = QStringLiteral("LAYOUT-1");
        m_frequencies = {13.56};
        m_availableHarmonics = {3};
        m_selectedHarmonics = {1};
    }

    int getDataHR(double* values, int* count, int* timeStampDelta, double* peak, int* delay,
                  int* remaining) override
    {
        if (!attached)
            return 0;
        QThread::msleep(2);
        const int harmonics = harmonicsSent;
        int at = 0;
        values[at++] = 13.56e6;
        values[at++] = 100.0;
        for (int h = 0; h < harmonics; ++h) {
            values[at++] = 50.0;
            values[at++] = 0.0;
            values[at++] = 1.0;
            values[at++] = 10.0;
        }
        values[at++] = 0.0; // pulse period
        values[at++] = 0.0; // on time
        *count = at;
        *timeStampDelta = 2 * 24000;
        *peak = 50.0;
        *delay = 0;
        *remaining = 0;
        ++reads;
        return 1;
    }

    bool parameterReload() override { return true; }

    std::atomic<int> harmonicsSent{3};
    std::atomic<int> reads{0};
    std::atomic<bool> attached{true};

protected:
    bool canReadData() const override { return true; }
};

TEST(SampleLayout, SamplesOfAnotherLayoutNeverReachTheScan)
{
    auto* sensor = new LayoutSensor();
    const QPointer<QThread> thread = startLoopThread(sensor);

    ASSERT_TRUE(QTest::qWaitFor([&] { return sensor->reads >= 50; }, 30000));
    BaseScan* scan = sensor->currentScan();
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->sampleLength(), 8);
    EXPECT_EQ(scan->sampleCount(0), 0) << "a sample of three harmonics was read as one";

    sensor->harmonicsSent = 1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 5; }, 30000));

    sensor->attached = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
    sensor->finishCurrentScan();
    QCoreApplication::processEvents();
    delete sensor;
}

// Counts the debug lines that say a sensor's samples do not fit, from
// whichever thread logs them, while alive.
class MismatchMessages
{
public:
    MismatchMessages() { m_previous = qInstallMessageHandler(&MismatchMessages::record); }
    ~MismatchMessages() { qInstallMessageHandler(m_previous); }
    MismatchMessages(const MismatchMessages&) = delete;
    MismatchMessages& operator=(const MismatchMessages&) = delete;

    static int count() { return counter().load(); }

private:
    static std::atomic<int>& counter()
    {
        static std::atomic<int> said{0};
        return said;
    }
    static void record(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        if (message.contains(QStringLiteral("where the selection needs")))
            ++counter();
    }

    QtMessageHandler m_previous = nullptr;
};

TEST(SampleLayout, OnlyAMismatchThatLastsIsSaid)
{
    MismatchMessages messages;
    const int before = MismatchMessages::count();
    auto* sensor = new LayoutSensor();
    const QPointer<QThread> thread = startLoopThread(sensor);

    // The samples a library still holds from before a selection change.
    ASSERT_TRUE(QTest::qWaitFor([&] { return sensor->reads >= 50; }, 30000));
    sensor->harmonicsSent = 1;
    BaseScan* scan = sensor->currentScan();
    ASSERT_NE(scan, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scan->sampleCount(0) >= 5; }, 30000));
    EXPECT_EQ(MismatchMessages::count(), before) << "a passing mismatch was reported";

    // A sensor that keeps ignoring the selection.
    sensor->harmonicsSent = 3;
    EXPECT_TRUE(QTest::qWaitFor([&] { return MismatchMessages::count() > before; }, 30000));
    const int reads = sensor->reads;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sensor->reads >= reads + 50; }, 30000));
    EXPECT_EQ(MismatchMessages::count(), before + 1) << "said more than once for one run";

    sensor->attached = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return thread.isNull(); }, 30000));
    sensor->finishCurrentScan();
    QCoreApplication::processEvents();
    delete sensor;
}

} // namespace
