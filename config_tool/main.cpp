// QuvixSerial: reads a USB sensor's identity and configuration memory and
// writes its network and boot settings back.

#include "mainwindow.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int quitPipe[2] = {-1, -1};

void requestQuit(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(quitPipe[0], &byte, 1);
}

// A terminal's Ctrl+C or a session's SIGTERM ends the event loop normally,
// so the window closes the open sensor (back to normal mode, lock freed).
void quitOnTerminationSignals(QApplication& application)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, quitPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(quitPipe[1], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, &QApplication::quit);
    struct sigaction action = {};
    action.sa_handler = requestQuit;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    quitOnTerminationSignals(application);
    int result = 0;
    {
        MainWindow window(nullptr);
        window.show();
        result = application.exec();
    }
    return result;
}
