// The display options dialog on a real (virtual) screen, as stored settings
// and a user's ticks leave it; its picture is kept as an artifact.

#include "app/displaysettings.h"

#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QCheckBox>
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
