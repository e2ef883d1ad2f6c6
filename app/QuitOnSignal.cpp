#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

int QuitOnSignal::fds[2] = {-1, -1};

QuitOnSignal::QuitOnSignal(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        qWarning("MAN: no signal socket");
        return;
    }
    notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitOnSignal::readSignal);
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignal::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    delete notifier;
    for (int &fd : fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void QuitOnSignal::handle(int signal)
{
    const char byte = char(signal);
    if (::write(fds[0], &byte, 1) < 0) {
        // Nothing to do in a signal handler.
    }
}

void QuitOnSignal::readSignal()
{
    char byte = 0;
    if (::read(fds[1], &byte, 1) == 1)
        qDebug("MAN: signal %d, quitting", int(byte));
    QCoreApplication::quit();
}
