// Shows the Smith chart dialog with two scans on a real (virtual) screen
// and keeps its picture with the full and with the simple grid.

#include "views/smithchartdialog.h"

#include "scans/basescan.h"
#include "support/fakesensor.h"
#include "support/screenshot.h"
#include "views/smithchartv2.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// A load drifting slowly about its own value, a little differently at each
// frequency, as a sensor on a plasma load reports it.
void fillDrifting(BaseScan& scan, const FakeSensor& sensor, int samples, double voltage, double phaseShift)
{
    for (int k = 0; k < samples; ++k) {
        std::vector<double> sample;
        for (int i = 0; i < sensor.frequencies().size(); ++i) {
            const double v = voltage * (1.0 + 0.15 * std::sin(k / 40.0 + i));
            const double phase = phaseShift + 25.0 * i + 12.0 * std::cos(k / 55.0);
            sample.insert(sample.end(), {sensor.frequencies()[i], 0.0, v, 0.0, 0.5, phase});
        }
        sample.insert(sample.end(), {100.0, 20.0});
        scan.addData(sample.data(), static_cast<int>(sample.size()), 0.0, 24000);
    }
}

} // namespace

TEST(SmithChartDialogScreenshot, FullAndSimpleGridWithTwoScans)
{
    FakeSensor first({13.56, 2.0, 27.12}, {1, 1, 1});
    FakeSensor second({13.56, 2.0, 27.12}, {1, 1, 1});
    BaseScan firstScan(&first, QStringLiteral("Default"));
    BaseScan secondScan(&second, QStringLiteral("Default"));
    firstScan.serialNumber = QStringLiteral("QX000001");
    secondScan.serialNumber = QStringLiteral("QX000002");
    fillDrifting(firstScan, first, 400, 20.0, -30.0);
    fillDrifting(secondScan, second, 400, 35.0, 10.0);

    SmithChartDialog dialog;
    dialog.setPointMarkers(true);
    dialog.addScan(&firstScan);
    dialog.addScan(&secondScan);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("smith-chart-dialog-full")).isEmpty());
    dialog.simpleSmithChanged(true);
    dialog.chart()->update();
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("smith-chart-dialog-simple")).isEmpty());
}
