// The main window's "Data Display" page on a real (virtual) screen: three
// curves of two finished scans on two axes, with the harmonics bar chart and
// the waveform view beside the plot; the picture is kept.

#include "app/mainwindow.h"

#include "app/recordingkeepawake.h"
#include "scans/quantitytree.h"
#include "scans/scanhandler.h"
#include "support/scanfactory.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "views/barchart.h"
#include "views/datadisplayplot.h"
#include "views/waveform.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QSettings>
#include <QTest>

#include <cmath>

namespace {

// A minute of a drifting plasma load, sampled every 100 ms.
BaseScan* finishedScan(FakeSensor& sensor, const QString& nickname, double voltage, double swing)
{
    auto scan = std::make_unique<CWScan>(&sensor, QStringLiteral("cw"), 100);
    scan->serialNumber = sensor.serialNumber();
    scan->nickname = nickname;
    scan->start();
    for (int k = 0; k < 600; ++k) {
        scantest::Load load;
        load.voltage = voltage + swing * std::sin(k / 60.0) + 0.02 * swing * std::sin(k * 1.7);
        load.current = 2.0 + 0.3 * std::cos(k / 45.0);
        load.phase = 30.0 + 10.0 * std::sin(k / 90.0);
        scantest::runPass(*scan, sensor, scantest::sampleOf(sensor, load), 2400000);
    }
    BaseScan* finished = scan.release();
    ScanHandler::getInstance()->scanComplete(finished);
    return finished;
}

QTreeWidgetItem* channel(QTreeWidget& tree, BaseScan* scan, const QString& titleEnd)
{
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
        if ((*it)->childCount() == 0 && (*it)->data(0, ScanRole).value<void*>() == scan &&
            (*it)->data(0, CurveTitleRole).toString().endsWith(titleEnd))
            return *it;
    return nullptr;
}

TEST(DataDisplayScreenshot, ThreeCurvesOnTwoAxesWithBarChartAndWaveform)
{
    QUVIX_REQUIRE_NETLAB();
    QSettings().clear();
    FakeSensor ionFluxSensor({13.56, 2.0}, {4, 4}, 3);
    FakeSensor multiSensor({13.56}, {3}, 1);
    multiSensor.setSerialNumber(QStringLiteral("B456"));
    QList<QPointer<BaseScan>> scans;
    {
        MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
        Ui_MainWindow& form = window.form();
        BaseScan* chamber = finishedScan(ionFluxSensor, QStringLiteral("Chamber A"), 120.0, 15.0);
        BaseScan* other = finishedScan(multiSensor, QStringLiteral("Chamber B"), 80.0, 10.0);
        scans << chamber << other;

        const auto send = [&](QTreeWidgetItem* item) {
            ASSERT_NE(item, nullptr);
            form.DisplayListTree->setCurrentItem(item);
            emit form.DisplayListTree->itemDoubleClicked(item, 0);
        };
        send(channel(*form.DisplayListTree, other, QStringLiteral("F13.56 Fund V (Volts)")));
        send(channel(*form.DisplayListTree, chamber, QStringLiteral("F13.56 Fund V (Volts)")));
        send(channel(*form.DisplayListTree, chamber, QStringLiteral("F13.56 Fund I (Amps)")));
        QListWidgetItem* current = form.DisplayCurveList->item(2);
        current->setCheckState(Qt::Checked);
        emit form.DisplayCurveList->itemClicked(current);

        form.tabWidget->setCurrentWidget(form.tab_2);
        window.resize(1400, 950);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 20000));
        form.DisplayListTree->setCurrentItem(form.DisplayListTree->topLevelItem(0));
        form.DisplayListTree->expandAll();
        form.DisplayBarChartButton->click();
        form.displayWaveForm->click();
        ASSERT_FALSE(window.barChart()->isHidden());
        ASSERT_FALSE(window.waveformView()->isHidden());
        form.DisplayPlot->PickPoint(QPointF(30.0, 0.0));
        window.barChart()->updateTimePosition(QPointF(30.0, 0.0));
        window.waveformView()->updateTimePosition(QPointF(30.0, 0.0));
        EXPECT_TRUE(form.DisplayPlot->axisEnabled(QwtPlot::yLeft));
        EXPECT_TRUE(form.DisplayPlot->axisEnabled(QwtPlot::yRight));
        QTest::qWait(200); // the page's layout follows the longer button texts
        EXPECT_FALSE(screenshot::keep(window, QStringLiteral("data-display")).isEmpty());
    }
    for (const QPointer<BaseScan>& scan : scans)
        delete scan.data();
    QSettings().clear();
}

} // namespace
