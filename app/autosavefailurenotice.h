#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;

// Tells the user that scans could not be autosaved. One warning box at a
// time, not modal, so acquisition goes on behind it; failures that arrive
// while it is open are added to it instead of opening more boxes. GUI
// thread only. The box is a child of the given window and deletes itself
// when closed.
class AutosaveFailureNotice : public QObject
{
    Q_OBJECT

public:
    explicit AutosaveFailureNotice(QWidget* window);

    // The open warning, or null.
    QMessageBox* openBox() const { return box_; }

public slots:
    void report(const QString& scanName, const QString& reason);

private:
    void showBox();
    void updateText();

    QWidget* window_;
    QPointer<QMessageBox> box_;
    QStringList failures_; // "name: reason", of the open box
    QString lastScan_;
    QString lastReason_;
};
