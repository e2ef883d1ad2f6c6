#pragma once

#include "BoundedWait.h"

#include <QByteArray>
#include <QTcpSocket>

namespace testsupport {

// Sends a request line to a remote-control client's socket and returns the first reply line that starts with
// `reply` (trimmed; empty when none came within timeoutMs). What else came is dropped with `received`, the
// caller's buffer of lines not read yet.
inline QByteArray remoteReply(QTcpSocket &client, QByteArray &received, const QByteArray &line,
                              const QByteArray &reply, int timeoutMs = 10000)
{
    client.write(line + "\n");
    QByteArray found;
    waitUntil([&] {
        received += client.readAll();
        for (const QByteArray &l : received.split('\n'))
            if (l.startsWith(reply))
                found = l.trimmed();
        return !found.isEmpty();
    }, timeoutMs);
    received.clear();
    return found;
}

} // namespace testsupport
