// The acquisition tab's view buttons, legend corner and zoom reset.

#include "app/dialogs/displaysettings.h"
#include "app/tabs/timetrendscantab.h"

#include "ui_scantab.h"
#include "views/barchart.h"
#include "views/smithchartdialog.h"
#include "views/waveform.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_legenditem.h>
#include <qwt_plot_zoomer.h>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>

#include <functional>
#include <memory>

namespace {

class ScanTabViews : public ::testing::Test
{
protected:
    QwtPlotLegendItem* legend() const
    {
        const QwtPlotItemList legends = tab->plot().itemList(QwtPlotItem::Rtti_PlotLegend);
        return legends.isEmpty() ? nullptr : static_cast<QwtPlotLegendItem*>(legends.first());
    }

    QWidget* meterWindow() const
    {
        for (QWidget* child : tab->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (child->isWindow() && child->windowTitle() == QStringLiteral("Meter View"))
                return child;
        return nullptr;
    }

    DisplaySettings settings;
    std::unique_ptr<timeTrendScanTab> tab = std::make_unique<timeTrendScanTab>(&settings);
};

TEST_F(ScanTabViews, EachViewButtonShowsAndHidesItsWindow)
{
    Ui_scanTab& form = tab->form();
    const struct {
        QAbstractButton* button;
        std::function<QWidget*()> window;
    } views[] = {
        {form.smithView, [this] { return static_cast<QWidget*>(&tab->smithDialog()); }},
        {form.barView, [this] { return static_cast<QWidget*>(&tab->barChart()); }},
        {form.waveView, [this] { return static_cast<QWidget*>(&tab->waveWindow()); }},
        {form.meterView, [this] { return meterWindow(); }},
    };
    for (const auto& view : views) {
        QWidget* window = view.window();
        ASSERT_NE(window, nullptr) << view.button->objectName().toStdString();
        view.button->setChecked(true);
        EXPECT_TRUE(window->isVisible()) << view.button->objectName().toStdString();
        view.button->setChecked(false);
        EXPECT_FALSE(window->isVisible()) << view.button->objectName().toStdString();
    }
}

// Closed from its title bar, a window releases the button that shows it.
TEST_F(ScanTabViews, ClosingAViewWindowUnchecksItsButton)
{
    Ui_scanTab& form = tab->form();
    const struct {
        QAbstractButton* button;
        QWidget* window;
    } windows[] = {{form.smithView, &tab->smithDialog()},
                   {form.barView, &tab->barChart()},
                   {form.meterView, meterWindow()},
                   {form.waveView, &tab->waveWindow()}};
    for (const auto& view : windows) {
        ASSERT_NE(view.window, nullptr) << view.button->objectName().toStdString();
        view.button->setChecked(true);
        ASSERT_TRUE(view.window->isVisible());
        EXPECT_TRUE(view.window->close());
        EXPECT_FALSE(view.button->isChecked()) << view.button->objectName().toStdString();
        EXPECT_FALSE(view.window->isVisible()) << view.button->objectName().toStdString();
        // The button shows it again.
        view.button->setChecked(true);
        EXPECT_TRUE(view.window->isVisible()) << view.button->objectName().toStdString();
        view.button->setChecked(false);
    }
}

// The Smith chart dialog announces its end as the tab destroys it; the tab
// has stopped listening by then, so its button is left alone.
TEST_F(ScanTabViews, DestroyingTheTabLeavesTheSmithChartsLastAnnouncementUnheard)
{
    tab->form().smithView->setChecked(true);
    ASSERT_TRUE(tab->smithDialog().isVisible());
    QSignalSpy dialogEnds(&tab->smithDialog(), &SmithChartDialog::workDone);
    int buttonChanges = 0;
    QObject watcher;
    QObject::connect(tab->form().smithView, &QAbstractButton::toggled, &watcher, [&] { ++buttonChanges; });

    tab.reset();
    EXPECT_EQ(dialogEnds.count(), 1);
    EXPECT_EQ(buttonChanges, 0);
}

TEST_F(ScanTabViews, TheLegendGoesToTheChosenCornerAndStaysForUnknownPositions)
{
    ASSERT_NE(legend(), nullptr);
    const struct {
        int position;
        Qt::Alignment alignment;
    } cases[] = {
        {0, Qt::AlignBottom | Qt::AlignRight}, {1, Qt::AlignBottom | Qt::AlignHCenter},
        {2, Qt::AlignBottom | Qt::AlignLeft},  {3, Qt::AlignTop | Qt::AlignRight},
        {4, Qt::AlignTop | Qt::AlignHCenter},  {5, Qt::AlignTop | Qt::AlignLeft},
        {6, Qt::AlignTop | Qt::AlignLeft},     {-1, Qt::AlignTop | Qt::AlignLeft},
    };
    for (const auto& c : cases) {
        tab->setLegendPosition(c.position);
        EXPECT_EQ(legend()->alignment(), c.alignment) << c.position;
    }
}

TEST_F(ScanTabViews, ZoomingBackToTheBaseTurnsAutomaticScalingOnAgain)
{
    tab->resize(900, 600);
    tab->show();
    QwtPlot& plot = tab->plot();
    auto* zoomer = tab->findChild<QwtPlotZoomer*>();
    ASSERT_NE(zoomer, nullptr);
    zoomer->setZoomBase();
    zoomer->zoom(QRectF(0.1, 0.1, 0.2, 0.2));
    ASSERT_EQ(zoomer->zoomRectIndex(), 1u);
    EXPECT_FALSE(plot.axisAutoScale(QwtPlot::xBottom));
    EXPECT_FALSE(plot.axisAutoScale(QwtPlot::yLeft));

    zoomer->zoom(0);
    EXPECT_TRUE(plot.axisAutoScale(QwtPlot::xBottom));
    EXPECT_TRUE(plot.axisAutoScale(QwtPlot::yLeft));
}

// On a stopped scan nothing else replots: the zoomer alone must bring the
// plot back to its data.
TEST_F(ScanTabViews, RightButtonStepsOutAndControlRightReturnsToTheData)
{
    tab->resize(900, 600);
    tab->show();
    QwtPlot& plot = tab->plot();
    auto* zoomer = tab->findChild<QwtPlotZoomer*>();
    ASSERT_NE(zoomer, nullptr);
    EXPECT_EQ(zoomer->rubberBandPen().color(), QColor(Qt::darkGreen));
    EXPECT_EQ(zoomer->trackerMode(), QwtPicker::ActiveOnly);
    EXPECT_TRUE(zoomer->isEnabled());

    auto* curve = new QwtPlotCurve;
    curve->setSamples(QVector<double>{0.0, 10.0}, QVector<double>{0.0, 5.0});
    curve->attach(&plot);
    plot.replot();
    const auto click = [&plot](Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
        const QPoint centre = plot.canvas()->rect().center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, centre, plot.canvas()->mapToGlobal(centre), button,
                              type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton,
                              modifiers);
            QApplication::sendEvent(plot.canvas(), &event);
        }
    };

    zoomer->zoom(QRectF(1.0, 1.0, 4.0, 2.0));
    zoomer->zoom(QRectF(2.0, 1.5, 1.0, 1.0));
    ASSERT_EQ(zoomer->zoomRectIndex(), 2u);
    click(Qt::MiddleButton, Qt::NoModifier);
    EXPECT_EQ(zoomer->zoomRectIndex(), 2u);
    click(Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(zoomer->zoomRectIndex(), 1u);
    EXPECT_EQ(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 5.0);

    click(Qt::RightButton, Qt::ControlModifier);
    EXPECT_EQ(zoomer->zoomRectIndex(), 0u);
    for (int axis : {QwtPlot::xBottom, QwtPlot::yLeft}) {
        EXPECT_TRUE(plot.axisAutoScale(axis)) << axis;
        EXPECT_GE(plot.axisScaleDiv(axis).upperBound(), axis == QwtPlot::xBottom ? 10.0 : 5.0) << axis;
        EXPECT_LT(plot.axisScaleDiv(axis).upperBound(), 100.0) << axis;
    }

    // The base is now the data's own frame: zooming in and stepping out
    // comes back to it.
    zoomer->zoom(QRectF(1.0, 1.0, 4.0, 2.0));
    click(Qt::RightButton, Qt::NoModifier);
    EXPECT_EQ(zoomer->zoomRectIndex(), 0u);
    EXPECT_LT(plot.axisScaleDiv(QwtPlot::xBottom).upperBound(), 100.0);
}

} // namespace
