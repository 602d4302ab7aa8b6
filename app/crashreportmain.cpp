// QuvixCrashReport FOLDER FILE: tells the user that Quvix crashed and where
// its report lies. The crash handler starts it, because nothing may be shown
// from inside the crashed process.

#include "app/dialogs/crashreportbox.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return 2;
    crashreportbox::show(arguments.at(2), arguments.at(1));
    return 0;
}
