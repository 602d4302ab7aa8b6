// The display options dialog on a real (virtual) screen, as stored settings
// and a user's ticks leave it; its picture is kept as an artifact.

#include "app/dialogs/displaysettings.h"

#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QSettings>
#include <QTest>

TEST(DisplaySettingsScreenshot, EightOptionsTickedWithTabDelimiter)
{
    QSettings().clear();
    QSettings().setValue(QStringLiteral("DisplayOptions/csvdelimiter"), QStringLiteral("\t"));
    DisplaySettings dialog;
    for (const char* name : {"forwardPowerCheckBox", "reflectedPowerCheckBox", "swrCheckBox"})
        dialog.findChild<QCheckBox*>(QString::fromLatin1(name))->click();
    dialog.findChild<QCheckBox*>(QStringLiteral("rbUseShortNames"))->click();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    EXPECT_EQ(dialog.size(), QSize(650, 415));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("display-options")).isEmpty());
    dialog.findChild<QCheckBox*>(QStringLiteral("rbUseShortNames"))->click();
    QSettings().clear();
}

// On a screen, with the fonts a desktop without a theme of its own gives: the
// heads of the option grid show whole, neither cut by their cell nor lying
// beyond the part of the grid the dialog shows.
TEST(DisplaySettingsScreenshot, TheOptionGridShowsItsColumnHeadsWhole)
{
    QSettings().clear();
    DisplaySettings dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    const auto* grid = dialog.findChild<QScrollArea*>(QStringLiteral("scrollArea"));
    const QRect shown = grid->viewport()->rect();
    for (const char* name : {"optionsLabel", "displayLabel", "exportLabel"}) {
        const auto* head = dialog.findChild<QLabel*>(QString::fromLatin1(name));
        const QRect room = head->contentsRect();
        const QRect text =
            head->fontMetrics().boundingRect(room, Qt::TextWordWrap | head->alignment(), head->text());
        EXPECT_TRUE(room.contains(text)) << name << " needs " << text.width() << " x " << text.height()
                                         << " in a head " << room.width() << " x " << room.height();
        const QRect place(head->mapTo(grid->viewport(), QPoint(0, 0)), head->size());
        EXPECT_TRUE(shown.contains(place)) << name << " at " << place.x() << ".." << place.right()
                                           << " in a grid showing 0.." << shown.right();
    }
}
