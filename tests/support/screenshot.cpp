#include "support/screenshot.h"

#include "support/testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace screenshot {

bool isOnScreen()
{
    return qEnvironmentVariableIsSet("QUVIX_ON_SCREEN");
}

QString keep(QWidget& widget, const QString& name)
{
    const QDir folder(testenv::artifactsDir());
    if (!folder.mkpath(QStringLiteral(".")))
        return QString();
    QApplication::processEvents();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    return widget.grab().save(path) ? path : QString();
}

} // namespace screenshot
