// The main window's "Data Display" page: the plot tools, the scan tree and
// the curve list, and what they feed, with scans completed through the scan
// handler as finished scans are.

#include "app/mainwindow.h"

#include "app/recordingkeepawake.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "views/datadisplayplot.h"

#include <gtest/gtest.h>

#include <qwt_plot_canvas.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_picker.h>
#include <qwt_plot_zoomer.h>

#include <QSettings>

namespace {

class DataDisplayTest : public ::testing::Test
{
protected:
    // Building the window starts the sensor handler, which broadcasts.
    void SetUp() override
    {
        QUVIX_REQUIRE_NETLAB();
        QSettings().clear();
        window = std::make_unique<MainWindow>(nullptr, std::make_unique<RecordingKeepAwake>());
    }
    void TearDown() override
    {
        window.reset();
        QSettings().clear();
    }

    Ui_MainWindow& form() { return window->form(); }
    DataDisplayPlot& plot() { return *form().DisplayPlot; }

    std::unique_ptr<MainWindow> window;
};

TEST_F(DataDisplayTest, PlotToolButtonsSetThePlotsMode)
{
    form().DisplayPanButton->click();
    EXPECT_EQ(plot().canvas()->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_FALSE(plot().zoomer()->isEnabled());
    form().DisplaySelectAreaButton->click();
    EXPECT_EQ(plot().canvas()->cursor().shape(), Qt::SplitHCursor);
    form().DisplaySelectPointButton->click();
    EXPECT_TRUE(plot().pointPicker()->isEnabled());
    EXPECT_FALSE(form().DisplayPanButton->isChecked());
    form().DisplayZoomButton->click();
    EXPECT_TRUE(plot().zoomer()->isEnabled());
    EXPECT_FALSE(plot().pointPicker()->isEnabled());
}

} // namespace
