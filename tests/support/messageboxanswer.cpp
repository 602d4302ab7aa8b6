#include "support/messageboxanswer.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

MessageBoxAnswers::MessageBoxAnswers(QList<QMessageBox::StandardButton> answers)
    : answers_(std::move(answers))
{
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    if (!answers_.isEmpty())
        timer_.start();
}

void MessageBoxAnswers::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box != nullptr && box != lastAnswered_ && !answers_.isEmpty()) {
        SeenBox seenBox;
        seenBox.title = box->windowTitle();
        seenBox.text = box->text();
        seenBox.icon = box->icon();
        seenBox.buttons = box->standardButtons();
        if (QPushButton* defaultButton = box->defaultButton())
            seenBox.defaultButton = box->standardButton(defaultButton);
        seen_.append(seenBox);
        lastAnswered_ = box;
        box->button(answers_.takeFirst())->click();
    }
    if (answers_.isEmpty() || --pollsLeft_ <= 0)
        timer_.stop();
}
