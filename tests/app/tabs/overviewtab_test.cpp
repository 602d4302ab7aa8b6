// The overview tab with fake sensors: tiles in the row, scans of both kinds
// started on the selected sensors, curves and Smith trails fed from the
// scans, the layout actions and the saved settings.

#include "app/tabs/overviewtab.h"

#include "app/tabs/quvixdisplaywidget.h"
#include "support/fakesensor.h"
#include "support/messageboxanswer.h"
#include "support/scanfactory.h"
#include "support/scriptedquestions.h"
#include "ui_overviewtab.h"
#include "views/curvepalette.h"
#include "views/livecurve.h"
#include "views/sampleratewidget.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <qwt_plot_legenditem.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <qwt_scale_widget.h>

#include <algorithm>
#include <memory>

namespace {

class OverviewTab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QSettings settings;
        settings.remove(QStringLiteral("Overview"));
        settings.remove(QStringLiteral("Settings"));
    }

    void TearDown() override
    {
        // The tab is gone first; then every scan still queued on a fake.
        tab.reset();
        QCoreApplication::processEvents();
        for (auto& sensor : sensors)
            delete sensor->pendingScan();
    }

    FakeSensor& addSensor(const QString& serial, const QVector<double>& frequencies,
                          const QVector<int>& selected)
    {
        sensors.push_back(std::make_unique<FakeSensor>(frequencies, selected));
        sensors.back()->setSerialNumber(serial);
        return *sensors.back();
    }

    overviewTab& makeTab()
    {
        tab = std::make_unique<overviewTab>();
        return *tab;
    }

    void list(QList<QuvixSensor*> listed) { tab->updateSensorList(listed); }

    QStringList rowSerials() const
    {
        QStringList serials;
        QLayout* row = tab->form().quvixLayout;
        for (int i = 0; i < row->count(); ++i)
            if (auto* tile = qobject_cast<quvixDisplayWidget*>(row->itemAt(i)->widget()))
                serials << tile->serial();
            else if (row->itemAt(i)->spacerItem())
                serials << QStringLiteral("|");
        return serials;
    }

    QList<LiveCurve*> curves() const
    {
        QList<LiveCurve*> all;
        for (const OverviewScanRecord* record : tab->records())
            all += record->curves;
        return all;
    }

    std::vector<std::unique_ptr<FakeSensor>> sensors;
    std::unique_ptr<overviewTab> tab;
};

TEST_F(OverviewTab, ContinuousWaveStartQueuesAScanPerSelectedSensorWithCurvesAndSmithLines)
{
    {
        QSettings settings;
        settings.setValue(QStringLiteral("Overview/autosave"), QStringLiteral("/data/runs"));
        settings.setValue(QStringLiteral("Overview/autosavename"), QStringLiteral("<serial>-<date>"));
    }
    FakeSensor& three = addSensor(QStringLiteral("THREE"), {2.0, 13.56, 27.12}, {1, 2, 1});
    FakeSensor& two = addSensor(QStringLiteral("TWO"), {13.56, 40.68}, {3, 1});
    overviewTab& overview = makeTab();
    // Later sensors of a list go in front of the tile list, which orders the scans.
    list({&three, &two});
    overview.sampleRateSelector().setRate(100);

    overview.form().startScanButton->click();

    EXPECT_EQ(overview.form().startScanButton->text(), QStringLiteral("Stop SCAN"));
    ASSERT_EQ(overview.records().size(), 2);
    const QList<LiveCurve*> all = curves();
    ASSERT_EQ(all.size(), 5);
    for (int i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i]->pen().color(), curvePalette::colour(i)) << i;
    EXPECT_EQ(all[0]->title().text(), QStringLiteral("TWO - 13.56 MHz"));
    EXPECT_EQ(all[1]->title().text(), QStringLiteral("TWO - 40.68 MHz"));
    EXPECT_EQ(all[4]->title().text(), QStringLiteral("THREE - 27.12 MHz"));
    EXPECT_EQ(overview.records()[0]->firstLine, 0);
    EXPECT_EQ(overview.records()[1]->firstLine, 2);
    EXPECT_EQ(overview.form().smithChart->lineCount(), 5);
    EXPECT_EQ(overview.form().smithChart->lineColour(3), curvePalette::colour(3));
    EXPECT_TRUE(overview.form().smithChart->holdsPoints());
    EXPECT_TRUE(overview.form().smithChart->showsLine());
    EXPECT_TRUE(overview.form().smithChart->pointMarkers());
    EXPECT_TRUE(overview.form().smithChart->showsAllData());

    for (FakeSensor* sensor : {&two, &three}) {
        ASSERT_EQ(sensor->queued.size(), 1);
        const FakeSensor::QueuedScan& queued = sensor->queued.front();
        EXPECT_EQ(queued.typeText, QStringLiteral("Continuous Wave"));
        EXPECT_EQ(queued.measurementName, sensor->serialNumber());
        EXPECT_TRUE(queued.autosaveEnabled);
        EXPECT_EQ(queued.autosaveFolder, QStringLiteral("/data/runs"));
        EXPECT_EQ(queued.autosavePattern, QStringLiteral("<serial>-<date>"));
        EXPECT_EQ(sensor->pendingScan(), queued.scan);
        EXPECT_TRUE(sensor->calls.contains(QStringLiteral("rate 100")));
    }
    EXPECT_EQ(overview.records()[0]->scan.data(), two.pendingScan());

    // The next start carries on through the overview's seven colours.
    overview.form().startScanButton->click();
    EXPECT_EQ(overview.form().startScanButton->text(), QStringLiteral("Start SCAN with selected sensors"));
    EXPECT_EQ(curves().size(), 5); // kept on screen after a stop
    overview.form().startScanButton->click();
    const QList<LiveCurve*> next = curves();
    ASSERT_EQ(next.size(), 5);
    const int expected[] = {5, 6, 0, 1, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(next[i]->pen().color(), curvePalette::colour(expected[i])) << i;
}

TEST_F(OverviewTab, DataUpdatesFillTheCurvesAndPutTheLatestImpedanceOnTheSmithChart)
{
    FakeSensor& second = addSensor(QStringLiteral("S2"), {27.12}, {1});
    FakeSensor& first = addSensor(QStringLiteral("S1"), {13.56, 40.68}, {1, 1});
    overviewTab& overview = makeTab();
    list({&second, &first});
    overview.form().startScanButton->click();

    BaseScan* firstScan = first.pendingScan();
    BaseScan* secondScan = second.pendingScan();
    firstScan->start();
    secondScan->start();
    scantest::fill(*firstScan, first, 7, scantest::Load{50.0, 1.0, 0.0});
    scantest::fill(*secondScan, second, 4, scantest::Load{50.0, 1.0, 90.0});
    overview.dataUpdate(firstScan);
    overview.dataUpdate(secondScan);

    const QList<LiveCurve*> all = curves();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0]->dataSize(), 7u);
    EXPECT_EQ(all[1]->dataSize(), 7u);
    EXPECT_EQ(all[2]->dataSize(), 4u);
    EXPECT_DOUBLE_EQ(all[0]->sample(6).y(), 50.0); // voltage

    const SmithChartV2& chart = *overview.form().smithChart;
    const auto near = [](QPointF a, QPointF b) {
        return std::abs(a.x() - b.x()) < 1e-6 && std::abs(a.y() - b.y()) < 1e-6;
    };
    ASSERT_EQ(chart.points(0).size(), 1);
    ASSERT_EQ(chart.points(2).size(), 1);
    EXPECT_TRUE(near(chart.points(0).front(), SmithChartV2::chartPoint(1.0, 0.0)));
    EXPECT_TRUE(near(chart.points(2).front(), SmithChartV2::chartPoint(0.0, -1.0)));

    // Another update appends what is new and one more Smith point.
    scantest::fill(*firstScan, first, 3, scantest::Load{50.0, 1.0, 0.0});
    overview.dataUpdate(firstScan);
    EXPECT_EQ(all[0]->dataSize(), 10u);
    EXPECT_EQ(chart.points(0).size(), 2);
    EXPECT_EQ(chart.points(2).size(), 1);

    // Another quantity is copied in full at once.
    overview.form().valueBox->setCurrentIndex(1);
    EXPECT_EQ(overview.form().plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Current"));
    EXPECT_EQ(all[0]->dataSize(), 10u);
    EXPECT_DOUBLE_EQ(all[0]->sample(9).y(), 1.0);

    // A scan the tab did not start is not drawn.
    auto stranger = scantest::cwScan(first, 5);
    overview.dataUpdate(stranger.get());
    EXPECT_EQ(all[0]->dataSize(), 10u);
}

TEST_F(OverviewTab, AnUpdateBeforeTheFirstSamplePutsNothingOnTheSmithChart)
{
    FakeSensor& sensor = addSensor(QStringLiteral("S1"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    overview.form().startScanButton->click();

    BaseScan* scan = sensor.pendingScan();
    scan->start();
    overview.dataUpdate(scan);
    const SmithChartV2& chart = *overview.form().smithChart;
    EXPECT_TRUE(chart.points(0).isEmpty());

    scantest::fill(*scan, sensor, 1, scantest::Load{50.0, 1.0, 0.0});
    overview.dataUpdate(scan);
    ASSERT_EQ(chart.points(0).size(), 1);
    EXPECT_EQ(chart.points(0).front(), SmithChartV2::chartPoint(1.0, 0.0));
}

TEST_F(OverviewTab, AScanWithMoreFrequenciesThanCurvesAddsNoStrayPoints)
{
    FakeSensor& other = addSensor(QStringLiteral("OTHER"), {27.12}, {1});
    FakeSensor& grown = addSensor(QStringLiteral("GROWN"), {13.56, 40.68}, {1, 0});
    overviewTab& overview = makeTab();
    list({&other, &grown}); // GROWN first: lines 0 (GROWN) and 1 (OTHER)
    overview.form().startScanButton->click();
    ASSERT_EQ(overview.records()[0]->curves.size(), 1);

    BaseScan* scan = grown.pendingScan();
    {
        std::lock_guard<std::mutex> lock(scan->mutex);
        scan->dataSets.front()->addRecord(40.68, 1);
    }
    grown.setSelectionDirectly({1, 1});
    scan->start();
    scantest::fill(*scan, grown, 3);
    overview.dataUpdate(scan);

    EXPECT_EQ(overview.records()[0]->curves[0]->dataSize(), 3u);
    EXPECT_EQ(overview.form().smithChart->points(0).size(), 1);
    EXPECT_TRUE(overview.form().smithChart->points(1).isEmpty());
}

TEST_F(OverviewTab, TimeResolvedStartReadsTheTimeResolvedSettings)
{
    {
        QSettings settings;
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("m_startTime"), -5.0);
        settings.setValue(QStringLiteral("m_pulseTime"), 100.0);
        settings.setValue(QStringLiteral("m_internalTrigger"), false);
        settings.setValue(QStringLiteral("m_averages"), 64);
        settings.setValue(QStringLiteral("m_stepTime"), 2.5);
    }
    FakeSensor& later = addSensor(QStringLiteral("LATER"), {13.56}, {1});
    FakeSensor& earlier = addSensor(QStringLiteral("EARLIER"), {13.56, 27.12}, {1, 1});
    earlier.setLastPeak(4.0);
    later.setLastPeak(8.0);
    overviewTab& overview = makeTab();
    list({&later, &earlier});
    QSignalSpy clears(&overview, &overviewTab::clearSmithDialog);

    overview.form().startTRScanButton->click();

    EXPECT_EQ(clears.count(), 1);
    EXPECT_EQ(overview.form().startTRScanButton->text(), QStringLiteral("Stop SCAN"));
    EXPECT_EQ(overview.form().plot->axisTitle(QwtPlot::xBottom).text(),
              QStringLiteral("Time (&micro;s)<b></b>"));
    for (FakeSensor* sensor : {&earlier, &later}) {
        ASSERT_EQ(sensor->queued.size(), 1);
        const FakeSensor::QueuedScan& queued = sensor->queued.front();
        auto* profile = qobject_cast<PulseProfileScan*>(queued.scan);
        ASSERT_NE(profile, nullptr);
        EXPECT_EQ(queued.measurementName, sensor->serialNumber());
        EXPECT_DOUBLE_EQ(queued.startTime, 5.0);
        EXPECT_DOUBLE_EQ(queued.endTime, 110.0);
        EXPECT_DOUBLE_EQ(profile->pulseTime, 19.0); // the holdoff: 0.9 x 10 + 10
        EXPECT_DOUBLE_EQ(profile->delayOffset, -10.0);
        EXPECT_DOUBLE_EQ(queued.resolution, 2.5);
        EXPECT_EQ(queued.averages, 64);
        EXPECT_TRUE(queued.externalTrigger);
        // The level found for the first sensor carries over.
        EXPECT_DOUBLE_EQ(queued.triggerLevel, 2.0);
        EXPECT_TRUE(queued.autosaveEnabled);
        EXPECT_FALSE(sensor->calls.join(QLatin1Char(' ')).contains(QStringLiteral("rate")));
    }
    EXPECT_EQ(overview.form().smithChart->lineCount(), 3);
}

// The window the time-resolved tab kept may come from an older version:
// an entry its field would not take reaches no sensor.
TEST_F(OverviewTab, TimeResolvedStartRefusesAKeptWindowTheTabsFieldsWouldNotTake)
{
    struct Case {
        const char* key;
        const char* text;
        const char* named;
    };
    const Case cases[] = {
        {"m_levelValue", "1e+20", "Level holds \"1e+20\": it takes numbers from 0 to 100 %"},
        {"m_levelValue", "nan", "Level"},
        {"m_startTime", "-123456", "Start Time holds \"-123456\": it takes numbers from -10 to"},
        {"m_endTime", "1e309", "End Time"},
        {"m_averages", "2.5", "Averages holds \"2.5\": it takes whole numbers from 0 to 10000"},
        {"m_pulseTime", "99999", "Pulse Frequency"},
        {"m_stepTime", "-1", "Time Step"}};
    FakeSensor& sensor = addSensor(QStringLiteral("ONLY"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    for (const Case& c : cases) {
        QSettings settings;
        settings.remove(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("Settings/m_pulseTime"), QStringLiteral("100"));
        settings.setValue(QStringLiteral("Settings/") + QLatin1String(c.key), QLatin1String(c.text));
        MessageBoxAnswers answers({QMessageBox::Ok});
        overview.form().startTRScanButton->click();
        EXPECT_TRUE(sensor.queued.isEmpty()) << c.key;
        EXPECT_TRUE(overview.records().isEmpty()) << c.key;
        ASSERT_EQ(answers.seen().size(), 1) << c.key;
        EXPECT_EQ(answers.seen()[0].title, QStringLiteral("Time Resolved"));
        EXPECT_TRUE(answers.seen()[0].text.contains(QString::fromUtf8(c.named)))
            << answers.seen()[0].text.toStdString();
        EXPECT_NE(overview.form().startTRScanButton->text(), QStringLiteral("Stop SCAN"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !overview.form().startTRScanButton->isChecked(); }, 20000));
    }
}

TEST_F(OverviewTab, TimeResolvedStartWithoutSelectedSensorsDoesNothing)
{
    FakeSensor& sensor = addSensor(QStringLiteral("ONLY"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    QTest::mouseClick(overview.tiles().front(), Qt::LeftButton); // deselect
    QSignalSpy clears(&overview, &overviewTab::clearSmithDialog);

    overview.form().startTRScanButton->click();

    EXPECT_TRUE(sensor.queued.isEmpty());
    EXPECT_EQ(clears.count(), 0);
    EXPECT_TRUE(overview.records().isEmpty());
    EXPECT_EQ(overview.form().startTRScanButton->text(),
              QStringLiteral("Start Time Resolve Scan With Selected Sensors"));
    // The release timer unchecks the button, as nothing measures.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !overview.form().startTRScanButton->isChecked(); }, 20000));
}

TEST_F(OverviewTab, ARunningKindDisablesTheOtherStartButton)
{
    FakeSensor& sensor = addSensor(QStringLiteral("ONLY"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    QPushButton* cw = overview.form().startScanButton;
    QPushButton* tr = overview.form().startTRScanButton;

    cw->click();
    EXPECT_FALSE(tr->isEnabled());
    cw->click();
    EXPECT_TRUE(tr->isEnabled());

    tr->click();
    EXPECT_FALSE(cw->isEnabled());
    tr->click();
    EXPECT_TRUE(cw->isEnabled());
    EXPECT_EQ(tr->text(), QStringLiteral("Start Time Resolve SCAN with selected sensors"));
}

TEST_F(OverviewTab, StartButtonsAreReleasedWhenTheTabsOwnScansEnd)
{
    FakeSensor& sensor = addSensor(QStringLiteral("ONLY"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    QPushButton* tr = overview.form().startTRScanButton;
    tr->click();
    BaseScan* profile = sensor.pendingScan();
    ASSERT_NE(profile, nullptr);

    // A tile clicked during the scan neither releases the button nor keeps
    // the stop from stopping.
    QTest::mouseClick(overview.tiles().front(), Qt::LeftButton);
    QTest::qWait(1500);
    EXPECT_TRUE(tr->isChecked());
    tr->click();
    EXPECT_TRUE(profile->isFinished());
    EXPECT_TRUE(overview.form().startScanButton->isEnabled());
    EXPECT_EQ(tr->text(), QStringLiteral("Start Time Resolve SCAN with selected sensors"));

    // A scan that ends on its own releases the button at the next tick.
    QTest::mouseClick(overview.tiles().front(), Qt::LeftButton);
    tr->click();
    ASSERT_TRUE(tr->isChecked());
    sensor.pendingScan()->stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tr->isChecked(); }, 20000));
    EXPECT_TRUE(overview.form().startScanButton->isEnabled());

    // The continuous-wave button goes when the time-trend tab's activity
    // changes and no scan of the tab runs any more.
    QPushButton* cw = overview.form().startScanButton;
    cw->click();
    QMetaObject::invokeMethod(&overview, "sensorStopped", Q_ARG(bool, false));
    EXPECT_TRUE(cw->isChecked());
    sensor.pendingScan()->stop();
    QMetaObject::invokeMethod(&overview, "sensorStopped", Q_ARG(bool, false));
    EXPECT_FALSE(cw->isChecked());
    EXPECT_TRUE(tr->isEnabled());
}

TEST_F(OverviewTab, StopSkipsScansDeletedSinceTheStart)
{
    FakeSensor& kept = addSensor(QStringLiteral("KEPT"), {13.56}, {1});
    FakeSensor& replaced = addSensor(QStringLiteral("REPLACED"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&kept, &replaced});
    overview.form().startScanButton->click();
    BaseScan* keptScan = kept.pendingScan();

    // Another tab queues its own scan: the overview's, never started, goes.
    replaced.queueScan(new CWScan(&replaced, QStringLiteral("other tab"), 100));
    QCoreApplication::processEvents();
    ASSERT_EQ(overview.records().size(), 2);
    EXPECT_TRUE(overview.records()[0]->scan.isNull());

    overview.form().startScanButton->click();
    EXPECT_TRUE(keptScan->isFinished());
}

TEST_F(OverviewTab, TilesFollowTheSensorListAndTheRememberedSerials)
{
    FakeSensor& a = addSensor(QStringLiteral("A"), {13.56}, {1});
    FakeSensor& b = addSensor(QStringLiteral("B"), {13.56}, {1});
    overviewTab& overview = makeTab();

    list({&a, &b});
    EXPECT_EQ(rowSerials(), (QStringList{"B", "A", "|"}));
    overview.updateUnavailableWidgets({QStringLiteral("C"), QStringLiteral("A")});
    overview.updateUnavailableWidgets({QStringLiteral("C")});
    EXPECT_EQ(rowSerials(), (QStringList{"B", "A", "C", "|"}));
    EXPECT_FALSE(overview.tiles().last()->isAvailable());

    // A disconnects and comes back as a new sensor object with its nickname.
    auto* oldTile = overview.tiles()[1];
    ASSERT_EQ(oldTile->serial(), QStringLiteral("A"));
    a.setNickname(QStringLiteral("Etch"));
    QCoreApplication::processEvents();
    oldTile->sensorDisconnected();
    FakeSensor& aAgain = addSensor(QStringLiteral("A"), {13.56}, {1});
    QPointer<quvixDisplayWidget> oldGuard(oldTile);
    list({&b, &aAgain});
    EXPECT_TRUE(oldGuard.isNull());
    EXPECT_EQ(rowSerials(), (QStringList{"A", "B", "C", "|"}));
    EXPECT_EQ(aAgain.nickname(), QStringLiteral("Etch"));
    EXPECT_EQ(overview.tiles().size(), 3);
    EXPECT_TRUE(overview.tiles().front()->isAvailable());

    // The remembered sensor connects: its placeholder goes.
    FakeSensor& c = addSensor(QStringLiteral("C"), {13.56}, {1});
    list({&c});
    EXPECT_EQ(rowSerials(), (QStringList{"C", "A", "B", "|"}));
    for (const quvixDisplayWidget* tile : overview.tiles())
        EXPECT_TRUE(tile->isAvailable()) << tile->serial().toStdString();

    // A new object for B before its tile heard that the old one went: the
    // tile follows the new object and no longer the old one.
    FakeSensor& bAgain = addSensor(QStringLiteral("B"), {13.56, 27.12}, {1, 1});
    list({&bAgain});
    quvixDisplayWidget* bTile = overview.tiles().last();
    ASSERT_EQ(bTile->serial(), QStringLiteral("B"));
    EXPECT_EQ(bTile->sensor(), &bAgain);
    EXPECT_EQ(bTile->frequencyLabels().size(), 2);
    emit b.SensorDisconnected(&b);
    EXPECT_TRUE(bTile->isAvailable());

    // The pruning routine takes out unavailable tiles not listed.
    overview.tiles()[1]->sensorDisconnected();
    overview.removeUnavailableTilesNotIn({QStringLiteral("B")});
    EXPECT_EQ(overview.tiles().size(), 2);
}

TEST_F(OverviewTab, StartAndStopBeforeTheLoopRunsReportOneInactivity)
{
    FakeSensor& sensor = addSensor(QStringLiteral("ONLY"), {13.56}, {1});
    overviewTab& overview = makeTab();
    list({&sensor});
    QSignalSpy activity(&overview, &overviewTab::activity);

    overview.form().startScanButton->click();
    overview.form().startScanButton->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return activity.count() > 0; }, 20000));
    QTest::qWait(400);
    ASSERT_EQ(activity.count(), 1);
    EXPECT_FALSE(activity.front().front().toBool());
}

TEST_F(OverviewTab, MaximiseAndRestoreGiveBackTheSizesBefore)
{
    overviewTab& overview = makeTab();
    overview.resize(1200, 900);
    overview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overview, 10000));
    Ui_overviewTab& form = overview.form();
    const auto sizes = [&form] {
        return QVector<QSize>{form.quvixViewArea->size(), form.frame->size(),      form.plot->size(),
                              form.frame_2->size(),       form.smithChart->size(), form.frame_4->size()};
    };
    const QVector<QSize> before = sizes();
    ASSERT_GT(form.plot->height(), 50);
    EXPECT_EQ(form.smithChart->size(), QSize(400, 400));

    overview.maximisePlotAction()->trigger();
    EXPECT_FALSE(form.smithChart->isVisibleTo(&overview));
    EXPECT_FALSE(form.quvixViewArea->isVisibleTo(&overview));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.plot->height() > before[2].height() + 150; }, 10000))
        << form.plot->height();
    overview.maximisePlotAction()->trigger();
    EXPECT_TRUE(form.smithChart->isVisibleTo(&overview));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sizes() == before; }, 10000));
    EXPECT_EQ(sizes(), before);

    overview.maximiseSmithAction()->trigger();
    EXPECT_FALSE(form.plot->isVisibleTo(&overview));
    EXPECT_FALSE(form.valueBox->isVisibleTo(&overview));
    // The chart takes the page, drawn on its largest square.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return std::min(form.smithChart->width(), form.smithChart->height()) > 400 + 150; }, 10000))
        << form.smithChart->width() << "x" << form.smithChart->height();
    EXPECT_GT(form.smithChart->width(), 1000);

    // Maximising the plot now restores the Smith layout first.
    overview.maximisePlotAction()->trigger();
    EXPECT_FALSE(overview.maximiseSmithAction()->isChecked());
    EXPECT_TRUE(form.plot->isVisibleTo(&overview));
    EXPECT_FALSE(form.smithChart->isVisibleTo(&overview));
    EXPECT_EQ(form.smithChart->maximumSize(), QSize(400, 400));
    overview.maximisePlotAction()->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sizes() == before; }, 10000));
    EXPECT_EQ(sizes(), before);
}

TEST_F(OverviewTab, LegendAndDisplayOptions)
{
    overviewTab& overview = makeTab();
    EXPECT_EQ(overview.legend().alignment(), Qt::AlignBottom | Qt::AlignRight);
    EXPECT_TRUE(overview.legendActions().last()->isChecked());

    overview.setLegendPosition(4);
    EXPECT_EQ(overview.legend().alignment(), Qt::AlignTop | Qt::AlignHCenter);
    overview.setLegendPosition(6);
    overview.setLegendPosition(-1);
    EXPECT_EQ(overview.legend().alignment(), Qt::AlignTop | Qt::AlignHCenter);

    overview.legendActions()[1]->trigger();
    EXPECT_EQ(overview.legend().alignment(), Qt::AlignVCenter | Qt::AlignRight);

    overview.simpleSmithChanged(true);
    EXPECT_TRUE(overview.form().smithChart->isSimpleChart());
    overview.smithPointsChanged(25);
    EXPECT_EQ(overview.form().smithChart->pointLimit(), 25);
}

TEST_F(OverviewTab, ContextMenuOffersTheLayoutAndLegendActions)
{
    overviewTab& overview = makeTab();
    overview.show();
    QStringList offered;
    QTimer::singleShot(50, [&offered] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (const QAction* action : menu->actions())
            offered << (action->isSeparator() ? QStringLiteral("-") : action->text());
        menu->close();
    });
    emit overview.customContextMenuRequested(QPoint(10, 10));
    EXPECT_EQ(offered, (QStringList{"Maximise Plot", "Maximise Smithchart", "-", "Legend to Top",
                                    "Legend to Center", "Legend to Bottom"}));
}

TEST_F(OverviewTab, ConstructionDefaultsAndTheSettingsRoundTrip)
{
    {
        overviewTab& overview = makeTab();
        Ui_overviewTab& form = overview.form();
        EXPECT_EQ(overview.sizeHint(), QSize(0, 0));
        EXPECT_EQ(form.saveFolder->text(), QStringLiteral("./"));
        EXPECT_EQ(form.saveName->text(), QStringLiteral("<scantype>-<fulldate>"));
        EXPECT_EQ(overview.sampleRateSelector().partValue(0), 0);
        EXPECT_FALSE(overview.sampleRateSelector().part(2)->isVisibleTo(&overview));
        ASSERT_EQ(form.valueBox->count(), 4);
        const int ids[] = {0, 1, 2, 5};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(form.valueBox->itemData(i).toInt(), ids[i]);
        EXPECT_EQ(form.plot->axisTitle(QwtPlot::yLeft).text(), QStringLiteral("Voltage"));
        EXPECT_EQ(form.plot->axisTitle(QwtPlot::xBottom).text(), QStringLiteral("Time (s)"));
        EXPECT_EQ(form.quvixViewArea->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        EXPECT_GE(form.quvixViewArea->minimumHeight(), 180);
        EXPECT_EQ(overview.contextMenuPolicy(), Qt::CustomContextMenu);
        EXPECT_EQ(overview.objectName(), QStringLiteral("overviewTab"));
        EXPECT_EQ(form.smithChart->lineCount(), 1);
        EXPECT_GE(form.plot->axisWidget(QwtPlot::yLeft)->minimumWidth(), 10);
        EXPECT_GE(form.plot->axisWidget(QwtPlot::yLeft)->minimumHeight(), 10);
        EXPECT_TRUE(form.startScanButton->isCheckable());
        EXPECT_TRUE(form.startTRScanButton->isCheckable());
        EXPECT_EQ(form.startScanButton->text(), QStringLiteral("Start Scan With Selected Sensors"));
        QLayout* row = form.quvixLayout;
        ASSERT_GT(row->count(), 0);
        EXPECT_NE(row->itemAt(row->count() - 1)->spacerItem(), nullptr);
        EXPECT_TRUE(form.saveFolder->isReadOnly());
        EXPECT_TRUE(form.saveName->isReadOnly());

        ScriptedQuestions answers;
        answers.choose(QStringLiteral("/srv/scans")).cancelNext();
        form.setAutosaveFolderButton->click();
        EXPECT_EQ(form.saveFolder->text(), QStringLiteral("/srv/scans"));
        form.setAutosaveFolderButton->click();
        EXPECT_EQ(form.saveFolder->text(), QStringLiteral("/srv/scans"));
        ASSERT_EQ(answers.asked.size(), 2);
        EXPECT_EQ(answers.asked[0].caption, QStringLiteral("Select auto save folder"));
        EXPECT_EQ(answers.asked[1].start, QStringLiteral("/srv/scans"));
        overview.sampleRateSelector().setPartValue(0, 3);
        tab.reset();
    }
    {
        QSettings settings;
        settings.setValue(QStringLiteral("Overview/autosavename"), QStringLiteral("<serial>"));
    }
    overviewTab& again = makeTab();
    EXPECT_EQ(again.form().saveFolder->text(), QStringLiteral("/srv/scans"));
    EXPECT_EQ(again.form().saveName->text(), QStringLiteral("<serial>"));
    EXPECT_EQ(again.sampleRateSelector().partValue(0), 3);
}

} // namespace
