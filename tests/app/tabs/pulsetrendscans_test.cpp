// The pulse-trend tab's scans with fake sensors: what a start hands to the
// sensor, the curve pairs of the two trends, live updates while the sensor's
// thread fills the scan, and what the trigger box and trend buttons show.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/pulsetrendscantab.h"

#include "scans/parameternames.h"
#include "scans/pulsetrendscan.h"
#include "support/fakesensor.h"
#include "support/scanfactory.h"
#include "ui_scantab.h"
#include "views/curvepalette.h"
#include "views/curverecord.h"
#include "views/livecurve.h"
#include "views/reducedseriesdata.h"

#include <qwt_plot.h>

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>

#include <memory>

namespace {

const QString voltageTitle =
    QStringLiteral("%1 : 13.56 MHz, Harmonic 1, A123").arg(ParameterNames::shared().longName(Voltage));

class PulseTrendScans : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearSettings();
        tab = std::make_unique<pulseTrendScanTab>(&displaySettings);
        usb.setFirmware(QStringLiteral("v6.0"), 6, 0);
        usb.setConnected(true);
        QList<QuvixSensor*> sensors{&usb};
        tab->updateSensorList(sensors);
    }

    void TearDown() override
    {
        tab.reset();
        delete usb.pendingScan();
        usb.setCurrentScan(nullptr);
        // A scan replaced in the queue is deleted by a call posted to the
        // application; nothing else runs the event loop after the test.
        QCoreApplication::sendPostedEvents();
        clearSettings();
    }

    static void clearSettings()
    {
        QSettings settings;
        settings.remove(QStringLiteral("Settings"));
        settings.remove(QStringLiteral("TrendSettings"));
    }

    // The tab's newest scan, taken off the sensor as its loop would take it.
    std::unique_ptr<PulseTrendScan> startedScan()
    {
        tab->form().startScan->click();
        auto* scan = qobject_cast<PulseTrendScan*>(usb.takePendingScan());
        EXPECT_NE(scan, nullptr);
        return std::unique_ptr<PulseTrendScan>(scan);
    }

    static const LiveCurve& curve(const CurveRecord& record, int trend)
    {
        return *dynamic_cast<const LiveCurve*>(trend == 0 ? record.firstCurve : record.secondCurve);
    }

    DisplaySettings displaySettings;
    FakeSensor usb{{13.56}, {1}};
    std::unique_ptr<pulseTrendScanTab> tab;
};

TEST_F(PulseTrendScans, AStartHandsTheSensorAScanOfBothTrends)
{
    tab->trendModeBox(0)->setCurrentIndex(0);
    tab->trendValueBox(0)->setValue(20.0);
    tab->trendModeBox(1)->setCurrentIndex(2);
    tab->trendValueBox(1)->setValue(75.0);
    tab->pulseFrequency().setValue(20.0);
    tab->averages().setValue(64);
    tab->externalTrigger().click();
    tab->form().waferLot->setText(QStringLiteral("L7"));
    tab->form().scanDuration->setText(QStringLiteral("12.5"));
    usb.setLastPeak(80.0);

    std::unique_ptr<PulseTrendScan> scan = startedScan();
    ASSERT_TRUE(scan);
    ASSERT_EQ(usb.queued.size(), 1);
    const FakeSensor::QueuedScan& queued = usb.queued.first();
    EXPECT_EQ(queued.typeText, QStringLiteral("Pulse Trend"));
    EXPECT_EQ(queued.averages, 64);
    EXPECT_TRUE(queued.externalTrigger);
    EXPECT_TRUE(queued.timed);
    EXPECT_DOUBLE_EQ(queued.duration, 12.5);
    EXPECT_DOUBLE_EQ(queued.triggerLevel, 40.0); // empty level: half the peak
    EXPECT_EQ(scan->trendValues, (QVector<double>{20.0, 75.0}));
    EXPECT_EQ(scan->trendModes, (QVector<int>{0, 2}));
    EXPECT_DOUBLE_EQ(scan->pulsePeriod, 50.0);
    EXPECT_EQ(scan->waferLot, QStringLiteral("L7"));
    EXPECT_EQ(tab->currentScan(), scan.get());

    EXPECT_FALSE(tab->form().startScan->isEnabled());
    EXPECT_TRUE(tab->form().stopScan->isEnabled());
    EXPECT_FALSE(tab->trendsConfigBox().isEnabled());
    EXPECT_FALSE(tab->averages().isEnabled());
    EXPECT_TRUE(tab->triggerConfigBox().isEnabled());
    EXPECT_TRUE(tab->trendButton(1)->isEnabled());
    EXPECT_TRUE(tab->getCurScan());

    tab->trendButton(1)->setText(QStringLiteral("Trend 2: 30 \u00b5s"));
    tab->form().stopScan->click();
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_TRUE(tab->trendsConfigBox().isEnabled());
    EXPECT_TRUE(tab->averages().isEnabled());
    EXPECT_FALSE(tab->trendButton(1)->isEnabled());
    EXPECT_EQ(tab->trendButton(1)->text(), QStringLiteral("Trend 2"));
    EXPECT_FALSE(tab->getCurScan());
}

TEST_F(PulseTrendScans, AnEnteredLevelIsTakenAsItStands)
{
    usb.setLastPeak(80.0);
    const struct {
        const char* text;
        double level;
    } cases[] = {{"12.5", 12.5}, {"0", 40.0}, {"", 40.0}};
    for (const auto& c : cases) {
        tab->levelEdit().setText(QString::fromLatin1(c.text));
        std::unique_ptr<BaseScan> scan(tab->createScan());
        EXPECT_DOUBLE_EQ(scan->triggerLevel, c.level) << c.text;
    }
}

TEST_F(PulseTrendScans, NothingStartsOnASensorThatHasGoneSinceItWasBound)
{
    usb.setConnected(false);
    QSignalSpy activity(tab.get(), &scanTab::activity);
    tab->startScan();
    EXPECT_TRUE(usb.queued.isEmpty());
    EXPECT_EQ(usb.pendingScan(), nullptr);
    EXPECT_TRUE(tab->form().startScan->isEnabled());
    EXPECT_FALSE(tab->form().stopScan->isEnabled());
    EXPECT_TRUE(tab->trendsConfigBox().isEnabled());
    EXPECT_TRUE(tab->averages().isEnabled());
    EXPECT_FALSE(tab->getCurScan());
    EXPECT_TRUE(tab->curves().isEmpty());
    EXPECT_EQ(activity.count(), 0);
}

TEST_F(PulseTrendScans, AStartWithoutCurvesDrawsTheFundamentalVoltageOfBothTrends)
{
    QSignalSpy activity(tab.get(), &scanTab::activity);
    std::unique_ptr<PulseTrendScan> scan = startedScan();
    ASSERT_EQ(tab->curves().size(), 1);
    const CurveRecord& pair = *tab->curves().first();
    EXPECT_EQ(pair.type, Voltage);
    EXPECT_EQ(pair.harmonic, 0);
    EXPECT_EQ(pair.frequency, 0);
    EXPECT_EQ(pair.sensor, &usb);
    EXPECT_EQ(pair.firstCurve->title().text(), voltageTitle + QStringLiteral(". Trend 1"));
    EXPECT_EQ(pair.secondCurve->title().text(), voltageTitle + QStringLiteral(". Trend 2"));
    EXPECT_EQ(curve(pair, 0).feed().source().dataSet, 0);
    EXPECT_EQ(curve(pair, 1).feed().source().dataSet, 1);
    ASSERT_EQ(activity.count(), 1);
    EXPECT_TRUE(activity.first().at(0).toBool());
}

TEST_F(PulseTrendScans, PairsTakeTheFirstTenColoursAndRemovalTakesTheFirstOfAKey)
{
    for (int i = 0; i < 6; ++i)
        tab->curveDisplayControl(true, Current, 0, 0);
    ASSERT_EQ(tab->curves().size(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tab->curves()[i]->firstCurve->pen().color(), curvePalette::colour((2 * i) % 10)) << i;
        EXPECT_EQ(tab->curves()[i]->secondCurve->pen().color(), curvePalette::colour((2 * i + 1) % 10)) << i;
    }
    EXPECT_EQ(tab->plot().itemList(QwtPlotItem::Rtti_PlotCurve).size(), 12);

    const CurveRecord* second = tab->curves()[1];
    tab->curveDisplayControl(false, Current, 0, 0);
    ASSERT_EQ(tab->curves().size(), 5);
    EXPECT_EQ(tab->curves().first(), second);
    tab->curveDisplayControl(false, Voltage, 0, 0); // no such pair
    EXPECT_EQ(tab->curves().size(), 5);
    EXPECT_EQ(tab->plot().itemList(QwtPlotItem::Rtti_PlotCurve).size(), 10);
}

TEST_F(PulseTrendScans, AScanOfOneTrendFillsOnlyTheFirstCurveOfEachPair)
{
    tab->curveDisplayControl(true, Voltage, 0, 0);
    tab->curveDisplayControl(true, Current, 0, 0);
    std::unique_ptr<PulseTrendScan> scan = scantest::pulseTrendScan(usb, 8, {10.0});
    tab->scanComplete(scan.get()); // the completed scan becomes the tab's
    tab->scanUpdate(scan.get());
    for (const CurveRecord* pair : tab->curves()) {
        EXPECT_EQ(pair->firstCurve->dataSize(), static_cast<size_t>(scan->sampleCount(0)));
        EXPECT_GT(pair->firstCurve->dataSize(), 0u);
        EXPECT_EQ(pair->secondCurve->dataSize(), 0u);
    }
}

TEST_F(PulseTrendScans, OnlyTheCurrentScanOfTheActiveSensorIsDrawn)
{
    tab->curveDisplayControl(true, Voltage, 0, 0);
    std::unique_ptr<PulseTrendScan> current = scantest::pulseTrendScan(usb, 8, {10.0, 30.0});
    tab->scanComplete(current.get());
    std::unique_ptr<PulseTrendScan> other = scantest::pulseTrendScan(usb, 4, {10.0, 30.0});
    tab->scanUpdate(other.get());
    EXPECT_EQ(tab->curves().first()->firstCurve->dataSize(), 0u);
    tab->scanUpdate(current.get());
    EXPECT_EQ(tab->curves().first()->firstCurve->dataSize(), static_cast<size_t>(current->sampleCount(0)));
    EXPECT_EQ(tab->curves().first()->secondCurve->dataSize(), static_cast<size_t>(current->sampleCount(1)));
}

// The sensor's thread fills both trends while the tab draws them: every
// update leaves each curve with as many times as values.
TEST_F(PulseTrendScans, CurvesStayWholeWhileTheSensorThreadFillsBothTrends)
{
    tab->trendValueBox(0)->setValue(10.0);
    tab->trendValueBox(1)->setValue(30.0);
    tab->curveDisplayControl(true, Current, 0, 0);
    tab->curveDisplayControl(true, Power, 0, 0);
    std::unique_ptr<PulseTrendScan> scan = startedScan();
    ASSERT_TRUE(scan);
    ASSERT_EQ(tab->curves().size(), 2);
    scan->start();
    constexpr int samples = 4000;
    {
        scantest::ScanFeeder feeder(*scan, usb, samples, {}, {}, 0.01);
        for (int i = 0; i < 2000; ++i) {
            tab->scanUpdate(scan.get());
            for (const CurveRecord* pair : tab->curves())
                for (int trend = 0; trend < 2; ++trend) {
                    // A look counts the times and the values it finds alike.
                    const LiveCurve& live = curve(*pair, trend);
                    const size_t drawable = live.reducedData()->fullSize();
                    const SeriesFeed& feed = live.feed();
                    ASSERT_EQ(drawable,
                              static_cast<size_t>(feed.nextSampleNumber() - feed.firstSampleNumber()));
                }
        }
    }
    tab->scanUpdate(scan.get());
    ASSERT_GT(scan->sampleCount(1), 0);
    EXPECT_EQ(scan->sampleCount(0) + scan->sampleCount(1), samples - 2); // two settle
    for (const CurveRecord* pair : tab->curves())
        for (int trend = 0; trend < 2; ++trend) {
            const LiveCurve& live = curve(*pair, trend);
            const SeriesFeed& feed = live.feed();
            EXPECT_EQ(feed.nextSampleNumber() - feed.firstSampleNumber(), scan->sampleCount(trend));
            EXPECT_EQ(live.reducedData()->fullSize(), static_cast<size_t>(scan->sampleCount(trend)));
        }
}

TEST_F(PulseTrendScans, MonitoringShowsTheTrendTimesPeakAndMeasuredPulseFrequency)
{
    std::unique_ptr<PulseTrendScan> scan =
        scantest::pulseTrendScan(usb, 6, {10.0, 30.0}, {}, {1000000.0 / 12345.6, 20.0});
    usb.setLastPeak(80.04);
    tab->autoPulseFrequency().setChecked(true);
    QSignalSpy frequency(tab.get(), &pulseTrendScanTab::freqSet);
    tab->monitorUpdate(scan.get(), 0);
    EXPECT_EQ(tab->pulseFrequency().text(), QStringLiteral("12.35"));
    EXPECT_EQ(frequency.count(), 0);
    EXPECT_EQ(tab->trendButton(0)->text(), QStringLiteral("Trend 1: 10 \u00b5s"));
    EXPECT_EQ(tab->trendButton(1)->text(), QStringLiteral("Trend 2: 30 \u00b5s"));
    EXPECT_EQ(tab->peakLabel().text(), QStringLiteral("80.0 %"));

    // Without "Auto" the entered frequency stays; another sensor's scan
    // changes nothing.
    tab->autoPulseFrequency().setChecked(false);
    tab->pulseFrequency().setValue(5.0);
    tab->monitorUpdate(scan.get(), 0);
    EXPECT_EQ(tab->pulseFrequency().value(), 5.0);
    FakeSensor other{{13.56}, {1}};
    std::unique_ptr<PulseTrendScan> foreign = scantest::pulseTrendScan(other, 6, {50.0, 60.0});
    tab->monitorUpdate(foreign.get(), 0);
    EXPECT_EQ(tab->trendButton(1)->text(), QStringLiteral("Trend 2: 30 \u00b5s"));
}

TEST_F(PulseTrendScans, TheMetersShowTheCheckedTrendOrTheFirstWhereTheScanHasOnlyOne)
{
    ASSERT_FALSE(tab->meterIds().isEmpty());
    ASSERT_EQ(tab->meterIds().first(), Voltage);
    tab->trendValueBox(0)->setValue(10.0);
    tab->trendValueBox(1)->setValue(30.0);
    std::unique_ptr<PulseTrendScan> trends = startedScan();
    trends->start();
    // The trends take turns, and so do the voltages.
    for (int i = 0; i < 6; ++i)
        scantest::runPass(*trends, usb, scantest::sampleFor(usb, 100.0, 20.0, i % 2 ? 10.0 : 30.0),
                          scantest::ticksPerMs);
    const double trendOneVoltage = trends->latestValue(Voltage, 0, 0, 0);
    const double trendTwoVoltage = trends->latestValue(Voltage, 0, 0, 1);
    ASSERT_NE(trendOneVoltage, trendTwoVoltage);
    tab->trendButton(1)->click();
    tab->monitorUpdate(trends.get(), 0);
    EXPECT_TRUE(tab->meterLabel(0)->text().startsWith(QString::number(trendTwoVoltage, 'f', 2)))
        << tab->meterLabel(0)->text().toStdString();

    // The passive scan after it records one trend.
    tab->form().stopScan->click();
    std::unique_ptr<CWScan> passive = scantest::cwScan(usb, 3, {42.0});
    tab->monitorUpdate(passive.get(), 0);
    EXPECT_TRUE(tab->meterLabel(0)->text().startsWith(QStringLiteral("42.00")))
        << tab->meterLabel(0)->text().toStdString();
}

} // namespace
