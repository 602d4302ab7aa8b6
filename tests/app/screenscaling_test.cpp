// Runs without a test-wide application object: the scaling request must be
// in place before the program's application object is made.

#include "app/startupsteps.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

TEST(ScreenScaling, RequestedBeforeTheApplicationObjectAndSeenByIt)
{
    qunsetenv("QT_AUTO_SCREEN_SCALE_FACTOR");
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    startupsteps::enableScreenScaling();
    EXPECT_EQ(qgetenv("QT_AUTO_SCREEN_SCALE_FACTOR"), QByteArray("1"));

    int argc = 1;
    char name[] = "screenscaling_test";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    EXPECT_EQ(qgetenv("QT_AUTO_SCREEN_SCALE_FACTOR"), QByteArray("1"));
}

} // namespace
