#pragma once

#include <QObject>

class QWidget;

// Tells when a floating window is closed from its title bar (or by
// close()), which hiding it does not: the button that shows the window can
// then be released.
// GUI thread only; installed as an event filter on the window it watches,
// whose child it is.
class WindowCloseWatcher : public QObject
{
    Q_OBJECT
public:
    explicit WindowCloseWatcher(QWidget* window);

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
