#include "FMDiscover.h"

#include "BoardProtocol.h"

#include <QDebug>
#include <QNetworkInterface>
#include <QTimer>
#include <QUdpSocket>

FMDiscover::FMDiscover(QObject *parent)
    : QObject(parent), m_port(BoardProtocol::discoveryPort), m_fixedTargets(false)
{
    setUp();
}

FMDiscover::FMDiscover(u16 port, const QList<QHostAddress> &targets, QObject *parent)
    : QObject(parent), m_port(port), m_fixedTargets(true), m_targets(targets)
{
    setUp();
}

FMDiscover::~FMDiscover()
{
    qDebug("~Discover");
    m_socket->close();
}

void FMDiscover::setUp()
{
    BoardIP::registerMetaType();
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(QHostAddress::AnyIPv4, m_port,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        qDebug("Dis: bind port %d failed [%s]", m_port, qPrintable(m_socket->errorString()));
    connect(m_socket, &QUdpSocket::readyRead, this, &FMDiscover::readPending);
    m_timer = new QTimer(this);
    m_timer->setInterval(repeatMs);
    connect(m_timer, &QTimer::timeout, this, &FMDiscover::sendDiscover);
}

QList<QHostAddress> FMDiscover::interfaceBroadcasts()
{
    QList<QNetworkAddressEntry> entries;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        entries += iface.addressEntries();
    return broadcastsOf(entries);
}

QList<QHostAddress> FMDiscover::broadcastsOf(const QList<QNetworkAddressEntry> &entries)
{
    QList<QHostAddress> list;
    for (const QNetworkAddressEntry &entry : entries) {
        const QHostAddress b = entry.broadcast();
        if (b.isNull() || b.isLoopback() || list.contains(b))
            continue;
        list.append(b);
    }
    return list;
}

QList<QHostAddress> FMDiscover::targets() const
{
    return m_fixedTargets ? m_targets : interfaceBroadcasts();
}

bool FMDiscover::isBound() const
{
    return m_socket->state() == QAbstractSocket::BoundState;
}

bool FMDiscover::isDiscovering() const
{
    return m_timer->isActive();
}

void FMDiscover::discover()
{
    if (m_timer->isActive())
        return;
    sendDiscover();
    m_timer->start();
}

void FMDiscover::sendDiscover()
{
    sendToTargets(QByteArray(), true);
}

void FMDiscover::halt()
{
    m_timer->stop();
}

void FMDiscover::sendConfig(const u8 *mac, u32 ip, u16 port)
{
    if (!mac)
        return;
    sendToTargets(BoardProtocol::netConfig(mac, ip, port), false);
}

// With withTargetAddress each target gets a discovery request naming it;
// otherwise every target gets `datagram` as it is.
void FMDiscover::sendToTargets(const QByteArray &datagram, bool withTargetAddress)
{
    const QList<QHostAddress> list = targets();
    for (const QHostAddress &target : list) {
        const QByteArray d = withTargetAddress ? BoardProtocol::discoverRequest(target.toIPv4Address()) : datagram;
        if (m_socket->writeDatagram(d, target, m_port) != d.size())
            qDebug("Dis: send to %s failed [%s]", qPrintable(target.toString()),
                   qPrintable(m_socket->errorString()));
    }
}

void FMDiscover::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const qint64 size = m_socket->pendingDatagramSize();
        QByteArray d(int(qMax<qint64>(size, 0)), '\0');
        const qint64 n = m_socket->readDatagram(d.data(), d.size());
        if (n < 0)
            break;
        d.truncate(int(n));
        handleDatagram(d);
    }
}

void FMDiscover::handleDatagram(const QByteArray &datagram)
{
    switch (BoardProtocol::packetType(datagram)) {
    case BoardProtocol::DiscoverReply: {
        BoardIP board;
        if (BoardProtocol::parseDiscoverReply(datagram, &board) == BoardProtocol::DiscoverResult::Valid)
            emit found(board);
        else
            qDebug("Dis: recv discover response with invalid size %i", datagram.size() - 2);
        break;
    }
    case BoardProtocol::NetConfigAck:
        qDebug("Dis: got network config ack size %i", datagram.size() - 2);
        break;
    default:
        break; // our own and other programs' requests, datagrams too short
    }
}
