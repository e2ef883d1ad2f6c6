#pragma once

#include "Types.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>

class QUdpSocket;
class SimBoard;

// A bare UDP client on 127.0.0.1 that talks to a simulated board the way a
// board link does, for tests that check the board's answers byte by byte.
// Lives in the test's thread; waits process events and are bounded.
class LoopbackClient
{
public:
    LoopbackClient();
    ~LoopbackClient();

    u16 port() const;
    u32 ip() const { return 0x7F000001; }

    void send(const SimBoard &board, const QByteArray &datagram);
    // Waits for the next reply of this packet type; empty on time-out.
    QByteArray waitReply(int type, int timeoutMs = 2000);
    // send + waitReply
    QByteArray exchange(SimBoard &board, const QByteArray &datagram, int replyType, int timeoutMs = 2000);
    // Replies received and not yet taken by waitReply.
    QList<QByteArray> &pending() { return m_replies; }
    // Sends an information request and waits for its reply. The board answers
    // in order, so every reply to what was sent before has arrived by then;
    // this checks for missing replies without sleeping. False on time-out.
    bool fence(SimBoard &board, int timeoutMs = 2000);

private:
    void read();

    QUdpSocket *m_socket;
    QList<QByteArray> m_replies;
};
