#pragma once

#include "FMBoard.h"
#include "FMSettings.h"
#include "PortRange.h"

#include <QByteArray>
#include <QSharedPointer>
#include <QStringList>

#include <atomic>

// Shared pieces of the board link tests.
namespace linktest {

// Collects the debug lines of every thread while it exists.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    QStringList lines() const;
    // Whether a line starting with prefix arrived (waits at most timeoutMs).
    bool waitFor(const QString &prefix, int timeoutMs = 3000) const;
};

// A board link and what it signalled (RDS data servers on ports of their own
// unless given); the thread is quit and joined at the end.
class Link
{
public:
    explicit Link(u16 rdsPort = 0, int board = 0);
    ~Link();
    testsupport::PortRange ports; // those of the boards up to this one, when no port was given
    FMBoard board;
    std::atomic<int> online{0}, offline{0}, unlocks{0}, withdrawn{0};
    // onair signals: how many said on, how many off, and the last (-1: none).
    std::atomic<int> onAirOn{0}, onAirOff{0}, lastOnAir{-1};
    // Calls a slot of the link in its thread and waits for it.
    template <typename F> void call(F f)
    {
        QMetaObject::invokeMethod(&board, f, Qt::BlockingQueuedConnection);
    }
};

// A project file: `used` channels from 1 with a tone (or `file`) and an RDS
// source with stream bits `mode`.
QByteArray projectText(int used, int mode = 1, const QString &file = QString());
// A 16-bit WAV file of `frames` frames whose samples count up from 1.
void writeWav(const QString &path, int channels, int frames);

} // namespace linktest
