#include "app/startupsteps.h"

#include "platform/singleinstanceguard.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

namespace startupsteps {

void enableScreenScaling()
{
    qputenv("QT_AUTO_SCREEN_SCALE_FACTOR", "1");
}

bool takeSingleInstance(SingleInstanceGuard& guard)
{
    if (guard.tryAcquire())
        return true;
    QMessageBox question(QMessageBox::Question, QStringLiteral("!"),
                         QStringLiteral("Quvix software already running. Open another instance?"),
                         QMessageBox::Yes | QMessageBox::No);
    return question.exec() != QMessageBox::No;
}

void createCrashLogFolder(const QString& folder)
{
    if (!QDir(folder).exists())
        QDir().mkpath(folder);
}

void setProcessNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quorvane"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quorvane.com"));
    QCoreApplication::setApplicationName(QStringLiteral("Quvix"));
}

} // namespace startupsteps
