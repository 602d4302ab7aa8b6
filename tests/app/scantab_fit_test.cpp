// The acquisition tabs of the main window at the narrowest window the
// program allows and at a common wide screen, with a simulated USB sensor
// from the stand-in driver beside this test: the texts of the sensor, scan
// configuration and scan boxes across the top must be readable, not cut by
// their box; the parameter view takes what they leave. Building the window
// starts discovery, so this runs only inside the private network namespace.

#include "app/mainwindow.h"
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
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
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

TEST(ScanTabFit, TextsOfTheControlBoxesAreReadableAtTheNarrowestAndAWideWindow)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    ASSERT_EQ(control.configure("[sensor]\nserial = FIT-1\n"
                                "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n"
                                "frequency = 13560000 3 40 25\n"),
              1);

    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.resize(1400, 950);
    window.show();
    const std::vector<scanTab*> tabs{window.timeTrend(), window.timeResolved()};
    for (scanTab* tab : tabs) {
        window.form().tabWidget->setCurrentWidget(tab);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-1")) >= 0; }, 20000));
        tab->form().sensorList->setCurrentIndex(tab->form().sensorList->findText(QStringLiteral("FIT-1")));
        for (const int width : {1200, 1600}) {
            window.resize(width, 950);
            const Ui_scanTab& form = tab->form();
            // New values (the latest peak) come in while the layout settles.
            const std::vector<QGroupBox*> boxes{form.sensorConfigBox, form.scanConfigurationBox,
                                                form.scanControlBox};
            QTest::qWaitFor([&] { return cutTexts(*tab, boxes).isEmpty(); }, 5000);
            const QStringList cut = cutTexts(*tab, boxes);
            EXPECT_TRUE(cut.isEmpty()) << tab->metaObject()->className() << " at " << width << " px:\n"
                                       << cut.join(QLatin1Char('\n')).toStdString();
        }
    }

    detachAndAwaitSensorLoops(control, {QStringLiteral("FIT-1")});
}

} // namespace
