#include "app/shellvalues.h"

#include <QDir>

QString crashLogDirectoryFor(const QString& homePath)
{
    return QStringLiteral("%1/AppData/Local/Quorvane/Crash Logs/").arg(homePath);
}

const QString crashLogDirectory = crashLogDirectoryFor(QDir::homePath());

const QString closeQuestionText =
    QStringLiteral("Are you sure you would like to close the Quvix application ?");

const QString userGuideFileName = QStringLiteral("Quvix_Software_User_Guide.pdf");
