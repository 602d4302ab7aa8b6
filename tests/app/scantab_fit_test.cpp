// The acquisition tabs of the main window at the width it opens at on a
// 1600 x 1000 screen, at the narrowest window the program allows and at a
// wide one, with a simulated USB sensor from the stand-in driver beside this
// test: the texts of the sensor, scan configuration and scan boxes across the
// top must be readable, neither cut by their box nor lying over one another;
// where the parameter view has its share too, its meter grid's as well.
// Building the window starts discovery, so this runs only inside the private
// network namespace.

#include "app/mainwindow.h"
#include "app/pulsetrendscantab.h"
#include "app/recordingkeepawake.h"
#include "app/scantab.h"
#include "app/sensorloops.h"
#include "app/timeresolvedscantab.h"
#include "app/timetrendscantab.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {

QString textOf(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    return {};
}

// A visible text widget narrower than its text needs, or one whose box cuts
// it off, named with the sizes for the failure message. A widget held to a
// fixed width is the form's choice; the font of the test run may be wider
// than the one it was chosen for.
QStringList cutTexts(QWidget& tab, const std::vector<QGroupBox*>& boxes)
{
    QStringList cut;
    for (QGroupBox* box : boxes) {
        const QRect inside = box->contentsRect();
        for (QWidget* widget : box->findChildren<QWidget*>()) {
            const QString text = textOf(*widget);
            if (text.trimmed().isEmpty() || !widget->isVisibleTo(&tab))
                continue;
            const QSize needed = widget->minimumSizeHint().expandedTo(QSize(0, 0));
            const QRect placed(widget->mapTo(box, QPoint(0, 0)), widget->size());
            const bool narrowed = widget->width() < std::min(needed.width(), widget->maximumWidth());
            const bool cutOff = placed.right() > inside.right() || placed.left() < inside.left();
            if (narrowed || cutOff)
                cut << QStringLiteral("%1 \"%2\" in %3: %4x%5 at %6,%7, needs %8x%9 inside %10x%11")
                           .arg(widget->objectName(), text, box->objectName())
                           .arg(widget->width())
                           .arg(widget->height())
                           .arg(placed.x())
                           .arg(placed.y())
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(inside.width())
                           .arg(inside.height());
        }
    }
    return cut;
}

// Visible text widgets of one box drawn over each other: a layout given less
// than its widgets' minimum widths still places them at those widths.
QStringList overlappingTexts(QWidget& tab, const std::vector<QGroupBox*>& boxes)
{
    QStringList overlapping;
    for (QGroupBox* box : boxes) {
        std::vector<QWidget*> texts;
        for (QWidget* widget : box->findChildren<QWidget*>())
            if (!textOf(*widget).trimmed().isEmpty() && widget->isVisibleTo(&tab))
                texts.push_back(widget);
        for (std::size_t i = 0; i < texts.size(); ++i)
            for (std::size_t j = i + 1; j < texts.size(); ++j) {
                const QRect first(texts[i]->mapTo(box, QPoint(0, 0)), texts[i]->size());
                const QRect second(texts[j]->mapTo(box, QPoint(0, 0)), texts[j]->size());
                if (first.intersects(second))
                    overlapping << QStringLiteral("%1 \"%2\" and %3 \"%4\" in %5")
                                       .arg(texts[i]->objectName(), textOf(*texts[i]), texts[j]->objectName(),
                                            textOf(*texts[j]), box->objectName());
            }
    }
    return overlapping;
}

QStringList unreadableTexts(QWidget& tab, const std::vector<QGroupBox*>& boxes)
{
    return cutTexts(tab, boxes) + overlappingTexts(tab, boxes);
}

TEST(ScanTabFit, TextsOfTheControlBoxesAreReadableAtTheNarrowestAndAWideWindow)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = FIT-1\n"
                                "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n"
                                "frequency = 13560000 3 40 25\n"),
              1);

    // The font the program gets on an X display without desktop settings;
    // the offscreen platform's own default is larger.
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    EXPECT_EQ(window.width(), window.openingWidth(window.screen()->availableGeometry()));
    window.show();
    const int openingWidth = window.openingWidth(QRect(0, 0, 1600, 1000));
    struct FitCase {
        scanTab* tab;
        int width;
        // At the narrowest window the boxes beside it keep their texts, but
        // the parameter view is left too little room for its meter grid.
        bool withParameterView;
    };
    const std::vector<FitCase> cases{
        {window.timeTrend(), openingWidth, true},
        {window.timeTrend(), 1200, false},
        {window.timeTrend(), 1920, true},
        {window.pulseTrend(), openingWidth, true},
        {window.pulseTrend(), 1920, true},
        {window.pulseTrend(), 1200, false},
        {window.timeResolved(), openingWidth, true},
        {window.timeResolved(), 1200, false},
        {window.timeResolved(), 1920, true},
    };
    for (const FitCase& fit : cases) {
        scanTab* tab = fit.tab;
        window.form().tabWidget->setCurrentWidget(tab);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-1")) >= 0; }, 20000));
        tab->form().sensorList->setCurrentIndex(tab->form().sensorList->findText(QStringLiteral("FIT-1")));
        window.resize(fit.width, window.height());
        const Ui_scanTab& form = tab->form();
        std::vector<QGroupBox*> boxes{form.sensorConfigBox, form.scanConfigurationBox, form.scanControlBox};
        if (fit.withParameterView)
            boxes.push_back(form.paramViewBox);
        // New values (the latest peak, the meters) come in while the layout
        // settles.
        (void)QTest::qWaitFor([&] { return unreadableTexts(*tab, boxes).isEmpty(); }, 5000);
        const QStringList unreadable = unreadableTexts(*tab, boxes);
        EXPECT_TRUE(unreadable.isEmpty())
            << tab->metaObject()->className() << " at " << window.width() << " px:\n"
            << unreadable.join(QLatin1Char('\n')).toStdString();
    }

    detachAndAwaitSensorLoops(control, {QStringLiteral("FIT-1")});
}

} // namespace
