#include "scans/filenameprompt.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

QString DialogFileNamePrompt::askForNewFileName(const QString& fileName, const QString& caption,
                                                const QString& filter)
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return QString();
    QMessageBox::warning(
        nullptr, QStringLiteral("Unable to create file"),
        QStringLiteral("Save Filename or folder invalid.\n Please choose a new saving destination."),
        QMessageBox::Ok);
    return chooseFileName(fileName, caption, filter);
}

QString DialogFileNamePrompt::chooseFileName(const QString& fileName, const QString& caption,
                                             const QString& filter)
{
    return QFileDialog::getSaveFileName(nullptr, caption, fileName, filter);
}
