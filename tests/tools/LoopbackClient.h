#pragma once

#include "BoardProtocol.h"
#include "BoundedWait.h"
#include "SimBoard.h"
#include "Types.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QUdpSocket>

// A bare UDP client on 127.0.0.1 that talks to a simulated board the way a board link does, for tests that
// check the board's answers byte by byte. Lives in the test's thread; waits process events and are bounded.
class LoopbackClient
{
public:
    LoopbackClient()
    {
        m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { read(); });
    }

    u16 port() const { return m_socket.localPort(); }
    u32 ip() const { return 0x7F000001; }

    void send(const SimBoard &board, const QByteArray &datagram)
    {
        m_socket.writeDatagram(datagram, board.address(), board.port());
    }

    // Waits for the next reply of this packet type; empty on time-out.
    QByteArray waitReply(int type, int timeoutMs = 2000)
    {
        QByteArray found;
        testsupport::waitUntil([&] {
            for (int i = 0; i < m_replies.size(); ++i) {
                if (BoardProtocol::packetType(m_replies[i]) == type) {
                    found = m_replies.takeAt(i);
                    return true;
                }
            }
            return false;
        }, timeoutMs);
        return found;
    }

    QByteArray exchange(SimBoard &board, const QByteArray &datagram, int replyType, int timeoutMs = 2000)
    {
        send(board, datagram);
        return waitReply(replyType, timeoutMs);
    }

    // Replies received and not yet taken by waitReply.
    QList<QByteArray> &pending() { return m_replies; }

    // Sends an information request and waits for its reply. The board answers in order, so every reply to
    // what was sent before has arrived by then; this checks for missing replies without sleeping. False on
    // time-out.
    bool fence(SimBoard &board, int timeoutMs = 2000)
    {
        return !exchange(board, BoardProtocol::infoRequest(), BoardProtocol::InfoReply, timeoutMs).isEmpty();
    }

private:
    void read()
    {
        while (m_socket.hasPendingDatagrams()) {
            QByteArray d(int(qMax<qint64>(0, m_socket.pendingDatagramSize())), '\0');
            const qint64 n = m_socket.readDatagram(d.data(), d.size());
            if (n < 0)
                break;
            d.truncate(int(n));
            m_replies.append(d);
        }
    }

    QUdpSocket m_socket;
    QList<QByteArray> m_replies;
};
