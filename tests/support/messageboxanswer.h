#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>

// Answers the next modal message boxes that open, in order, with the given
// buttons, and records what each showed: a test's stand-in for the user.
// GUI thread only. It polls with a timer of its own, so nothing is left to
// fire once it goes out of scope.
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
    MessageBoxAnswers(const MessageBoxAnswers&) = delete;
    MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;

    const QList<SeenBox>& seen() const { return seen_; }

private:
    void poll();

    QList<QMessageBox::StandardButton> answers_;
    QList<SeenBox> seen_;
    QPointer<QMessageBox> lastAnswered_;
    int pollsLeft_ = 1500;
    QTimer timer_;
};
