// The overview page of the main window with two simulated USB sensors from
// the stand-in driver beside this test: both get a tile, and a scan on the
// selected sensors fills the curves and the Smith trails with what the
// sensors measure. Building the window starts discovery, so this runs only
// inside the private network namespace. Its picture is kept as an artifact.

#include "app/mainwindow.h"
#include "app/tabs/overviewtab.h"
#include "app/tabs/quvixdisplaywidget.h"
#include "app/recordingkeepawake.h"
#include "app/scanactivity.h"
#include "app/sensorloops.h"
#include "scans/basescan.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/screenshot.h"
#include "support/scriptedquestions.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_overviewtab.h"
#include "views/livecurve.h"
#include "views/sampleratewidget.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cmath>

namespace {

bool tilesShow(const overviewTab& overview, const QStringList& serials)
{
    int shown = 0;
    for (const quvixDisplayWidget* tile : overview.tiles())
        if (tile->isAvailable() && serials.contains(tile->serial()))
            ++shown;
    return shown == serials.size();
}

bool everyCurveAndTrailHas(const overviewTab& overview, size_t samples)
{
    if (overview.records().size() != 2)
        return false;
    for (const OverviewScanRecord* record : overview.records())
        for (int i = 0; i < record->curves.size(); ++i)
            if (record->curves[i]->dataSize() < samples ||
                overview.form().smithChart->points(record->firstLine + i).isEmpty())
                return false;
    return true;
}

TEST(OverviewWithSensors, ScansTheSelectedSensorsIntoCurvesAndSmithTrails)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = OVW-1\n"
                                "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n"
                                "frequency = 13560000 2 50 0\nfrequency = 2000000 1 30 -15\n"
                                "drift = 0.4\ndriftPeriod = 3\n"
                                "[sensor]\nserial = OVW-2\nfrequency = 40680000 1 75 20\n"),
              2);
    QTemporaryDir autosaveFolder;
    ASSERT_TRUE(autosaveFolder.isValid());

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    overviewTab& overview = *window.overview();
    ASSERT_EQ(window.form().tabWidget->indexOf(&overview), 0);
    EXPECT_EQ(window.form().tabWidget->tabText(0), QStringLiteral("Overview"));
    EXPECT_EQ(window.form().tabWidget->currentWidget(), &overview);

    const QStringList serials = {QStringLiteral("OVW-1"), QStringLiteral("OVW-2")};
    ASSERT_TRUE(QTest::qWaitFor([&] { return tilesShow(overview, serials); }, 20000));

    {
        ScriptedQuestions answers;
        answers.choose(autosaveFolder.path());
        overview.form().setAutosaveFolderButton->click();
    }
    overview.sampleRateSelector().setRate(100);
    overview.form().startScanButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return everyCurveAndTrailHas(overview, 20); }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.scanActivityState().isAnyActive(); }, 20000));

    // OVW-2 measures 75 + j20 ohm at its only frequency.
    for (const OverviewScanRecord* record : overview.records()) {
        if (record->scan->serialNumber != QStringLiteral("OVW-2"))
            continue;
        const QPointF latest = overview.form().smithChart->points(record->firstLine).last();
        const QPointF expected = SmithChartV2::chartPoint(75.0 / 50.0, 20.0 / 50.0);
        EXPECT_NEAR(latest.x(), expected.x(), 1.0);
        EXPECT_NEAR(latest.y(), expected.y(), 1.0);
    }
    const QString picture = screenshot::keep(window, QStringLiteral("overview-sensors"));
    EXPECT_FALSE(picture.isEmpty());

    std::vector<QPointer<BaseScan>> scans;
    for (const OverviewScanRecord* record : overview.records())
        scans.emplace_back(record->scan);
    overview.form().startScanButton->click();
    for (const QPointer<BaseScan>& scan : scans)
        EXPECT_TRUE(scan.isNull() || scan->isFinished());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.scanActivityState().isAnyActive(); }, 20000));
    // Both scans autosave under the tab's folder when they end.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QDir(autosaveFolder.path()).entryList({QStringLiteral("*.dat")}).size() == 2; }, 30000));

    // A window built while the handler already holds sensors shows them at once.
    {
        MainWindow later(nullptr, std::make_unique<RecordingKeepAwake>());
        EXPECT_TRUE(tilesShow(*later.overview(), serials));
    }

    detachAndAwaitSensorLoops(control, serials);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const quvixDisplayWidget* tile : overview.tiles())
                if (tile->isAvailable())
                    return false;
            return true;
        },
        20000));
}

} // namespace
