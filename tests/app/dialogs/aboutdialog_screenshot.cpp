// The about box on a real (virtual) screen; its picture is kept as an
// artifact.

#include "app/dialogs/aboutdialog.h"

#include "support/screenshot.h"

#include <gtest/gtest.h>

#include <QTest>

TEST(AboutDialogScreenshot, BannerVersionAndClose)
{
    AboutDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 20000));
    EXPECT_EQ(dialog.size(), QSize(500, 300));
    EXPECT_FALSE(screenshot::keep(dialog, QStringLiteral("about")).isEmpty());
}
