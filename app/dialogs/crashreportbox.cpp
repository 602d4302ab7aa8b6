#include "app/dialogs/crashreportbox.h"

#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
const QString supportAddress = QStringLiteral("support@quorvane.com");
}

namespace crashreportbox {

QString message(const QString& reportFileName, const QString& folder)
{
    return QStringLiteral("Fatal error occurred and the application will be terminated.") +
           QStringLiteral("<br><br>") + QStringLiteral("A crash log named '") +
           reportFileName.toHtmlEscaped() +
           QStringLiteral("' has been created inside the crash log folder:") + QStringLiteral("<br>") +
           QStringLiteral("<a href=\"%1\">%2</a>")
               .arg(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded).toHtmlEscaped(),
                    folder.toHtmlEscaped()) +
           QStringLiteral(".") + QStringLiteral("<br><br>") +
           QStringLiteral("Please, contact the Quorvane support team at ") +
           QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(supportAddress) +
           QStringLiteral(
               " detailing, if possible, what caused the issue, and attaching the log file to the email.");
}

void show(const QString& reportFileName, const QString& folder)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Software Crash report"));
    box.setIcon(QMessageBox::Critical);
    box.setWindowIcon(QIcon(QStringLiteral(":/images/Images/quorvane.ico")));
    box.setTextFormat(Qt::RichText);
    box.setText(message(reportFileName, folder));
    box.setStandardButtons(QMessageBox::Close);
    box.button(QMessageBox::Close)->setText(QStringLiteral("Ok"));
    box.exec();
}

} // namespace crashreportbox
