#pragma once

#include "BoardIP.h"
#include "Types.h"

#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QObject>

class QTimer;
class QUdpSocket;

// Finds modulator boards on the local network and sends a board its new
// network address, over UDP port 21519: a discovery request to every
// broadcast address, repeated every 2468 ms while discovering, and one
// `found` per valid reply.
//
// Lives in the thread that creates it (the GUI thread; each board dialog
// owns one); socket and timer are its children. The socket shares its port,
// so several discovery objects hear the same replies.
//
// By default the targets are the broadcast addresses of the machine's
// interfaces, enumerated anew for every send. Tests and tools pass their own
// port and targets (loopback only) instead.
class FMDiscover : public QObject
{
    Q_OBJECT

public:
    static constexpr int repeatMs = 2468;

    explicit FMDiscover(QObject *parent = nullptr);
    FMDiscover(u16 port, const QList<QHostAddress> &targets, QObject *parent = nullptr);
    ~FMDiscover() override;

    // IPv4 broadcast addresses of all interfaces, without null, loopback and
    // duplicate entries, in the order found.
    static QList<QHostAddress> interfaceBroadcasts();
    // The same for the address entries given, in their order.
    static QList<QHostAddress> broadcastsOf(const QList<QNetworkAddressEntry> &entries);

    // The addresses the next send goes to.
    QList<QHostAddress> targets() const;
    u16 port() const { return m_port; }
    bool isBound() const;
    bool isDiscovering() const;

public slots:
    // Sends a request now and starts the repeat, unless already discovering.
    void discover();
    // Sends a request to every target (the repeat timer's slot).
    void sendDiscover();
    // Stops the repeat.
    void halt();
    // Sends the board with this MAC its new IPv4 address and port.
    void sendConfig(const u8 *mac, u32 ip, u16 port);
    // Reads every pending datagram.
    void readPending();

signals:
    void found(BoardIP board);

private:
    void setUp();
    void sendToTargets(const QByteArray &datagram, bool withTargetAddress);
    void handleDatagram(const QByteArray &datagram);

    const u16 m_port;
    const bool m_fixedTargets;
    const QList<QHostAddress> m_targets;
    QUdpSocket *m_socket = nullptr;
    QTimer *m_timer = nullptr;
};
