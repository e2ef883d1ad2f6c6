#include "LoopbackClient.h"

#include "BoardProtocol.h"
#include "BoundedWait.h"
#include "SimBoard.h"

#include <QUdpSocket>

LoopbackClient::LoopbackClient() : m_socket(new QUdpSocket)
{
    m_socket->bind(QHostAddress(QHostAddress::LocalHost), 0);
    QObject::connect(m_socket, &QUdpSocket::readyRead, [this] { read(); });
}

LoopbackClient::~LoopbackClient()
{
    delete m_socket;
}

u16 LoopbackClient::port() const
{
    return m_socket->localPort();
}

void LoopbackClient::read()
{
    while (m_socket->hasPendingDatagrams()) {
        QByteArray d(int(qMax<qint64>(0, m_socket->pendingDatagramSize())), '\0');
        const qint64 n = m_socket->readDatagram(d.data(), d.size());
        if (n < 0)
            break;
        d.truncate(int(n));
        m_replies.append(d);
    }
}

void LoopbackClient::send(const SimBoard &board, const QByteArray &datagram)
{
    m_socket->writeDatagram(datagram, board.address(), board.port());
}

QByteArray LoopbackClient::waitReply(int type, int timeoutMs)
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

QByteArray LoopbackClient::exchange(SimBoard &board, const QByteArray &datagram, int replyType, int timeoutMs)
{
    send(board, datagram);
    return waitReply(replyType, timeoutMs);
}

bool LoopbackClient::fence(SimBoard &board, int timeoutMs)
{
    return !exchange(board, BoardProtocol::infoRequest(), BoardProtocol::InfoReply, timeoutMs).isEmpty();
}
