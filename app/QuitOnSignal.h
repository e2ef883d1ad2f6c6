#pragma once

#include <QObject>

class QSocketNotifier;

// Ends the event loop on SIGINT and SIGTERM, so that a program stopped from
// a terminal or a script shuts down in order (boards off air and unlocked)
// instead of dying. The handler only writes a byte to a socket pair; the
// GUI thread reads it and calls QCoreApplication::quit. One per process.
class QuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject *parent = nullptr);
    ~QuitOnSignal() override;

private:
    static void handle(int signal);
    void readSignal();

    static int fds[2];
    QSocketNotifier *notifier = nullptr;
};
