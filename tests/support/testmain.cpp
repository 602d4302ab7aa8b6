// Test main for everything that touches Qt: one QApplication on the offscreen
// platform (or on the virtual screen that tests/support/run-on-screen.sh
// provides), and a settings store in a temporary folder so that no test
// reads or writes the user's settings.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QUVIX_ON_SCREEN"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);

    QTemporaryDir settingsDir;
    if (!settingsDir.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Quorvane");
    QCoreApplication::setApplicationName("Quvix");
    return RUN_ALL_TESTS();
}
