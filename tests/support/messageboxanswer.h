#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>

// Answers the next modal message boxes that open, in order, with the given
// buttons, and records what each showed: a test's stand-in for the user.
class MessageBoxAnswers
{
public:
    struct SeenBox {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    explicit MessageBoxAnswers(QList<QMessageBox::StandardButton> answers);

    const QList<SeenBox>& seen() const { return seen_; }

private:
    void poll();

    QList<QMessageBox::StandardButton> answers_;
    QList<SeenBox> seen_;
    QPointer<QMessageBox> lastAnswered_;
    int pollsLeft_ = 1500;
};
