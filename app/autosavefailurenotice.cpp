#include "app/autosavefailurenotice.h"

#include <QMessageBox>

AutosaveFailureNotice::AutosaveFailureNotice(QWidget* window)
    : QObject(window)
    , window_(window)
{
}

void AutosaveFailureNotice::report(const QString& scanName, const QString& reason)
{
    if (!box_) {
        failures_.clear();
        showBox();
    }
    failures_.append(QStringLiteral("%1: %2").arg(scanName, reason));
    lastScan_ = scanName;
    lastReason_ = reason;
    updateText();
}

void AutosaveFailureNotice::showBox()
{
    box_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Autosave failed"), QString(),
                           QMessageBox::Ok, window_);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    box_->setWindowModality(Qt::NonModal);
    box_->show();
}

void AutosaveFailureNotice::updateText()
{
    if (failures_.size() == 1) {
        box_->setText(QStringLiteral("The scan %1 could not be autosaved: %2.\n\nIt is kept unsaved in the "
                                     "scan list; save it before it is dropped from there.")
                          .arg(lastScan_, lastReason_));
        return;
    }
    box_->setText(QStringLiteral("%1 scans could not be autosaved; the latest, %2: %3.\n\nThey are kept "
                                 "unsaved in the scan list; save them before they are dropped from there.")
                      .arg(failures_.size())
                      .arg(lastScan_, lastReason_));
    box_->setDetailedText(failures_.join(QLatin1Char('\n')));
}
