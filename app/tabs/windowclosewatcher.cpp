#include "app/tabs/windowclosewatcher.h"

#include <QEvent>
#include <QWidget>

WindowCloseWatcher::WindowCloseWatcher(QWidget* window)
    : QObject(window)
{
    window->installEventFilter(this);
}

bool WindowCloseWatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Close)
        emit closed();
    return QObject::eventFilter(watched, event);
}
