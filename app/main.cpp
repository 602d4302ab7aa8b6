// Entry of the main program Quvix. The arguments go to the toolkit only.

#include "app/mainwindow.h"
#include "app/shellvalues.h"
#include "app/startupsteps.h"
#include "platform/crashreporter.h"
#include "platform/singleinstanceguard.h"

#include <QApplication>

int main(int argc, char** argv)
{
    CrashReporter::install(crashLogDirectory,
                           CrashReporter::programFolder() + QStringLiteral("/QuvixCrashReport"));

    startupsteps::enableScreenScaling();
    QApplication application(argc, argv);

    SingleInstanceGuard singleInstance(QStringLiteral("Quvix"));
    if (!startupsteps::takeSingleInstance(singleInstance))
        return 0;

    startupsteps::createCrashLogFolder(crashLogDirectory);
    startupsteps::setProcessNames();

    MainWindow window;
    window.show();
    return application.exec();
}
