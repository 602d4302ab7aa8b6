// The range picker: its tracker text and what its rubber band draws, probed
// pixel by pixel while a drag is under way on a plot canvas.

#include "views/rangepicker.h"

#include <gtest/gtest.h>

#include <qwt_picker_machine.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_text.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include <memory>

namespace {

// Opens the drawing and the tracker to the test.
template <class Picker> class Probe : public Picker
{
public:
    using Picker::Picker;
    QImage rubberBandImage(QSize size) const
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 1));
        this->drawRubberBand(&painter);
        return image;
    }
    QString tracker(QPointF pos) const { return this->trackerTextF(pos).text(); }
};

class PickerOnPlot : public ::testing::Test
{
protected:
    void SetUp() override
    {
        plot.resize(600, 400);
        plot.setAxisScale(QwtPlot::xBottom, 0.0, 10.0);
        plot.setAxisScale(QwtPlot::yLeft, 0.0, 1.0);
        plot.show();
        plot.replot();
    }
    QWidget* canvas() { return plot.canvas(); }

    template <class Picker>
    std::unique_ptr<Probe<Picker>> dragging(QwtPicker::RubberBand band, QPoint from, QPoint to)
    {
        auto picker = std::make_unique<Probe<Picker>>(QwtPlot::xBottom, QwtPlot::yLeft, band,
                                                      QwtPicker::AlwaysOn, canvas());
        picker->setStateMachine(new QwtPickerDragRectMachine);
        QTest::mousePress(canvas(), Qt::LeftButton, Qt::NoModifier, from);
        if (to != from) {
            QMouseEvent move(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(canvas(), &move);
        }
        return picker;
    }

    // The columns in which a pixel of the middle row is dark.
    static QList<int> darkColumns(const QImage& image, int y)
    {
        QList<int> columns;
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                columns << x;
        return columns;
    }

    QwtPlot plot;
};

TEST_F(PickerOnPlot, TrackerShowsTheTimeWithFourDecimals)
{
    Probe<rangePicker> picker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::UserRubberBand,
                              QwtPicker::AlwaysOn, canvas());
    EXPECT_EQ(picker.tracker(QPointF(1.23456, 0.5)), "1.2346");
    EXPECT_EQ(picker.tracker(QPointF(-2.0, 7.0)), "-2.0000");
}

TEST_F(PickerOnPlot, UserRubberBandDrawsTwoVerticalLinesAtTheEnds)
{
    auto picker = dragging<rangePicker>(QwtPicker::UserRubberBand, QPoint(100, 50), QPoint(300, 120));
    ASSERT_TRUE(picker->isActive());
    const QImage image = picker->rubberBandImage(QSize(600, 400));
    for (int y : {0, 10, 200, image.height() - 1})
        EXPECT_EQ(darkColumns(image, y), QList<int>({100, 300})) << "row " << y;
}

TEST_F(PickerOnPlot, OnePickedPlaceDrawsOneLine)
{
    auto picker = dragging<rangePicker>(QwtPicker::UserRubberBand, QPoint(150, 60), QPoint(150, 60));
    ASSERT_TRUE(picker->isActive());
    const QImage image = picker->rubberBandImage(QSize(600, 400));
    EXPECT_EQ(darkColumns(image, 200), QList<int>({150}));
}

TEST_F(PickerOnPlot, NothingPickedDrawsNothing)
{
    Probe<rangePicker> picker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::UserRubberBand,
                              QwtPicker::AlwaysOn, canvas());
    const QImage image = picker.rubberBandImage(QSize(600, 400));
    EXPECT_TRUE(darkColumns(image, 200).isEmpty());
}

TEST_F(PickerOnPlot, OtherRubberBandsDrawAsThePlotPickerDoes)
{
    for (QwtPicker::RubberBand band : {QwtPicker::RectRubberBand, QwtPicker::CrossRubberBand,
                                       QwtPicker::VLineRubberBand, QwtPicker::EllipseRubberBand}) {
        QImage ours;
        QImage plain;
        {
            auto picker = dragging<rangePicker>(band, QPoint(100, 50), QPoint(300, 120));
            ours = picker->rubberBandImage(QSize(600, 400));
            QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 120));
        }
        {
            auto picker = dragging<QwtPlotPicker>(band, QPoint(100, 50), QPoint(300, 120));
            plain = picker->rubberBandImage(QSize(600, 400));
            QTest::mouseRelease(canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 120));
        }
        EXPECT_EQ(ours, plain) << "band " << band;
        if (band == QwtPicker::RectRubberBand || band == QwtPicker::EllipseRubberBand)
            EXPECT_FALSE(darkColumns(ours, 85).isEmpty()) << "band " << band << " drew nothing";
    }
}

} // namespace
