// The acquisition tabs of the main window at the width it opens at on a
// 1600 x 1000 screen, at the narrowest window the program allows and at a
// wide one, with a simulated USB sensor from the stand-in driver beside this
// test: the texts of the sensor, scan configuration, scan and parameter view
// boxes across the top must be readable, neither cut by their box nor lying
// over one another, and every meter the display options offer shows its
// whole value. Every page of the window, with that sensor bound, fits a
// 1366 x 768 screen less a desktop panel and a title bar with nothing
// squeezed or cut off. Building the window starts discovery, so this runs
// only inside the private network namespace.

#include "app/dialogs/displaysettings.h"
#include "app/mainwindow.h"
#include "app/tabs/overviewtab.h"
#include "app/tabs/pulsetrendscantab.h"
#include "app/recordingkeepawake.h"
#include "app/tabs/scantab.h"
#include "app/sensorloops.h"
#include "app/tabs/timeresolvedscantab.h"
#include "app/tabs/timetrendscantab.h"
#include "sensors/quvixsensor.h"
#include "sensors/sensorhandler.h"
#include "sensors/usbsimcontrol.h"
#include "support/comboroom.h"
#include "support/editroom.h"
#include "support/screenshot.h"
#include "support/testenvironment.h"
#include "ui_mainwindow.h"
#include "ui_scantab.h"
#include "views/sampleratewidget.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// The display options' meter boxes, the two-valued quantities first.
const QStringList& displayOptionBoxes()
{
    static const QStringList names{QStringLiteral("voltageHCheckBox"),
                                   QStringLiteral("impedanceHComplexCheckBox"),
                                   QStringLiteral("impedanceHVectorCheckBox"),
                                   QStringLiteral("gammaReflectionComplexCheckBox"),
                                   QStringLiteral("gammaReflectionVectorCheckBox"),
                                   QStringLiteral("currentHVectorCheckBox"),
                                   QStringLiteral("currentHComplexCheckBox"),
                                   QStringLiteral("voltagePhaseCheckBox"),
                                   QStringLiteral("powerCheckBox"),
                                   QStringLiteral("frequencyCheckBox"),
                                   QStringLiteral("phaseHCheckBox"),
                                   QStringLiteral("currentHCheckBox"),
                                   QStringLiteral("forwardPowerCheckBox"),
                                   QStringLiteral("reflectedPowerCheckBox"),
                                   QStringLiteral("swrCheckBox"),
                                   QStringLiteral("ionFluxCheckBox"),
                                   QStringLiteral("energyCheckBox"),
                                   QStringLiteral("pulsePeriodCheckBox"),
                                   QStringLiteral("pulseOnTimeCheckBox"),
                                   QStringLiteral("pulseFrequencyCheckBox"),
                                   QStringLiteral("pulseDutyCycleCheckBox")};
    return names;
}

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

// Meter values wider or taller than their label, measured by the label's
// font, and values cut short without their whole text in the tool tip.
QStringList cutMeterValues(scanTab& tab)
{
    QStringList cut;
    for (int slot = 0; slot < 8; ++slot) {
        const QLabel& label = *tab.meterLabel(slot);
        if (!label.isVisibleTo(&tab))
            continue;
        const QString shown = Qt::mightBeRichText(label.text())
                                  ? QTextDocumentFragment::fromHtml(label.text()).toPlainText()
                                  : label.text();
        const int needed = label.fontMetrics().horizontalAdvance(shown) + std::max(0, label.indent());
        const int room = label.contentsRect().width() - 2 * label.margin();
        const int height = label.contentsRect().height() - 2 * label.margin();
        const bool elided = shown.contains(QChar(0x2026));
        const QString whole = label.toolTip();
        if (needed > room || height < label.fontMetrics().height() ||
            (elided && !whole.startsWith(shown.left(shown.size() - 1))))
            cut << QStringLiteral("meter %1 \"%2\" (tool tip \"%3\"): needs %4 of %5, %6 high")
                       .arg(slot + 1)
                       .arg(shown, whole)
                       .arg(needed)
                       .arg(room)
                       .arg(height);
    }
    return cut;
}

// A box that reaches past the page: the window's edge cuts it off.
QStringList boxesPastThePage(scanTab& tab, const std::vector<QGroupBox*>& boxes)
{
    QStringList past;
    const int page = tab.parentWidget() ? std::min(tab.width(), tab.parentWidget()->width()) : tab.width();
    for (QGroupBox* box : boxes)
        if (box->isVisibleTo(&tab) && box->mapTo(&tab, QPoint(box->width(), 0)).x() > page)
            past << QStringLiteral("%1 ends at %2 of %3")
                        .arg(box->objectName())
                        .arg(box->mapTo(&tab, QPoint(box->width(), 0)).x())
                        .arg(page);
    return past;
}

QStringList unreadableTexts(QWidget& tab, const std::vector<QGroupBox*>& boxes)
{
    QStringList unreadable = cutTexts(tab, boxes) + overlappingTexts(tab, boxes);
    if (auto* acquisition = qobject_cast<scanTab*>(&tab))
        unreadable += cutMeterValues(*acquisition) + boxesPastThePage(*acquisition, boxes);
    return unreadable;
}

// The window at `width`, once the shown tab has taken its new width and the
// layouts it asked for are done: checked before, the texts would be those
// of the width before.
void resizeAndSettle(MainWindow& window, scanTab& tab, int width)
{
    window.resize(width, window.height());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const int page = tab.parentWidget() ? tab.parentWidget()->width() : tab.width();
            return window.width() == width && page < width && page > width - 100;
        },
        20000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

// Ticks exactly the display options of `names` in the display options
// dialog, as a user would from the main window's menu.
void showMeters(MainWindow& window, const QStringList& names)
{
    DisplaySettings& options = *window.displaySettings();
    QTimer::singleShot(0, &options, [&] {
        // Unticked first: with eight ticked, the others are disabled.
        for (QCheckBox* box : options.findChildren<QCheckBox*>())
            if (displayOptionBoxes().contains(box->objectName()) && box->isChecked() &&
                !names.contains(box->objectName()))
                box->click();
        for (const QString& name : names) {
            QCheckBox* box = options.findChild<QCheckBox*>(name);
            if (box && !box->isChecked())
                box->click();
        }
        options.findChild<QPushButton*>(QStringLiteral("pbApply"))->click();
    });
    window.form().displayOptionsMenuButton->trigger();
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
        bool withParameterView;
    };
    const std::vector<FitCase> cases{
        {window.timeTrend(), openingWidth, true},
        {window.timeTrend(), 1200, true},
        {window.timeTrend(), 1920, true},
        {window.pulseTrend(), openingWidth, true},
        {window.pulseTrend(), 1920, true},
        {window.pulseTrend(), 1200, true},
        {window.timeResolved(), openingWidth, true},
        {window.timeResolved(), 1200, true},
        {window.timeResolved(), 1920, true},
    };
    for (const FitCase& fit : cases) {
        scanTab* tab = fit.tab;
        window.form().tabWidget->setCurrentWidget(tab);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-1")) >= 0; }, 20000));
        tab->form().sensorList->setCurrentIndex(tab->form().sensorList->findText(QStringLiteral("FIT-1")));
        resizeAndSettle(window, *tab, fit.width);
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

// Rates of the sample-rate selector the arrow cuts short, and the largest
// rate the spin box takes when its frame would cut it.
QStringList cutRates(scanTab& tab)
{
    const SampleRateWidget& rates = tab.rateSelector();
    if (!rates.isVisibleTo(&tab))
        return {};
    QStringList cut = comboroom::cutEntries(*qobject_cast<QComboBox*>(rates.part(0)));
    const auto* spin = qobject_cast<QSpinBox*>(rates.part(2));
    const auto* typed = spin->findChild<QLineEdit*>();
    const QString largest = QString::number(spin->maximum());
    const int room = editroom::textRoom(*typed);
    if (typed->fontMetrics().horizontalAdvance(largest) + 1 > room)
        cut << QStringLiteral("typed rate %1 in %2 px").arg(largest).arg(room);
    return cut;
}

TEST(ScanTabFit, EveryRateOfTheSampleRateSelectorIsWholeAtEveryWidthOfEveryTab)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    // A pulse sensor: its list is the full one, "Max" and "Set" included.
    ASSERT_EQ(control.configure("[sensor]\nserial = FIT-3\n"
                                "capabilities = Pulse=Y;Vi=Y\n"
                                "frequency = 13560000 3 40 25\n"),
              1);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.show();

    int checked = 0;
    for (scanTab* tab :
         std::initializer_list<scanTab*>{window.timeTrend(), window.pulseTrend(), window.timeResolved()}) {
        window.form().tabWidget->setCurrentWidget(tab);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-3")) >= 0; }, 20000));
        tab->form().sensorList->setCurrentIndex(tab->form().sensorList->findText(QStringLiteral("FIT-3")));
        for (int width : {1200, 1366, 1600}) {
            resizeAndSettle(window, *tab, width);
            checked += tab->rateSelector().isVisibleTo(tab) ? 1 : 0;
            const QStringList cut = cutRates(*tab);
            EXPECT_TRUE(cut.isEmpty()) << tab->metaObject()->className() << " at " << width
                                       << " px: " << cut.join(QStringLiteral(", ")).toStdString();
        }
    }
    // The pulse-trend and time-resolved tabs take no report rate and hide
    // their selectors: the time-trend tab's is checked at every width.
    EXPECT_EQ(checked, 3);

    detachAndAwaitSensorLoops(control, {QStringLiteral("FIT-3")});
}

TEST(ScanTabFit, EveryMeterShowsItsWholeValueAtEveryWidthOfEveryTab)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    // A high voltage on a capacitive load: values of up to four digits
    // before the point, wider than the meters keep room for at first, and
    // negative parts.
    ASSERT_EQ(control.configure("[sensor]\nserial = FIT-2\n"
                                "capabilities = Pulse=Y;Vi=Y\n"
                                "frequency = 13560000 3 123.4 -98.7 1234.5\n"),
              1);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.show();

    // Eight at a time, the most the meter grid shows; together every kind.
    const QStringList& kinds = displayOptionBoxes();
    const std::vector<QStringList> meterSets{kinds.mid(0, 8), kinds.mid(8, 8), kinds.mid(16)};
    // The time-resolved tab twice: the external trigger widens its window
    // of times.
    timeResolvedScanTab& timeResolved = *window.timeResolved();
    const struct {
        scanTab* tab;
        const char* setUp;
        std::function<void()> run;
    } tabs[] = {
        {window.timeTrend(), "", [] {}},
        {window.pulseTrend(), "", [] {}},
        {&timeResolved, "internal trigger", [&] { timeResolved.controls().internalTrigger->click(); }},
        {&timeResolved, "external trigger", [&] { timeResolved.controls().externalTrigger->click(); }},
    };
    for (const QStringList& meters : meterSets) {
        showMeters(window, meters);
        for (const auto& shown : tabs) {
            scanTab* tab = shown.tab;
            window.form().tabWidget->setCurrentWidget(tab);
            shown.run();
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-2")) >= 0; }, 20000));
            tab->form().sensorList->setCurrentIndex(
                tab->form().sensorList->findText(QStringLiteral("FIT-2")));
            ASSERT_EQ(tab->meterIds().size(), meters.size());
            for (int width : {1200, 1366, 1600, 1920}) {
                resizeAndSettle(window, *tab, width);
                // Values in every meter, then the layout settled around them.
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] {
                        for (int slot = 0; slot < meters.size(); ++slot)
                            if (tab->meterLabel(slot)->text() == QStringLiteral("   ---"))
                                return false;
                        return true;
                    },
                    20000));
                const Ui_scanTab& form = tab->form();
                const std::vector<QGroupBox*> boxes{form.sensorConfigBox, form.scanConfigurationBox,
                                                    form.scanControlBox, form.paramViewBox};
                (void)QTest::qWaitFor([&] { return unreadableTexts(*tab, boxes).isEmpty(); }, 5000);
                const QStringList unreadable = unreadableTexts(*tab, boxes);
                if (tab == window.timeTrend() && width == 1366 && meters == meterSets.front())
                    EXPECT_FALSE(screenshot::keep(window, QStringLiteral("time-trend-two-valued-meters-1366"))
                                     .isEmpty());
                EXPECT_TRUE(unreadable.isEmpty())
                    << tab->metaObject()->className() << " (" << shown.setUp << ") at " << window.width()
                    << " px with " << meters.join(QLatin1Char(' ')).toStdString() << ":\n"
                    << unreadable.join(QLatin1Char('\n')).toStdString();
            }
        }
    }

    detachAndAwaitSensorLoops(control, {QStringLiteral("FIT-2")});
}

// A 1366 x 768 laptop screen and a 1600 x 1000 one, each less a desktop
// panel and the window's title bar of about 34 pixels.
struct ScreenCase {
    int width;
    int height;
};
const ScreenCase screens[] = {{1366, 768 - 2 * 34}, {1600, 1000 - 2 * 34}};

// The window at this size once its layouts are done; a window whose
// contents need more stays larger, which the caller checks.
void resizeWindowAndSettle(MainWindow& window, const QSize& size)
{
    window.resize(size);
    (void)QTest::qWaitFor([&] { return window.size() == size; }, 5000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
}

bool isScrolledContents(const QWidget& parent)
{
    const auto* area = qobject_cast<const QAbstractScrollArea*>(parent.parentWidget());
    return area && area->viewport() == &parent;
}

QString describe(const QWidget& widget)
{
    const QString text = textOf(widget);
    return QStringLiteral("%1 %2%3").arg(QString::fromLatin1(widget.metaObject()->className()),
                                         widget.objectName(),
                                         text.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(text));
}

// Heights of the window's visible widgets, by widget.
QHash<const QWidget*, int> shownHeights(MainWindow& window)
{
    QHash<const QWidget*, int> heights;
    for (const QWidget* widget : window.findChildren<QWidget*>())
        if (widget->isVisible() && !widget->isWindow())
            heights.insert(widget, widget->height());
    return heights;
}

// Visible widgets of the window that its height squeezes below what they
// need (and have in a roomy window), and widgets that their parent cuts
// off, other than the contents of a scroll area, which scroll into view.
QStringList squeezedOrCut(MainWindow& window, const QHash<const QWidget*, int>& roomyHeights)
{
    QStringList faults;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow())
            continue;
        const int needed = std::min(widget->minimumSizeHint().height(), roomyHeights.value(widget, 0));
        if (widget->height() < needed)
            faults << QStringLiteral("%1 is %2 px high, needs %3")
                          .arg(describe(*widget))
                          .arg(widget->height())
                          .arg(needed);
        const QWidget& parent = *widget->parentWidget();
        if (!isScrolledContents(parent) && !parent.rect().contains(widget->geometry()))
            faults << QStringLiteral("%1 at %2,%3 %4x%5 lies outside %6 of %7x%8")
                          .arg(describe(*widget))
                          .arg(widget->x())
                          .arg(widget->y())
                          .arg(widget->width())
                          .arg(widget->height())
                          .arg(describe(parent))
                          .arg(parent.width())
                          .arg(parent.height());
    }
    return faults;
}

// The window at a screen's size checked on the page it shows: the window
// can be that low, and neither the page's controls nor the window's own are
// squeezed by it or cut off, nor, on an acquisition tab, its texts, meters
// and sections.
void expectFitsTheScreen(MainWindow& window, const ScreenCase& screen, const std::string& where)
{
    resizeWindowAndSettle(window, QSize(screen.width, 1600));
    const QHash<const QWidget*, int> roomyHeights = shownHeights(window);
    resizeWindowAndSettle(window, QSize(screen.width, screen.height));
    const QSize lowest = window.minimumSize().expandedTo(window.minimumSizeHint());
    EXPECT_LE(lowest.height(), screen.height) << where;
    EXPECT_EQ(window.size(), QSize(screen.width, screen.height)) << where;
    const QStringList faults = squeezedOrCut(window, roomyHeights);
    EXPECT_TRUE(faults.isEmpty()) << where << ":\n" << faults.join(QLatin1Char('\n')).toStdString();
    if (auto* tab = qobject_cast<scanTab*>(window.form().tabWidget->currentWidget())) {
        const Ui_scanTab& form = tab->form();
        const std::vector<QGroupBox*> boxes{form.sensorConfigBox, form.scanConfigurationBox,
                                            form.scanControlBox, form.paramViewBox};
        (void)QTest::qWaitFor([&] { return unreadableTexts(*tab, boxes).isEmpty(); }, 5000);
        const QStringList unreadable = unreadableTexts(*tab, boxes);
        EXPECT_TRUE(unreadable.isEmpty()) << where << ":\n"
                                          << unreadable.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(ScanTabFit, EveryPageFitsALaptopScreenWithTheSensorBoundAndNothingSqueezed)
{
    QUVIX_REQUIRE_NETLAB();
    UsbSimControl control;
    ASSERT_TRUE(control.isComplete());
    // Three frequencies (a harmonics row each) and values of four digits.
    ASSERT_EQ(control.configure("[sensor]\nserial = FIT-4\n"
                                "capabilities = Pulse=Y;Vi=Y;MultipleFrequency=Y\n"
                                "frequency = 13560000 3 123.4 -98.7 1234.5\n"
                                "frequency = 27120000 3 40 25\n"
                                "frequency = 40680000 3 40 25\n"),
              1);
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    MainWindow window(nullptr, std::make_unique<RecordingKeepAwake>());
    window.show();
    QTabWidget& pages = *window.form().tabWidget;
    timeResolvedScanTab& timeResolved = *window.timeResolved();

    // Every page, the time-resolved tab twice: the external trigger widens
    // its window of times.
    const struct {
        QWidget* page;
        const char* setUp;
        std::function<void()> run;
    } pageCases[] = {
        {window.overview(), "", [] {}},
        {window.timeTrend(), "", [] {}},
        {window.pulseTrend(), "", [] {}},
        {&timeResolved, "internal trigger", [&] { timeResolved.controls().internalTrigger->click(); }},
        {&timeResolved, "external trigger", [&] { timeResolved.controls().externalTrigger->click(); }},
        {window.form().tab_2, "", [] {}},
    };
    ASSERT_EQ(pages.count(), 5);
    // The meters the window starts with, then the most the parameter view
    // shows: eight of two values each, wider than the others, and eight of
    // one value.
    const struct {
        const char* name;
        QStringList boxes;
    } meterSets[] = {
        {"first meters", {}},
        {"eight two-valued meters", displayOptionBoxes().mid(0, 8)},
        {"eight one-valued meters", displayOptionBoxes().mid(8, 8)},
    };
    for (const auto& meters : meterSets) {
        if (!meters.boxes.isEmpty())
            showMeters(window, meters.boxes);
        for (const auto& shown : pageCases) {
            pages.setCurrentWidget(shown.page);
            if (auto* tab = qobject_cast<scanTab*>(shown.page)) {
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return tab->form().sensorList->findText(QStringLiteral("FIT-4")) >= 0; }, 20000));
                tab->form().sensorList->setCurrentIndex(
                    tab->form().sensorList->findText(QStringLiteral("FIT-4")));
            }
            shown.run();
            for (const ScreenCase& screen : screens)
                expectFitsTheScreen(window, screen,
                                    pages.tabText(pages.indexOf(shown.page)).toStdString() + " (" +
                                        shown.setUp + ") with " + meters.name + " at " +
                                        std::to_string(screen.width) + " x " + std::to_string(screen.height));
        }
    }

    detachAndAwaitSensorLoops(control, {QStringLiteral("FIT-4")});
}

} // namespace
