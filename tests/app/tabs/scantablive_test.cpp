// The acquisition tab's live views: curves that follow a scan being filled,
// the scans it ignores and the Smith chart points of the newest sample.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "scans/parameternames.h"
#include "support/fakesensor.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"
#include "views/curverecord.h"
#include "views/livecurve.h"
#include "views/reducedcurve.h"
#include "views/reducedseriesdata.h"
#include "views/smithchartdialog.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QtMath>

#include <memory>
#include <mutex>

namespace {

class ScanTabLive : public ::testing::Test
{
protected:
    void TearDown() override
    {
        tab.reset();
        for (FakeSensor* sensor : {&usb, &other})
            delete sensor->pendingScan();
        QCoreApplication::sendPostedEvents();
    }

    void bind(FakeSensor& sensor)
    {
        QList<QuvixSensor*> sensors{&sensor};
        tab->updateSensorList(sensors);
    }

    // Starts a scan from the tab and takes it off the sensor, as its loop
    // would; the test owns it.
    BaseScan& startFromTab()
    {
        tab->form().startScan->click();
        scan.reset(usb.takePendingScan());
        EXPECT_NE(scan, nullptr);
        scan->start();
        return *scan;
    }

    static LiveCurve& liveCurveOf(const CurveRecord& record)
    {
        auto* curve = dynamic_cast<LiveCurve*>(record.firstCurve);
        EXPECT_NE(curve, nullptr);
        return *curve;
    }

    // The curve holds every sample of its series and draws what a curve
    // made afresh from a copy of them draws beside it.
    void expectCurveEqualsItsSeries(const CurveRecord& record, const BaseScan& scan)
    {
        SCOPED_TRACE(testing::Message() << "curve of quantity " << record.type << ", frequency "
                                        << record.frequency << ", harmonic " << record.harmonic);
        const ReducedSeriesData& live = *liveCurveOf(record).reducedData();
        const SeriesCopy series = scan.copySeries(record.type, record.frequency, record.harmonic, 0);
        ASSERT_FALSE(series.time.empty());
        EXPECT_EQ(live.fullSize(), std::min(series.time.size(), series.values.size()));
        auto* fresh =
            new ReducedCurve(QStringLiteral("fresh"), new ReducedSeriesData(&series.time, &series.values));
        fresh->attach(&tab->plot());
        tab->plot().replot();
        tab->plot().grab();
        EXPECT_EQ(drawnPoints(live), drawnPoints(*fresh->reducedData()));
        delete fresh;
    }

    // The points a curve's samples hand Qwt.
    static std::vector<QPointF> drawnPoints(const ReducedSeriesData& data)
    {
        std::vector<QPointF> points(data.size());
        for (size_t i = 0; i < points.size(); ++i)
            points[i] = data.sample(i);
        return points;
    }
    static std::vector<QPointF> pointsOf(const CurveRecord& record)
    {
        return drawnPoints(*liveCurveOf(record).reducedData());
    }

    DisplaySettings settings;
    FakeSensor usb{{13.56, 2.0}, {2, 1}};
    FakeSensor other{{13.56}, {1}};
    std::unique_ptr<BaseScan> scan; // after the tab, which holds it, is gone
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTabLive, CurvesFollowAScanFilledFromAnotherThreadAcrossATimeShift)
{
    bind(usb);
    BaseScan& recording = startFromTab();
    // The start drew a first curve; three more at both frequencies.
    ASSERT_EQ(tab->curves().size(), 1);
    tab->curveDisplayControl(true, Current, 1, 0);
    tab->curveDisplayControl(true, ImpedancePolar, 0, 0);
    tab->curveDisplayControl(true, Voltage, 0, 1);

    constexpr int samples = 3000;
    bool shifted = false;
    {
        scantest::ScanFeeder feeder(recording, usb, samples, {}, {}, 0.01);
        while (recording.sampleCount(0) < samples) {
            tab->scanUpdate(&recording);
            QCoreApplication::processEvents();
            // A triggered recording moves its time axis when an event starts.
            if (!shifted && recording.sampleCount(0) > samples / 2) {
                std::lock_guard<std::mutex> lock(recording.mutex);
                recording.dataSets.front()->shiftTime(recording.dataSets.front()->time.at(10));
                shifted = true;
            }
        }
    }
    ASSERT_TRUE(shifted);
    tab->scanUpdate(&recording);
    for (const CurveRecord* record : tab->curves())
        expectCurveEqualsItsSeries(*record, recording);
}

TEST_F(ScanTabLive, OnlyScansWithSamplesOfAStartedSensorReachTheViews)
{
    other.setSerialNumber(QStringLiteral("B456"));
    bind(usb);
    BaseScan& recording = startFromTab();
    ASSERT_EQ(tab->curves().size(), 1);
    const CurveRecord& record = *tab->curves().first();

    tab->scanUpdate(&recording); // no samples yet
    EXPECT_TRUE(pointsOf(record).empty());
    EXPECT_TRUE(tab->smithDialog().chart()->points(0).isEmpty());

    scantest::fill(recording, usb, 10);
    tab->scanUpdate(&recording);
    expectCurveEqualsItsSeries(record, recording);
    const std::vector<QPointF> heldPoints = pointsOf(record);
    const int smithPoints = tab->smithDialog().chart()->points(0).size();
    EXPECT_EQ(smithPoints, 1);

    // Another sensor's scan, never started here: nothing changes, even once
    // that sensor is the tab's.
    auto foreign = scantest::cwScan(other, 25, {20.0, 1.0, 30.0});
    tab->scanUpdate(foreign.get());
    EXPECT_EQ(pointsOf(record), heldPoints);
    EXPECT_EQ(tab->smithDialog().chart()->points(0).size(), smithPoints);
    bind(other);
    tab->scanUpdate(foreign.get());
    EXPECT_EQ(pointsOf(record), heldPoints);
}

TEST_F(ScanTabLive, SmithPointsAreTheNewestImpedanceOfEachFrequencyOverFiftyOhms)
{
    struct Case {
        double phase; // degrees
        double voltage;
        double current;
    };
    const Case cases[] = {{0.0, 10.0, 0.5},   {90.0, 10.0, 0.5}, {-90.0, 50.0, 1.0},
                          {180.0, 10.0, 0.2}, {45.0, 5.0, 0.1},  {-135.0, 20.0, 2.0}};
    bind(usb);
    BaseScan& recording = startFromTab();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "phase " << c.phase);
        scantest::fill(recording, usb, 1, {c.voltage, c.current, c.phase});
        tab->scanUpdate(&recording);
        for (int line = 0; line < 2; ++line) {
            const double phase = recording.latestValue(Phase, line, 0, 0);
            const double impedance = recording.latestValue(ImpedancePolar, line, 0, 0);
            ASSERT_NEAR(phase, c.phase, 1e-9);
            ASSERT_NEAR(impedance, c.voltage / c.current, 1e-9);
            const double a = -phase * M_PI / 180.0;
            const double r = std::abs(std::cos(a) * impedance / 50.0);
            const double x = std::sin(a) * impedance / 50.0;
            if (c.phase == 90.0) {
                EXPECT_NEAR(r, 0.0, 1e-12);
                EXPECT_NEAR(x, -impedance / 50.0, 1e-12);
            }
            // The chart keeps its points as drawn: the reflection of r + jx.
            const QVector<QPointF> points = tab->smithDialog().chart()->points(line);
            ASSERT_FALSE(points.isEmpty());
            const QPointF expected = SmithChartV2::chartPoint(r, x);
            EXPECT_NEAR(points.last().x(), expected.x(), 1e-9);
            EXPECT_NEAR(points.last().y(), expected.y(), 1e-9);
        }
    }
}

} // namespace
