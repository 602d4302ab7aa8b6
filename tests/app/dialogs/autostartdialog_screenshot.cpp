// Shows the auto-start dialog over its trigger-cycle picture on a real
// (virtual) screen and keeps its picture in both stop modes, for a person
// to check that each control sits on its caption or bracket.

#include "app/dialogs/autostartdialog.h"

#include "support/fakesensor.h"
#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSettings>
#include <QTest>

TEST(AutoStartDialogScreenshot, BothStopModesOverThePicture)
{
    QSettings().clear();
    FakeSensor sensor({13.56, 2.0}, {3, 1});
    autoStartDialog dialog(&sensor, nullptr, true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("auto-start-dialog-stop-threshold")).isEmpty());
    dialog.findChild<QComboBox*>(QStringLiteral("stopCondition"))->setCurrentText(QStringLiteral("Duration"));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("auto-start-dialog-duration")).isEmpty());
}
