// Shows the preferences dialog on a real (virtual) screen and keeps its
// picture, for a person to check the closing options' layout.

#include "app/dialogs/preferencedialog.h"

#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTest>

TEST(PreferenceDialogScreenshot, ClosingOptions)
{
    QSettings().clear();
    PreferenceDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("preference-dialog")).isEmpty());
    QSettings().clear();
}
